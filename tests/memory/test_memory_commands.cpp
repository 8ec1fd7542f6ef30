// The memory commands with stand-in dialogs, the save form's rules and the
// dialogs' placement; then the three dialogs' real widgets, offscreen.

#include "MemoryFixture.h"

#include "controls/CEditEx.h"
#include "controls/ControlSupport.h"
#include "memory/CEditMemoryDlg.h"
#include "memory/CRecallMemoryDlg.h"
#include "memory/CSaveMemoryDlg.h"
#include "memory/MemoryCommands.h"
#include "memory/MemoryDialogRunner.h"
#include "support/AccessibleAudit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace tamrel::test {
namespace {

using Texts = SaveMemoryForm::Text;
using Lists = SaveMemoryForm::List;

struct FakeDialogs : MemoryDialogs {
    std::function<bool(SaveMemoryForm&)> onSave;
    bool RunSaveDialog(SaveMemoryForm& form) override { return onSave(form); }
    // A recall with the real dialog is MemoryDialogWindows'.
    std::optional<std::string> RunRecallDialog(RecallMemoryList&) override {
        ADD_FAILURE() << "recall dialog opened";
        return std::nullopt;
    }
    void RunEditDialog(EditMemoryList&) override {}
};

// "Save" pressed: the form must accept.
bool Press(SaveMemoryForm& form) {
    auto problem = form.Accept();
    EXPECT_FALSE(problem) << problem->toStdString();
    return !problem;
}

class MemoryCommandFlow : public MemoryFixture {
protected:
    void SetUp() override {
        MemoryFixture::SetUp();
        store_ = Open();
        commands_ = std::make_unique<MemoryCommands>(*store_, prompter_, dialogs_, host_);
    }
    void SaveNamed(const std::string& name) {
        dialogs_.onSave = [&](SaveMemoryForm& f) {
            f.SetText(Texts::Name, QString::fromLatin1(name));
            return Press(f);
        };
        commands_->SaveMemory();
    }

    std::unique_ptr<CK2MemoryStore> store_;
    RecordingPrompter prompter_;
    FakeDialogs dialogs_;
    RecordingHost host_;
    std::unique_ptr<MemoryCommands> commands_;
};

TEST_F(MemoryCommandFlow, StackingRegisterSaveAndRecall) {
    EXPECT_TRUE(commands_->Run(kCmdRecallStackingRegister));
    EXPECT_EQ(host_.status, (decltype(host_.status){{"", MemoryStatusStyle::Normal}}));
    EXPECT_TRUE(host_.recalled.empty());

    host_.snapshot.preamp = 7; // flags are stored as 0 or 1
    host_.snapshot.ritOn = 0x100;
    commands_->Run(kCmdSaveStackingRegister);
    EXPECT_EQ(host_.LastStatus().first, "Save StackReg Mem:    7040.01KHz");
    commands_->Run(kCmdRecallStackingRegister);
    EXPECT_EQ(host_.LastStatus().first, "Recall StackReg Mem:    7040.01KHz");
    ASSERT_EQ(host_.recalled.size(), 1u);
    const K2RadioState& got = host_.recalled[0];
    EXPECT_EQ(std::tuple(got.preamp, got.ritOn, got.offset), std::tuple(1u, 1u, -120));

    Bytes ring = Read("K2StackRegisters.Cfg");
    ring[4] = '?';
    Write("K2StackRegisters.Cfg", ring);
    commands_->Run(kCmdSaveStackingRegister);
    EXPECT_EQ(host_.LastStatus(), std::pair(std::string("Save StackReg Mem, Error: 0x01000012"),
                                            MemoryStatusStyle::Error));
    EXPECT_FALSE(commands_->Run(155));
}

TEST_F(MemoryCommandFlow, StoreErrorOnSaveIsShownInTheErrorStyle) {
    Fill(*store_, 100);
    SaveNamed("x");
    EXPECT_EQ(host_.LastStatus(),
              std::pair(std::string("Save memory, Error: 0x01000025"), MemoryStatusStyle::Error));
}

TEST_F(MemoryCommandFlow, RecallWithNoMemoryInUseOpensNoDialog) {
    commands_->RecallMemory();
    EXPECT_TRUE(host_.recalled.empty());
}

TEST_F(MemoryCommandFlow, EditAndDeleteFailuresAreShown) {
    SaveNamed("\xe9t\xe9"); // Latin-1 in the store, UTF-8 in messages
    Bytes file = Read("K2Memory.Cfg");
    file[4] = 'x';
    Write("K2Memory.Cfg", file);
    EditMemoryList list(*store_, prompter_, [](SaveMemoryForm& f) { return Press(f); });
    EXPECT_TRUE(list.EditRow(0));
    EXPECT_TRUE(list.DeleteRow(0));
    EXPECT_EQ(prompter_.texts(),
              (std::vector<std::string>{"Error in Editing Memory\xc3\xa9t\xc3\xa9",
                                        "Deleting Memory \"\xc3\xa9t\xc3\xa9\"?",
                                        "Error in Deleting Memory\xc3\xa9t\xc3\xa9"}));
}

TEST(MemorySaveForm, ReadBackRoundsAndRefusesWhatIsNotANumber) {
    K2MemoryRecord rec;
    rec.state = SampleState();
    rec.state.agc = 3; // no entry: no selection, kept
    SaveMemoryForm form(rec, false);
    EXPECT_EQ(form.PositionOf(Lists::Agc), -1);

    form.SetText(Texts::VfoA, "7040.01");
    form.SetText(Texts::Power, " 12.34");
    form.SetText(Texts::CwSpeed, " 30 ");
    ASSERT_FALSE(form.Accept());
    EXPECT_EQ(form.Record().state.vfoA, 7040010u);
    EXPECT_EQ(form.Record().state.power, 123u);
    EXPECT_EQ(form.Record().state.cwSpeed, 30u);
    EXPECT_EQ(form.Record().state.agc, 3u);

    const std::pair<Texts, const char*> bad[] = {{Texts::VfoA, "abc"},
                                                 {Texts::VfoB, "4294967.3"},
                                                 {Texts::CwSpeed, "12.5"},
                                                 {Texts::Power, "5 W"}};
    for (const auto& [field, text] : bad) {
        SaveMemoryForm f(rec, false);
        f.SetText(field, QString::fromLatin1(text));
        const auto problem = f.Accept();
        ASSERT_TRUE(problem) << text;
        EXPECT_TRUE(problem->startsWith(SaveMemoryForm::ControlOf(field).label))
            << problem->toStdString();
        EXPECT_EQ(f.Record(), rec);
    }
    SaveMemoryForm top(rec, false);
    top.SetText(Texts::VfoB, "4294967.295");
    ASSERT_FALSE(top.Accept());
    EXPECT_EQ(top.Record().state.vfoB, 4294967295u);
}

TEST(MemorySaveForm, NamesMustBeShortPrintableLatin1AndTheAntennaSpinTogglesOneAndTwo) {
    SaveMemoryForm form(K2MemoryRecord{}, false);
    for (const QString& name : {QString(80, 'a'), QString::fromUtf8("20m \xe2\x82\xac")}) {
        form.SetText(Texts::Name, name);
        const auto problem = form.Accept();
        ASSERT_TRUE(problem);
        EXPECT_TRUE(problem->startsWith("Memory Name"));
    }
    form.SetText(Texts::Name, QString(79, QChar(0xe9)));
    EXPECT_EQ(form.AntennaText(), "Ant 0");
    for (const char* shown : {"Ant 1", "Ant 2", "Ant 1"}) {
        form.ClickAntennaSpin();
        EXPECT_EQ(form.AntennaText(), shown);
    }
    ASSERT_FALSE(form.Accept());
    EXPECT_EQ(form.Record().Name(), std::string(79, '\xe9'));
    EXPECT_EQ(form.Record().state.antenna, 1u);
}

template <class T = QWidget> T* Control(const QWidget& root, int id) {
    auto* w = qobject_cast<T*>(findControl(root, id));
    EXPECT_TRUE(w) << "control " << id;
    return w;
}

// Runs `act` on the next modal dialog once it is up (inside its exec).
void OnNextModal(std::function<void(QWidget&)> act, int triesLeft = 500) {
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(*modal);
        } else if (triesLeft > 0) {
            OnNextModal(std::move(act), triesLeft - 1);
        } else {
            ADD_FAILURE() << "no dialog came up";
        }
    });
}

// Types any text, one key event per character.
void Type(QWidget* w, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void Key(QWidget* w, Qt::Key key) {
    ASSERT_TRUE(w);
    QTest::keyClick(w, key);
}

class MemoryDialogWindows : public MemoryCommandFlow {
protected:
    void Add(const std::string& name, uint32_t vfoA) {
        ASSERT_EQ(store_->AddMemory(Named(name, vfoA)), kMemoryOk);
    }
    std::unique_ptr<MemoryCommands> Commands(MemoryDialogRunner& runner) {
        return std::make_unique<MemoryCommands>(*store_, prompter_, runner, host_);
    }
};

// Fonts, colours and captions are constants, shown as set; the form's rules are
// MemorySaveForm's. Here, that the widgets show the form and reach it.
TEST_F(MemoryDialogWindows, SaveDialogShowsTheFormAndRefusesBadNumbersOpen) {
    SaveMemoryForm form(Named(""), false);
    CSaveMemoryDlg dlg(form, prompter_);
    dlg.show();
    EXPECT_EQ(Control<CEditEx>(dlg, memctl::kVfoA)->text(), "   7040.01");
    EXPECT_EQ(Control<QLabel>(dlg, memctl::kAntennaText)->text(), "Ant 2");

    Control<QComboBox>(dlg, memctl::kNb)->setCurrentIndex(1);
    QTest::mouseClick(dlg.findChild<QToolButton*>("ctl1179up"), Qt::LeftButton);
    EXPECT_EQ(Control<QLabel>(dlg, memctl::kAntennaText)->text(), "Ant 1");
    auto* vfoB = Control<CEditEx>(dlg, memctl::kVfoB);
    vfoB->selectAll();
    QTest::keyClicks(vfoB, "14o60");
    Key(vfoB, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_EQ(prompter_.texts()[0].rfind("VFOB", 0), 0u) << prompter_.texts()[0];

    vfoB->setText("14060.5");
    auto* name = Control<CEditEx>(dlg, memctl::kName);
    Type(name, QString::fromUtf8("Net\xe2\x82\xac\xc3\xa9"));
    EXPECT_EQ(name->text(), QString::fromUtf8("Net\xc3\xa9")); // the euro sign is refused
    Key(Control<QComboBox>(dlg, memctl::kAtt), Qt::Key_Enter);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    K2MemoryRecord expected = Named("Net\xe9");
    expected.state.noiseBlanker = 1;
    expected.state.antenna = 1;
    expected.state.vfoB = 14060500;
    EXPECT_EQ(form.Record(), expected);
}

TEST_F(MemoryDialogWindows, SaveCommandLoopsOnDuplicateNamesAndNamesEmptyOnes) {
    for (const char* n : {"a", "b", "c", "Memory 5"})
        Add(n, 7000000);
    MemoryDialogRunner runner(nullptr, prompter_, {});
    auto commands = Commands(runner);

    OnNextModal([](QWidget& dlg) {
        QTest::keyClicks(Control(dlg, memctl::kName), "b");
        QTest::keyClicks(Control(dlg, memctl::kCwSpeed), "5"); // "185"
        OnNextModal([](QWidget& again) {
            EXPECT_EQ(Control<CEditEx>(again, memctl::kName)->text(), "b");
            EXPECT_EQ(Control<CEditEx>(again, memctl::kCwSpeed)->text(), "185");
            Key(Control(again, memctl::kVfoA), Qt::Key_Escape);
        });
        QTest::mouseClick(Control(dlg, memctl::kOk), Qt::LeftButton);
    });
    commands->Run(kCmdSaveMemory);
    EXPECT_EQ(prompter_.texts(), std::vector<std::string>{"Memory Name is Not Unique!"});
    EXPECT_EQ(store_->UsedMemories(), 4u);

    OnNextModal([](QWidget& dlg) {
        // Every control named as its label says, never by its value or id.
        EXPECT_TRUE(test::AuditWindow(dlg).unnamed.isEmpty())
            << test::AuditWindow(dlg).unnamedList().toStdString();
        Key(Control(dlg, memctl::kName), Qt::Key_Enter);
    });
    commands->Run(kCmdSaveMemory);
    EXPECT_EQ(host_.LastStatus().first, "Saved Mem \"Memory 6\"");
    K2MemoryRecord saved;
    ASSERT_EQ(store_->FindMemory("Memory 6", saved), kMemoryOk);
    EXPECT_EQ(saved.state, SampleState());
}

TEST_F(MemoryDialogWindows, EditCommandEditsInEditModeAndDeletesAfterTheQuestion) {
    Add("one", 7000000);
    Add("two", 3560000);
    MemoryDialogRunner runner(nullptr, prompter_, {});
    auto commands = Commands(runner);
    OnNextModal([this](QWidget& w) {
        auto& dlg = static_cast<CEditMemoryDlg&>(w);
        QTableWidget& t = dlg.List();
        EXPECT_EQ(t.item(1, 12)->text(), "   5.0W");

        OnNextModal([](QWidget& save) {
            EXPECT_EQ(Control<CEditEx>(save, memctl::kName)->text(), "two");
            EXPECT_TRUE(Control<CEditEx>(save, memctl::kName)->isReadOnly());
            Control<QComboBox>(save, memctl::kNb)->setCurrentIndex(0);
            QTest::mouseClick(Control(save, memctl::kOk), Qt::LeftButton);
        });
        t.selectRow(1);
        QTest::mouseClick(Control(dlg, memctl::kEditButton), Qt::LeftButton);
        EXPECT_EQ(dlg.List().item(1, 5)->text(), "Off");

        t.selectRow(0);
        QTest::mouseClick(Control(dlg, memctl::kDeleteButton), Qt::LeftButton);
        EXPECT_EQ(prompter_.texts().back(), "Deleting Memory \"one\"?");
        ASSERT_EQ(dlg.List().rowCount(), 1);
        EXPECT_EQ(dlg.List().item(0, 0)->text(), "two");
        QTest::mouseClick(Control(dlg, memctl::kOk), Qt::LeftButton);
    });
    commands->Run(kCmdEditMemory);
    EXPECT_FALSE(store_->MemoryNameExists("one"));
    EXPECT_EQ(store_->Memories()[1].Name(), "two");
    EXPECT_EQ(store_->Memories()[1].state.noiseBlanker, 0u);
}

// Where a small window leaves them is WindowPlacement's.
TEST_F(MemoryDialogWindows, RecallGoesUnderTheMainWindowWhenItIsLargeEnoughListsAndSelects) {
    Add("A", 7000000);
    Add("B", 3560000);
    WindowRect saved{100, 80, 1300, 900};
    QWidget panel; // its frame stands in for the dialog's, not framed yet
    panel.show();
    MemoryDialogRunner runner(nullptr, prompter_, [&] { return saved; });
    auto commands = Commands(runner);
    QRect placed;
    OnNextModal([&](QWidget& dlg) {
        placed = dlg.frameGeometry();
        Key(Control(dlg, memctl::kRecallList), Qt::Key_Enter);
    });
    commands->Run(kCmdRecallMemory);
    EXPECT_EQ(placed.topLeft(), QPoint(100, 901));
    EXPECT_EQ(placed.width(), 1200);
    EXPECT_EQ(host_.LastStatus().first, "Recall Mem, Error: 0x01000024"); // nothing was selected
    OnNextModal([&](QWidget& dlg) {
        EXPECT_TRUE(test::AuditWindow(dlg).unnamed.isEmpty())
            << test::AuditWindow(dlg).unnamedList().toStdString();
        Key(Control(dlg, memctl::kRecallList), Qt::Key_Escape);
    });
    commands->Run(kCmdRecallMemory);
    EXPECT_TRUE(host_.recalled.empty());

    OnNextModal([](QWidget& dlg) {
        QTableWidget& t = static_cast<CRecallMemoryDlg&>(dlg).List();
        ASSERT_EQ(t.rowCount(), 2);
        EXPECT_EQ(t.item(1, 1)->text(), "  14060.00"); // receive VFO B
        t.selectRow(1);
        Key(&t, Qt::Key_Return);
    });
    commands->Run(kCmdRecallMemory);
    ASSERT_EQ(host_.recalled.size(), 1u);
    EXPECT_EQ(host_.recalled[0].vfoA, 3560000u);
    EXPECT_EQ(host_.LastStatus().first, "Recall Mem \"B\"");
}

} // namespace
} // namespace tamrel::test

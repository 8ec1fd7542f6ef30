// The three memory dialogs through their real widgets, offscreen: what they
// show, what clicks and keys do, and the commands' dialog loops.

#include "MemoryFixture.h"

#include "controls/CEditEx.h"
#include "controls/ControlSupport.h"
#include "memory/CEditMemoryDlg.h"
#include "memory/CRecallMemoryDlg.h"
#include "memory/CSaveMemoryDlg.h"
#include "memory/MemoryCommands.h"
#include "memory/MemoryDialogRunner.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace tamrel::test {
namespace {

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

class MemoryDialogWindows : public MemoryFixture {
protected:
    void SetUp() override {
        MemoryFixture::SetUp();
        store_ = Open();
    }
    void Add(const std::string& name, uint32_t vfoA) {
        ASSERT_EQ(store_->AddMemory(Named(name, vfoA)), kMemoryOk);
    }
    std::unique_ptr<MemoryCommands> Commands(MemoryDialogRunner& runner) {
        return std::make_unique<MemoryCommands>(*store_, prompter_, runner, host_);
    }

    std::unique_ptr<CK2MemoryStore> store_;
    RecordingPrompter prompter_;
    RecordingHost host_;
};

// The fonts, colours and captions the dialogs are built with are not
// checked here: they are constants, shown as set. The form's rules are the
// form's own tests' (MemorySaveForm); here, that the widgets show and reach it.
TEST_F(MemoryDialogWindows, SaveDialogShowsTheFormAndRefusesBadNumbersOpen) {
    SaveMemoryForm form(Named(""), false);
    CSaveMemoryDlg dlg(form, prompter_);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Saving  Radio Memory Location");
    EXPECT_FALSE(Control<CEditEx>(dlg, memctl::kName)->isReadOnly());
    EXPECT_EQ(Control<CEditEx>(dlg, memctl::kVfoA)->text(), "   7040.01");
    EXPECT_EQ(Control<QComboBox>(dlg, memctl::kMode)->currentText(), "CWR");
    EXPECT_EQ(Control<QComboBox>(dlg, memctl::kAgc)->currentText(), "Fast");
    EXPECT_EQ(Control<QComboBox>(dlg, memctl::kRxVfo)->currentText(), "VFOB");
    EXPECT_EQ(Control<QComboBox>(dlg, memctl::kXfil)->count(), 4);
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

    OnNextModal([](QWidget& dlg) { Key(Control(dlg, memctl::kName), Qt::Key_Enter); });
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
        EXPECT_EQ(dlg.windowTitle(), "Editing Memory");
        QTableWidget& t = dlg.List();
        ASSERT_EQ(t.columnCount(), 14);
        EXPECT_EQ(t.item(1, 13)->text(), "2");
        EXPECT_EQ(t.item(1, 12)->text(), "   5.0W");

        OnNextModal([](QWidget& save) {
            EXPECT_EQ(save.windowTitle(), "Editing Radio Memory Location");
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

// Where a small window leaves them is MemoryPlacement's.
TEST_F(MemoryDialogWindows, RecallGoesUnderTheMainWindowWhenItIsLargeEnoughListsAndSelects) {
    Add("A", 7000000);
    Add("B", 3560000);
    WindowRect saved{100, 80, 1300, 900};
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
    OnNextModal([&](QWidget& dlg) { Key(Control(dlg, memctl::kRecallList), Qt::Key_Escape); });
    commands->Run(kCmdRecallMemory);
    EXPECT_TRUE(host_.recalled.empty());

    OnNextModal([](QWidget& dlg) {
        QTableWidget& t = static_cast<CRecallMemoryDlg&>(dlg).List();
        EXPECT_EQ(&t, findControl(dlg, memctl::kRecallList));
        ASSERT_EQ(t.columnCount(), 6);
        ASSERT_EQ(t.rowCount(), 2);
        EXPECT_EQ(t.item(1, 1)->text(), "  14060.00"); // receive VFO B
        EXPECT_EQ(t.item(1, 4)->text(), "XFIL2");
        EXPECT_EQ(t.item(1, 5)->text(), "No");
        t.selectRow(1);
        Key(&t, Qt::Key_Return);
    });
    commands->Run(kCmdRecallMemory);
    ASSERT_EQ(host_.recalled.size(), 1u);
    EXPECT_EQ(host_.recalled[0].vfoA, 3560000u);
}

} // namespace
} // namespace tamrel::test

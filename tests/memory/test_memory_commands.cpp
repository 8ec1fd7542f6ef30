// The memory commands with stand-in dialogs, the save form's read-back rules,
// the two lists and the dialogs' placement.

#include "MemoryFixture.h"

#include "memory/MemoryCommands.h"

namespace tamrel::test {
namespace {

using Texts = SaveMemoryForm::Text;
using Lists = SaveMemoryForm::List;

struct FakeDialogs : MemoryDialogs {
    std::function<bool(SaveMemoryForm&)> onSave;
    std::function<std::optional<std::string>(RecallMemoryList&)> onRecall;
    int recallRuns = 0;
    bool RunSaveDialog(SaveMemoryForm& form) override { return onSave(form); }
    std::optional<std::string> RunRecallDialog(RecallMemoryList& list) override {
        ++recallRuns;
        return onRecall(list);
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

TEST_F(MemoryCommandFlow, RecallMemoryListsAndSendsTheChosenOne) {
    dialogs_.onRecall = [](RecallMemoryList&) { return std::string("x"); };
    commands_->RecallMemory();
    EXPECT_EQ(dialogs_.recallRuns, 0); // no memory in use: no dialog

    SaveNamed("Forty");
    dialogs_.onRecall = [](RecallMemoryList& list) { return list.NameAt(0); };
    commands_->RecallMemory();
    EXPECT_EQ(host_.LastStatus().first, "Recall Mem \"Forty\"");
    ASSERT_EQ(host_.recalled.size(), 1u);
    EXPECT_EQ(host_.recalled[0], host_.snapshot);
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

    const std::pair<Texts, const char*> bad[] = {
        {Texts::VfoA, "abc"},  {Texts::VfoB, "4294967.3"}, {Texts::VfoB, "-1"},
        {Texts::VfoA, "nan"},  {Texts::CwSpeed, "12.5"},   {Texts::CwSpeed, "-3"},
        {Texts::Power, "5 W"}, {Texts::Power, "1e300"},
    };
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
    for (const QString& name :
         {QString(80, 'a'), QString::fromUtf8("20m \xe2\x82\xac"), QStringLiteral("tab\there")}) {
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

TEST(MemoryPlacement, UnderTheMainWindowWhenItIsLargeEnough) {
    const WindowRect main{100, 50, 900, 650};
    EXPECT_EQ(PlaceUnderMainWindow(main, QSize(600, 300)), QRect(100, 651, 800, 300));
    EXPECT_EQ(PlaceUnderMainWindow(main, QSize(800, 600)), QRect(100, 651, 800, 600));
    EXPECT_FALSE(PlaceUnderMainWindow(main, QSize(801, 300)));
    EXPECT_FALSE(PlaceUnderMainWindow(main, QSize(600, 601)));
    EXPECT_FALSE(PlaceUnderMainWindow(WindowRect{0, 0, -5, -5}, QSize(1, 1)));
}

} // namespace
} // namespace tamrel::test

// The keyboard window's logic: memories, sending with macros, the pending
// text, progress, abort, autoplay and the dialogs' up-down steps.

#include "cw/CwKeyboard.h"

#include <gtest/gtest.h>

using namespace tamrel;
using namespace tamrel::cw;

namespace {

class Keyboard : public ::testing::Test {
protected:
    Keyboard() {
        texts_[0] = "CQ TEST ~MC";
        texts_[2] = "~hc DE ~MC ~SN+";
    }

    CwKeyboard make(int32_t counter = 7, uint8_t mode = 3) {
        CwKeyboardHooks hooks;
        hooks.toThread = [this](Message m) { sent_.push_back(std::move(m)); };
        hooks.macroVariables = [] {
            MacroVariables v;
            v[0] = "G4ABC";
            v[4] = "DL1XYZ";
            return v;
        };
        hooks.counterChanged = [this](int32_t c, uint8_t) { saved_.push_back(c); };
        hooks.refused = [this](const std::string& s) { refused_.push_back(s); };
        return CwKeyboard(hooks, texts_, counter, mode);
    }
    std::vector<std::string> queued() const {
        std::vector<std::string> out;
        for (const Message& m : sent_)
            out.push_back(m.wParam == kQueueAbort ? "<abort>" : *m.payload.get<std::string>());
        return out;
    }

    CwKeyboard::Texts texts_;
    std::vector<Message> sent_;
    std::vector<int32_t> saved_;
    std::vector<std::string> refused_;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(Keyboard, StoredTextsGetASpaceAndEmptyOnesSendNothing) {
    CwKeyboard kb = make();
    EXPECT_EQ(kb.Memory(0), "CQ TEST ~MC ");
    EXPECT_TRUE(kb.MemoryEmpty(4));
    EXPECT_FALSE(kb.SendMemory(4));
    EXPECT_FALSE(kb.SendMemory(11));
    EXPECT_TRUE(sent_.empty());
    kb.ReplaceMemory(4, "73");
    EXPECT_EQ(kb.Memory(4), "73 ");
    kb.ReplaceMemory(4, "");
    EXPECT_TRUE(kb.MemoryEmpty(4));
}

TEST_F(Keyboard, MemoryWithMacrosGoesOutExpandedAndTheCounterIsSavedAtOnce) {
    CwKeyboard kb = make();
    ASSERT_TRUE(kb.SendMemory(2));
    EXPECT_EQ(queued(), Strings{"DL1XYZ DE G4ABC 007 "});
    EXPECT_EQ(kb.Counter(), 8);
    EXPECT_EQ(saved_, std::vector<int32_t>{8});
    EXPECT_TRUE(kb.AbortRed());
    EXPECT_EQ(kb.Pending(), "DL1XYZ DE G4ABC 007 ");
    // A text from the panel or another program gets its space, and loses ";".
    kb.SendText("AB;FA00007000000");
    EXPECT_EQ(queued().back(), "ABFA00007000000 ");
    EXPECT_EQ(saved_.size(), 1u); // no ~SN: the counter is not written again
}

TEST_F(Keyboard, ProgressShortensThePendingTextAndColoursAbort) {
    CwKeyboard kb = make();
    kb.SendMemory(0);
    const std::string chunk = "CQ TEST ";
    kb.Progress(8, nullptr);
    EXPECT_FALSE(kb.AbortRed());
    kb.Progress(5, &chunk);
    EXPECT_TRUE(kb.AbortRed());
    EXPECT_EQ(kb.Pending(), "G4ABC ");
    const std::string longer = "G4ABC AND MORE";
    kb.Progress(5, &longer);
    EXPECT_EQ(kb.Pending(), "");
    kb.Progress(5, nullptr); // busy
    EXPECT_TRUE(kb.AbortRed());
}

TEST_F(Keyboard, TextsThatWouldPassTheQueueAreRefusedWhole) {
    CwKeyboard kb = make();
    ASSERT_TRUE(kb.SendText(std::string(2000, 'E')));
    EXPECT_FALSE(kb.SendText(std::string(47, 'T'))); // 2001 + 47 + space > 2047
    EXPECT_EQ(refused_.size(), 1u);
    EXPECT_EQ(sent_.size(), 1u);
    EXPECT_TRUE(kb.SendText(std::string(45, 'T')));
    EXPECT_EQ(kb.Pending().size(), 2047u);
    EXPECT_FALSE(kb.TakeTyped("A "));
    // A long expansion is queued whole, not cut at 254.
    texts_[1] = std::string(300, 'K');
    CwKeyboard fresh = make();
    sent_.clear();
    ASSERT_TRUE(fresh.SendMemory(1));
    EXPECT_EQ(queued()[0].size(), 301u);
}

TEST_F(Keyboard, AbortForgetsEverythingAndStopsAutoplay) {
    CwKeyboard kb = make();
    kb.ConfigureAutoplay({0, 10, 0});
    ASSERT_TRUE(kb.StartAutoplay());
    EXPECT_TRUE(kb.AutoplayRunning());
    EXPECT_FALSE(kb.SendKey(2)); // keys do nothing while autoplay runs
    kb.Abort();
    EXPECT_FALSE(kb.AutoplayRunning());
    EXPECT_EQ(kb.Pending(), "");
    EXPECT_FALSE(kb.AbortRed());
    EXPECT_EQ(queued(), (Strings{"CQ TEST G4ABC ", "<abort>"}));
}

TEST_F(Keyboard, AutoplayByCountAndUntilInterrupted) {
    CwKeyboard kb = make();
    kb.ConfigureAutoplay({2, 5, 3});
    kb.StartAutoplay();
    kb.Tick();
    EXPECT_TRUE(kb.AutoplayRunning());
    kb.Tick();
    EXPECT_FALSE(kb.AutoplayRunning());
    kb.Tick(); // a late tick after the end sends nothing
    EXPECT_EQ(sent_.size(), 3u);
    EXPECT_EQ(kb.Counter(), 10);
    // Repeat plays as many times again.
    kb.StartAutoplay();
    kb.Tick();
    kb.Tick();
    EXPECT_FALSE(kb.AutoplayRunning());
    EXPECT_EQ(sent_.size(), 6u);
    kb.ConfigureAutoplay({0, 5, 1});
    kb.StartAutoplay();
    EXPECT_FALSE(kb.AutoplayRunning()); // one play: done at once
    kb.ConfigureAutoplay({0, 5, 0});
    kb.StartAutoplay();
    for (int i = 0; i < 50; ++i)
        kb.Tick();
    EXPECT_TRUE(kb.AutoplayRunning());
    // An empty memory does not start.
    kb.Abort();
    kb.ConfigureAutoplay({5, 5, 0});
    EXPECT_FALSE(kb.StartAutoplay());
}

TEST(CwDialogSteps, IntervalsCountsAndDigitsWrap) {
    EXPECT_EQ(StepIntervalIndex(0, 1), 22);
    EXPECT_EQ(StepIntervalIndex(22, -1), 0);
    EXPECT_EQ(StepIntervalIndex(5, 0), 4);
    EXPECT_EQ(StepIntervalIndex(5, -3), 6);
    EXPECT_EQ(StepCount(1, 1), 1000);
    EXPECT_EQ(StepCount(1000, -1), 1);
    EXPECT_EQ(StepCount(7, 1), 6);
    EXPECT_EQ(StepDigits(0, 1), 5);
    EXPECT_EQ(StepDigits(5, -1), 0);
    EXPECT_EQ(StepDigits(2, -1), 3);
    EXPECT_EQ(IntervalIndexOf(900), 22);
    EXPECT_EQ(IntervalIndexOf(11), 2);
}

// The keyboard window's logic: memories, sending with macros, the pending
// text, progress, abort, autoplay and the dialogs' up-down steps.

#include "cw/CwKeyboard.h"

#include <gtest/gtest.h>

using namespace tamrel;
using namespace tamrel::cw;

namespace {

// The thread, the store and the status line as the logic sees them.
class Keyboard : public ::testing::Test, public KeyboardServices {
protected:
    Keyboard() {
        texts_[0] = "CQ TEST ~MC";
        texts_[2] = "~hc DE ~MC ~SN+";
    }
    void QueueText(const std::string& text) override { queued.push_back(text); }
    void AbortQueue() override { queued.push_back("<abort>"); }
    MacroVariables Variables() override { return {"G4ABC", "", "", "", "DL1XYZ"}; }
    SerialCounter Counter() override {
        ++counterReads;
        return counter;
    }
    void StoreCounter(const SerialCounter& c) override {
        counter = c;
        saved.push_back(c.value);
    }
    void Refused(const std::string& text) override { refused.push_back(text); }

    CwKeyboard make() { return CwKeyboard(*this, texts_); }

    CwKeyboard::Texts texts_;
    std::vector<std::string> queued;
    SerialCounter counter{7, 3};
    int counterReads = 0;
    std::vector<int32_t> saved;
    std::vector<std::string> refused;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(Keyboard, StoredTextsGetASpaceAndEmptyOnesSendNothing) {
    CwKeyboard kb = make();
    EXPECT_EQ(kb.Memory(0), "CQ TEST ~MC ");
    EXPECT_TRUE(kb.MemoryEmpty(4));
    EXPECT_FALSE(kb.SendMemory(4));
    EXPECT_FALSE(kb.SendMemory(11));
    EXPECT_TRUE(queued.empty());
    kb.ReplaceMemory(4, "73");
    EXPECT_EQ(kb.Memory(4), "73 ");
    kb.ReplaceMemory(4, "");
    EXPECT_TRUE(kb.MemoryEmpty(4));
}

TEST_F(Keyboard, MemoryWithMacrosGoesOutExpandedAndTheCounterIsStoredAtOnce) {
    CwKeyboard kb = make();
    ASSERT_TRUE(kb.SendMemory(2));
    EXPECT_EQ(queued, Strings{"DL1XYZ DE G4ABC 007 "});
    EXPECT_EQ(saved, std::vector<int32_t>{8});
    EXPECT_TRUE(kb.AbortRed());
    EXPECT_EQ(kb.Pending(), "DL1XYZ DE G4ABC 007 ");
    // The counter is read when a text needs it: what was stored since counts.
    counter = {40, 0x83};
    kb.SendMemory(2);
    EXPECT_EQ(queued.back(), "DL1XYZ DE G4ABC T4T ");
    EXPECT_EQ(counter.value, 41);
    EXPECT_EQ(counter.outputMode, 0x83);
    // A text from the panel or another program gets its space, and loses ";".
    const int reads = counterReads;
    kb.SendText("AB;FA00007000000");
    EXPECT_EQ(queued.back(), "ABFA00007000000 ");
    EXPECT_EQ(counterReads, reads); // no ~SN: neither read nor written
    EXPECT_EQ(saved.size(), 2u);
}

TEST_F(Keyboard, TextsThatWouldPassTheQueueAreRefusedWhole) {
    CwKeyboard kb = make();
    ASSERT_TRUE(kb.SendText(std::string(2000, 'E')));
    EXPECT_FALSE(kb.SendText(std::string(47, 'T'))); // 2001 + 47 + space > 2047
    EXPECT_EQ(refused.size(), 1u);
    EXPECT_EQ(queued.size(), 1u);
    EXPECT_TRUE(kb.TakeTyped("T;T ")); // typed pieces are queued by the logic too
    EXPECT_EQ(queued.back(), "TT ");
    EXPECT_TRUE(kb.SendText(std::string(42, 'T')));
    EXPECT_EQ(kb.Pending().size(), 2047u);
    EXPECT_FALSE(kb.TakeTyped("A "));
    EXPECT_EQ(queued.size(), 3u);
    // A long expansion is queued whole, not cut at 254.
    texts_[1] = std::string(300, 'K');
    CwKeyboard fresh = make();
    queued.clear();
    ASSERT_TRUE(fresh.SendMemory(1));
    EXPECT_EQ(queued[0].size(), 301u);
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
    EXPECT_EQ(queued.size(), 3u);
    EXPECT_EQ(counter.value, 10);
    // Repeat plays as many times again.
    kb.StartAutoplay();
    kb.Tick();
    kb.Tick();
    EXPECT_FALSE(kb.AutoplayRunning());
    EXPECT_EQ(queued.size(), 6u);
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

// The text rules (breaks, what may reach the keyer, macros, serial numbers) and
// the keyboard window's logic: memories, sending, autoplay, the dialogs' steps.

#include "cw/CwKeyboard.h"
#include "cw/CwText.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tamrel;
using namespace tamrel::cw;

TEST(CwText, BreakAndKeyableCharacters) {
    for (char c : std::string(" ,=.?+(%*"))
        EXPECT_TRUE(IsBreakCharacter(c)) << c;
    for (char c : std::string("AZaz09;/)@<>~-\0", 15))
        EXPECT_FALSE(IsBreakCharacter(c)) << int(c);
    EXPECT_EQ(KeyableText("AB;FA00007000000;"), "ABFA00007000000");
    EXPECT_EQ(KeyableText(std::string("cq\r\n\tde\x7f\x01 k", 11)), "cqde k");
    // Everything else passes unchanged, case and punctuation included.
    EXPECT_EQ(KeyableText("Cq dE <test> @ (+=%*)"), "Cq dE <test> @ (+=%*)");
    EXPECT_EQ(KeyableText("\xe9t\xe9"), "\xe9t\xe9");
}

TEST(CwText, MacrosInAnyCaseAndSerialsCountingUpAndDown) {
    MacroVariables v;
    v[0] = "G4ABC";  // ~MC
    v[1] = "JOHN";   // ~MN
    v[3] = "579";    // ~MS
    v[4] = "DL1XYZ"; // ~HC
    const struct {
        const char *text, *expanded;
        int32_t counter, after;
        uint8_t outputMode;
    } rows[] = {
        {"~hc DE ~MC ~SN+ ", "DL1XYZ DE G4ABC 007 ", 7, 8, 3},
        {"~Mn ~mS ~hN.", "JOHN 579 .", 7, 7, 0},
        {"~xy ", "XY ", 1, 1, 0}, // unknown names are text
        {"73~", "73", 1, 1, 0},
        {"~~MC", "~MC", 1, 1, 0}, // "~M" is no name; "C" follows
        {"~SN- ~SN ~sn+~sn+", "10 9 910", 10, 11, 0},
        {"~MC+ ~SN +", "G4ABC+ 11 +", 11, 11, 0}, // a sign that does not follow ~SN is text
        {"~SN+", "2147483647", INT32_MAX, INT32_MAX, 0},
        {"~SN-", "-2147483648", INT32_MIN, INT32_MIN, 0},
    };
    for (const auto& r : rows) {
        int32_t counter = r.counter;
        EXPECT_EQ(ExpandMacros(r.text, v, counter, r.outputMode), r.expanded) << r.text;
        EXPECT_EQ(counter, r.after) << r.text;
    }
    // Only a text that expands a serial number needs the counter.
    EXPECT_TRUE(UsesSerial("UR ~sn+ BK"));
    EXPECT_FALSE(UsesSerial("~~SN"));
    EXPECT_FALSE(UsesSerial("~MC SN ~S"));
}

TEST(CwText, SerialFormatting) {
    // A longer number widens the field; the width stops at 5.
    const std::tuple<int32_t, uint8_t, const char*> rows[] = {
        {0, 0x80, "T"},     {7, 3, "007"},         {7, 0x83, "TT7"},    {105, 0, "105"},
        {105, 0x80, "1T5"}, {123456, 3, "123456"}, {42, 0x7F, "00042"}, {-3, 3, "0-3"},
    };
    for (const auto& [counter, mode, shown] : rows)
        EXPECT_EQ(FormatSerial(counter, mode), shown) << counter << " " << int(mode);
}

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

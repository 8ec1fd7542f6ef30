// The keyer feed answer by answer against a recording link and the transmitting
// thread's loop and messages (the bytes on the wire are FrontPanelWindow's
// KeyboardCw... test's); the text rules (breaks, keyable text, macros, serial
// numbers) and the keyboard window's logic: memories, sending, autoplay, steps.

#include "cw/CCWMsgTransmittingThread.h"
#include "cw/CwKeyboard.h"
#include "cw/CwText.h"
#include "cw/KeyerFeed.h"
#include "platform/Mailbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

using namespace tamrel;
using namespace tamrel::cw;
using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

// A keyer link that writes down what the feed does to the radio, in order,
// as the wire would show it ("KY;", "KY CQ ;", "KY @;") plus "poll on"/"poll off".
class RecordingLink final : public KeyerLink {
public:
    void Query() override { add("KY;"); }
    void SendText(std::string_view chunk) override { add("KY " + std::string(chunk) + ";"); }
    void Abort() override { add("KY @;"); }
    void SetStatusPolling(bool on) override { add(on ? "poll on" : "poll off"); }

    Log take() {
        std::lock_guard g(m_);
        return std::exchange(log_, {});
    }
    // Waits until pred holds for the log (or the time is up).
    template <class Pred>
    bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock g(m_);
        return cv_.wait_for(g, limit, [&] { return pred(log_); });
    }

private:
    void add(std::string s) {
        {
            std::lock_guard g(m_);
            log_.push_back(std::move(s));
        }
        cv_.notify_all();
    }
    std::mutex m_;
    std::condition_variable cv_;
    Log log_;
};

// What the keyboard window hears: "busy", "ready", "sent <chunk>".
std::string Describe(const CwProgress& p) {
    if (const auto* sent = std::get_if<ChunkSent>(&p))
        return "sent " + sent->chunk;
    return std::holds_alternative<KeyerBusy>(p) ? "busy" : "ready";
}

class Feed : public ::testing::Test {
protected:
    void SetUp() override {
        feed_.SetLink(&link_);
        feed_.SetNotify([this](CwProgress p) { notes_.push_back(Describe(p)); });
    }
    // One query and its answer.
    void ask(int digit) {
        feed_.SendQuery();
        feed_.KeyerState(digit);
    }
    Log takeNotes() { return std::exchange(notes_, {}); }

    RecordingLink link_;
    KeyerFeed feed_;
    Log notes_;
};

bool has(const Log& log, const std::string& s) {
    return std::find(log.begin(), log.end(), s) != log.end();
}

// What the thread told the keyboard window, waiting for at least that many.
Log drain(Mailbox<CwProgress>& box, std::size_t atLeast, std::chrono::milliseconds limit) {
    Log out;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (out.size() < atLeast && std::chrono::steady_clock::now() < end)
        if (auto m = box.takeWithin(10ms))
            out.push_back(Describe(*m));
    while (auto m = box.take())
        out.push_back(Describe(*m));
    return out;
}

} // namespace

TEST_F(Feed, ThirtyCharactersHoldBackTheCutWordAndTheLastChunkIsFollowedByTwoReadyNotices) {
    feed_.Append("CQ TEST DE G4ABC G4ABCDEF K ");
    link_.take();
    ask(2);
    // The first 24 end inside "G4ABCDEF": cut after the last space before it.
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY CQ TEST DE G4ABC ;"}));
    EXPECT_EQ(feed_.HeldBack(), "G4ABCDE");
    ask(2);
    // Every ready answer to a query switches polling on again.
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY G4ABCDEF K ;"}));
    EXPECT_TRUE(feed_.HeldBack().empty());
    takeNotes();
    ask(2); // the ring is empty: one more query
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
    EXPECT_FALSE(feed_.Sending());
    EXPECT_TRUE(feed_.QueryWanted());
    ask(2);
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
    EXPECT_FALSE(feed_.QueryWanted());
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY;", "poll on"}));
}

TEST_F(Feed, AbortEmptiesEverythingAndTheNextMessageStartsClean) {
    feed_.Append("THIS IS A LONG MESSAGE THAT GOESONANDONANDON ");
    ask(2);
    EXPECT_FALSE(feed_.HeldBack().empty());
    link_.take();
    feed_.Abort();
    EXPECT_EQ(link_.take(), (Log{"KY @;"}));
    EXPECT_EQ(feed_.Queued(), 0u);
    EXPECT_TRUE(feed_.HeldBack().empty());
    // The keyer is asked until it reports done; status polling waits for that.
    EXPECT_TRUE(feed_.QueryWanted());
    ask(0);
    EXPECT_EQ(link_.take(), (Log{"KY;"}));
    EXPECT_TRUE(feed_.QueryWanted());
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on"}));
    EXPECT_FALSE(feed_.QueryWanted());
    feed_.Append("NEW ");
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"poll off", "KY;", "poll on", "KY NEW ;"}));
}

TEST_F(Feed, RingHoldsTwentyFortySevenAndRefusesWholeTexts) {
    EXPECT_TRUE(feed_.Append(std::string(2000, 'E')));
    EXPECT_FALSE(feed_.Append(std::string(48, 'T'))); // would need 2048
    EXPECT_TRUE(feed_.Append(std::string(47, 'T')));
    EXPECT_EQ(feed_.Queued(), 2047u);
    // What went in comes out whole, 24 at a time (no break characters).
    std::string out;
    for (int i = 0; i < 100 && (feed_.Queued() > 0 || !feed_.HeldBack().empty()); ++i)
        ask(2);
    for (const std::string& s : link_.take())
        if (s.rfind("KY ", 0) == 0 && s != "KY @;") {
            EXPECT_LE(s.size(), 3u + 24 + 1);
            out += s.substr(3, s.size() - 4);
        }
    EXPECT_EQ(out, std::string(2000, 'E') + std::string(47, 'T'));
}

TEST_F(Feed, OnlyKeyableTextGoesAndARemainderWithNothingAfterItIsSent) {
    feed_.Append("AB;FA00007000000;\r\n ");
    ask(2);
    EXPECT_EQ(link_.take().back(), "KY ABFA00007000000 ;");
    // A text without a final break character (another program's, say).
    feed_.Append("CQ CQ CQ DE G4ABC G4ABCX");
    ask(2);
    EXPECT_EQ(feed_.HeldBack(), "G4ABCX");
    EXPECT_EQ(feed_.Queued(), 0u);
    ask(2);
    EXPECT_EQ(link_.take().back(), "KY G4ABCX;");
    EXPECT_TRUE(feed_.HeldBack().empty());
    EXPECT_FALSE(feed_.Sending());
    ask(2);
    EXPECT_FALSE(feed_.QueryWanted());
    // Busy while not waiting reads as the radio being done.
    takeNotes();
    ask(1);
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
}

TEST_F(Feed, AnswersToQueriesBeforeTheLastChunkReleaseNothing) {
    feed_.Append("ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN ELEVEN TWELVE ");
    // Slow replies: three queries leave before the first answer comes back.
    feed_.SendQuery();
    feed_.SendQuery();
    feed_.SendQuery();
    link_.take();
    feed_.KeyerState(2); // first answer: one chunk
    feed_.KeyerState(2); // owed to queries sent before that chunk
    feed_.KeyerState(2);
    Log log = link_.take();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& s) { return s.rfind("KY ", 0) == 0; }),
              1);
    // A query after the chunk is answered by a fresh state: the next chunk.
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY SIX SEVEN EIGHT NINE ;"}));
}

TEST(CwThread, TextToAnIdleThreadIsQueriedAtOnceAndChunksFollowReady) {
    RecordingLink link;
    auto window = std::make_shared<Mailbox<CwProgress>>();
    ManualClock clock;
    CCWMsgTransmittingThread thread(clock);
    thread.start();
    // The clock never moves: a query that came only with the idle interval
    // would never come.
    thread.post(CwSetup{&link, 100ms});
    thread.post(CwEchoTo{Address<CwProgress>(window)});
    thread.post(CwText{"CQ TEST "});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY;"); }, 20s));
    EXPECT_EQ(link.take(), (Log{"poll off", "KY;"}));
    thread.post(CwKeyerState{1});
    thread.post(CwKeyerState{2});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY CQ TEST ;"); }));
    EXPECT_EQ(drain(*window, 3, 10s), (Log{"busy", "ready", "sent CQ TEST "}));
    // The next query waits one idle interval on the thread's clock, counted
    // once the thread has finished with the chunk (given time to, here).
    link.take();
    std::this_thread::sleep_for(200ms);
    clock.Advance(99ms);
    EXPECT_FALSE(link.waitFor([](const Log& l) { return has(l, "KY;"); }, 100ms));
    clock.Advance(1ms);
    EXPECT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY;"); }));

    // The echo window gone: nothing more is posted to it.
    thread.post(CwEchoTo{});
    thread.post(CwAbort{});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY @;"); }));
    thread.post(CwKeyerState{1});
    thread.post(CwText{"X "});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "poll off"); }));
    thread.quitAndJoin();
    EXPECT_EQ(window->take(), std::nullopt);
}

TEST(CwText, BreakAndKeyableCharacters) {
    for (char c : std::string(" ,=.?+(%*"))
        EXPECT_TRUE(IsBreakCharacter(c)) << c;
    for (char c : std::string("AZaz09;/)@<>~-\0", 15))
        EXPECT_FALSE(IsBreakCharacter(c)) << int(c);
    EXPECT_EQ(KeyableText("AB;FA00007000000;"), "ABFA00007000000");
    EXPECT_EQ(KeyableText(std::string("cq\r\n\tde\x7f\x01 k", 11)), "cqde k");
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
    EXPECT_EQ(queued, Log{"DL1XYZ DE G4ABC 007 "});
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
    EXPECT_EQ(StepCount(7, 1), 6);
    EXPECT_EQ(StepDigits(0, 1), 5);
    EXPECT_EQ(StepDigits(2, -1), 3);
    EXPECT_EQ(IntervalIndexOf(900), 22);
    EXPECT_EQ(IntervalIndexOf(11), 2);
}

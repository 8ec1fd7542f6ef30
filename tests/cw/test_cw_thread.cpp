// The keyer feed answer by answer against a recording link; the transmitting
// thread's loop and messages, and the wire as a scripted radio on a pty sees it.

#include "cw/CCWMsgTransmittingThread.h"
#include "cw/KeyerFeed.h"
#include "platform/Mailbox.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_FALSE(feed_.Sending());
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
    EXPECT_FALSE(feed_.Sending());
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

// A radio whose keyer takes chunks into a buffer and keys one character per
// turn of the script; it answers KY2 only when its buffer is empty.
class WireTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(channel_.OpenDevice(peer_.device(), 0, 4800, 8, 0, 1), K2_OK);
        channel_.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(replies_)});
        channel_.PostToReceiveThread(RecvStart{});
        thread_.start();
        thread_.post(CwSetup{&link_, 100ms});
    }
    void TearDown() override {
        thread_.quitAndJoin();
        channel_.Close();
    }

    // Runs the radio until pred holds; the event log reads "ans N", "text X", "abort", "DS".
    bool runRadio(const std::function<bool()>& pred, std::chrono::milliseconds limit = 20s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            peer_.collectFor(5ms);
            for (; seen_ < peer_.commands().size(); ++seen_) {
                const std::string& c = peer_.commands()[seen_].text;
                if (c == "KY") {
                    const int state = buffer_.empty() ? 2 : buffer_.size() > 40 ? 1 : 0;
                    events_.push_back("ans " + std::to_string(state));
                    peer_.send("KY" + std::to_string(state) + ";");
                } else if (c.rfind("KY ", 0) == 0 && c != "KY @") {
                    events_.push_back("text " + c.substr(3));
                    buffer_ += c.substr(3);
                    sent_ += c.substr(3);
                } else if (c == "KY @") {
                    events_.push_back("abort");
                    buffer_.clear();
                } else {
                    events_.push_back(c);
                }
            }
            if (!buffer_.empty())
                buffer_.erase(0, 1);
            // The front panel's part: each KY reply's digit goes to the thread.
            while (auto m = replies_->take())
                if (const auto* r = std::get_if<ReplyReceived>(&*m);
                    r && r->id == ID_KY && r->text.size() >= 3)
                    thread_.post(CwKeyerState{r->text[2] - '0'});
        }
        return true;
    }

    test::PtyPeer peer_;
    CK2CommChannel channel_;
    ChannelKeyerLink link_{channel_};
    std::shared_ptr<Mailbox<LinkEvent>> replies_ = std::make_shared<Mailbox<LinkEvent>>();
    CCWMsgTransmittingThread thread_;
    std::size_t seen_ = 0;
    std::string buffer_;
    std::string sent_;
    Log events_;
};

TEST_F(WireTest, ChunksGoOutOnlyAfterReadyAndPollingPausesUntilTheFirst) {
    // Polling runs before the message, as after start.
    channel_.SetStatusPolling(true);
    ASSERT_TRUE(runRadio([&] { return has(events_, "DS"); }));
    const std::string text =
        "CQ CQ CQ DE G4ABC G4ABC G4ABC PSE K = TNX FER CALL UR RST 599 599 BK ";
    thread_.post(CwText{text});
    ASSERT_TRUE(runRadio([&] { return sent_ == text && buffer_.empty(); }));
    // Exactly these bytes: queries and chunks, nothing else from the thread.
    for (const auto& c : peer_.commands())
        EXPECT_TRUE(c.text == "KY" || c.text.rfind("KY ", 0) == 0 || c.text == "DS" ||
                    c.text == "BG")
            << c.text;
    const auto firstQuery = std::find(events_.begin(), events_.end(), "ans 2");
    ASSERT_NE(firstQuery, events_.end());
    // No display poll between the first query and the first ready answer.
    const auto ask = std::find_if(events_.begin(), events_.end(),
                                  [](const std::string& e) { return e.rfind("ans", 0) == 0; });
    EXPECT_EQ(std::find(ask, firstQuery, "DS"), firstQuery);
    // Every chunk follows a ready answer given after the chunk before it.
    bool readySinceChunk = false;
    for (const std::string& e : events_) {
        if (e == "ans 2")
            readySinceChunk = true;
        if (e.rfind("text ", 0) == 0) {
            EXPECT_TRUE(readySinceChunk) << e;
            EXPECT_LE(e.size() - 5, 24u);
            readySinceChunk = false;
        }
    }
    const std::string wire = peer_.raw();
    EXPECT_NE(wire.find("KY CQ CQ CQ DE G4ABC G4ABC ;"), std::string::npos);
}

// The transmitting thread itself: its loop, its messages in and out, and the
// wire as a scripted radio on a pseudo-terminal sees it.

#include "RecordingLink.h"
#include "cw/CCWMsgTransmittingThread.h"
#include "platform/Mailbox.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace tamrel;
using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

bool has(const Log& log, const std::string& s) {
    return std::find(log.begin(), log.end(), s) != log.end();
}

// What the thread told the keyboard window: "busy", "ready", "sent <chunk>".
Log drain(Mailbox<cw::CwProgress>& box, std::size_t atLeast, std::chrono::milliseconds limit) {
    Log out;
    auto text = [](const cw::CwProgress& p) {
        if (const auto* sent = std::get_if<cw::ChunkSent>(&p))
            return "sent " + sent->chunk;
        return std::string(std::holds_alternative<cw::KeyerBusy>(p) ? "busy" : "ready");
    };
    const auto end = std::chrono::steady_clock::now() + limit;
    while (out.size() < atLeast && std::chrono::steady_clock::now() < end)
        if (auto m = box.takeWithin(10ms))
            out.push_back(text(*m));
    while (auto m = box.take())
        out.push_back(text(*m));
    return out;
}

} // namespace

TEST(CwThread, TextToAnIdleThreadIsQueriedAtOnceAndChunksFollowReady) {
    test::RecordingLink link;
    auto window = std::make_shared<Mailbox<cw::CwProgress>>();
    ManualClock clock;
    CCWMsgTransmittingThread thread(clock);
    thread.start();
    // The clock never moves: a query that came only with the idle interval
    // would never come.
    thread.post(CwSetup{&link, 100ms});
    thread.post(CwEchoTo{Address<cw::CwProgress>(window)});
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

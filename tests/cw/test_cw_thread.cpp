// The transmitting thread itself: its loop, its messages in and out, and the
// wire as a scripted radio on a pseudo-terminal sees it.

#include "RecordingLink.h"
#include "cw/CCWMsgTransmittingThread.h"
#include "platform/MessageQueue.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tamrel;
using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

bool has(const Log& log, const std::string& s) {
    return std::find(log.begin(), log.end(), s) != log.end();
}

// Messages the thread posts to its peer.
std::vector<Message> drain(MessageQueue& q, std::size_t atLeast, std::chrono::milliseconds limit) {
    std::vector<Message> out;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (out.size() < atLeast && std::chrono::steady_clock::now() < end)
        if (auto m = q.getFor(10ms))
            out.push_back(std::move(*m));
    while (auto m = q.tryGet())
        out.push_back(std::move(*m));
    return out;
}

} // namespace

TEST(CwThread, TextToAnIdleThreadIsQueriedAtOnceAndChunksFollowReady) {
    test::RecordingLink link;
    MessageQueue peer;
    CCWMsgTransmittingThread thread;
    thread.start();
    // A long idle interval: a query that came only with the interval would
    // make this test wait a minute, and fail.
    thread.post({msg::WM_K2_THREAD_SETUP, 0, Payload::of(CwThreadSetup{&link, 60s})});
    thread.post({msg::WM_K2_SET_PEER, 0, Payload::of(peer.handle())});
    thread.post({msg::WM_K2_CW_QUEUE, 5, Payload::of(std::string("CQ TEST "))});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY;"); }, 20s));
    EXPECT_EQ(link.take(), (Log{"poll off", "KY;"}));
    thread.post({msg::WM_K2_KEYER_STATE, 1, {}});
    thread.post({msg::WM_K2_KEYER_STATE, 2, {}});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY CQ TEST ;"); }));
    std::vector<Message> notes = drain(peer, 3, 10s);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].wParam, 5u); // busy while waiting
    EXPECT_TRUE(notes[0].payload.empty());
    EXPECT_EQ(notes[1].wParam, 8u);
    EXPECT_EQ(notes[2].wParam, 5u);
    ASSERT_NE(notes[2].payload.get<std::string>(), nullptr);
    EXPECT_EQ(*notes[2].payload.get<std::string>(), "CQ TEST ");

    // The echo window gone: nothing more is posted to it.
    thread.post({msg::WM_K2_SET_PEER, 0, Payload::of(Handle{0})});
    thread.post({msg::WM_K2_CW_QUEUE, 6, {}});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY @;"); }));
    thread.post({msg::WM_K2_KEYER_STATE, 1, {}});
    thread.post({msg::WM_K2_CW_QUEUE, 5, Payload::of(std::string("X "))});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "poll off"); }));
    thread.quitAndJoin();
    EXPECT_TRUE(peer.tryGet() == std::nullopt);
}

TEST(CwThread, MessagesOfOtherKindsAreDroppedWithoutStalling) {
    test::RecordingLink link;
    CCWMsgTransmittingThread thread;
    thread.start();
    thread.post({msg::WM_K2_THREAD_SETUP, 0, Payload::of(CwThreadSetup{&link, 10ms})});
    thread.post({msg::WM_K2_REPLY, 3, Payload::of(std::string("FA"))});
    thread.post({msg::WM_K2_CW_QUEUE, 5, Payload::of(42)}); // no text: nothing
    thread.post({msg::WM_K2_CW_QUEUE, 5, Payload::of(std::string("E "))});
    ASSERT_TRUE(link.waitFor([](const Log& l) { return has(l, "KY;"); }));
    thread.quitAndJoin();
}

// A radio whose keyer takes chunks into a buffer and keys one character per
// turn of the script; it answers KY2 only when its buffer is empty.
class WireTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(channel_.OpenDevice(peer_.device(), 0, 4800, 8, 0, 1), K2_OK);
        const Handle recv = channel_.GetReceiveThreadId();
        Mailboxes::post(
            recv, {msg::WM_K2_THREAD_SETUP, 2,
                   Payload::of(RecvThreadSetup{2, replies_.handle(), nullptr, 10ms, nullptr})});
        Mailboxes::post(recv, {msg::WM_K2_RECV_CONTROL, msg::RECV_START, {}});
        thread_.start();
        thread_.post({msg::WM_K2_THREAD_SETUP, 0, Payload::of(CwThreadSetup{&link_, 100ms})});
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
            while (auto m = replies_.tryGet())
                if (const std::string* text = m->payload.get<std::string>();
                    text && m->wParam == ID_KY && text->size() >= 3)
                    thread_.post({msg::WM_K2_KEYER_STATE, uint64_t((*text)[2] - '0'), {}});
        }
        return true;
    }

    test::PtyPeer peer_;
    CK2CommChannel channel_;
    ChannelKeyerLink link_{channel_};
    MessageQueue replies_;
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
    thread_.post({msg::WM_K2_CW_QUEUE, 5, Payload::of(text)});
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

TEST_F(WireTest, AbortSendsTheAbortCommandAndForgetsTheRest) {
    thread_.post({msg::WM_K2_CW_QUEUE, 5,
                  Payload::of(std::string("THIS MESSAGE IS MUCH TOO LONG TO FINISH BEFORE THE "
                                          "OPERATOR CHANGES HIS MIND "))});
    ASSERT_TRUE(runRadio([&] { return !sent_.empty(); }));
    thread_.post({msg::WM_K2_CW_QUEUE, 6, {}});
    ASSERT_TRUE(runRadio([&] { return has(events_, "abort"); }));
    const std::size_t chunks = std::count_if(events_.begin(), events_.end(),
                                             [](auto& e) { return e.rfind("text ", 0) == 0; });
    // Let the radio answer a while: nothing more of the old message goes out.
    const auto until = std::chrono::steady_clock::now() + 500ms;
    runRadio([&] { return std::chrono::steady_clock::now() > until; });
    EXPECT_EQ(std::count_if(events_.begin(), events_.end(),
                            [](auto& e) { return e.rfind("text ", 0) == 0; }),
              long(chunks));
}

#include "platform/PseudoTerminal.h"
#include "radio/CK2CommChannel.h"
#include "radio/CK2StatusCmdQueryThread.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

using Reply = std::pair<uint64_t, std::string>;

// A receive thread reading a pseudo-terminal every 10 ms and delivering to a
// queue of the test.
struct Receiver : ::testing::Test {
    test::PtyPeer peer;
    SerialPort port;
    std::mutex lock;
    MessageQueue target;
    CRecvrCmdParsingThread thread; // last: joined first

    void SetUp() override {
        ASSERT_EQ(port.open(peer.device(), 38400, 8, 0, 1), 0);
        thread.start();
        setup(1, {2, target.handle(), &port, 10ms, &lock});
        control(msg::RECV_START);
    }
    void setup(uint64_t code, RecvThreadSetup s) {
        thread.post({msg::WM_K2_THREAD_SETUP, code, Payload::of(s)});
    }
    void control(uint64_t code) { thread.post({msg::WM_K2_RECV_CONTROL, code, {}}); }

    std::optional<Reply> next(std::chrono::milliseconds timeout = 2s) {
        auto m = target.getFor(timeout);
        if (!m)
            return std::nullopt;
        EXPECT_EQ(m->id, msg::WM_K2_REPLY);
        const auto* text = m->payload.get<std::string>();
        return Reply{m->wParam, text ? *text : "(no text)"};
    }
    std::vector<Reply> replies(std::size_t n) {
        std::vector<Reply> out;
        while (out.size() < n)
            if (auto r = next())
                out.push_back(*r);
            else
                break;
        return out;
    }
};

} // namespace

TEST_F(Receiver, AssemblesRepliesAcrossReads) {
    peer.send("FA000140");
    std::this_thread::sleep_for(60ms);
    peer.send("60000;;;XY123;");
    EXPECT_EQ(replies(2), (std::vector<Reply>{{ID_FA, "FA00014060000"}, {ID_NONE, "XY123"}}));
}

TEST_F(Receiver, ConvertsDisplayAndDropsRepeats) {
    const std::string ds = std::string("DS@@") + char('7' | 0x80) + "00000\x81\x40;";
    peer.send(ds + ds + "BG05;BG05;FA00007000000;FA00007000000;");
    EXPECT_EQ(replies(4), (std::vector<Reply>{{ID_DS, "DS  .700000"
                                                      "8140"},
                                              {ID_BG, "BG05"},
                                              {ID_FA, "FA00007000000"},
                                              {ID_FA, "FA00007000000"}}));
    EXPECT_FALSE(next(50ms).has_value());
}

TEST_F(Receiver, RemembersDisplayWhileNotDelivering) {
    setup(2, {0, 0});
    peer.send("DS@@@@@@@@\x80\x80;FA00007000000;");
    EXPECT_FALSE(next(150ms).has_value());
    setup(2, {2, target.handle()});
    peer.send("DS@@@@@@@@\x80\x80;IF;");
    EXPECT_EQ(next(), (Reply{ID_IF, "IF"}));
}

TEST_F(Receiver, StopStartAndPurge) {
    control(msg::RECV_STOP);
    std::this_thread::sleep_for(30ms);
    peer.send("FA00007000000;");
    EXPECT_FALSE(next(100ms).has_value());
    control(msg::RECV_START);
    EXPECT_EQ(next(), (Reply{ID_FA, "FA00007000000"}));

    control(msg::RECV_STOP);
    std::this_thread::sleep_for(30ms);
    peer.send("FB00007000000;");
    std::this_thread::sleep_for(30ms);
    control(msg::RECV_PURGE);
    control(msg::RECV_START);
    std::this_thread::sleep_for(30ms); // the purge must not catch what follows
    peer.send("IF;");
    EXPECT_EQ(next(), (Reply{ID_IF, "IF"}));
}

// With a period far longer than any test, only the port itself can make the
// thread read: every reply here arrives because the port became readable.
TEST_F(Receiver, DeliversEachReplyWhenItArrivesNotAfterThePeriod) {
    setup(1, {2, target.handle(), &port, 1h, &lock});
    peer.send("FA00014060000;");
    EXPECT_EQ(next(10s), (Reply{ID_FA, "FA00014060000"}));

    // A reply in pieces is posted when its ";" comes.
    peer.send("FB000070");
    EXPECT_FALSE(next(50ms).has_value());
    peer.send("00000;IF;");
    EXPECT_EQ(replies(2), (std::vector<Reply>{{ID_FB, "FB00007000000"}, {ID_IF, "IF"}}));

    // Stopped, the port is not read; started again, what it queued meanwhile
    // comes at once.
    control(msg::RECV_STOP);
    std::this_thread::sleep_for(30ms);
    peer.send("AN1;");
    EXPECT_FALSE(next(100ms).has_value());
    control(msg::RECV_START);
    EXPECT_EQ(next(10s), (Reply{ID_AN, "AN1"}));

    // Messages are still handled at once: a purge, then more replies.
    control(msg::RECV_PURGE);
    std::this_thread::sleep_for(30ms); // the purge must not catch what follows
    peer.send("KS020;");
    EXPECT_EQ(next(10s), (Reply{ID_KS, "KS020"}));
}

namespace {
// CPU seconds used so far by this process's thread of that name.
double threadCpuSeconds(const std::string& name) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string n;
        std::getline(comm, n);
        if (n != name)
            continue;
        const auto tid = static_cast<clockid_t>(std::stol(task.path().filename().string()));
        timespec ts{};
        // The kernel's per-thread scheduler clock of a thread id.
        if (::clock_gettime((~tid << 3) | 6, &ts) == 0)
            return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
    return -1;
}
} // namespace

// The radio's end goes away (the simulator ended, the adapter was pulled): the
// port reports a hang-up for good. The thread must not spin on it, and must
// still obey its messages.
TEST(ReceiverHangUp, HungUpPortDoesNotMakeTheThreadSpin) {
    auto pty = std::make_unique<PseudoTerminal>();
    pty->holdSlaveOpen(true);
    SerialPort port;
    ASSERT_EQ(port.open(pty->slavePath(), 38400, 8, 0, 1), 0);
    std::mutex lock;
    MessageQueue target;
    CRecvrCmdParsingThread thread;
    thread.start();
    thread.post(recvmsg::setup({2, target.handle(), &port, 100ms, &lock}));
    thread.post(recvmsg::startReading());
    ASSERT_EQ(::write(pty->masterFd(), "IF;", 3), 3);
    ASSERT_TRUE(target.getFor(10s));

    pty.reset();
    std::this_thread::sleep_for(100ms);
    const double before = threadCpuSeconds(CRecvrCmdParsingThread::kThreadName);
    ASSERT_GE(before, 0);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(500ms);
    const double used = threadCpuSeconds(CRecvrCmdParsingThread::kThreadName) - before;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A thread that waits uses well under 1 % here; a spinning one nearly all
    // of a core. Slowness only lowers what a spinning thread gets.
    EXPECT_LT(used / wall, 0.2);

    thread.post(recvmsg::stopReading());
    thread.post(recvmsg::purge());
    thread.quitAndJoin();
    EXPECT_FALSE(thread.running());
}

TEST(ReceiverThroughChannel, DeliversOnceThePanelSwitchesDeliveryOn) {
    test::PtyPeer peer;
    MessageQueue target;
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 38400, 8, 0, 1), K2_OK);
    const Handle receiver = channel.GetReceiveThreadId();
    Mailboxes::post(receiver, recvmsg::deliverTo(target.handle()));
    Mailboxes::post(receiver, recvmsg::purge());
    Mailboxes::post(receiver, recvmsg::startReading());
    Mailboxes::post(receiver, {0x999, 0, {}}); // unknown: discarded
    std::this_thread::sleep_for(50ms);
    peer.send("FA00014060000;");
    auto m = target.getFor(3s);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->wParam, static_cast<uint64_t>(ID_FA));
    EXPECT_EQ(*m->payload.get<std::string>(), "FA00014060000");
}

TEST(StatusPolling, ChannelSwitchesPollingOnAndOff) {
    test::PtyPeer peer;
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 38400, 8, 0, 1), K2_OK);
    channel.SetStatusPolling(true);
    ASSERT_TRUE(peer.waitForCommands(2, 3s));
    channel.SetStatusPolling(false);
    EXPECT_EQ(peer.texts(), (std::vector<std::string>{"DS", "BG"}));
    peer.clear();
    peer.collectFor(1200ms);
    EXPECT_TRUE(peer.texts().empty());
}

TEST(StatusPolling, ThreadFollowsItsMessages) {
    test::PtyPeer peer;
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 38400, 8, 0, 1), K2_OK);
    CK2StatusCmdQueryThread poller;
    poller.start();
    auto post = [&](uint32_t id, uint64_t code) {
        poller.post({id, code,
                     id == msg::WM_K2_THREAD_SETUP ? Payload::of(StatusThreadSetup{&channel, 30ms})
                                                   : Payload()});
    };
    post(msg::WM_K2_THREAD_SETUP, 0);
    // On and off within one period: at most one pair.
    post(msg::WM_K2_POLL_CONTROL, msg::POLL_ON);
    post(msg::WM_K2_POLL_CONTROL, msg::POLL_OFF);
    peer.collectFor(150ms);
    EXPECT_LE(peer.commands().size(), 2u);

    post(msg::WM_K2_POLL_CONTROL, msg::POLL_ON);
    post(msg::WM_K2_POLL_CONTROL, 24); // ignored
    peer.clear();
    ASSERT_TRUE(peer.waitForCommands(4));
    EXPECT_EQ(peer.texts(), (std::vector<std::string>{"DS", "BG", "DS", "BG"}));

    post(msg::WM_K2_THREAD_SETUP, 0); // switches polling off
    peer.collectFor(60ms);
    peer.clear();
    peer.collectFor(150ms);
    EXPECT_TRUE(peer.texts().empty());
}

// Other programs and traces know these numbers: the builders must keep them.
TEST(MessageBuilders, CarryTheProgramsNumbers) {
    auto idAndCode = [](const Message& m) { return std::pair{m.id, m.wParam}; };
    using P = std::pair<uint32_t, uint64_t>;
    EXPECT_EQ(idAndCode(recvmsg::setup({})), (P{0x465, 1}));
    EXPECT_EQ(idAndCode(recvmsg::deliverTo(7)), (P{0x465, 2}));
    EXPECT_EQ(idAndCode(recvmsg::noDelivery()), (P{0x465, 2}));
    EXPECT_EQ(idAndCode(recvmsg::purge()), (P{0x467, 1}));
    EXPECT_EQ(idAndCode(recvmsg::startReading()), (P{0x467, 3}));
    EXPECT_EQ(idAndCode(recvmsg::stopReading()), (P{0x467, 4}));
    EXPECT_EQ(idAndCode(statusmsg::polling(true)), (P{0x480, 22}));
    EXPECT_EQ(idAndCode(statusmsg::polling(false)), (P{0x480, 23}));
    EXPECT_EQ(statusmsg::setup(nullptr, 1s).id, 0x465u);

    const Message on = recvmsg::deliverTo(7);
    const auto* s = on.payload.get<RecvThreadSetup>();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->deliveryMode, CRecvrCmdParsingThread::kDeliver);
    EXPECT_EQ(s->target, 7u);
    const Message noDelivery = recvmsg::noDelivery();
    const auto* off = noDelivery.payload.get<RecvThreadSetup>();
    ASSERT_NE(off, nullptr);
    EXPECT_NE(off->deliveryMode, CRecvrCmdParsingThread::kDeliver);
    EXPECT_EQ(off->target, 0u);
    const Message statusSetup = statusmsg::setup(nullptr, 1s);
    const auto* status = statusSetup.payload.get<StatusThreadSetup>();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->period, 1s);
}

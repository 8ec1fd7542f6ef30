#include "platform/MessageLoopWorker.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

// Reports everything the loop tells it to a queue of the test, so the test
// reads it on its own thread without sharing state.
class Probe final : public MessageLoopWorker {
public:
    enum : uint32_t { kMessage = 1, kWake = 2 };

    using Hook = std::function<void(const Message&)>;

    Probe(Handle report, std::optional<std::chrono::milliseconds> timeout, int fd = -1,
          Hook hook = {})
        : MessageLoopWorker("probe"), report_(report), timeout_(timeout), fd_(fd),
          hook_(std::move(hook)) {}
    ~Probe() { quitAndJoin(); }

private:
    void onMessage(Message& m) override {
        if (hook_)
            hook_(m);
        Mailboxes::post(report_, {kMessage, m.wParam, {}});
    }
    std::optional<std::chrono::milliseconds> waitTimeout() const override { return timeout_; }
    int waitDescriptor() const override { return fd_; }
    void onWake(short revents) override {
        if (revents & POLLIN) {
            char c;
            (void)::read(fd_, &c, 1);
        }
        Mailboxes::post(report_, {kWake, static_cast<uint64_t>(revents), {}});
    }

    const Handle report_;
    const std::optional<std::chrono::milliseconds> timeout_;
    const int fd_;
    const Hook hook_;
};

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

} // namespace

TEST(MessageLoopWorker, MessagesInOrderUntilQuitThenJoined) {
    MessageQueue report;
    Probe probe(report.handle(), std::nullopt);
    EXPECT_EQ(probe.handle(), 0u);
    probe.start();
    ASSERT_NE(probe.handle(), 0u);
    for (uint64_t i = 0; i < 100; ++i)
        probe.post({0x470, i, {}});
    for (uint64_t i = 0; i < 100; ++i) {
        auto m = report.getFor(5s);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->id, Probe::kMessage);
        EXPECT_EQ(m->wParam, i);
    }
    // Only the low 16 bits name WM_QUIT.
    const Handle h = probe.handle();
    ASSERT_TRUE(Mailboxes::post(h, {0x10000 | msg::WM_QUIT, 0, {}}));
    probe.quitAndJoin();
    EXPECT_FALSE(probe.running());
    EXPECT_FALSE(report.tryGet()); // no wake without a timeout or descriptor
    EXPECT_FALSE(Mailboxes::post(h, {0x470, 0, {}}));
}

TEST(MessageLoopWorker, DescriptorWakesTheLoopWithoutATimeout) {
    MessageQueue report;
    Pipe pipe;
    Probe probe(report.handle(), std::nullopt, pipe.fds[0]);
    probe.start();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(::write(pipe.fds[1], "x", 1), 1);
        auto m = report.getFor(10s); // no timeout is set: only the pipe can wake it
        ASSERT_TRUE(m);
        EXPECT_EQ(m->id, Probe::kWake);
        EXPECT_TRUE(m->wParam & POLLIN);
    }
    // A closed writer is a hang-up, reported as such.
    ::close(pipe.fds[1]);
    pipe.fds[1] = -1;
    auto m = report.getFor(10s);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->wParam & POLLHUP);
    probe.quitAndJoin();
}

TEST(MessageLoopWorker, TimeoutWakes) {
    MessageQueue report;
    Pipe pipe;
    Probe probe(report.handle(), 20ms, pipe.fds[0]);
    probe.start();
    for (int i = 0; i < 2; ++i) {
        auto m = report.getFor(10s);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->id, Probe::kWake);
        EXPECT_EQ(m->wParam, 0u); // the timeout, not the descriptor
    }
}

TEST(MessageLoopWorker, WaitingMessagesGoBeforeAReadyDescriptor) {
    MessageQueue report;
    Pipe pipe;
    std::atomic<bool> release{false};
    // The first message holds the loop until the pipe is readable and a
    // second message waits too.
    Probe probe(report.handle(), std::nullopt, pipe.fds[0], [&](const Message& m) {
        while (m.wParam == 1 && !release)
            std::this_thread::sleep_for(1ms);
    });
    probe.start();
    probe.post({0x470, 1, {}});
    ASSERT_EQ(::write(pipe.fds[1], "x", 1), 1);
    probe.post({0x470, 2, {}});
    release = true;
    std::vector<std::pair<uint32_t, uint64_t>> order;
    while (order.size() < 3)
        if (auto r = report.getFor(10s))
            order.emplace_back(r->id, r->id == Probe::kMessage ? r->wParam : 0);
        else
            break;
    EXPECT_EQ(order, (std::vector<std::pair<uint32_t, uint64_t>>{
                         {Probe::kMessage, 1}, {Probe::kMessage, 2}, {Probe::kWake, 0}}));
}

#include "platform/MessageQueue.h"
#include "platform/WorkerThread.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pthread.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;

TEST(Payload, OwnsMovedValueAndChecksType) {
    auto p = Payload::of(std::string("FA00014060000"));
    ASSERT_NE(p.get<std::string>(), nullptr);
    EXPECT_EQ(*p.get<std::string>(), "FA00014060000");
    EXPECT_EQ(p.get<int>(), nullptr);
    EXPECT_TRUE(Payload().empty());
}

TEST(Mailboxes, PostToRemovedOrUnknownHandleFails) {
    EXPECT_FALSE(Mailboxes::post(0, {}));
    Handle h;
    {
        MessageQueue q;
        h = q.handle();
        EXPECT_TRUE(Mailboxes::post(h, Message{7, 1, {}}));
        auto m = q.tryGet();
        ASSERT_TRUE(m);
        EXPECT_EQ(m->id, 7u);
    }
    EXPECT_FALSE(Mailboxes::post(h, Message{7, 1, {}}));
}

TEST(WorkerThread, ManyPostersDeliverEverythingInPerSenderOrderThenJoin) {
    std::vector<uint64_t> got;
    WorkerThread worker;
    worker.start([&](MessageQueue& q) {
        for (;;) {
            Message m = q.get();
            if (m.id == msg::WM_QUIT)
                return;
            got.push_back(m.wParam);
        }
    });
    Handle h = worker.handle();
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([h, t] {
            for (int i = 0; i < 500; ++i)
                Mailboxes::post(h, Message{1, static_cast<uint64_t>(t * 1000 + i), {}});
        });
    for (auto& p : posters)
        p.join();
    worker.quitAndJoin();
    ASSERT_EQ(got.size(), 2000u);
    std::vector<int> last(4, -1);
    for (uint64_t v : got) {
        int t = static_cast<int>(v / 1000), i = static_cast<int>(v % 1000);
        EXPECT_GT(i, last[t]);
        last[t] = i;
    }
    EXPECT_FALSE(worker.running());
    EXPECT_FALSE(Mailboxes::post(h, {}));
}

TEST(MessageQueue, GetForTimesOutThenDelivers) {
    MessageQueue q;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(q.getFor(30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    q.post(Message{5, 0, Payload::of(42)});
    auto m = q.getFor(1s);
    ASSERT_TRUE(m);
    EXPECT_EQ(*m->payload.get<int>(), 42);
}

TEST(WorkerThread, CarriesItsName) {
    WorkerThread worker;
    std::string seen;
    worker.start(
        [&](MessageQueue& q) {
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            seen = name;
            while (q.get().id != msg::WM_QUIT) {
            }
        },
        true, "tamrel-a-long-name");
    worker.quitAndJoin();
    EXPECT_EQ(seen, "tamrel-a-long-n"); // cut to the system's 15 characters
}

namespace {
bool readable(int fd, int timeoutMs = 0) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}
} // namespace

TEST(MessageQueue, PollDescriptorIsReadableExactlyWhileMessagesWait) {
    MessageQueue q;
    const int fd = q.pollDescriptor();
    EXPECT_FALSE(readable(fd));
    q.post(Message{1, 0, {}});
    q.post(Message{2, 0, {}});
    EXPECT_TRUE(readable(fd));
    EXPECT_TRUE(readable(fd)); // looking does not lower it
    ASSERT_EQ(q.tryGet()->id, 1u);
    EXPECT_TRUE(readable(fd));
    ASSERT_EQ(q.get().id, 2u);
    EXPECT_FALSE(readable(fd));
    EXPECT_FALSE(q.tryGet());
    EXPECT_FALSE(readable(fd));
    q.post(Message{3, 0, {}});
    EXPECT_TRUE(readable(fd));
    ASSERT_TRUE(q.getFor(1s));
    EXPECT_FALSE(readable(fd));
}

TEST(MessageQueue, PollWakesWhenAnotherThreadPosts) {
    MessageQueue q;
    std::thread poster([&] {
        std::this_thread::sleep_for(20ms);
        Mailboxes::post(q.handle(), Message{9, 0, {}});
    });
    // A generous bound that only a lost wake-up reaches.
    EXPECT_TRUE(readable(q.pollDescriptor(), 10000));
    poster.join();
    EXPECT_EQ(q.tryGet()->id, 9u);
}

TEST(MessageQueue, DescriptorFollowsManyPostersAndOneTaker) {
    MessageQueue q;
    constexpr int kEach = 2000;
    std::vector<std::thread> posters;
    for (int t = 0; t < 3; ++t)
        posters.emplace_back([&q] {
            for (int i = 0; i < kEach; ++i)
                q.post(Message{1, 0, {}});
        });
    int taken = 0;
    while (taken < 3 * kEach) {
        // Every wait ends with a message (none is missed) and every message
        // the descriptor reports is there (it never runs ahead of the queue).
        ASSERT_TRUE(readable(q.pollDescriptor(), 10000)) << "a post did not wake the taker";
        ASSERT_TRUE(q.tryGet()) << "readable with an empty queue";
        ++taken;
    }
    for (auto& p : posters)
        p.join();
    EXPECT_FALSE(readable(q.pollDescriptor()));
}

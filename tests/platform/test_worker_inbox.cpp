// Worker<M> and Inbox<M>: requests taken in order on the worker's thread,
// results handled in order on the inbox's thread; the address a thread keeps
// to a receiver that may go first; the observers of a change. (A worker's
// timed work on its clock and a quit that waits for it are the sequence
// runner's tests.)
#include "platform/Announcer.h"
#include "platform/Inbox.h"
#include "platform/Mailbox.h"
#include "platform/Worker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

using namespace tamrel;

namespace {

struct Result {
    int total = 0;
    std::thread::id from;
};

class Summer final : public Worker<std::variant<int>> {
public:
    explicit Summer(Inbox<Result>& out) : Worker("summer"), out_(out) {}
    ~Summer() { quitAndJoin(); }

private:
    void onMessage(std::variant<int>& n) override {
        total_ += std::get<int>(n);
        out_.post({total_, std::this_thread::get_id()});
    }

    Inbox<Result>& out_;
    int total_ = 0;
};

TEST(WorkerInbox, RequestsAndResultsKeepTheirOrderEachOnItsThreadOrAreDroppedWithTheInbox) {
    std::vector<Result> got;
    const std::thread::id here = std::this_thread::get_id();
    Inbox<Result> inbox([&](Result&& r) {
        EXPECT_EQ(std::this_thread::get_id(), here);
        got.push_back(std::move(r));
    });
    Summer worker(inbox);
    EXPECT_FALSE(worker.post(1)); // not started
    worker.start();
    for (int i = 1; i <= 100; ++i)
        ASSERT_TRUE(worker.post(i));
    worker.quitAndJoin(); // after the requests already posted
    EXPECT_FALSE(worker.post(1));
    EXPECT_TRUE(got.empty()) << "handled outside the inbox thread's loop";

    QCoreApplication::sendPostedEvents(&inbox);
    ASSERT_EQ(got.size(), 100u);
    for (int i = 1; i <= 100; ++i)
        ASSERT_EQ(got[std::size_t(i - 1)].total, i * (i + 1) / 2) << i;
    EXPECT_NE(got.back().from, here);

    // An inbox destroyed with results still waiting drops them.
    got.clear();
    {
        Inbox<Result> dropped([&](Result&& r) { got.push_back(std::move(r)); });
        Summer another(dropped);
        another.start();
        another.post(1);
        another.quitAndJoin();
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(got.empty());
}

TEST(Mailbox, AnAddressOutlivesItsReceiverWithoutReachingIt) {
    int woken = 0;
    auto box = std::make_shared<Mailbox<int>>([&] { ++woken; });
    Address<int> to(box);
    EXPECT_TRUE(to.post(1));
    EXPECT_EQ(woken, 1);
    box->close(); // the receiver goes
    EXPECT_FALSE(to.post(2));
    EXPECT_EQ(woken, 1);
    EXPECT_EQ(box->take(), std::nullopt);
    EXPECT_FALSE(Address<int>().post(3));
}

TEST(Announcer, OrderDroppedSubscriptionsAndChangesMadeWhileTelling) {
    Announcer<uint32_t> changes;
    std::vector<std::string> heard;
    auto first = changes.Subscribe([&](uint32_t c) {
        heard.push_back("first " + std::to_string(c));
        if (c == 1)
            changes.Announce(2); // a change made by an observer: told after this round
        if (c == 2)
            changes.Announce(4); // and two more, merged into one round
        if (c == 2)
            changes.Announce(8);
    });
    std::optional<Announcer<uint32_t>::Subscription> second =
        changes.Subscribe([&](uint32_t c) { heard.push_back("second " + std::to_string(c)); });
    changes.Announce(1);
    EXPECT_EQ(heard, (std::vector<std::string>{"first 1", "second 1", "first 2", "second 2",
                                               "first 12", "second 12"}));

    // An observer dropped during a round is not told again, even in that round.
    heard.clear();
    auto dropper = changes.Subscribe([&](uint32_t) { second.reset(); });
    auto moved = std::move(dropper);
    changes.Announce(16);
    changes.Announce(32);
    EXPECT_EQ(heard, (std::vector<std::string>{"first 16", "second 16", "first 32"}));
    moved.reset();
    first.reset();
    EXPECT_EQ(changes.ObserverCount(), 0u);
}

} // namespace

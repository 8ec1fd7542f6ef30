// Worker<M> and Inbox<M>: requests taken in order on the worker's thread,
// results handled in order on the inbox's thread. (Dispatch on the request's
// type is Worker's own test.)
#include "platform/Inbox.h"
#include "platform/Worker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

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
    std::vector<std::thread::id> handledOn;
    Inbox<Result> inbox([&](Result&& r) {
        handledOn.push_back(std::this_thread::get_id());
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
    EXPECT_NE(got.back().from, std::this_thread::get_id());
    for (std::thread::id id : handledOn)
        EXPECT_EQ(id, std::this_thread::get_id());

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

} // namespace

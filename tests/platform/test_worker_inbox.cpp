// Worker<M> and Inbox<M>: typed requests taken in order on the worker's
// thread, typed results handled in order on the inbox's thread.
#include "platform/Inbox.h"
#include "platform/Worker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <variant>
#include <vector>

using namespace tamrel;

namespace {

struct Add {
    int n;
};
struct Name {
    std::string text;
};
using Request = std::variant<Add, Name>;

struct Result {
    int total = 0;
    std::string name;
    std::thread::id from;
};

class Summer final : public Worker<Request> {
public:
    explicit Summer(Inbox<Result>& out) : Worker("summer"), out_(out) {}
    ~Summer() { quitAndJoin(); }

private:
    void onMessage(Request& r) override {
        std::visit(Overloaded{[this](Add& a) { total_ += a.n; },
                              [this](Name& n) { name_ = std::move(n.text); }},
                   r);
        out_.post({total_, name_, std::this_thread::get_id()});
    }

    Inbox<Result>& out_;
    int total_ = 0;
    std::string name_;
};

TEST(WorkerInbox, RequestsAndResultsKeepTheirOrderEachOnItsThreadOrAreDroppedWithTheInbox) {
    std::vector<Result> got;
    std::vector<std::thread::id> handledOn;
    Inbox<Result> inbox([&](Result&& r) {
        handledOn.push_back(std::this_thread::get_id());
        got.push_back(std::move(r));
    });
    Summer worker(inbox);
    EXPECT_FALSE(worker.post(Add{1})); // not started
    worker.start();
    ASSERT_TRUE(worker.post(Name{"sum"}));
    for (int i = 1; i <= 100; ++i)
        ASSERT_TRUE(worker.post(Add{i}));
    worker.quitAndJoin(); // after the requests already posted
    EXPECT_FALSE(worker.post(Add{1}));
    EXPECT_TRUE(got.empty()) << "handled outside the inbox thread's loop";

    QCoreApplication::sendPostedEvents(&inbox);
    ASSERT_EQ(got.size(), 101u);
    for (int i = 1; i <= 100; ++i)
        ASSERT_EQ(got[std::size_t(i)].total, i * (i + 1) / 2) << i;
    EXPECT_EQ(got.back().name, "sum");
    EXPECT_NE(got.back().from, std::this_thread::get_id());
    for (std::thread::id id : handledOn)
        EXPECT_EQ(id, std::this_thread::get_id());

    // An inbox destroyed with results still waiting drops them.
    got.clear();
    {
        Inbox<Result> dropped([&](Result&& r) { got.push_back(std::move(r)); });
        Summer another(dropped);
        another.start();
        another.post(Add{1});
        another.quitAndJoin();
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(got.empty());
}

} // namespace

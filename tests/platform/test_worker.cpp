// The worker loop, the address a thread keeps to a receiver that may go first,
// and the observers of a change.

#include "platform/Announcer.h"
#include "platform/Mailbox.h"
#include "platform/Worker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

struct Say {
    std::string text;
};
struct After {
    std::chrono::milliseconds delay;
    std::string text;
};
using Note = std::variant<Say, After>;

// Reports everything its loop does to a mailbox the test reads. (A descriptor
// that wakes the loop, or hangs up, is the receive thread's test.)
class Reporter final : public Worker<Note> {
public:
    Reporter(Clock& clock, Mailbox<std::string>& out) : Worker("reporter", clock), out_(out) {}
    ~Reporter() { quitAndJoin(); }

private:
    void onMessage(Note& n) override {
        std::visit(Overloaded{[this](Say& s) { out_.post(s.text); },
                              [this](After& a) {
                                  due_ = clock().Now() + a.delay;
                                  later_ = a.text;
                              }},
                   n);
    }
    std::optional<Clock::TimePoint> nextWake() const override { return due_; }
    void onWake(short) override {
        out_.post(later_);
        due_.reset();
    }
    bool busy() const override { return due_.has_value(); }

    Mailbox<std::string>& out_;
    std::optional<Clock::TimePoint> due_;
    std::string later_;
};

} // namespace

TEST(Worker, TimedWorkRunsOnTheWorkersClockAndAQuitWaitsForIt) {
    ManualClock clock;
    Mailbox<std::string> out;
    Reporter worker(clock, out);
    EXPECT_FALSE(worker.post(Say{"early"})); // not started
    worker.start();
    worker.post(After{100ms, "later"});
    worker.post(Say{"now"});
    EXPECT_EQ(out.takeWithin(5s), "now");
    // Real time passing moves nothing: only the clock does.
    EXPECT_EQ(out.takeWithin(150ms), std::nullopt);
    clock.Advance(99ms);
    EXPECT_EQ(out.takeWithin(50ms), std::nullopt);
    clock.Advance(1ms);
    EXPECT_EQ(out.takeWithin(5s), "later");

    // A quit lets what is due still happen: the clock is advanced meanwhile.
    worker.post(After{1s, "last"});
    std::thread mover([&] {
        std::this_thread::sleep_for(50ms);
        clock.Advance(1s);
    });
    worker.quitAndJoin();
    mover.join();
    EXPECT_EQ(out.take(), "last");
    EXPECT_FALSE(worker.post(Say{"gone"}));
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

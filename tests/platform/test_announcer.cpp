// Observers of a change: told in order, never after their subscription is
// dropped, and never re-entered by a change made while they are told.

#include "platform/Announcer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tamrel;

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

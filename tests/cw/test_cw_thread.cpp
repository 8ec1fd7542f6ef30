// The keyer feed driven answer by answer against a recording link: what goes
// to the radio, what the echo window hears, and when.

#include "RecordingLink.h"
#include "cw/KeyerFeed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace tamrel;
using namespace tamrel::cw;
using Log = std::vector<std::string>;

namespace {

class Feed : public ::testing::Test {
protected:
    void SetUp() override {
        feed_.SetLink(&link_);
        feed_.SetNotify([this](CwProgress p) {
            if (const auto* sent = std::get_if<ChunkSent>(&p))
                notes_.push_back("sent " + sent->chunk);
            else
                notes_.push_back(std::holds_alternative<KeyerBusy>(p) ? "busy" : "ready");
        });
    }
    // One query and its answer.
    void ask(int digit) {
        feed_.SendQuery();
        feed_.KeyerState(digit);
    }
    Log takeNotes() { return std::exchange(notes_, {}); }

    test::RecordingLink link_;
    KeyerFeed feed_;
    Log notes_;
};

} // namespace

TEST_F(Feed, ThirtyCharactersHoldBackTheCutWordAndTheLastChunkIsFollowedByTwoReadyNotices) {
    feed_.Append("CQ TEST DE G4ABC G4ABCDEF K ");
    link_.take();
    ask(2);
    // The first 24 end inside "G4ABCDEF": cut after the last space before it.
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY CQ TEST DE G4ABC ;"}));
    EXPECT_EQ(feed_.HeldBack(), "G4ABCDE");
    ask(2);
    // Every ready answer to a query switches polling on again.
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY G4ABCDEF K ;"}));
    EXPECT_TRUE(feed_.HeldBack().empty());
    takeNotes();
    ask(2); // the ring is empty: one more query
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
    EXPECT_FALSE(feed_.Sending());
    EXPECT_TRUE(feed_.QueryWanted());
    ask(2);
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
    EXPECT_FALSE(feed_.QueryWanted());
    EXPECT_FALSE(feed_.Sending());
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY;", "poll on"}));
}

TEST_F(Feed, BusyAnswersSendNothing) {
    feed_.Append("TEST ");
    link_.take();
    ask(0);
    ask(1);
    EXPECT_EQ(link_.take(), (Log{"KY;", "KY;"}));
    EXPECT_EQ(takeNotes(), (Log{"busy", "busy"}));
    EXPECT_TRUE(feed_.Sending());
    // Busy while not waiting reads as the radio being done.
    ask(2);
    ask(2);
    ask(2);
    takeNotes();
    EXPECT_FALSE(feed_.QueryWanted());
    ask(1);
    EXPECT_EQ(takeNotes(), (Log{"ready"}));
}

TEST_F(Feed, AbortEmptiesEverythingAndTheNextMessageStartsClean) {
    KeyerFeed lone; // without a link, text waits and an abort empties it all the same
    EXPECT_TRUE(lone.Append("CQ "));
    lone.SendQuery();
    lone.KeyerState(2);
    lone.Abort();
    EXPECT_EQ(lone.Queued(), 0u);

    feed_.Append("THIS IS A LONG MESSAGE THAT GOESONANDONANDON ");
    ask(2);
    EXPECT_FALSE(feed_.HeldBack().empty());
    link_.take();
    feed_.Abort();
    EXPECT_EQ(link_.take(), (Log{"KY @;"}));
    EXPECT_EQ(feed_.Queued(), 0u);
    EXPECT_TRUE(feed_.HeldBack().empty());
    EXPECT_FALSE(feed_.Sending());
    // The keyer is asked until it reports done; status polling waits for that.
    EXPECT_TRUE(feed_.QueryWanted());
    ask(0);
    EXPECT_EQ(link_.take(), (Log{"KY;"}));
    EXPECT_TRUE(feed_.QueryWanted());
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on"}));
    EXPECT_FALSE(feed_.QueryWanted());
    feed_.Append("NEW ");
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"poll off", "KY;", "poll on", "KY NEW ;"}));
}

TEST_F(Feed, RingHoldsTwentyFortySevenAndRefusesWholeTexts) {
    EXPECT_TRUE(feed_.Append(std::string(2000, 'E')));
    EXPECT_FALSE(feed_.Append(std::string(48, 'T'))); // would need 2048
    EXPECT_EQ(feed_.Queued(), 2000u);
    EXPECT_TRUE(feed_.Append(std::string(47, 'T')));
    EXPECT_EQ(feed_.Queued(), 2047u);
    EXPECT_EQ(feed_.FreeSpace(), 0u);
    EXPECT_FALSE(feed_.Append("I"));
    // What went in comes out whole, 24 at a time (no break characters).
    std::string out;
    for (int i = 0; i < 100 && (feed_.Queued() > 0 || !feed_.HeldBack().empty()); ++i)
        ask(2);
    for (const std::string& s : link_.take())
        if (s.rfind("KY ", 0) == 0 && s != "KY @;") {
            EXPECT_LE(s.size(), 3u + 24 + 1);
            out += s.substr(3, s.size() - 4);
        }
    EXPECT_EQ(out, std::string(2000, 'E') + std::string(47, 'T'));
}

TEST_F(Feed, OnlyKeyableTextGoesAndARemainderWithNothingAfterItIsSent) {
    feed_.Append("AB;FA00007000000;\r\n ");
    ask(2);
    EXPECT_EQ(link_.take().back(), "KY ABFA00007000000 ;");
    // A text without a final break character (another program's, say).
    feed_.Append("CQ CQ CQ DE G4ABC G4ABCX");
    ask(2);
    EXPECT_EQ(feed_.HeldBack(), "G4ABCX");
    EXPECT_EQ(feed_.Queued(), 0u);
    ask(2);
    EXPECT_EQ(link_.take().back(), "KY G4ABCX;");
    EXPECT_TRUE(feed_.HeldBack().empty());
    EXPECT_FALSE(feed_.Sending());
    ask(2);
    EXPECT_FALSE(feed_.QueryWanted());
}

TEST_F(Feed, AnswersToQueriesBeforeTheLastChunkReleaseNothing) {
    feed_.Append("ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN ELEVEN TWELVE ");
    // Slow replies: three queries leave before the first answer comes back.
    feed_.SendQuery();
    feed_.SendQuery();
    feed_.SendQuery();
    link_.take();
    feed_.KeyerState(2); // first answer: one chunk
    feed_.KeyerState(2); // owed to queries sent before that chunk
    feed_.KeyerState(2);
    Log log = link_.take();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& s) { return s.rfind("KY ", 0) == 0; }),
              1);
    // A query after the chunk is answered by a fresh state: the next chunk.
    ask(2);
    EXPECT_EQ(link_.take(), (Log{"KY;", "poll on", "KY SIX SEVEN EIGHT NINE ;"}));
}

// Checked sets: what goes on the wire behind a client's set, how the model
// holds the new value against the radio's late reports, and what the radio's
// answers (or its silence) make of it.
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;
namespace rc = radio_change;

namespace {

TEST(K2RadioModel, AHeldFieldShowsTheRadiosWordOnlyWhenReleased) {
    struct Case {
        uint32_t held;
        int id;
        const char* report;
        std::function<int64_t(const RadioFields&)> field;
    };
    const Case cases[] = {
        {rc::kVfoA, ID_FA, "FA00007000000", [](const RadioFields& f) { return f.vfoA; }},
        {rc::kMode, ID_MD, "MD6", [](const RadioFields& f) { return f.mode; }},
        {rc::kFilter, ID_FW, "FW070021", [](const RadioFields& f) { return f.bandwidth; }},
        {rc::kOffset, ID_IF, "IF00028060000     +025010 0001000001 ",
         [](const RadioFields& f) { return f.offset; }},
        {rc::kMode, ID_IF, "IF00028060000     +000000 0009000001 ",
         [](const RadioFields& f) { return f.mode; }},
    };
    using Release = K2RadioModel::Release;
    for (const Case& c : cases) {
        for (Release how : {Release::Heard, Release::Keep, Release::Revert}) {
            K2RadioModel m;
            const int64_t before = c.field(m.Fields());
            m.Hold(c.held);
            m.Hold(c.held); // holds nest
            m.ApplyReply(c.id, c.report);
            const int64_t reported = c.field(m.Reported());
            ASSERT_NE(reported, before) << c.report;
            EXPECT_EQ(c.field(m.Fields()), before) << c.report;
            m.Unhold(c.held, how);
            EXPECT_EQ(c.field(m.Fields()), before) << c.report;
            m.Unhold(c.held, how);
            EXPECT_EQ(c.field(m.Fields()), how == Release::Keep ? before : reported) << c.report;
        }
    }
    // Released without a report since: a set value stays unless reverted.
    K2RadioModel m;
    for (Release how : {Release::Heard, Release::Keep, Release::Revert}) {
        m.Hold(rc::kMode);
        m.SetMode(2);
        m.Unhold(rc::kMode, how);
        EXPECT_EQ(m.Fields().mode, how == Release::Revert ? m.Reported().mode : 2);
    }
}

// A channel on a pseudo-terminal whose radio end the test plays: it reads the
// wire and hands the model the radio's replies itself.
class CheckedSets : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 38400, 8, 0, 1), K2_OK);
        ops.ApplyReply(ID_IF, "IF00014060000     +000000 0003000001 ");
    }

    // Collects the wire until n commands have come (after those seen before).
    std::vector<std::string> Wire(std::size_t n) {
        peer.waitForCommands(seen_ + n, 5s);
        std::vector<std::string> texts = peer.texts();
        std::vector<std::string> fresh(texts.begin() + std::ptrdiff_t(seen_), texts.end());
        seen_ = texts.size();
        return fresh;
    }
    SetDone Record() {
        outcome.reset();
        return [this](SetOutcome o) { outcome = o; };
    }
    void Radio(std::initializer_list<std::pair<int, const char*>> replies) {
        for (auto [id, text] : replies)
            ops.ApplyReply(id, text);
    }

    test::PtyPeer peer;
    CK2CommChannel channel;
    K2RadioModel model;
    RadioOperations ops{model, &channel};
    std::optional<SetOutcome> outcome;

private:
    std::size_t seen_ = 0;
};

TEST_F(CheckedSets, EachSetIsFollowedByItsQueriesAndACheckpoint) {
    struct Case {
        std::function<void(SetDone)> set;
        std::vector<std::string> wire;
    };
    const Case cases[] = {
        {[&](SetDone d) { ops.CheckedSetFrequency(0, 14060055, d); }, {"FA00014060050", "ID"}},
        // Another band: its mode and filter come with it.
        {[&](SetDone d) { ops.CheckedSetFrequency(0, 7074000, d); },
         {"FA00007074000", "FA", "MD", "FW", "ID"}},
        {[&](SetDone d) { ops.CheckedSetMode(2, 4, d); }, {"MD2", "FW18004", "FW", "ID"}},
        {[&](SetDone d) { ops.CheckedSetMode(9, 0, d); }, {"MD9", "FW", "ID"}},
        {[&](SetDone d) { ops.CheckedSetVfos(1, 0, d); }, {"FR1", "FT0", "ID"}},
        {[&](SetDone d) { ops.CheckedSetPtt(true, d); }, {"TX", "ID"}},
        {[&](SetDone d) { ops.CheckedSetPtt(false, d); }, {"RX", "IF", "ID"}},
    };
    for (const Case& c : cases) {
        c.set(Record());
        EXPECT_EQ(Wire(c.wire.size()), c.wire);
        EXPECT_FALSE(outcome); // the radio has not answered yet
        ops.ExpireChecks(std::chrono::steady_clock::now() + 2s);
        EXPECT_EQ(outcome, SetOutcome::NoAnswer);
    }
}

TEST_F(CheckedSets, TheRadiosAnswersBeforeTheCheckpointAreItsVerdict) {
    int tunes = 0;
    auto watch = model.Observe([&](uint32_t c) { tunes += (c & rc::kVfoA) != 0; });
    // Taken: a late report from before the set does not show, then or after.
    ops.CheckedSetFrequency(0, 14070000, Record());
    EXPECT_EQ(model.Fields().vfoA, 14070000u);
    Wire(2);
    Radio({{ID_IF, "IF00014060000     +000000 0003000001 "}});
    EXPECT_EQ(model.Fields().vfoA, 14070000u);
    Radio({{ID_ID, "ID017"}});
    EXPECT_EQ(outcome, SetOutcome::Done);
    EXPECT_EQ(model.Fields().vfoA, 14070000u);
    EXPECT_EQ(tunes, 1);

    // Refused with "?": the radio's own value shows again.
    ops.CheckedSetMode(2, 0, Record());
    EXPECT_EQ(model.Fields().mode, 2);
    Wire(3);
    Radio({{ID_NONE, "?"}, {ID_FW, "FW040031"}, {ID_ID, "ID017"}});
    EXPECT_EQ(outcome, SetOutcome::Refused);
    EXPECT_EQ(model.Fields().mode, 3);

    // Taken but not as asked (a frequency the radio cannot reach): refused,
    // and what the radio did shows.
    ops.CheckedSetFrequency(0, 5300000, Record());
    Wire(5);
    Radio({{ID_FA, "FA00007040000"}, {ID_MD, "MD3"}, {ID_FW, "FW040031"}, {ID_ID, "ID017"}});
    EXPECT_EQ(outcome, SetOutcome::Refused);
    EXPECT_EQ(model.Fields().vfoA, 7040000u);

    // A keyed transmitter the radio refused is not keyed.
    ops.CheckedSetPtt(true, Record());
    EXPECT_TRUE(model.PttKeyed());
    Wire(2);
    Radio({{ID_NONE, "?"}, {ID_ID, "ID017"}});
    EXPECT_EQ(outcome, SetOutcome::Refused);
    EXPECT_FALSE(model.PttKeyed());

    // Keyed behind queries the radio answered receiving before it took the TX
    // (a client's sets just before its T 1): keyed still, until the keyed
    // radio itself reports receiving twice.
    const char* receiving = "IF00014060000     +000000 0003000001 ";
    ops.CheckedSetPtt(true, Record());
    Wire(2);
    Radio({{ID_IF, receiving}, {ID_IF, receiving}, {ID_ID, "ID017"}});
    EXPECT_EQ(outcome, SetOutcome::Done);
    EXPECT_TRUE(model.PttKeyed());
    Radio({{ID_IF, receiving}, {ID_IF, receiving}});
    EXPECT_FALSE(model.PttKeyed());
    // A T 0 sent before the T 1's checkpoint came back stands.
    ops.CheckedSetPtt(true, {});
    ops.CheckedSetPtt(false, {});
    Wire(5);
    Radio({{ID_ID, "ID017"}});
    EXPECT_FALSE(model.PttKeyed());
}

TEST_F(CheckedSets, AnOffsetIsSteppedFromWhereEarlierStepsLeftIt) {
    // The second of each pair comes before, or while, the first is stepped;
    // the radio's offset, by the steps on the wire, must end where the second
    // one asked, whatever the first did.
    const std::tuple<int, int, std::chrono::milliseconds> pairs[] = {
        {100, -250, 0ms}, {300, 0, 45ms}, {-90, 40, 15ms}};
    int radio = 0;
    for (auto [first, second, pause] : pairs) {
        ops.CheckedSetOffset(first, false, {});
        std::this_thread::sleep_for(pause);
        ops.CheckedSetOffset(second, false, Record());
        EXPECT_EQ(model.Fields().offset, second);
        // Steps until the last check's checkpoint, behind an IF query.
        std::vector<std::string> wire;
        while (wire.size() < 2 || wire.back() != "ID" || wire[wire.size() - 2] != "IF") {
            const std::vector<std::string> more = Wire(1);
            ASSERT_FALSE(more.empty());
            wire.insert(wire.end(), more.begin(), more.end());
        }
        for (const std::string& t : wire)
            radio += t == "RU" ? 10 : t == "RD" ? -10 : t == "RC" ? -radio : 0;
        EXPECT_EQ(radio, second) << first << " then " << second;
        char report[48];
        std::snprintf(report, sizeof report, "IF00014060000     %c%04d10 0003000001 ",
                      radio < 0 ? '-' : '+', std::abs(radio));
        Radio({{ID_IF, report}, {ID_ID, "ID017"}});
        EXPECT_EQ(outcome, SetOutcome::Done);
        EXPECT_EQ(model.Fields().offset, second);
    }
    EXPECT_EQ(model.Fields().ritOn, 1); // switched on by the first set
}

TEST(CheckedSetsWithoutARadio, ALineThatTakesNothingGivesTheValueBack) {
    K2RadioModel model;
    CK2CommChannel closed; // never opened: nothing can be queued
    RadioOperations ops(model, &closed);
    std::optional<SetOutcome> outcome;
    ops.CheckedSetFrequency(0, 7030000, [&](SetOutcome o) { outcome = o; });
    EXPECT_EQ(outcome, SetOutcome::NoAnswer);
    EXPECT_EQ(model.Fields().vfoA, model.Reported().vfoA);
}

} // namespace

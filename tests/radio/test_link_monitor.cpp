#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/LinkMonitor.h"
#include "radio/RadioOperations.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace tamrel;
using namespace std::chrono_literals;
using WallClock = LinkMonitor::Clock;

namespace {
const WallClock::time_point t0 = WallClock::time_point{} + 1000h;
}

TEST(LinkMonitor, OpenFailuresNameTheirCause) {
    LinkMonitor link;
    EXPECT_EQ(link.State(), LinkState::NoPort);
    EXPECT_FALSE(link.IsFailure());
    EXPECT_TRUE(link.OpenFailed("/dev/ttyUSB0", EACCES));
    EXPECT_TRUE(link.IsFailure());
    EXPECT_EQ(link.Reason(), "Cannot open /dev/ttyUSB0: Permission denied. Add your user to the "
                             "dialout group, then log in again.");
    // A different cause on the same state is still news.
    EXPECT_TRUE(link.OpenFailed("/dev/ttyUSB0", EWOULDBLOCK));
    EXPECT_NE(link.Reason().find("in use by another program"), std::string::npos);
    EXPECT_FALSE(link.OpenFailed("/dev/ttyUSB0", EWOULDBLOCK));
    EXPECT_EQ(OpenFailureText("/dev/x", ENOENT), "Cannot open /dev/x: No such device.");
    EXPECT_EQ(OpenFailureText("/dev/x", EIO), "Cannot open /dev/x: Input/output error.");
    // Neither ticks nor a hang-up mean anything without an open line.
    EXPECT_FALSE(link.OnPollTick(5, t0));
    EXPECT_FALSE(link.Lost(EIO));
    EXPECT_EQ(link.State(), LinkState::OpenFailed);
    EXPECT_NE(link.Describe().find("opening failed"), std::string::npos);
    EXPECT_TRUE(link.NoPort());
    EXPECT_EQ(link.Reason(), "");
}

TEST(LinkMonitor, SilenceIsNoticedAfterTwoTicks) {
    LinkMonitor link;
    EXPECT_TRUE(link.Opened("/dev/pts/3"));
    EXPECT_EQ(link.State(), LinkState::Waiting);
    // The first tick only marks where counting starts.
    EXPECT_FALSE(link.OnPollTick(0, t0));
    EXPECT_FALSE(link.OnPollTick(0, t0 + 1s));
    EXPECT_EQ(link.State(), LinkState::Waiting);
    EXPECT_TRUE(link.OnPollTick(0, t0 + 2s));
    EXPECT_EQ(link.State(), LinkState::NoReply);
    EXPECT_FALSE(link.EverAnswered());

    // A reply makes it live; so do replies only the receive thread saw.
    EXPECT_TRUE(link.OnReply(t0 + 3s));
    EXPECT_EQ(link.State(), LinkState::Live);
    EXPECT_EQ(link.LastReply(), t0 + 3s);
    EXPECT_FALSE(link.OnPollTick(1, t0 + 4s));
    EXPECT_FALSE(link.OnPollTick(1, t0 + 5s));
    EXPECT_TRUE(link.OnPollTick(1, t0 + 6s));
    EXPECT_EQ(link.State(), LinkState::NoReply);
    EXPECT_NE(link.Describe().find("No reply since"), std::string::npos);
    EXPECT_TRUE(link.OnPollTick(2, t0 + 7s)); // a dropped duplicate display reply
    EXPECT_EQ(link.State(), LinkState::Live);
    EXPECT_EQ(link.LastReply(), t0 + 7s);
    // One silent tick between answered ones is not yet silence.
    EXPECT_FALSE(link.OnPollTick(2, t0 + 8s));
    EXPECT_FALSE(link.OnPollTick(3, t0 + 9s));
    EXPECT_FALSE(link.OnPollTick(3, t0 + 10s));
    EXPECT_EQ(link.State(), LinkState::Live);
}

TEST(LinkMonitor, LostThenReopenedWaitsForAReplyAgain) {
    LinkMonitor link;
    link.Opened("/dev/ttyUSB0");
    link.OnReply(t0);
    EXPECT_TRUE(link.Lost(EIO));
    EXPECT_EQ(link.State(), LinkState::Lost);
    EXPECT_TRUE(link.IsFailure());
    EXPECT_NE(link.Reason().find("Lost /dev/ttyUSB0"), std::string::npos);
    // Late replies and ticks while lost change nothing.
    EXPECT_FALSE(link.OnReply(t0 + 1s));
    EXPECT_FALSE(link.OnPollTick(9, t0 + 2s));
    EXPECT_FALSE(link.OnPollTick(9, t0 + 3s));
    EXPECT_FALSE(link.OnPollTick(9, t0 + 4s));
    EXPECT_EQ(link.State(), LinkState::Lost);
    EXPECT_TRUE(link.Reopened());
    EXPECT_EQ(link.State(), LinkState::Waiting);
    EXPECT_FALSE(link.Reopened());
    // Counting starts afresh after the reopen: no stale silent tick carries over.
    EXPECT_FALSE(link.OnPollTick(9, t0 + 5s));
    EXPECT_FALSE(link.OnPollTick(9, t0 + 6s));
    EXPECT_EQ(link.State(), LinkState::Waiting);
    EXPECT_TRUE(link.OnReply(t0 + 6s));
    EXPECT_EQ(link.State(), LinkState::Live);
}

TEST(K2RadioModel, RepliesDriveTheLinkAndTheTransmitFlag) {
    K2RadioModel m;
    m.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/pts/1"); });
    EXPECT_FALSE(m.ValuesKnown());
    EXPECT_TRUE(m.ApplyReply(ID_LK, "LK0") & radio_change::kLink);
    EXPECT_EQ(m.Link().State(), LinkState::Live);
    EXPECT_TRUE(m.ValuesKnown());
    EXPECT_FALSE(m.ApplyReply(ID_LK, "LK0") & radio_change::kLink);

    // IF: 11 frequency digits, then the fields up to the transmit digit at 26.
    const std::string receiving = "IF00014060000     +000000 0002000001 ";
    std::string transmitting = receiving;
    transmitting[2 + 26] = '1';
    EXPECT_FALSE(m.Transmitting());
    EXPECT_TRUE(m.ApplyReply(ID_IF, transmitting) & radio_change::kTransmit);
    EXPECT_TRUE(m.Transmitting());
    EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & radio_change::kTransmit);
    EXPECT_FALSE(m.Transmitting());

    // TUNE keys the radio from here; the radio reporting receive ends that.
    RadioOperations ops(m);
    EXPECT_EQ(ops.Tune(), radio_change::kTransmit);
    EXPECT_TRUE(m.Transmitting());
    EXPECT_FALSE(m.ApplyReply(ID_IF, transmitting) & radio_change::kTransmit);
    EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & radio_change::kTransmit);
    EXPECT_FALSE(m.TuneKeyed());
    EXPECT_EQ(ops.Tune(), radio_change::kTransmit);
    EXPECT_EQ(ops.Tune(), radio_change::kTransmit); // the second tap ends it
    EXPECT_FALSE(m.Transmitting());

    // PTT and CW keyed from here: the lamp lights at once. One receiving IF may
    // have left the radio before the keying; the second one ends it (a CW
    // abort has no KY2 to say so).
    for (int cw = 0; cw < 2; ++cw) {
        if (cw)
            EXPECT_TRUE(m.ApplyReply(ID_KY, "KY0") & radio_change::kTransmit);
        else
            EXPECT_TRUE(ops.SetTransmit(true));
        EXPECT_TRUE(m.Transmitting());
        EXPECT_FALSE(m.ApplyReply(ID_IF, receiving) & radio_change::kTransmit);
        EXPECT_TRUE(m.Transmitting());
        EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & radio_change::kTransmit);
        EXPECT_FALSE(m.Transmitting());
    }
    EXPECT_TRUE(ops.SetTransmit(true));
    EXPECT_TRUE(ops.SetTransmit(false));
    EXPECT_FALSE(m.Transmitting());
    // The keyer: text in its buffer (KY0, KY1) is keyed; KY2 is empty and done.
    m.ApplyReply(ID_KY, "KY1");
    EXPECT_TRUE(m.CwKeyed());
    EXPECT_TRUE(m.ApplyReply(ID_KY, "KY2") & radio_change::kTransmit);
    EXPECT_FALSE(m.Transmitting());
    // In CW the radio keys only from its keyer: PTT is refused and not lit.
    m.ApplyReply(ID_MD, "MD3");
    EXPECT_FALSE(ops.SetTransmit(true));
    EXPECT_FALSE(m.Transmitting());
}

TEST(RadioOperations, TuneByMovesTheReceiveVfoUnlessLocked) {
    K2RadioModel m;
    RadioOperations ops(m);
    m.ApplyReply(ID_FA, "FA00014060000");
    m.ApplyReply(ID_FB, "FB00007030000");
    EXPECT_TRUE(ops.TuneBy(100)); // two 50 Hz steps: the radio reports the result
    EXPECT_EQ(m.Fields().vfoA, 14060000u);
    EXPECT_TRUE(ops.TuneBy(100000)); // too many steps: a new frequency at once
    EXPECT_EQ(m.Fields().vfoA, 14160000u);
    m.ApplyReply(ID_FR, "FR1");
    EXPECT_TRUE(ops.TuneBy(-11000));
    EXPECT_EQ(m.Fields().vfoB, 7019000u);
    EXPECT_EQ(m.Fields().vfoA, 14160000u);
    EXPECT_TRUE(ops.TuneBy(-100000000)); // stops at 0 Hz rather than wrapping
    EXPECT_EQ(m.Fields().vfoB, 0u);
    m.ApplyReply(ID_LK, "LK1");
    EXPECT_FALSE(ops.TuneBy(100));
    EXPECT_FALSE(ops.TuneBy(10));
    EXPECT_EQ(m.Fields().vfoB, 0u);
}

// The program's radio channel and its receive thread against a misbehaving
// simulated radio: they must survive the faults and parse the replies that
// come through clean afterwards. (It alone saw a simulator that wrote its
// replies only when a command came in.)
#include "sim/SimulatedRadio.h"

#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tamrel;
using namespace tamrel::k2sim;
using namespace std::chrono_literals;

TEST(SimulatedRadioLink, ChannelSurvivesFaultsAndParsesLaterReplies) {
    SimulatedRadio::Options o;
    o.baud = 4800;
    o.dropProbability = 0.03;
    o.garbleProbability = 0.03;
    o.stallMs = 100;
    o.stallEveryMs = 450;
    o.hangupAfterMs = 600;
    o.hangupForMs = 300;
    o.seed = 5;
    SimulatedRadio radio(o);
    radio.start();

    auto target = std::make_shared<Mailbox<LinkEvent>>();
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(radio.devicePath(), 0, 4800, 8, 0, 1), K2_OK);
    ASSERT_TRUE(channel.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(target)}));
    channel.PostToReceiveThread(RecvStart{});

    // Keep asking through stalls, the dead period and the damaged bytes.
    const auto begin = std::chrono::steady_clock::now();
    int cleanAfterHangup = 0;
    int total = 0;
    while (std::chrono::steady_clock::now() - begin < 1800ms) {
        EXPECT_EQ(channel.CmdVfoFreq(K2_QUERY, 0, 0), K2_OK);
        EXPECT_EQ(channel.CmdMD(K2_QUERY, 0), K2_OK);
        while (auto m = target->takeWithin(60ms)) {
            const auto* r = std::get_if<ReplyReceived>(&*m);
            if (!r)
                continue; // the hang-up and the return
            ++total;
            if (std::chrono::steady_clock::now() - begin > 1000ms && r->id == ID_FA &&
                r->text == "FA00014060000")
                ++cleanAfterHangup;
        }
    }
    EXPECT_GT(total, 10);
    EXPECT_GT(cleanAfterHangup, 0);
    EXPECT_EQ(channel.Close(), K2_OK);
    radio.stop();
}

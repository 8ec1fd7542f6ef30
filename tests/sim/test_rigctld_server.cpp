// hamlib's own network client (rigctl -m 2) against the program's rigctld
// server, with the program's channel and model on the simulated radio.
#include "SimulatedStation.h"

#include <QStandardPaths>
#include <QTcpSocket>

#include <algorithm>

using namespace tamrel;
using tamrel::test::WaitUntil;
using tamrel::testing::ask;

namespace {

// Connecting through hamlib's client asks the radio nothing, and a second
// client keying a keyed radio sends no second TX.
TEST(RigctldOnSimulatedRadio, ConnectingAndKeyingThroughHamlibsClient) {
    const QString rigctl = QStandardPaths::findExecutable("rigctl");
    if (rigctl.isEmpty())
        GTEST_SKIP() << "hamlib's rigctl is not installed";
    test::SimulatedStation station;
    const QString address = QString("127.0.0.1:%1").arg(station.server.port());
    const auto start = [&](const QStringList& commands) {
        return test::StartProgram(rigctl, QStringList{"-m", "2", "-r", address} + commands);
    };
    const std::size_t before = station.Wire().size();
    test::FinishProgram(*start({"f", "v"}));
    std::vector<std::string> wire = station.Wire();
    for (std::size_t i = before; i < wire.size(); ++i)
        EXPECT_TRUE(wire[i] == "DS" || wire[i] == "BG") << wire[i]; // only the panel's own poll

    // "rigctl T 1" keys and quits, leaving it keyed; the next client keys too,
    // is answered as done and sends no second TX.
    test::FinishProgram(*start({"T", "1"}));
    ASSERT_TRUE(station.WaitForWire("TX"));
    auto p = start({"T", "1", "t", "T", "0"});
    EXPECT_EQ(test::FinishProgram(*p).toStdString(), "1\n");
    EXPECT_FALSE(p->readAllStandardError().contains("rejected"));
    EXPECT_TRUE(station.WaitForWire("RX"));
    wire = station.Wire();
    EXPECT_EQ(std::count(wire.begin(), wire.end(), "TX"), 1);
}

// The answers a client waits for are the radio's verdict, and what is read
// meanwhile is what the radio will hold.
TEST(SetsOnTheSimulatedRadio, ReadBackAtOnceAnsweredByTheRadio) {
    k2sim::SimulatedRadio::Options o;
    o.hangupAfterMs = 4000; // later the radio falls silent: nothing it is sent arrives
    test::SimulatedStation station(o);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, station.server.port());
    ASSERT_TRUE(WaitUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }));
    // Client lines and the answers they must get.
    const std::pair<const char*, const char*> steps[] = {
        // From CW a mode set is seen by the next line, and by the PTT.
        {"M USB 0\nT 1\nt\nT 0\n", "RPRT 0\nRPRT 0\n1\nRPRT 0\n"},
        {"M PKTUSB 0\nm\n", "RPRT 0\nPKTUSB\n2700\n"},
        {"F 14060055\nf\n", "RPRT 0\n14060050\n"},
        // While transmitting the radio refuses sets: the client hears it and
        // the frequency read is the radio's.
        {"T 1\nF 14070000\nf\nT 0\n", "RPRT 0\nRPRT -9\n14060050\nRPRT 0\n"},
        // Quick VFO changes never show a passing state.
        {"V VFOB\nV VFOA\ns\nv\n", "RPRT 0\nRPRT 0\n0\nVFOA\nVFOA\n"},
    };
    for (const auto& [lines, answers] : steps)
        EXPECT_EQ(ask(client, lines, QByteArray(answers).count('\n')), answers) << lines;
    // A T 1 behind a set that waits for the radio, then silence: unkeyed all
    // the same once the radio took it.
    station.server.setKeyedSilenceTimeout(std::chrono::milliseconds(300));
    const auto heard = [&](const std::string& command) {
        const auto wire = station.Wire();
        return std::count(wire.begin(), wire.end(), command);
    };
    const auto unkeyedBefore = heard("RX");
    EXPECT_EQ(ask(client, "M CW 0\nT 1\n", 2), "RPRT 0\nRPRT 0\n");
    EXPECT_TRUE(WaitUntil([&] { return heard("RX") > unkeyedBefore; }, 3000));
    EXPECT_EQ(station.Radio().model()->rxFrequency(station.Radio().now()), 14060050u);

    // A radio that takes nothing any more: the set times out and is not read back.
    ASSERT_TRUE(WaitUntil([&] { return station.Radio().now() > k2sim::Millis(4200); }));
    EXPECT_EQ(ask(client, "F 7010000\nf\n", 2), "RPRT -5\n14060050\n");
}

// Once the radio has reported transmitting, an unkey (a T 0, a keyed client's
// end) is read back from the radio at once, not at its next full read a
// minute later.
TEST(SetsOnTheSimulatedRadio, AnUnkeyedRadioIsSeenReceivingAtOnce) {
    test::SimulatedStation station;
    const auto transmitting = [&] { return station.ops.Model().Fields().transmitting; };
    const auto keyAndHearIt = [&](QTcpSocket& s) {
        s.connectToHost(QHostAddress::LocalHost, station.server.port());
        ASSERT_TRUE(WaitUntil([&] { return s.state() == QAbstractSocket::ConnectedState; }));
        EXPECT_EQ(ask(s, "M USB 0\nT 1\n", 2), "RPRT 0\nRPRT 0\n");
        // A full read still going has read IF already: the next one reads it.
        EXPECT_TRUE(WaitUntil(
            [&] {
                station.ops.RefreshState();
                return transmitting();
            },
            5000));
    };
    QTcpSocket client;
    keyAndHearIt(client);
    EXPECT_EQ(ask(client, "T 0\nt\n", 2), "RPRT 0\n0\n");
    QTcpSocket dying;
    keyAndHearIt(dying);
    dying.abort();
    EXPECT_TRUE(WaitUntil([&] { return !transmitting(); }, 3000));
}

} // namespace

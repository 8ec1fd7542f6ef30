// hamlib's own network client (rigctl -m 2) against the program's rigctld
// server, with the program's channel and model on the simulated radio.
#include "SimulatedStation.h"

#include <QStandardPaths>
#include <QTcpSocket>

#include <algorithm>
#include <memory>

// gtest shows Qt strings as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace tamrel;
using tamrel::test::WaitUntil;
using tamrel::testing::ask;

namespace {

class RigctldOnSimulatedRadio : public ::testing::Test {
protected:
    void SetUp() override {
        rigctl = QStandardPaths::findExecutable("rigctl");
        if (rigctl.isEmpty())
            GTEST_SKIP() << "hamlib's rigctl is not installed";
        station = std::make_unique<test::SimulatedStation>();
    }

    std::unique_ptr<QProcess> Start(const QStringList& commands) {
        const QString address = QString("127.0.0.1:%1").arg(station->server.port());
        return test::StartProgram(rigctl, QStringList{"-m", "2", "-r", address} + commands);
    }
    QString Finish(QProcess& p) { return test::FinishProgram(p); }

    QString rigctl;
    std::unique_ptr<test::SimulatedStation> station;
};

// Connecting through hamlib's client asks the radio nothing, and a second
// client keying a keyed radio sends no second TX.
TEST_F(RigctldOnSimulatedRadio, ConnectingAndKeyingThroughHamlibsClient) {
    const std::size_t before = station->Wire().size();
    Finish(*Start({"f", "v"}));
    std::vector<std::string> wire = station->Wire();
    for (std::size_t i = before; i < wire.size(); ++i)
        EXPECT_TRUE(wire[i] == "DS" || wire[i] == "BG") << wire[i]; // only the panel's own poll

    // "rigctl T 1" keys and quits, leaving it keyed; the next client keys too,
    // is answered as done and sends no second TX.
    Finish(*Start({"T", "1"}));
    ASSERT_TRUE(station->WaitForWire("TX"));
    auto p = Start({"T", "1", "t", "T", "0"});
    EXPECT_EQ(Finish(*p).split('\n', Qt::SkipEmptyParts), QStringList({"1"}));
    EXPECT_FALSE(p->readAllStandardError().contains("rejected"));
    EXPECT_TRUE(station->WaitForWire("RX"));
    wire = station->Wire();
    EXPECT_EQ(std::count(wire.begin(), wire.end(), "TX"), 1);
}

TEST_F(RigctldOnSimulatedRadio, ThreeClientsPollWhileThePanelIsUsed) {
    // Each client is fed its lines a tenth of a second apart.
    const QString script = QString("for i in $(seq 15); do echo f; echo m; echo v; sleep 0.1; "
                                   "done | %1 -m 2 -r 127.0.0.1:%2 -")
                               .arg(rigctl)
                               .arg(station->server.port());
    ASSERT_TRUE(station->ops.SetVfoFrequency(0, 14025000));
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int i = 0; i < 3; ++i)
        clients.push_back(test::StartProgram("/bin/sh", {"-c", script}));
    // The panel meanwhile: its commands must reach the radio while clients poll.
    int speed = 10;
    QTimer panel;
    QObject::connect(&panel, &QTimer::timeout, [&] {
        if (speed < 20)
            station->ops.SetCwSpeed(++speed);
    });
    panel.start(50);
    for (auto& c : clients) {
        const QStringList lines = Finish(*c).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 15 * 4);
        EXPECT_EQ(lines.count("f 14025000"), 15);
        EXPECT_EQ(lines.count("m CW") + lines.count("m USB"), 15);
        EXPECT_EQ(lines.count("v VFOA"), 15);
    }
    EXPECT_TRUE(station->WaitForWire("FA00014025000"));
    EXPECT_TRUE(station->WaitForWire("KS020"));
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

// tamrel-ctl run as a child process against a server in this test, which
// answers the state request the way the front panel does.

#include "ControlTestApp.h"
#include "radio/K2RadioState.h"
#include "remote/ControlServer.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace tamrel;
using tamrel::testing::waitUntil;

namespace {

struct CtlResult {
    int exitCode = -1;
    QString out;
    QString err;
};

class TamrelCtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        tamrel::testing::testApp();
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());

        state_.vfoA = 7040120;
        state_.vfoB = 14060000;
        state_.mode = 7; // CWR
        state_.crystalFilter = 2;
        state_.bandwidth = 700;
        state_.agc = 4;
        state_.cwSpeed = 23;
        state_.antenna = 2;
        state_.power = 50;
        state_.transmitVfo = 1;
        state_.preamp = 1;
        state_.offset = -150;
        state_.ritOn = 1;
        state_.bandIndex = 6;

        QObject::connect(&server_, &ControlServer::frameReceived,
                         [this](ControlServer::ConnectionId id, quint32 dw, const QByteArray& d) {
                             frames_.push_back({dw, d});
                             const auto* raw = reinterpret_cast<const uint8_t*>(d.constData());
                             std::span<const uint8_t> arg(raw, std::size_t(d.size()));
                             if (dw == control::OP_REGISTER)
                                 peer_ = control::titleOf(arg);
                             if (dw == control::OP_STATE_HERE && answer_) {
                                 const auto bytes = state_.toBytes();
                                 std::vector<uint8_t> a(bytes.begin(), bytes.end());
                                 a.resize(a.size() + 4, 0);
                                 a[K2RadioState::kSize] = wholeWatts_;
                                 server_.SendTo(id, control::OP_STATE_HERE, a);
                             }
                         });
    }

    // Runs tamrel-ctl while this thread's event loop serves it.
    CtlResult ctl(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(TAMREL_CTL_PATH), args);
        EXPECT_TRUE(p.waitForStarted(10000));
        EXPECT_TRUE(waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir runtime_;
    ControlServer server_;
    K2RadioState state_;
    std::string peer_;
    bool answer_ = true;
    uint8_t wholeWatts_ = 0;
    std::vector<std::pair<quint32, QByteArray>> frames_;
};

quint32 argument(const QByteArray& d) {
    return control::valueOf(
        std::span(reinterpret_cast<const uint8_t*>(d.constData()), std::size_t(d.size())));
}

} // namespace

TEST_F(TamrelCtlTest, StatePrintsEveryFieldAsTextAndJson) {
    ASSERT_TRUE(server_.listen());
    CtlResult text = ctl({"state"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    for (const char* expected : {"7040.12 kHz", "14060.00 kHz", "CWR", "40M", "700 Hz", "slow",
                                 "23 WPM", "-150 Hz", "Power:          5.0 W", "Transmit VFO:   B",
                                 "Preamp:         on", "RIT:            on", "XIT:            off"})
        EXPECT_TRUE(text.out.contains(expected)) << expected << "\n" << text.out.toStdString();
    // A look at the state registers nothing: registering opens the CW window.
    for (const auto& frame : frames_)
        EXPECT_NE(frame.first, control::OP_REGISTER);

    wholeWatts_ = 1; // with the 100 W amplifier the value is whole watts
    CtlResult json = ctl({"--name", "my logger", "state", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(peer_, "");
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    EXPECT_EQ(o["vfoA"].toInteger(), state_.vfoA);
    EXPECT_EQ(o["vfoB"].toInteger(), state_.vfoB);
    EXPECT_EQ(o["modeName"].toString(), "CWR");
    EXPECT_EQ(o["offset"].toInteger(), state_.offset);
    EXPECT_EQ(o["cwSpeed"].toInteger(), state_.cwSpeed);
    EXPECT_EQ(o["bandIndex"].toInteger(), state_.bandIndex);
    EXPECT_EQ(o["ritOn"].toInteger(), 1);
    EXPECT_EQ(o["xitOn"].toInteger(), 0);
    EXPECT_EQ(o["powerWatts"].toDouble(), 50.0);
    EXPECT_EQ(o.size(), 24);

    answer_ = false;
    CtlResult silent = ctl({"state"});
    EXPECT_EQ(silent.exitCode, 4);
    EXPECT_TRUE(silent.err.contains("no state answer")) << silent.err.toStdString();
}

TEST_F(TamrelCtlTest, CommandsArriveAsTheirOperations) {
    ASSERT_TRUE(server_.listen());
    EXPECT_EQ(ctl({"speed", "50"}).exitCode, 0);
    EXPECT_EQ(ctl({"power", "150"}).exitCode, 0);
    EXPECT_EQ(ctl({"cw", "CQ", "TEST"}).exitCode, 0);
    EXPECT_EQ(ctl({"--socket", server_.socketPath(), "register", "N0CALL"}).exitCode, 0);
    EXPECT_EQ(ctl({"unregister"}).exitCode, 0);
    ASSERT_TRUE(waitUntil([&] { return frames_.size() == 5; }));
    EXPECT_EQ(frames_[0].first, control::OP_CW_SPEED);
    EXPECT_EQ(argument(frames_[0].second), 50u);
    EXPECT_EQ(frames_[1].first, control::OP_POWER);
    EXPECT_EQ(argument(frames_[1].second), 150u);
    EXPECT_EQ(frames_[2], std::make_pair(quint32(control::OP_CW_TEXT), QByteArray("CQ TEST")));
    EXPECT_EQ(frames_[3], std::make_pair(quint32(control::OP_REGISTER), QByteArray("N0CALL")));
    EXPECT_EQ(frames_[4], std::make_pair(quint32(control::OP_UNREGISTER), QByteArray()));

    // Values the radio cannot take are refused with a word, not clamped.
    for (const QStringList& bad :
         {QStringList{"speed", "99"}, QStringList{"speed", "8"}, QStringList{"power", "200"}}) {
        const CtlResult r = ctl(bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("outside")) << r.err.toStdString();
    }
    // Usage errors are found before anything is sent.
    for (const QStringList& bad :
         {QStringList{"speed", "fast"}, QStringList{"power"}, QStringList{"cw"},
          QStringList{"cw", QString(255, 'E')}, QStringList{"launch"},
          QStringList{"--bogus", "state"}, QStringList{}})
        EXPECT_EQ(ctl(bad).exitCode, 2) << bad.join(' ').toStdString();
    EXPECT_EQ(frames_.size(), 5u);
}

TEST_F(TamrelCtlTest, NoTamrelRunning) {
    CtlResult r = ctl({"state"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("no Tamrel is running")) << r.err.toStdString();
    EXPECT_EQ(ctl({"speed", "20"}).exitCode, 3);
}

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

using Frames = std::vector<std::pair<quint32, QByteArray>>;

class TamrelCtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        tamrel::testing::testApp();
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        QObject::connect(&server_, &ControlServer::frameReceived,
                         [this](ControlServer::ConnectionId id, quint32 dw, const QByteArray& d) {
                             frames_.push_back({dw, d});
                             if (dw != control::OP_STATE_HERE || !answer_)
                                 return;
                             const auto bytes = state_.toBytes();
                             std::vector<uint8_t> a(bytes.begin(), bytes.end());
                             a.push_back(wholeWatts_);
                             a.resize(a.size() + 3, 0);
                             server_.SendTo(id, control::OP_STATE_HERE, a);
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
    const K2RadioState state_{.vfoA = 7040120,
                              .vfoB = 14060000,
                              .mode = 7 /* CWR */,
                              .power = 50,
                              .transmitVfo = 1,
                              .offset = -150,
                              .ritOn = 1,
                              .bandIndex = 6};
    bool answer_ = true;
    uint8_t wholeWatts_ = 0;
    Frames frames_;
};

} // namespace

TEST_F(TamrelCtlTest, StateAndCommandsReachTheRunningPanel) {
    const CtlResult none = ctl({"state"});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_TRUE(none.err.contains("no Tamrel is running")) << none.err.toStdString();

    ASSERT_TRUE(server_.listen());
    CtlResult text = ctl({"state"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    for (const char* expected :
         {"7040.12 kHz", "14060.00 kHz", "CWR", "40M", "-150 Hz", "Power:          5.0 W",
          "Transmit VFO:   B", "RIT:            on"})
        EXPECT_TRUE(text.out.contains(expected)) << expected << "\n" << text.out.toStdString();

    wholeWatts_ = 1; // with the 100 W amplifier the value is whole watts
    CtlResult json = ctl({"--name", "my logger", "state", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    EXPECT_EQ(o.size(), 24);
    const QJsonObject expected{{"vfoA", 7040120}, {"vfoB", 14060000}, {"modeName", "CWR"},
                               {"offset", -150},  {"bandIndex", 6},   {"powerWatts", 50.0}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(o[it.key()], it.value()) << it.key().toStdString();

    answer_ = false;
    CtlResult silent = ctl({"state"});
    EXPECT_EQ(silent.exitCode, 4);
    EXPECT_TRUE(silent.err.contains("no state answer")) << silent.err.toStdString();

    frames_.clear();
    for (const QStringList& args :
         {QStringList{"speed", "50"}, QStringList{"power", "150"}, QStringList{"cw", "CQ", "TEST"},
          QStringList{"--socket", server_.socketPath(), "register", "N0CALL"},
          QStringList{"unregister"}})
        EXPECT_EQ(ctl(args).exitCode, 0) << args.join(' ').toStdString();
    ASSERT_TRUE(waitUntil([&] { return frames_.size() == 5; }));
    EXPECT_EQ(frames_, (Frames{{control::OP_CW_SPEED, QByteArray("\x32\0\0\0", 4)},
                               {control::OP_POWER, QByteArray("\x96\0\0\0", 4)},
                               {control::OP_CW_TEXT, "CQ TEST"},
                               {control::OP_REGISTER, "N0CALL"},
                               {control::OP_UNREGISTER, {}}}));

    // Values the radio cannot take are refused with a word, not clamped.
    for (const QStringList& bad : {QStringList{"speed", "8"}, QStringList{"power", "151"}}) {
        const CtlResult r = ctl(bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("outside")) << r.err.toStdString();
    }
    // Usage errors are found before anything is sent.
    for (const QStringList& bad :
         {QStringList{"speed", "fast"}, QStringList{"cw", QString(255, 'E')}, QStringList{"launch"},
          QStringList{"--bogus", "state"}, QStringList{}})
        EXPECT_EQ(ctl(bad).exitCode, 2) << bad.join(' ').toStdString();
    EXPECT_EQ(frames_.size(), 5u);
}

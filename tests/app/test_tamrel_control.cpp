// Another program, or a second copy, drives the running front panel through
// its control socket. (What tamrel-ctl refuses itself and how it prints the state
// are its own tests; frames of operations that mean nothing, oversized or cut
// short are the control server's.)

#include "TamrelProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace tamrel;
using namespace tamrel::test;
using namespace std::chrono_literals;

namespace {

// Runs tamrel-ctl until `done` holds of its exit code and state, the radio's
// end collecting 250 ms before each run (and first sending `reply`, when
// given: this radio answers only what the test sends); the last exit code.
int ctlUntil(TamrelProcess& tamrel, PtyPeer& peer, const QStringList& args, QString& out,
             QJsonObject& state, const std::function<bool(int)>& done, const char* reply) {
    int rc = -1;
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (reply)
            peer.send(reply);
        peer.collectFor(250ms);
        rc = tamrel.ctl(args, &out);
        state = QJsonDocument::fromJson(out.toUtf8()).object();
        if (done(rc))
            break;
    }
    return rc;
}

} // namespace

TEST(TamrelControl, OtherProgramsDriveTheRunningPanel) {
    PtyPeer peer;
    TamrelProcess tamrel;
    ASSERT_TRUE(tamrel.startOn(peer));
    ASSERT_TRUE(waitForInitialQuery(peer, 30s)) << tamrel.output().toStdString();
    peer.send("FA00014060000;MD3;");
    ASSERT_TRUE(tamrel.waitForSocket(peer)) << tamrel.output().toStdString();

    // A second copy hands over to the first, which comes to the front.
    TamrelProcess second(&tamrel);
    ASSERT_TRUE(second.start({"--no-splash", "--simulate"}));
    ASSERT_TRUE(second.waitForExit(20s));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.output().contains("already running")) << second.output().toStdString();
    EXPECT_TRUE(tamrel.waitForOutput("coming to the front")) << tamrel.output().toStdString();

    // The state shows what the radio reported.
    const char* const fa = "FA00014060000;";
    QString out;
    QJsonObject state;
    const QStringList json = {"state", "--json"};
    ctlUntil(
        tamrel, peer, json, out, state,
        [&](int rc) {
            EXPECT_TRUE(rc == 0 || rc == 5) << out.toStdString();
            return rc == 0 && state["vfoA"].toInteger() == 14060000 &&
                   state["modeName"].toString() == "CW";
        },
        fa);
    EXPECT_EQ(state["vfoA"].toInteger(), 14060000) << out.toStdString();
    EXPECT_EQ(state["modeName"].toString(), "CW") << out.toStdString();

    peer.clear();
    EXPECT_EQ(tamrel.ctl({"power", "150"}), 0);
    EXPECT_TRUE(heard(peer, "PC1500")) << peer.raw();

    // Looking at the state (above, many times) opened no CW window: CW text
    // finds none to take it. (Registering opens it: the window's test.)
    peer.clear();
    EXPECT_EQ(tamrel.ctl({"cw", "TEST"}), 0);
    EXPECT_FALSE(heard(peer, "KY", 1500ms)) << peer.raw();

    // This radio has not answered a poll for seconds: the state says so, not old values.
    auto quiet = [](int rc) { return rc == 5; };
    EXPECT_EQ(ctlUntil(tamrel, peer, {"state"}, out, state, quiet, nullptr), 5)
        << out.toStdString();
    EXPECT_TRUE(out.startsWith("radio not answering (no reply since ")) << out.toStdString();
    EXPECT_FALSE(out.contains("kHz")) << out.toStdString();
    EXPECT_TRUE(tamrel.endsCleanly()) << tamrel.output().toStdString();
}

// Without a private folder another local user could plant the socket: the
// program and tamrel-ctl both refuse it and say why.
TEST(TamrelControl, ASocketFolderOfAnotherUserIsRefusedByBothEnds) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a folder of another user needs root";
    TamrelProcess tamrel;
    const QString folder = tamrel.runtimeDir() + "/tamrel";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0); // nobody
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
    QLocalServer planted;
    ASSERT_TRUE(planted.listen(folder + "/control.sock")) << planted.errorString().toStdString();

    EXPECT_NE(tamrel.ctl({"cw", "SECRET"}), 0);
    EXPECT_FALSE(planted.waitForNewConnection(300));

    ASSERT_TRUE(tamrel.start({"--simulate", "--no-splash"}));
    EXPECT_TRUE(tamrel.waitForOutput("belongs to another user")) << tamrel.output().toStdString();
    EXPECT_FALSE(tamrel.output().contains("already running")) << tamrel.output().toStdString();
    EXPECT_TRUE(tamrel.running()); // it runs on, without the control interface
    EXPECT_FALSE(planted.waitForNewConnection(300));
    EXPECT_TRUE(tamrel.endsCleanly()) << tamrel.output().toStdString();
}

// Another program, or a second copy, drives the running front panel through
// its control socket. (What tamrel-ctl refuses itself and how it prints the state
// are its own tests; frames of operations that mean nothing, oversized or cut
// short are the control server's.)

#include "TamrelProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace tamrel;
using namespace tamrel::test;
using namespace std::chrono_literals;

namespace {

bool heard(PtyPeer& peer, const std::string& command, std::chrono::milliseconds timeout = 10s) {
    return peer.collectUntil(
        [&command](const auto& c) {
            return std::any_of(c.begin(), c.end(),
                               [&](const auto& x) { return x.text == command; });
        },
        timeout);
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
    QElapsedTimer clock;
    clock.start();
    while (!tamrel.output().contains("coming to the front") && clock.elapsed() < 10000)
        tamrel.waitForExit(50ms); // lets the process object read what it wrote
    EXPECT_TRUE(tamrel.output().contains("coming to the front")) << tamrel.output().toStdString();

    // The state shows what the radio reported.
    QString out;
    QJsonObject state;
    // This radio answers only what the test sends: it says something each time.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int rc = tamrel.ctl({"state", "--json"}, &out);
        ASSERT_TRUE(rc == 0 || rc == 5) << out.toStdString();
        state = QJsonDocument::fromJson(out.toUtf8()).object();
        if (rc == 0 && state["vfoA"].toInteger() == 14060000 &&
            state["modeName"].toString() == "CW")
            break;
        peer.send("FA00014060000;");
        peer.collectFor(250ms);
    }
    EXPECT_EQ(state["vfoA"].toInteger(), 14060000) << out.toStdString();
    EXPECT_EQ(state["modeName"].toString(), "CW") << out.toStdString();

    peer.clear();
    EXPECT_EQ(tamrel.ctl({"power", "150"}), 0);
    EXPECT_TRUE(heard(peer, "PC1500")) << peer.raw();

    ASSERT_TRUE(tamrel.running()) << tamrel.output().toStdString();
    // This radio has not answered a poll for seconds: the state says so, not old values.
    int rc = 0;
    for (int attempt = 0; attempt < 40 && rc != 5; ++attempt) {
        rc = tamrel.ctl({"state"}, &out);
        peer.collectFor(250ms);
    }
    EXPECT_EQ(rc, 5) << out.toStdString();
    EXPECT_TRUE(out.startsWith("radio not answering (no reply since ")) << out.toStdString();
    EXPECT_FALSE(out.contains("kHz")) << out.toStdString();
    EXPECT_EQ(tamrel.ctl({"state", "--json"}, &out), 5);
    state = QJsonDocument::fromJson(out.toUtf8()).object();
    EXPECT_EQ(state["link"].toObject()["state"].toString(), "no reply") << out.toStdString();
    EXPECT_FALSE(state.contains("vfoA"));
    // A reply makes it live again.
    peer.send("FA00014060000;");
    for (int attempt = 0; attempt < 20; ++attempt) {
        if ((rc = tamrel.ctl({"state", "--json"}, &out)) == 0)
            break;
        peer.collectFor(250ms);
    }
    ASSERT_EQ(rc, 0) << out.toStdString();
    state = QJsonDocument::fromJson(out.toUtf8()).object();
    EXPECT_EQ(state["vfoA"].toInteger(), 14060000);
    EXPECT_TRUE(state["link"].toObject()["live"].toBool());
    EXPECT_EQ(tamrel.ctl({"speed", "20"}), 0);
    EXPECT_TRUE(heard(peer, "KS020")) << peer.raw();

    // Looking at the state (above, many times) opened no CW window: CW text
    // finds none to take it. (Registering opens it: the window's test.)
    peer.clear();
    EXPECT_EQ(tamrel.ctl({"cw", "TEST"}), 0);
    EXPECT_FALSE(heard(peer, "KY", 1500ms)) << peer.raw();

    // A crash leaves the socket behind: the next copy starts and answers on it.
    ASSERT_TRUE(tamrel.running()) << tamrel.output().toStdString();
    tamrel.kill();
    ASSERT_TRUE(QFileInfo::exists(tamrel.controlSocket()));
    PtyPeer peer2;
    TamrelProcess next(&tamrel);
    ASSERT_TRUE(next.startOn(peer2));
    ASSERT_TRUE(waitForInitialQuery(peer2, 30s)) << next.output().toStdString();
    rc = -1;
    for (int attempt = 0; attempt < 20 && rc != 0; ++attempt) {
        peer2.send("FA00014060000;");
        peer2.collectFor(250ms);
        rc = next.ctl({"state"}, &out);
    }
    EXPECT_EQ(rc, 0) << out.toStdString() << next.output().toStdString();
    EXPECT_TRUE(next.endsCleanly()) << next.output().toStdString();
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
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && !tamrel.output().contains("belongs to another user"))
        tamrel.waitForExit(100ms);
    EXPECT_TRUE(tamrel.output().contains("belongs to another user"))
        << tamrel.output().toStdString();
    EXPECT_FALSE(tamrel.output().contains("already running")) << tamrel.output().toStdString();
    EXPECT_TRUE(tamrel.running()); // it runs on, without the control interface
    EXPECT_FALSE(planted.waitForNewConnection(300));
    EXPECT_TRUE(tamrel.endsCleanly()) << tamrel.output().toStdString();
}

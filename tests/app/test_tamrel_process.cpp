// The whole program as a child process (and its panel window in this one):
// the wire from start to end, the commands that need no display, and other
// programs on its control socket (tamrel-ctl's own refusals and bad frames
// are the remote tests').

#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"
#include "support/PanelOnPty.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tamrel;
using namespace tamrel::test;
using namespace std::chrono_literals;

namespace {

// The commands of the initial query, in the order the radio must hear them.
const std::vector<std::string> kInitialQuery = {"K22", "AI3", "IF", "FA", "FB", "PA", "RA", "FW",
                                                "GT",  "KS",  "PC", "SQ", "AN", "NB", "LK"};

// The program under test, offscreen, with settings and runtime folders of its
// own (or another copy's).
class TamrelProcess {
public:
    // With `beside`, the folders are that one's: a second copy of the program.
    explicit TamrelProcess(const TamrelProcess* beside = nullptr) {
        if (beside) {
            env_ = beside->env_;
        } else {
            env_ = QProcessEnvironment::systemEnvironment();
            env_.insert("XDG_CONFIG_HOME", config_.path());
            env_.insert("XDG_RUNTIME_DIR", runtime_.path());
            env_.insert("QT_QPA_PLATFORM", "offscreen");
        }
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setProcessEnvironment(env_);
    }
    // Kills the program if a test left it running.
    ~TamrelProcess() {
        if (running()) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }

    bool start(const QStringList& args) {
        if (!config_.isValid() || !runtime_.isValid())
            return false;
        process_.start(QStringLiteral(TAMREL_PATH), args);
        return process_.waitForStarted(10000);
    }
    // On the peer's device, without the splash.
    bool startOn(const PtyPeer& peer) {
        return start({"--device", QString::fromStdString(peer.device()), "--no-splash"});
    }
    void terminate(int signal = SIGTERM) {
        if (running())
            ::kill(pid(), signal);
    }
    // Sends SIGTERM and waits; true when the program ended with status 0.
    bool endsCleanly(std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        terminate();
        return waitForExit(timeout) && exitCode() == 0;
    }
    // True when the program ended by itself in time.
    bool waitForExit(std::chrono::milliseconds timeout) {
        return !running() || process_.waitForFinished(int(timeout.count()));
    }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    pid_t pid() const { return pid_t(process_.processId()); }
    // 0 only for a normal exit with status 0; -1 for a crash or a signal.
    int exitCode() const {
        if (running() || process_.exitStatus() != QProcess::NormalExit)
            return -1;
        return process_.exitCode();
    }
    // Everything the program wrote on stdout and stderr so far.
    QString output() {
        output_ += QString::fromLocal8Bit(process_.readAll());
        return output_;
    }
    // Waits until the program has written `text`; false when it did not in time.
    bool waitForOutput(const QString& text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        QElapsedTimer clock;
        clock.start();
        while (!output().contains(text) && running() && clock.elapsed() < timeout.count())
            process_.waitForReadyRead(50);
        return output().contains(text);
    }
    // For a command that needs no window: no display, and stderr apart from stdout.
    void withoutDisplay() {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env_.remove(name);
        process_.setProcessEnvironment(env_);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
    }
    // What the program wrote on stderr so far, once its channels are apart.
    QString errors() {
        errors_ += QString::fromLocal8Bit(process_.readAllStandardError());
        return errors_;
    }
    QString configDir() const { return config_.path(); }
    QString runtimeDir() const { return runtime_.path(); }
    std::string settingsFile() const {
        return QDir(env_.value("XDG_CONFIG_HOME"))
            .filePath("ZZ9ZZ Software/Rig Control.reg")
            .toStdString();
    }

    // Runs tamrel-ctl on this program's folders; returns its exit code (-1
    // when it crashed or hung) and its standard output.
    int ctl(const QStringList& args, QString* out = nullptr) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(QStringLiteral(TAMREL_CTL_PATH), args);
        if (!p.waitForStarted(10000) || !p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
    QProcessEnvironment env_;
    QProcess process_;
    QString output_;
    QString errors_;
};

// Waits until the peer has heard `command`; false on time-out.
bool heard(PtyPeer& peer, const std::string& command,
           std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return peer.collectUntil(
        [&command](const auto& c) {
            return std::any_of(c.begin(), c.end(),
                               [&](const auto& x) { return x.text == command; });
        },
        timeout);
}

// Waits until the peer has heard the whole initial query (it ends with LK).
bool waitForInitialQuery(PtyPeer& peer, std::chrono::milliseconds timeout) {
    return heard(peer, "LK", timeout);
}

// The texts of the commands received, without the status poll (DS, BG).
std::vector<std::string> withoutPolling(const std::vector<PtyPeer::Command>& commands) {
    std::vector<std::string> out;
    for (const auto& c : commands)
        if (c.text != "DS" && c.text != "BG")
            out.push_back(c.text);
    return out;
}

std::chrono::milliseconds between(const PtyPeer::Command& a, const PtyPeer::Command& b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b.at - a.at);
}

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

// The first run also checks the start: the initial query paced, and the
// poll only once the radio has answered. The last ends on a full disk.
TEST(TamrelProgram, StartsPacedAndEveryEndingSignalUnkeysAbortsTheKeyerQuietsTheRadioAndSaves) {
    for (int signal : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) {
        SCOPED_TRACE(::strsignal(signal));
        PtyPeer peer;
        TamrelProcess tamrel;
        // An ignored SIGXFSZ is inherited: past the size limit a write fails
        // instead of ending the program.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const bool started = tamrel.startOn(peer);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_TRUE(started);
        ASSERT_TRUE(waitForInitialQuery(peer, 30s)) << tamrel.output().toStdString();
        if (signal == SIGTERM) {
            ASSERT_EQ(peer.texts(), kInitialQuery) << tamrel.output().toStdString();
            // Fourteen pauses of 100 ms. Arrival times can only be late (this
            // side may be slow to read), so the spread gets room for that.
            const auto& sent = peer.commands();
            EXPECT_GE(between(sent.front(), sent.back()), 14 * 100ms - 300ms);
            EXPECT_LT(between(sent.front(), sent.back()), 5s);
            peer.clear();
            peer.collectFor(1500ms);
            EXPECT_TRUE(peer.texts().empty()) << peer.raw(); // nobody answered: no poll
        }

        // 7023.45 kHz is on 40 m and differs from the band's stored default.
        peer.send("FA00007023450;");
        if (signal == SIGTERM) {
            peer.clear();
            ASSERT_TRUE(peer.collectUntil(
                [](const auto& c) {
                    return std::count_if(c.begin(), c.end(),
                                         [](const auto& x) { return x.text == "BG"; }) >= 2;
                },
                10s))
                << peer.raw();
            EXPECT_TRUE(withoutPolling(peer.commands()).empty()) << peer.raw();
            // Polls come about once a second, never faster.
            const auto& polls = peer.commands();
            ASSERT_GE(polls.size(), 3u);
            EXPECT_GE(between(polls[0], polls[2]), 1000ms - 300ms);
        }
        peer.collectFor(1500ms);
        peer.clear();
        if (signal == SIGINT) { // from here the disk is full
            rlimit full{};
            ASSERT_EQ(::prlimit(tamrel.pid(), RLIMIT_FSIZE, nullptr, &full), 0);
            full.rlim_cur = 0;
            ASSERT_EQ(::prlimit(tamrel.pid(), RLIMIT_FSIZE, &full, nullptr), 0);
        }
        tamrel.terminate(signal);
        // Collect while it ends, so its last words are heard.
        QElapsedTimer clock;
        clock.start();
        while (tamrel.running() && clock.elapsed() < 15000) {
            peer.collectFor(50ms);
            tamrel.waitForExit(50ms);
        }
        ASSERT_FALSE(tamrel.running()) << "still running 15 s after the signal";
        peer.collectFor(200ms);
        EXPECT_EQ(tamrel.exitCode(), 0) << tamrel.output().toStdString();
        // The poll may still go out until the port closes; of the panel's own
        // commands these are the last.
        EXPECT_EQ(withoutPolling(peer.commands()), (std::vector<std::string>{"RX", "KY @", "AI0"}))
            << peer.raw();
        if (signal == SIGINT) {
            EXPECT_TRUE(tamrel.output().contains("the frequencies of each band could not be saved"))
                << tamrel.output().toStdString();
            continue;
        }

        RecordingPrompter prompter;
        CRigControlRegistry registry(prompter, tamrel.settingsFile());
        VfoMemory memory{};
        registry.GetVfoFrequencies(memory);
        EXPECT_EQ(memory[6].a, 7023450u);            // 40M VFOA Freq
        EXPECT_EQ(memory[4], defaultVfoMemory()[4]); // 20 m was never tuned
    }
}

TEST(TamrelProgram, ASignalDuringTheSplashOrWithABoxOpenEndsTheProgram) {
    {
        PtyPeer peer;
        TamrelProcess tamrel;
        ASSERT_TRUE(
            tamrel.start({"--device", QString::fromStdString(peer.device()), "--report-startup"}));
        peer.collectFor(1000ms); // the splash shows for 3 s
        tamrel.terminate();
        EXPECT_TRUE(tamrel.waitForExit(10s));
        EXPECT_EQ(tamrel.exitCode(), 0) << tamrel.output().toStdString();
        peer.collectFor(3500ms);
        EXPECT_FALSE(tamrel.output().contains("window shown")) << tamrel.output().toStdString();
        EXPECT_TRUE(peer.commands().empty()) << peer.raw(); // the panel never started
    }
    // A folder where the settings file belongs: a message box waits for a click.
    PtyPeer peer;
    TamrelProcess tamrel;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(tamrel.settingsFile())));
    ASSERT_TRUE(tamrel.startOn(peer));
    peer.collectFor(2500ms);
    ASSERT_TRUE(tamrel.running()) << tamrel.output().toStdString();
    tamrel.terminate();
    EXPECT_TRUE(tamrel.waitForExit(10s));
    EXPECT_EQ(tamrel.exitCode(), 0) << tamrel.output().toStdString();
}

TEST(TamrelProgram, WritesScreenshotOfSimulatedRadio) {
    TamrelProcess tamrel;
    const QString picture = tamrel.configDir() + "/panel.png";
    ASSERT_TRUE(tamrel.start({"--simulate", "--no-splash", "--screenshot", picture}));
    ASSERT_TRUE(tamrel.waitForExit(60s)) << "no exit within 60 s";
    EXPECT_EQ(tamrel.exitCode(), 0) << tamrel.output().toStdString();

    QImage image(picture);
    ASSERT_FALSE(image.isNull()) << "no readable picture at " << picture.toStdString();

    // A picture that cannot be written is a failure, not a success.
    TamrelProcess again;
    ASSERT_TRUE(again.start({"--simulate", "--no-splash", "--screenshot",
                             again.configDir() + "/no such folder/panel.png"}));
    ASSERT_TRUE(again.waitForExit(60s)) << "no exit within 60 s";
    EXPECT_EQ(again.exitCode(), 1) << again.output().toStdString();
}

// What goes into the ADIF file, and what the export counts and leaves out,
// are the log's own tests; here, that the command reads the settings the
// panel keeps (the contest answers) and says what it did and left out.
TEST(ExportCommand, WritesTheAdifFileWithoutADisplay) {
    TamrelProcess tamrel;
    tamrel.withoutDisplay();
    const QString log = tamrel.configDir() + "/Contest.QSO.Log";
    const QString out = tamrel.configDir() + "/out.adi";
    {
        RecordingPrompter prompter;
        CRigControlRegistry registry(prompter, tamrel.settingsFile());
        registry.CreateDefaultSettings();
        CabrilloSettings answers;
        answers.contest = "CQ-WPX-CW";
        ASSERT_TRUE(registry.SetCabrilloSettings(answers));
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n");
    }
    ASSERT_TRUE(tamrel.start({"--export-adif", log, out}));
    ASSERT_TRUE(tamrel.waitForExit(60s));
    EXPECT_EQ(tamrel.exitCode(), 0) << tamrel.errors().toStdString();
    const std::string said = tamrel.output().toStdString();
    EXPECT_TRUE(tamrel.output().contains("Wrote 1 QSO to " + out + ".")) << said;
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray adif = written.readAll();
    EXPECT_TRUE(adif.contains("<CONTEST_ID:9>CQ-WPX-CW ")) << adif.toStdString();
    // The first-run callsign is nobody's: left out, and said.
    EXPECT_TRUE(tamrel.output().contains("Left out: the callsign \"ZZ9ZZ\"")) << said;
}

// A failure is told on stderr, a success on stdout. (--help and its exit
// code are the man page test's.)
TEST(ExportCommand, FailuresUsageAndVersionHaveTheirExitCodes) {
    const std::tuple<QStringList, int, const char*> runs[] = {
        {{"--export-adif", "/nonexistent/none.log", "out.adi"}, 1, "Unable to read the log"},
        {{"--export-adif", "none.log"}, 2, "usage: tamrel --export-adif LOGFILE OUT.adi"},
        {{"--rigctld", "x:y"}, 2, "--rigctld wants"},
        {{"--version"}, 0, "commit"}};
    for (const auto& [args, code, text] : runs) {
        SCOPED_TRACE(args.join(' ').toStdString());
        TamrelProcess tamrel;
        tamrel.withoutDisplay();
        ASSERT_TRUE(tamrel.start(args));
        ASSERT_TRUE(tamrel.waitForExit(60s));
        const QString said = code == 0 ? tamrel.output() : tamrel.errors();
        EXPECT_EQ(tamrel.exitCode(), code) << said.toStdString();
        EXPECT_TRUE(said.contains(text)) << said.toStdString();
    }
}

TEST(TamrelControl, OtherProgramsDriveTheRunningPanel) {
    PtyPeer peer;
    TamrelProcess tamrel;
    ASSERT_TRUE(tamrel.startOn(peer));
    ASSERT_TRUE(waitForInitialQuery(peer, 30s)) << tamrel.output().toStdString();
    peer.send("FA00014060000;MD3;");

    // The state shows what the radio reported.
    QString out;
    QJsonObject state;
    auto shown = [&](int rc) { return rc == 0 && state["modeName"].toString() == "CW"; };
    ASSERT_EQ(ctlUntil(tamrel, peer, {"state", "--json"}, out, state, shown, "FA00014060000;"), 0)
        << out.toStdString();
    EXPECT_EQ(state["vfoA"].toInteger(), 14060000) << out.toStdString();

    // A second copy hands over to the first, which comes to the front.
    TamrelProcess second(&tamrel);
    ASSERT_TRUE(second.start({"--no-splash", "--simulate"}));
    ASSERT_TRUE(second.waitForExit(20s));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.output().contains("already running")) << second.output().toStdString();
    EXPECT_TRUE(tamrel.waitForOutput("coming to the front")) << tamrel.output().toStdString();

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

using FrontPanelLifecycle = PanelOnPty;

// (The first reply clearing the status line, the poll it starts and the
// commands of the end are the window's and the whole program's tests.)
TEST_F(FrontPanelLifecycle, AnUnreadableSettingsLineIsShownAndThePanelIsNotModal) {
    std::ofstream(registry_->settingsFile(), std::ios::app) << "\"Broken\"=\"no end\r\n";
    registry_ = std::make_unique<CRigControlRegistry>(prompter_);
    Open();
    radioSays("FA00014060000;", [&] { return view().portText != "None"; });
    EXPECT_EQ(view().statusText.rfind("Rig Control.reg line ", 0), 0u) << view().statusText;
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);

    // The panel runs without declaring itself modal to the window manager.
    bool modal = true;
    QTimer::singleShot(0, dlg_.get(), [&] {
        modal = dlg_->isModal() || QApplication::activeModalWidget() != nullptr;
        dlg_->EndWithoutQuestion();
    });
    EXPECT_EQ(dlg_->Run(), QDialog::Accepted);
    EXPECT_FALSE(modal);
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_TRUE(prompter_.texts().empty());
}

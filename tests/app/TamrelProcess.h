#pragma once
// The program under test as a child process, run offscreen with a settings
// folder and a runtime folder of its own (or those of another, for a second
// copy); and the helpers that wait on it and on the radio's end of its line.

#include "support/PtyPeer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace tamrel::test {

// The commands of the initial query, in the order the radio must hear them.
inline const std::vector<std::string> kInitialQuery = {
    "K22", "AI3", "IF", "FA", "FB", "PA", "RA", "FW", "GT", "KS", "PC", "SQ", "AN", "NB", "LK"};

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
    ~TamrelProcess() { kill(); }

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
    // SIGKILL, as a crash would end it; waits for the end.
    void kill() {
        if (running()) {
            process_.kill();
            process_.waitForFinished(10000);
        }
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
    // Collects on the peer until the control socket exists; false on time-out.
    bool waitForSocket(PtyPeer& peer) {
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(controlSocket()) && clock.elapsed() < 10000)
            peer.collectFor(std::chrono::milliseconds(20));
        return QFileInfo::exists(controlSocket());
    }

    QString configDir() const { return config_.path(); }
    QString runtimeDir() const { return runtime_.path(); }
    std::string settingsFile() const {
        return QDir(env_.value("XDG_CONFIG_HOME"))
            .filePath("ZZ9ZZ Software/Rig Control.reg")
            .toStdString();
    }
    QString controlSocket() const {
        return QDir(env_.value("XDG_RUNTIME_DIR")).filePath("tamrel/control.sock");
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
inline bool heard(PtyPeer& peer, const std::string& command,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return peer.collectUntil(
        [&command](const auto& c) {
            return std::any_of(c.begin(), c.end(),
                               [&](const auto& x) { return x.text == command; });
        },
        timeout);
}

// Waits until the peer has heard the whole initial query (it ends with LK).
inline bool waitForInitialQuery(PtyPeer& peer, std::chrono::milliseconds timeout) {
    return heard(peer, "LK", timeout);
}

// The texts of the commands received, without the status poll (DS, BG).
inline std::vector<std::string> withoutPolling(const std::vector<PtyPeer::Command>& commands) {
    std::vector<std::string> out;
    for (const auto& c : commands)
        if (c.text != "DS" && c.text != "BG")
            out.push_back(c.text);
    return out;
}

} // namespace tamrel::test

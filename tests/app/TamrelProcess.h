#pragma once
// The program under test as a child process, run offscreen with a settings
// folder and a runtime folder of its own (or those of another, for a second
// copy); and the helpers that wait on it and on the radio's end of its line.

#include "support/PtyPeer.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <vector>

namespace tamrel::test {

// The commands of the initial query, in the order the radio must hear them.
inline const std::vector<std::string> kInitialQuery = {
    "K22", "AI3", "IF", "FA", "FB", "PA", "RA", "FW", "GT", "KS", "PC", "SQ", "AN", "NB", "LK"};

class TamrelProcess {
public:
    // With `beside`, the folders are that one's: a second copy of the program.
    explicit TamrelProcess(const TamrelProcess* beside = nullptr);
    // Kills the program if a test left it running.
    ~TamrelProcess();

    bool start(const QStringList& args);
    // On the peer's device, without the splash.
    bool startOn(const PtyPeer& peer) {
        return start({"--device", QString::fromStdString(peer.device()), "--no-splash"});
    }
    // SIGKILL, as a crash would end it; waits for the end.
    void kill();
    void terminate(int signal = 15);
    // Sends SIGTERM and waits; true when the program ended with status 0.
    bool endsCleanly(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // True when the program ended by itself in time.
    bool waitForExit(std::chrono::milliseconds timeout);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    pid_t pid() const { return pid_t(process_.processId()); }
    // 0 only for a normal exit with status 0; -1 for a crash or a signal.
    int exitCode() const;
    // Everything the program wrote on stdout and stderr so far.
    QString output();
    // Collects on the peer until the control socket exists; false on time-out.
    bool waitForSocket(PtyPeer& peer);

    QString configDir() const { return config_.path(); }
    QString runtimeDir() const { return runtime_.path(); }
    std::string settingsFile() const;
    QString controlSocket() const;

    // Runs tamrel-ctl on this program's folders; returns its exit code (-1
    // when it crashed or hung) and its standard output.
    int ctl(const QStringList& args, QString* out = nullptr);

private:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
    QProcessEnvironment env_;
    QProcess process_;
    QString output_;
};

// Waits until the peer has heard the whole initial query; false on time-out.
bool waitForInitialQuery(PtyPeer& peer, std::chrono::milliseconds timeout);

// The texts of the commands received, without the status poll (DS, BG).
std::vector<std::string> withoutPolling(const std::vector<PtyPeer::Command>& commands);

} // namespace tamrel::test

#pragma once
// The program under test as a child process, with a settings folder and a
// runtime folder of its own, run offscreen; and the helpers that wait on it
// and on the radio's end of its serial line.

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
    TamrelProcess();
    // Kills the program if a test left it running.
    ~TamrelProcess();

    // Starts tamrel with these arguments; false when it could not be started.
    bool start(const QStringList& args);
    // Starts tamrel on the peer's device, without the splash.
    bool startOn(const PtyPeer& peer) {
        return start({"--device", QString::fromStdString(peer.device()), "--no-splash"});
    }
    // Starts tamrel with the folders of an already started one (a second copy).
    bool startBeside(const TamrelProcess& first, const QStringList& args);
    // SIGKILL, as a crash would end it; waits for the end.
    void kill();
    // tamrel-ctl with the folders of another process (see startBeside).
    int ctlBeside(const TamrelProcess& first, const QStringList& args, QString* out = nullptr);
    // Sends SIGTERM, or the signal given.
    void terminate(int signal = 15);
    // Sends SIGTERM and waits; true when the program ended with status 0.
    bool endsCleanly(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // Waits for the end; true when the program ended by itself in time.
    bool waitForExit(std::chrono::milliseconds timeout);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    pid_t pid() const { return pid_t(process_.processId()); }
    // 0 only for a normal exit with status 0; -1 for a crash or a signal.
    int exitCode() const;
    // Everything the program wrote on stdout and stderr so far.
    QString output();

    QString configDir() const { return config_.path(); }
    QString runtimeDir() const { return runtime_.path(); }
    std::string settingsFile() const;
    QString controlSocket() const;

    // Runs tamrel-ctl against this program's socket; returns its exit code
    // (-1 when it crashed or hung) and its standard output.
    int ctl(const QStringList& args, QString* out = nullptr);

private:
    QProcessEnvironment environment() const;
    int runCtl(const QProcessEnvironment& env, const QStringList& args, QString* out);

    QTemporaryDir config_;
    QTemporaryDir runtime_;
    QProcess process_;
    QString output_;
};

// Waits until the peer has heard the whole initial query; false on time-out.
bool waitForInitialQuery(PtyPeer& peer, std::chrono::milliseconds timeout);

// The texts of the commands received, without the status poll (DS, BG).
std::vector<std::string> withoutPolling(const std::vector<PtyPeer::Command>& commands);

} // namespace tamrel::test

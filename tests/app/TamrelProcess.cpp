#include "TamrelProcess.h"

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

namespace tamrel::test {

TamrelProcess::TamrelProcess(const TamrelProcess* beside) {
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

TamrelProcess::~TamrelProcess() {
    kill();
}

bool TamrelProcess::start(const QStringList& args) {
    if (!config_.isValid() || !runtime_.isValid())
        return false;
    process_.start(QStringLiteral(TAMREL_PATH), args);
    return process_.waitForStarted(10000);
}

void TamrelProcess::terminate(int signal) {
    if (running())
        ::kill(pid_t(process_.processId()), signal);
}

bool TamrelProcess::endsCleanly(std::chrono::milliseconds timeout) {
    terminate();
    return waitForExit(timeout) && exitCode() == 0;
}

bool TamrelProcess::waitForExit(std::chrono::milliseconds timeout) {
    return !running() || process_.waitForFinished(int(timeout.count()));
}

int TamrelProcess::exitCode() const {
    if (running() || process_.exitStatus() != QProcess::NormalExit)
        return -1;
    return process_.exitCode();
}

QString TamrelProcess::output() {
    output_ += QString::fromLocal8Bit(process_.readAll());
    return output_;
}

bool TamrelProcess::waitForSocket(PtyPeer& peer) {
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(controlSocket()) && clock.elapsed() < 10000)
        peer.collectFor(std::chrono::milliseconds(20));
    return QFileInfo::exists(controlSocket());
}

std::string TamrelProcess::settingsFile() const {
    return QDir(env_.value("XDG_CONFIG_HOME"))
        .filePath("ZZ9ZZ Software/Rig Control.reg")
        .toStdString();
}

QString TamrelProcess::controlSocket() const {
    return QDir(env_.value("XDG_RUNTIME_DIR")).filePath("tamrel/control.sock");
}

void TamrelProcess::kill() {
    if (running()) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

int TamrelProcess::ctl(const QStringList& args, QString* out) {
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

bool waitForInitialQuery(PtyPeer& peer, std::chrono::milliseconds timeout) {
    return peer.collectUntil(
        [](const auto& commands) {
            return std::any_of(commands.begin(), commands.end(),
                               [](const PtyPeer::Command& c) { return c.text == "LK"; });
        },
        timeout);
}

std::vector<std::string> withoutPolling(const std::vector<PtyPeer::Command>& commands) {
    std::vector<std::string> out;
    for (const auto& c : commands)
        if (c.text != "DS" && c.text != "BG")
            out.push_back(c.text);
    return out;
}

} // namespace tamrel::test

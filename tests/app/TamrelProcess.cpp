#include "TamrelProcess.h"

#include <csignal>

#include <QDir>

#include <algorithm>

namespace tamrel::test {

TamrelProcess::TamrelProcess() {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setProcessEnvironment(environment());
}

TamrelProcess::~TamrelProcess() {
    if (running()) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

QProcessEnvironment TamrelProcess::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config_.path());
    env.insert("XDG_RUNTIME_DIR", runtime_.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

bool TamrelProcess::start(const QStringList& args) {
    if (!config_.isValid() || !runtime_.isValid())
        return false;
    process_.start(QStringLiteral(TAMREL_PATH), args);
    return process_.waitForStarted(10000);
}

bool TamrelProcess::startBeside(const TamrelProcess& first, const QStringList& args) {
    process_.setProcessEnvironment(first.environment());
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
    if (!running())
        return true;
    return process_.waitForFinished(int(timeout.count()));
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

std::string TamrelProcess::settingsFile() const {
    return QDir(config_.path()).filePath("ZZ9ZZ Software/Rig Control.reg").toStdString();
}

QString TamrelProcess::controlSocket() const {
    return QDir(runtime_.path()).filePath("tamrel/control.sock");
}

void TamrelProcess::kill() {
    process_.kill();
    process_.waitForFinished(10000);
}

int TamrelProcess::ctl(const QStringList& args, QString* out) {
    return runCtl(environment(), args, out);
}

int TamrelProcess::ctlBeside(const TamrelProcess& first, const QStringList& args, QString* out) {
    return runCtl(first.environment(), args, out);
}

int TamrelProcess::runCtl(const QProcessEnvironment& env, const QStringList& args, QString* out) {
    QProcess p;
    p.setProcessEnvironment(env);
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

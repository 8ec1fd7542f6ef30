#pragma once
// The program's radio link, model and network server on a simulated radio,
// wired as the program wires them. Everything runs on the test's thread and
// its Qt event loop, which WaitUntil turns while a condition is awaited.

#include "../remote/ControlTestApp.h"
#include "sim/SimulatedRadio.h"

#include "platform/Inbox.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "remote/RigctlServer.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel::test {

// The client programs here take their time: a minute, unless said otherwise.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 60000) {
    return testing::waitUntil(done, ms);
}

// A client program, with nothing to read.
inline std::unique_ptr<QProcess> StartProgram(const QString& program, const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->start(program, args);
    EXPECT_TRUE(p->waitForStarted()) << program.toStdString();
    p->closeWriteChannel();
    return p;
}

// Its output once it has ended, which must be normally and with status 0. The
// loop turns meanwhile: the server answers on it.
inline QString FinishProgram(QProcess& p) {
    EXPECT_TRUE(WaitUntil([&] { return p.state() == QProcess::NotRunning; }));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

class SimulatedStation {
public:
    explicit SimulatedStation(k2sim::SimulatedRadio::Options o = {}) {
        testing::testApp();
        o.commandLog = [this](k2sim::Millis, std::string_view command) {
            std::lock_guard lock(logMutex_);
            wire_.emplace_back(command);
        };
        radio_ = std::make_unique<k2sim::SimulatedRadio>(o);
        radio_->start();
        EXPECT_EQ(channel_.OpenDevice(radio_->devicePath(), 0, 4800, 8, 0, 1), K2_OK);
        model.UpdateLink([&](LinkMonitor& l) { return l.Opened(channel_.DeviceName()); });
        ops.SetChannel(&channel_);
        ops.HookReceiveThread(inbox_.address());
        EXPECT_TRUE(server.listen({QHostAddress::LocalHost, 0}));
        // The initial query ends with LK. It keeps its real pacing: these
        // tests compare the radio's answers, not the panel's.
        EXPECT_TRUE(WaitUntil([this] { return sawLk_; }));
    }
    ~SimulatedStation() {
        server.close();
        channel_.Close();
        radio_->stop();
    }

    k2sim::SimulatedRadio& Radio() { return *radio_; }
    std::vector<std::string> Wire() {
        std::lock_guard lock(logMutex_);
        return wire_;
    }
    bool WaitForWire(std::string_view prefix) {
        const auto starts = [&](const std::string& c) { return c.rfind(prefix, 0) == 0; };
        return WaitUntil([&] { return std::ranges::any_of(Wire(), starts); }, 10000);
    }

    K2RadioModel model;
    RadioOperations ops{model};
    // Morse is taken and goes nowhere.
    RigctlServer server{ops, {}, {[](std::string_view) { return true; }, [] {}}};

private:
    std::mutex logMutex_;
    std::vector<std::string> wire_;
    std::unique_ptr<k2sim::SimulatedRadio> radio_;
    CK2CommChannel channel_;
    bool sawLk_ = false;
    Inbox<LinkEvent> inbox_{[this](LinkEvent&& e) {
        if (const auto* r = std::get_if<ReplyReceived>(&e)) {
            ops.ApplyReply(r->id, r->text);
            sawLk_ = sawLk_ || r->id == ID_LK;
        }
    }};
};

} // namespace tamrel::test

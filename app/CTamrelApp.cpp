#include "CTamrelApp.h"

#include "app/SignalWatcher.h"
#include "controls/ControlSupport.h"
#include "cw/CwKeyboard.h"
#include "memory/CK2MemoryStore.h"
#include "panel/CFrontPanelDlg.h"
#include "platform/SerialPort.h"
#include "qsolog/QsoLoggingWindows.h"
#include "qsolog/WsjtxLogging.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "radio/LinkMonitor.h"
#include "remote/ControlServer.h"
#include "remote/ControlSession.h"
#include "remote/RigctlServer.h"
#include "resources/Artwork.h"
#include "settings/CRigControlRegistry.h"
#include "settings/ConfigParse.h"
#include "sim/SimulatedRadio.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QPalette>
#include <QSplashScreen>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tamrel {

AppOptions ParseOptions() {
    QCommandLineParser parser;
    parser.setApplicationDescription("Tamrel: a front panel for the Elecraft K2 transceiver.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption device("device", "Open this serial device for this run.", "path");
    QCommandLineOption simulate("simulate", "Start the built-in simulated radio and use it.");
    QCommandLineOption autoSimulate(
        "auto-simulate",
        "Use the simulated radio unless a radio device is configured (the \"Device\" value).");
    QCommandLineOption noSplash("no-splash", "Skip the splash and its wait.");
    QCommandLineOption screenshot(
        "screenshot", "Write a picture of the front panel once the radio has answered, then exit.",
        "file.png");
    QCommandLineOption reportStartup(
        "report-startup", "Print on standard error when the window shows and the radio answers.");
    QCommandLineOption rigctld(
        "rigctld",
        "Serve hamlib's rigctld protocol on [ADDRESS:]PORT for this run (address 127.0.0.1 "
        "unless given).",
        "[address:]port");
    QCommandLineOption wsjtx(
        "wsjtx",
        "Log the QSOs WSJT-X or JTDX send to [ADDRESS:]PORT (UDP; address 127.0.0.1 unless "
        "given, or a multicast group) for this run.",
        "[address:]port");
    // Handled before the window system starts (ExportCommand.h); listed here for --help.
    QCommandLineOption exportAdif(
        "export-adif",
        "Write the ADIF file of a log (tamrel --export-adif LOGFILE OUT.adi) and exit.", "logfile");
    QCommandLineOption exportCabrillo(
        "export-cabrillo",
        "Ask for the contest and write the Cabrillo file of a contest log "
        "(tamrel --export-cabrillo LOGFILE OUT.log), then exit.",
        "logfile");
    QCommandLineOption pttTimeout(
        "ptt-timeout",
        "Unkey the transmitter when the network client that keyed it is silent this many "
        "seconds (default 30). fldigi is silent while it transmits: give it more than its "
        "longest transmission.",
        "seconds");
    QCommandLineOption maxClients(
        "max-clients", "Serve at most this many network clients at once (default 64).", "count");
    parser.addOptions({device, simulate, autoSimulate, noSplash, screenshot, reportStartup, rigctld,
                       wsjtx, pttTimeout, maxClients, exportAdif, exportCabrillo});
    parser.process(*QCoreApplication::instance());

    AppOptions o;
    o.noSplash = parser.isSet(noSplash);
    o.simulate = parser.isSet(simulate);
    o.autoSimulate = parser.isSet(autoSimulate);
    if (parser.isSet(device))
        o.device = parser.value(device).toStdString();
    o.reportStartup = parser.isSet(reportStartup);
    if (parser.isSet(screenshot))
        o.screenshot = parser.value(screenshot);
    if (parser.isSet(rigctld)) {
        o.rigctld = parser.value(rigctld);
        if (!ParseRigctlEndpoint(*o.rigctld)) {
            std::fprintf(stderr, "tamrel: --rigctld wants [ADDRESS:]PORT, not \"%s\"\n",
                         qPrintable(*o.rigctld));
            std::exit(2);
        }
    }
    if (parser.isSet(wsjtx)) {
        o.wsjtx = parser.value(wsjtx).toStdString();
        if (!cfg::ParseUdpEndpoint(*o.wsjtx)) {
            std::fprintf(stderr, "tamrel: --wsjtx wants [ADDRESS:]PORT, not \"%s\"\n",
                         o.wsjtx->c_str());
            std::exit(2);
        }
    }
    auto positive = [&parser](const QCommandLineOption& option, int max, int& out) {
        if (!parser.isSet(option))
            return;
        bool ok = false;
        const int n = parser.value(option).toInt(&ok);
        if (!ok || n < 1 || n > max) {
            std::fprintf(stderr, "tamrel: --%s wants a number from 1 to %d, not \"%s\"\n",
                         qPrintable(option.names().front()), max, qPrintable(parser.value(option)));
            std::exit(2);
        }
        out = n;
    };
    positive(pttTimeout, 3600, o.pttTimeoutSeconds);
    positive(maxClients, 1000, o.maxClients);
    if (o.simulate && o.device) {
        std::fprintf(stderr, "tamrel: --simulate and --device exclude each other\n");
        std::exit(2);
    }
    return o;
}

CTamrelApp::CTamrelApp(AppOptions options, CRigControlRegistry& registry, CK2MemoryStore& memories,
                       CK2CommChannel& channel, Prompter& prompter, SignalWatcher& signals)
    : options_(std::move(options)), registry_(registry), memories_(memories), channel_(channel),
      prompter_(prompter), signals_(signals) {}

CTamrelApp::~CTamrelApp() = default;

namespace {
// Process start time, read once from the kernel's record of this process.
std::chrono::steady_clock::time_point ProcessStart() {
    static const auto start = [] {
        // /proc/self/stat field 22 is the start time in clock ticks since boot;
        // CLOCK_BOOTTIME is that same clock.
        long long ticks = 0;
        if (FILE* f = std::fopen("/proc/self/stat", "r")) {
            char buf[1024] = {};
            std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            const char* p = std::strrchr(buf, ')');
            for (int field = 2; p && field < 22 && p < buf + n; ++field)
                p = std::strchr(p + 1, ' ');
            if (p)
                ticks = std::atoll(p + 1);
        }
        timespec now{};
        ::clock_gettime(CLOCK_BOOTTIME, &now);
        double sinceBoot = double(now.tv_sec) + now.tv_nsec / 1e9;
        double age = sinceBoot - double(ticks) / double(::sysconf(_SC_CLK_TCK));
        return std::chrono::steady_clock::now() -
               std::chrono::microseconds(static_cast<long long>(age * 1e6));
    }();
    return start;
}

// Once the radio has answered the initial query (its last reply is LK), or
// after a few seconds without a radio, the panel is pictured and closed.
// Returns a flag that is set when the picture could not be written, so the
// program's exit status tells.
std::shared_ptr<bool> ArrangeScreenshot(CFrontPanelDlg& panel, const QString& file) {
    auto shot = std::make_shared<bool>(false);
    auto failed = std::make_shared<bool>(false);
    auto take = [&panel, file, shot, failed] {
        if (*shot)
            return;
        *shot = true;
        // Let the last replies paint first.
        QTimer::singleShot(400, &panel, [&panel, file, failed] {
            if (!panel.grab().save(file)) {
                std::fprintf(stderr, "tamrel: cannot write %s\n", qPrintable(file));
                *failed = true;
            }
            panel.EndWithoutQuestion();
        });
    };
    panel.AddReplyObserver([take](int id) {
        if (id == ID_LK)
            take();
    });
    QTimer::singleShot(8000, &panel, take);
    return failed;
}
} // namespace

// Start-up figures for the measuring script: milliseconds since the process
// started, when the window is first shown and when the first reply is shown.
void ReportStartup(CFrontPanelDlg& panel) {
    auto ms = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - ProcessStart())
            .count();
    };
    QTimer::singleShot(0, &panel, [ms] {
        std::fprintf(stderr, "tamrel: window shown at %lld ms\n", static_cast<long long>(ms()));
    });
    auto first = std::make_shared<bool>(true);
    panel.AddReplyObserver([ms, first](int) {
        if (std::exchange(*first, false))
            std::fprintf(stderr, "tamrel: first reply shown at %lld ms\n",
                         static_cast<long long>(ms()));
    });
}

// Opens the channel as configured; returns what the port static shows.
std::string CTamrelApp::OpenRadio() {
    CommPortSettings port;
    registry_.GetCommPort(port);
    const bool configured = port.port != 0;
    std::string device;
    uint16_t number = 0;
    // A first run stores port 1 (/dev/ttyS0), which is rarely a radio on this
    // platform: only a named device counts as a configured radio here.
    const bool deviceNamed = configured && !port.device.empty();
    if (options_.simulate || (options_.autoSimulate && !deviceNamed && !options_.device)) {
        k2sim::SimulatedRadio::Options sim;
        sim.baud = port.speed;
        try {
            simulator_ = std::make_unique<k2sim::SimulatedRadio>(sim);
            simulator_->start();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tamrel: cannot start the simulated radio: %s\n", e.what());
            simulator_.reset();
            return {};
        }
        device = simulator_->devicePath();
    } else if (options_.device) {
        device = *options_.device;
    } else if (configured) {
        number = port.port;
        device = port.device.empty() ? SerialPort::deviceForPort(port.port) : port.device;
    } else {
        return {}; // port 0: no radio this run
    }
    // Like the original program, a radio that cannot be opened is no reason
    // to stop: the panel runs without replies. The reason goes to the log.
    if (channel_.OpenDevice(device, number, port.speed, 8, port.parity, port.stopBits) != K2_OK) {
        failedDevice_ = device;
        openError_ = int(channel_.LastError());
        std::fprintf(stderr, "tamrel: %s\n", OpenFailureText(device, openError_).c_str());
    }
    portOpened_ = true;
    if (number != 0 && port.device.empty())
        return "COM" + std::to_string(number);
    if (simulator_)
        return "Simulated";
    // A device path is long; its last part names it well enough.
    return device.substr(device.find_last_of('/') + 1);
}

int CTamrelApp::Run() {
    std::unique_ptr<QSplashScreen> splash;
    if (!options_.noSplash) {
        splash = std::make_unique<QSplashScreen>(artwork::splash());
        splash->show();
        QEventLoop wait;
        QTimer::singleShot(3000, &wait, &QEventLoop::quit);
        QObject::connect(&signals_, &SignalWatcher::endRequested, &wait, &QEventLoop::quit);
        if (!StopRequested())
            wait.exec();
    }
    if (StopRequested())
        return 0; // nothing opened yet: nothing to put back

    // The application colour is the background of every dialog.
    uint32_t ref = registry_.GetAppColor();
    QPalette palette = QApplication::palette();
    const QColor appColour(int(ref & 0xff), int((ref >> 8) & 0xff), int((ref >> 16) & 0xff));
    palette.setColor(QPalette::Window, appColour);
    palette.setColor(QPalette::WindowText, ReadableTextOn(appColour)); // white on a dark one
    QApplication::setPalette(palette);

    SystemConfig config;
    registry_.GetSystemConfig(config);
    // Settings lines that could not be read are said once, here; the rest are used.
    if (const std::vector<std::string> problems = registry_.LoadProblems(); !problems.empty()) {
        for (const std::string& problem : problems)
            std::fprintf(stderr, "tamrel: %s\n", problem.c_str());
        std::fprintf(stderr,
                     "tamrel: those lines are left out of %s; it is kept as it was in %s.bad\n",
                     registry_.settingsFile().c_str(), registry_.settingsFile().c_str());
    }
    std::string portLabel = OpenRadio();

    ControlServer server;
    if (!server.listen())
        std::fprintf(stderr, "tamrel: control interface not available: %s\n",
                     qPrintable(server.errorString()));

    // The one radio model and the operations every part changes it through.
    K2RadioModel radio = RadioModelFromSettings(registry_);
    RadioOperations operations(radio);
    int result = 0;
    {
        CFrontPanelDlg panel(registry_, prompter_, operations);
        panel.SetChannel(&channel_);
        panel.SetMemoryStore(&memories_);
        if (!failedDevice_.empty())
            panel.SetOpenFailure(failedDevice_, openError_);
        if (!portLabel.empty())
            panel.SetPortLabel(portLabel);
        // Other programs' operations on the control socket.
        ControlSession control(server, operations, panel.ControlWindow());
        // The network server for other programs: off unless asked for.
        RigctlServer rigctld(
            operations,
            [this](int slot) -> std::optional<K2RadioState> {
                const K2MemoryRecord& r = memories_.Memories().at(static_cast<std::size_t>(slot));
                if (r.slotIndex == K2MemoryRecord::kFreeSlot)
                    return std::nullopt;
                return r.state;
            },
            // Morse from a client joins the keyboard's CW queue, as typed text does.
            {[&panel](std::string_view text) {
                 CCWMsgTransmittingThread& cw = panel.CwThread();
                 return text.size() <= cw.FreeSpace() && cw.post(CwText{std::string(text)});
             },
             [&panel] { panel.CwThread().post(CwAbort{}); }});
        const QString where = options_.rigctld
                                  ? *options_.rigctld
                                  : QString::fromStdString(registry_.GetNetworkServer()).trimmed();
        rigctld.setKeyedSilenceTimeout(std::chrono::seconds(options_.pttTimeoutSeconds));
        rigctld.setMaxConnections(std::size_t(options_.maxClients));
        if (!where.isEmpty()) {
            const std::optional<RigctlEndpoint> endpoint = ParseRigctlEndpoint(where);
            if (!endpoint) {
                std::fprintf(stderr, "tamrel: \"Network Server\" is not [ADDRESS:]PORT: %s\n",
                             qPrintable(where));
            } else if (!rigctld.listen(*endpoint)) {
                std::fprintf(stderr, "tamrel: network server not available on %s: %s\n",
                             qPrintable(where), qPrintable(rigctld.errorString()));
            } else if (ReachableFromOutside(endpoint->address)) {
                // Anyone who reaches this port can key the transmitter.
                const std::string text = "Network server on " + where.toStdString() +
                                         " is reachable from other computers";
                std::fprintf(stderr, "tamrel: %s\n", text.c_str());
                panel.ShowStatusText(text);
            }
        }
        QObject::connect(&rigctld, &RigctlServer::clientUnkeyed, &panel,
                         [&panel, seconds = options_.pttTimeoutSeconds](RigctlServer::ConnectionId,
                                                                        const QString& peer) {
                             panel.ShowStatusText("Network client " + peer.toStdString() +
                                                  " silent " + std::to_string(seconds) +
                                                  " s while keyed: transmitter unkeyed");
                         });
        QObject::connect(&rigctld, &RigctlServer::clientConnected, &panel,
                         [&panel](RigctlServer::ConnectionId, const QString& peer) {
                             panel.ShowStatusText("Network client " + peer.toStdString() +
                                                  " connected");
                         });
        // The panel's VFO lock does not stop a client: the status line says who tuned.
        QObject::connect(
            &rigctld, &RigctlServer::clientChanged, &panel,
            [&panel](RigctlServer::ConnectionId, const QString& peer, const QString& what) {
                panel.ShowStatusText("Network client " + peer.toStdString() + " " +
                                     what.toStdString());
            });
        QObject::connect(
            &rigctld, &RigctlServer::clientDisconnected, &panel,
            [&panel](RigctlServer::ConnectionId, const QString& peer, RigctlServer::CloseReason) {
                panel.ShowStatusText("Network client " + peer.toStdString() + " disconnected");
            });
        // WSJT-X's logged QSOs: the first opens the QSO log.
        WsjtxLogging wsjtx(
            registry_,
            [&panel]() -> QsoLog* {
                if (!panel.QsoLogging())
                    panel.OpenQsoLogging();
                QsoLoggingWindows* qso = panel.QsoLogging();
                return qso && qso->Started() ? &qso->Log() : nullptr; // none once ended
            },
            [&panel](const std::string& text, bool) { panel.ShowStatusText(text); },
            options_.wsjtx);
        const QMetaObject::Connection endOnSignal =
            QObject::connect(&signals_, &SignalWatcher::endRequested, &panel,
                             [&panel] { panel.EndWithoutQuestion(); });
        std::shared_ptr<bool> screenshotFailed;
        if (options_.screenshot)
            screenshotFailed = ArrangeScreenshot(panel, *options_.screenshot);
        if (options_.reportStartup)
            ReportStartup(panel);
        if (splash)
            splash->finish(&panel);
        if (StopRequested()) {
            // Asked to end while the panel was made: end it as a signal in its loop would.
            panel.EndWithoutQuestion();
            result = 0;
        } else {
            result = panel.Run() == QDialog::Accepted ? 0 : 1;
        }
        QObject::disconnect(endOnSignal);
        if (screenshotFailed && *screenshotFailed)
            result = 1;
    }
    // Closing lets the shutdown sequence the front panel started finish first.
    if (portOpened_)
        channel_.Close();
    simulator_.reset();
    return result;
}

} // namespace tamrel

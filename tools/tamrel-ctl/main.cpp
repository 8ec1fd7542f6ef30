// tamrel-ctl: drives a running Tamrel through its control socket, for scripts
// and tests. One connection per run: send the operation, wait for the state
// answer when one was asked for, hang up.

#include "platform/Paths.h"
#include "radio/BandTable.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioState.h"
#include "remote/ControlFrame.h"
#include "tamrel_version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTimeZone>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace tamrel;

enum ExitCode {
    kOk = 0,
    kFailure = 1,
    kUsage = 2,
    kNotRunning = 3,
    kNoAnswer = 4,
    kRadioNotLive = 5
};

constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 2000;

const char* const kUsageText =
    "Usage: tamrel-ctl [--socket PATH] [--name NAME] COMMAND [ARGS]\n"
    "\n"
    "Drives a running Tamrel through its control socket.\n"
    "\n"
    "Commands:\n"
    "  state [--json]   ask for the radio state and print it (opens no window)\n"
    "  speed N          set the CW speed (the radio takes 9..50 WPM)\n"
    "  power N          set the power value (the radio takes 0..150)\n"
    "  cw TEXT...       send CW text (at most 254 characters; the keyboard CW\n"
    "                   window must be open)\n"
    "  register NAME    register NAME as the program that receives state answers\n"
    "  unregister       clear the registered name\n"
    "\n"
    "Options:\n"
    "  --socket PATH    the control socket (default: the running user's Tamrel)\n"
    "  --name NAME      accepted for older scripts; 'state' no longer registers\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 done, 1 connection failed midway, 2 usage error,\n"
    "3 no Tamrel running, 4 no state answer within 2 seconds,\n"
    "5 Tamrel runs but the radio is not answering (state prints why).\n";

struct Options {
    std::string socketPath;
    std::string name = "tamrel-ctl";
    std::string command;
    std::vector<std::string> args;
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "tamrel-ctl: %s\nTry 'tamrel-ctl --help'.\n", message.c_str());
    return kUsage;
}

std::optional<uint32_t> parseNumber(const std::string& text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Connected socket, or nothing after telling the user why.
bool connectTo(QLocalSocket& socket, const QString& path) {
    // Frames (CW text among them) go only to a socket nobody else can have put there.
    const QString folder = QFileInfo(path).absolutePath();
    if (const std::string why = QFileInfo::exists(folder)
                                    ? paths::privateFolderProblem(folder.toStdString())
                                    : std::string();
        !why.empty()) {
        std::fprintf(stderr, "tamrel-ctl: refusing the socket %s: %s\n", qPrintable(path),
                     why.c_str());
        return false;
    }
    socket.connectToServer(path);
    if (socket.waitForConnected(kConnectMs))
        return true;
    QString why = socket.errorString();
    if (socket.error() == QLocalSocket::ServerNotFoundError)
        why = QStringLiteral("no socket there");
    else if (socket.error() == QLocalSocket::ConnectionRefusedError)
        why = QStringLiteral("nobody answers there");
    std::fprintf(stderr, "tamrel-ctl: no Tamrel is running (cannot connect to %s: %s)\n",
                 qPrintable(path), qPrintable(why));
    return false;
}

bool sendAll(QLocalSocket& socket, const std::vector<std::vector<uint8_t>>& frames) {
    for (const auto& frame : frames)
        socket.write(reinterpret_cast<const char*>(frame.data()),
                     static_cast<qint64>(frame.size()));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kConnectMs)) {
            std::fprintf(stderr, "tamrel-ctl: sending failed: %s\n",
                         qPrintable(socket.errorString()));
            return false;
        }
    }
    return true;
}

struct Answers {
    std::optional<K2RadioState> state;
    bool wholeWatts = false;                      // the power value is watts, not tenths
    std::optional<control::LinkStateRecord> link; // a Tamrel that predates it sends none
};

// The answers to operations 2 and 0x100; the state is the last to come.
Answers awaitState(QLocalSocket& socket) {
    Answers answers;
    control::FrameDecoder decoder(control::Direction::ToClient);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kAnswerMs) {
        if (socket.bytesAvailable() == 0 &&
            !socket.waitForReadyRead(static_cast<int>(kAnswerMs - clock.elapsed())))
            break;
        const QByteArray bytes = socket.readAll();
        const auto* raw = reinterpret_cast<const uint8_t*>(bytes.constData());
        for (const control::Frame& frame :
             decoder.feed(std::span(raw, static_cast<std::size_t>(bytes.size())))) {
            if (frame.dwData == control::OP_LINK_STATE)
                answers.link = control::LinkStateRecord::fromBytes(frame.data);
            if (frame.dwData == control::OP_STATE_HERE && frame.data.size() == 80) {
                const std::span<const uint8_t> data(frame.data);
                answers.state = K2RadioState::fromBytes(data.first(K2RadioState::kSize));
                answers.wholeWatts = control::valueOf(data.subspan(K2RadioState::kSize)) != 0;
                return answers;
            }
        }
        if (decoder.failed())
            break;
    }
    return answers;
}

const char* linkStateName(uint32_t state) {
    switch (state) {
    case 0:
        return "no port";
    case 1:
        return "opening failed";
    case 2:
        return "waiting for the first reply";
    case 3:
        return "live";
    case 4:
        return "no reply";
    case 5:
        return "lost";
    default:
        return "unknown";
    }
}

std::string clockTime(uint64_t unixMs) {
    const auto t = static_cast<std::time_t>(unixMs / 1000);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    return buffer;
}

// Why the values are not the radio's, in one line.
std::string notLiveText(const control::LinkStateRecord& link) {
    const std::string why = link.error != 0 ? std::strerror(int(link.error)) : "";
    switch (link.state) {
    case 0:
        return "radio not connected (no port configured)";
    case 1:
        return "radio not connected (cannot open the port: " + why + ")";
    case 2:
        return "radio not answering yet (waiting for the first reply)";
    case 4:
        return link.lastReplyMs != 0
                   ? "radio not answering (no reply since " + clockTime(link.lastReplyMs) + ")"
                   : "radio not answering (no reply since the port was opened)";
    case 5:
        return "radio link lost (" + (why.empty() ? std::string("the device went away") : why) +
               "); waiting for the device to come back";
    default:
        return std::string("radio link ") + linkStateName(link.state);
    }
}

QJsonObject linkJson(const control::LinkStateRecord& link) {
    QJsonObject o;
    o["state"] = QString::fromLatin1(linkStateName(link.state));
    o["stateCode"] = qint64(link.state);
    o["error"] = qint64(link.error);
    if (link.error != 0)
        o["reason"] = QString::fromLocal8Bit(std::strerror(int(link.error)));
    if (link.lastReplyMs != 0)
        o["lastReply"] = QDateTime::fromMSecsSinceEpoch(qint64(link.lastReplyMs), QTimeZone::utc())
                             .toString(Qt::ISODateWithMs);
    o["live"] = link.state == 3;
    return o;
}

std::string vfoName(uint32_t v) {
    return v == 0 ? "A" : v == 1 ? "B" : std::to_string(v);
}
std::string onOff(uint32_t v) {
    return v == 0 ? "off" : v == 1 ? "on" : std::to_string(v);
}
std::string agcName(uint32_t v) {
    return v == 0 ? "off" : v == 2 ? "fast" : v == 4 ? "slow" : std::to_string(v);
}
std::string offOrNumber(uint32_t v) {
    return v == 0 ? "off" : std::to_string(v);
}
std::string modeName(uint32_t code) {
    std::string_view name = ModeNameOfCode(static_cast<int>(code));
    return name.empty() ? "unknown (" + std::to_string(code) + ")" : std::string(name);
}
std::string bandName(uint32_t index) {
    return index < kBandNames.size() ? std::string(kBandNames[index]) : std::string();
}

// As the panel shows it: tenths of a watt, or whole watts with the amplifier.
double watts(const K2RadioState& s, bool wholeWatts) {
    return wholeWatts ? double(s.power) : s.power * 0.1;
}

void printText(const K2RadioState& s, bool wholeWatts) {
    std::printf("VFO A:          %.2f kHz\n", s.vfoA / 1000.0);
    std::printf("VFO B:          %.2f kHz\n", s.vfoB / 1000.0);
    std::printf("Receive VFO:    %s\n", vfoName(s.receiveVfo).c_str());
    std::printf("Transmit VFO:   %s\n", vfoName(s.transmitVfo).c_str());
    std::printf("Mode:           %s\n", modeName(s.mode).c_str());
    const std::string band = bandName(s.bandIndex);
    std::printf("Band:           %s (index %u)\n", band.empty() ? "unknown" : band.c_str(),
                s.bandIndex);
    std::printf("Crystal filter: %u\n", s.crystalFilter);
    std::printf("Bandwidth:      %u Hz\n", s.bandwidth);
    std::printf("Audio filter:   %s\n", offOrNumber(s.audioFilter).c_str());
    std::printf("AGC:            %s\n", agcName(s.agc).c_str());
    std::printf("Noise blanker:  %s\n", offOrNumber(s.noiseBlanker).c_str());
    std::printf("Antenna:        %u\n", s.antenna);
    std::printf("Power:          %.1f W\n", watts(s, wholeWatts));
    std::printf("CW speed:       %u WPM\n", s.cwSpeed);
    std::printf("Preamp:         %s\n", onOff(s.preamp).c_str());
    std::printf("Attenuator:     %s\n", onOff(s.attenuator).c_str());
    std::printf("RIT:            %s\n", onOff(s.ritOn).c_str());
    std::printf("XIT:            %s\n", onOff(s.xitOn).c_str());
    std::printf("RIT/XIT offset: %+d Hz\n", s.offset);
}

void printJson(const K2RadioState& s, bool wholeWatts,
               const std::optional<control::LinkStateRecord>& link) {
    QJsonObject o;
    if (link) {
        o["link"] = linkJson(*link);
        // Values from a radio that is not answering are not the radio's.
        if (link->state != 3) {
            std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
            return;
        }
    }
    o["vfoA"] = qint64(s.vfoA);
    o["vfoB"] = qint64(s.vfoB);
    o["vfoAkHz"] = s.vfoA / 1000.0;
    o["vfoBkHz"] = s.vfoB / 1000.0;
    o["mode"] = qint64(s.mode);
    o["modeName"] = QString::fromStdString(std::string(ModeNameOfCode(int(s.mode))));
    o["crystalFilter"] = qint64(s.crystalFilter);
    o["bandwidth"] = qint64(s.bandwidth);
    o["audioFilter"] = qint64(s.audioFilter);
    o["agc"] = qint64(s.agc);
    o["noiseBlanker"] = qint64(s.noiseBlanker);
    o["cwSpeed"] = qint64(s.cwSpeed);
    o["antenna"] = qint64(s.antenna);
    o["power"] = qint64(s.power);
    o["powerWatts"] = watts(s, wholeWatts);
    o["receiveVfo"] = qint64(s.receiveVfo);
    o["transmitVfo"] = qint64(s.transmitVfo);
    o["preamp"] = qint64(s.preamp);
    o["attenuator"] = qint64(s.attenuator);
    o["offset"] = qint64(s.offset);
    o["ritOn"] = qint64(s.ritOn);
    o["xitOn"] = qint64(s.xitOn);
    o["bandIndex"] = qint64(s.bandIndex);
    o["bandName"] = QString::fromStdString(bandName(s.bandIndex));
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}

int runState(QLocalSocket& socket, bool json) {
    // Asked on this connection without registering: registering opens the CW window.
    if (!sendAll(socket,
                 {control::encodeFrame(control::OP_LINK_STATE, std::span<const uint8_t>()),
                  control::encodeFrame(control::OP_STATE_HERE, std::span<const uint8_t>())}))
        return kFailure;
    Answers answers = awaitState(socket);
    if (!answers.state) {
        std::fprintf(stderr, "tamrel-ctl: no state answer from Tamrel within %d seconds\n",
                     kAnswerMs / 1000);
        return kNoAnswer;
    }
    const bool live = !answers.link || answers.link->state == 3;
    if (json)
        printJson(*answers.state, answers.wholeWatts, answers.link);
    else if (live)
        printText(*answers.state, answers.wholeWatts);
    else
        std::printf("%s\n", notLiveText(*answers.link).c_str());
    return live ? kOk : kRadioNotLive;
}

// The frame a command sends, checked before anything is connected; nothing
// after a usage error has been reported.
std::optional<std::vector<uint8_t>> frameFor(const Options& opt) {
    const std::string& cmd = opt.command;
    const auto& args = opt.args;
    if (cmd == "speed" || cmd == "power") {
        std::optional<uint32_t> n = args.size() == 1 ? parseNumber(args[0]) : std::nullopt;
        if (!n) {
            usageError(cmd + " needs one whole number");
            return std::nullopt;
        }
        // Refused rather than clamped: a value the radio cannot take is a mistake.
        const bool speed = cmd == "speed";
        const uint32_t low = speed ? 9 : 0, high = speed ? 50 : 150;
        if (*n < low || *n > high) {
            usageError(cmd + " " + std::to_string(*n) + " is outside " + std::to_string(low) +
                       ".." + std::to_string(high) + (speed ? " WPM" : ""));
            return std::nullopt;
        }
        return control::encodeFrame(cmd == "speed" ? control::OP_CW_SPEED : control::OP_POWER, *n);
    }
    if (cmd == "cw") {
        std::string text;
        for (const std::string& a : args)
            text += (text.empty() ? "" : " ") + a;
        if (text.empty() || text.size() > control::kMaxCwText) {
            usageError("cw needs a text of 1 to " + std::to_string(control::kMaxCwText) +
                       " characters");
            return std::nullopt;
        }
        return control::encodeFrame(control::OP_CW_TEXT, bytesOf(text));
    }
    if (cmd == "register") {
        if (args.size() != 1 || args[0].empty() || args[0].size() > control::kMaxTitle) {
            usageError("register needs one name of 1 to " + std::to_string(control::kMaxTitle) +
                       " characters");
            return std::nullopt;
        }
        return control::encodeFrame(control::OP_REGISTER, bytesOf(args[0]));
    }
    if (cmd == "unregister") {
        if (!args.empty()) {
            usageError("unregister takes no arguments");
            return std::nullopt;
        }
        return control::encodeFrame(control::OP_UNREGISTER, std::span<const uint8_t>());
    }
    usageError("unknown command '" + cmd + "'");
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options opt;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (arg == "--version") {
            std::printf("tamrel-ctl %s\n", TAMREL_VERSION);
            return kOk;
        }
        if (arg == "--socket" || arg == "--name") {
            if (i + 1 >= argc)
                return usageError(arg + " needs a value");
            (arg == "--socket" ? opt.socketPath : opt.name) = argv[++i];
            continue;
        }
        return usageError("unknown option '" + arg + "'");
    }
    if (i >= argc)
        return usageError("no command given");
    opt.command = argv[i++];
    opt.args.assign(argv + i, argv + argc);
    if (opt.name.empty() || opt.name.size() > control::kMaxTitle)
        return usageError("--name needs 1 to " + std::to_string(control::kMaxTitle) +
                          " characters");

    const QString path = QString::fromStdString(opt.socketPath.empty() ? paths::controlSocketPath()
                                                                       : opt.socketPath);

    if (opt.command == "state") {
        const bool json = opt.args.size() == 1 && opt.args[0] == "--json";
        if (!opt.args.empty() && !json)
            return usageError("state takes only --json");
        QLocalSocket socket;
        if (!connectTo(socket, path))
            return kNotRunning;
        return runState(socket, json);
    }

    std::optional<std::vector<uint8_t>> frame = frameFor(opt);
    if (!frame)
        return kUsage;
    QLocalSocket socket;
    if (!connectTo(socket, path))
        return kNotRunning;
    if (!sendAll(socket, {*frame}))
        return kFailure;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectMs);
    return kOk;
}

// k2sim: the simulated K2 on a pseudo-terminal. Prints the device to open,
// logs every command it receives, and runs until SIGTERM or SIGINT.
#include "sim/SimulatedRadio.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <getopt.h>
#include <mutex>
#include <string>

namespace {

void usage(FILE* out) {
    std::fputs("Usage: k2sim [options]\n"
               "Simulated Elecraft K2 on a pseudo-terminal; prints the device path.\n"
               "  --link PATH          also make PATH a symlink to the device\n"
               "  --log FILE           log received commands to FILE (default: stderr)\n"
               "  --baud N             pace replies at N baud (default 4800, 0 = unpaced)\n"
               "  --two-stop-bits      pace as 8N2 (11 bits a byte)\n"
               "  --delay MS           hold every reply back MS milliseconds\n"
               "  --drop P             lose each sent byte with probability P\n"
               "  --garble P           corrupt each sent byte with probability P\n"
               "  --stall MS[,EVERY]   send nothing for MS ms, every EVERY ms or once\n"
               "  --hangup-after MS    go dead (as a pulled cable) after MS ms\n"
               "  --hangup-for MS      come back after MS ms dead (default: never)\n"
               "  --seed N             seed of every random choice (default 1)\n"
               "  --signal N           S-meter level in segments 0..10 (default 4)\n"
               "  --dot                bar graph in DOT mode (default BAR)\n"
               "  --k2-100             the 100 W option (high power range)\n"
               "  --tune-every MS      turn the VFO knob 10 Hz every MS ms; each move is\n"
               "                       logged as \"knob SECONDS HZ\" and each reply sent as\n"
               "                       \"sent SECONDS TEXT\", on the steady clock\n"
               "  --help               this text\n",
               out);
}

bool number(const char* s, long& out) {
    char* end = nullptr;
    out = std::strtol(s, &end, 10);
    return end != s && *end == '\0';
}

bool probability(const char* s, double& out) {
    char* end = nullptr;
    out = std::strtod(s, &end);
    return end != s && *end == '\0' && out >= 0 && out <= 1;
}

} // namespace

int main(int argc, char** argv) {
    using tamrel::k2sim::SimulatedRadio;
    SimulatedRadio::Options opt;
    std::string logPath;
    int tuneEveryMs = 0;

    enum {
        kLink = 1,
        kLog,
        kBaud,
        kTwoStop,
        kDelay,
        kDrop,
        kGarble,
        kStall,
        kHangup,
        kHangupFor,
        kSeed,
        kSignal,
        kDot,
        kK2100,
        kTuneEvery,
        kHelp
    };
    static const option longOptions[] = {
        {"link", required_argument, nullptr, kLink},
        {"log", required_argument, nullptr, kLog},
        {"baud", required_argument, nullptr, kBaud},
        {"two-stop-bits", no_argument, nullptr, kTwoStop},
        {"delay", required_argument, nullptr, kDelay},
        {"drop", required_argument, nullptr, kDrop},
        {"garble", required_argument, nullptr, kGarble},
        {"stall", required_argument, nullptr, kStall},
        {"hangup-after", required_argument, nullptr, kHangup},
        {"hangup-for", required_argument, nullptr, kHangupFor},
        {"seed", required_argument, nullptr, kSeed},
        {"signal", required_argument, nullptr, kSignal},
        {"dot", no_argument, nullptr, kDot},
        {"k2-100", no_argument, nullptr, kK2100},
        {"tune-every", required_argument, nullptr, kTuneEvery},
        {"help", no_argument, nullptr, kHelp},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
        long n = 0;
        bool ok = true;
        switch (c) {
        case kLink:
            opt.linkPath = optarg;
            break;
        case kLog:
            logPath = optarg;
            break;
        case kBaud:
            ok = number(optarg, n) && n >= 0;
            opt.baud = static_cast<unsigned>(n);
            break;
        case kTwoStop:
            opt.stopBits = 2;
            break;
        case kDelay:
            ok = number(optarg, n) && n >= 0;
            opt.replyDelayMs = static_cast<int>(n);
            break;
        case kDrop:
            ok = probability(optarg, opt.dropProbability);
            break;
        case kGarble:
            ok = probability(optarg, opt.garbleProbability);
            break;
        case kStall: {
            std::string s = optarg;
            const auto comma = s.find(',');
            long every = 0;
            ok = number(s.substr(0, comma).c_str(), n) && n > 0 &&
                 (comma == std::string::npos ||
                  (number(s.substr(comma + 1).c_str(), every) && every > n));
            opt.stallMs = static_cast<int>(n);
            opt.stallEveryMs = static_cast<int>(every);
            break;
        }
        case kHangup:
            ok = number(optarg, n) && n >= 0;
            opt.hangupAfterMs = static_cast<int>(n);
            break;
        case kHangupFor:
            ok = number(optarg, n) && n >= 0;
            opt.hangupForMs = static_cast<int>(n);
            break;
        case kSeed:
            ok = number(optarg, n);
            opt.seed = static_cast<uint32_t>(n);
            opt.model.seed = static_cast<uint32_t>(n);
            break;
        case kSignal:
            ok = number(optarg, n) && n >= 0 && n <= 10;
            opt.model.signalLevel = static_cast<int>(n);
            break;
        case kDot:
            opt.model.barMode = false;
            break;
        case kK2100:
            opt.model.paOption = true;
            break;
        case kTuneEvery:
            ok = number(optarg, n) && n > 0;
            tuneEveryMs = static_cast<int>(n);
            break;
        case kHelp:
            usage(stdout);
            return 0;
        default:
            usage(stderr);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "k2sim: bad value for --%s: %s\n", longOptions[c - 1].name,
                         optarg);
            return 2;
        }
    }
    if (optind < argc) {
        usage(stderr);
        return 2;
    }

    FILE* log = stderr;
    if (!logPath.empty() && !(log = std::fopen(logPath.c_str(), "a"))) {
        std::fprintf(stderr, "k2sim: cannot open %s: %s\n", logPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::mutex logMutex;
    opt.commandLog = [&](tamrel::k2sim::Millis at, std::string_view command) {
        std::lock_guard lock(logMutex);
        std::fprintf(log, "%10.3f %.*s;\n", static_cast<double>(at.count()) / 1000.0,
                     static_cast<int>(command.size()), command.data());
        std::fflush(log);
    };

    // With the knob turning, each reply's end is logged on the steady clock
    // too, so a measurement can tell when a report has left the radio.
    if (tuneEveryMs > 0)
        opt.replyLog = [&](tamrel::k2sim::Millis, std::string_view reply) {
            timespec t{};
            clock_gettime(CLOCK_MONOTONIC, &t);
            std::lock_guard lock(logMutex);
            std::fprintf(log, "sent %.6f %.*s;\n", double(t.tv_sec) + t.tv_nsec / 1e9,
                         static_cast<int>(reply.size()), reply.data());
            std::fflush(log);
        };

    // Block the signals before any thread starts, then wait for one of them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    int status = 0;
    try {
        SimulatedRadio radio(opt);
        radio.start();
        std::printf("%s\n", radio.devicePath().c_str());
        std::fflush(stdout);
        if (tuneEveryMs > 0) {
            // Knob turns between the signals: the wait's timeout is the pace.
            const timespec pace{tuneEveryMs / 1000, (tuneEveryMs % 1000) * 1000000L};
            while (sigtimedwait(&signals, nullptr, &pace) < 0) {
                const uint32_t hz = radio.turnKnob(10);
                timespec t{};
                clock_gettime(CLOCK_MONOTONIC, &t);
                std::lock_guard lock(logMutex);
                std::fprintf(log, "knob %.6f %u\n", double(t.tv_sec) + t.tv_nsec / 1e9, hz);
                std::fflush(log);
            }
        } else {
            int received = 0;
            sigwait(&signals, &received);
        }
        radio.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "k2sim: %s\n", e.what());
        status = 1;
    }
    if (log != stderr)
        std::fclose(log);
    return status;
}

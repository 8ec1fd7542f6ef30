// measure_latency: how quickly the radio link moves a reply up and a command
// down, and what its two threads cost while the radio is quiet. Everything runs
// in this process over a pseudo-terminal; this program plays the radio's end.
//
//  1. Frequency report to model: the radio end writes "FA...;" and notes the
//     time its last byte went into the line; the time the front panel model has
//     applied it (the reply travels the receive thread, a ReplyReceived message, a window
//     inbox and the Qt event loop) ends the measurement. One report at a time,
//     each a random 1..100 ms after the last was applied, so that the reports
//     fall evenly over the phases of a 100 ms wait in the receive thread.
//  2. Control command to wire: a client of the control socket sends "CW speed"
//     frames; from just before the frame is written to the first byte of the KS
//     command that reaches the radio end.
//  3. Idle CPU: status polling on, the radio end answering every DS and BG with
//     the same display and bar graph, as a radio nobody touches does. The CPU
//     time of the threads named tamrel-recv and tamrel-status over the run.
//
// Prints p50, p99 and the maximum of each latency, and the CPU share as a
// percentage of one core. Exit status 1 when a reply or command got lost.
#include "platform/Inbox.h"
#include "platform/PseudoTerminal.h"
#include "radio/CK2CommChannel.h"
#include "radio/CK2StatusCmdQueryThread.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "remote/ControlFrame.h"
#include "remote/ControlServer.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tamrel;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

struct Options {
    int reports = 200;
    int commands = 200;
    int idleSeconds = 10;
};

// The one place that knows the model: applies a reply, returns VFO A after it.
struct ModelGlue {
    K2RadioModel model;
    uint32_t apply(int id, std::string_view text) {
        model.ApplyReply(id, text);
        return model.Fields().vfoA;
    }
};

// The radio's end of the line: records when each command's first byte arrives,
// and answers the status poll while asked to.
class RadioEnd {
public:
    struct Command {
        std::string text;
        Steady::time_point firstByte;
    };

    RadioEnd() {
        pty_.holdSlaveOpen(true);
        thread_ = std::thread([this] { run(); });
    }
    ~RadioEnd() {
        stop_ = true;
        thread_.join();
    }

    const std::string& device() const { return pty_.slavePath(); }
    void answerStatusPoll(bool on) { answer_ = on; }
    int statusQueries() const { return statusQueries_; }

    // Writes bytes as the radio would; returns when the last one is in the line.
    Steady::time_point send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::write(pty_.masterFd(), bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
            } else {
                pollfd p{pty_.masterFd(), POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
        return Steady::now();
    }

    std::optional<Command> nextCommand(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !commands_.empty(); }))
            return std::nullopt;
        Command c = std::move(commands_.front());
        commands_.pop_front();
        return c;
    }
    void forgetCommands() {
        std::lock_guard lock(mutex_);
        commands_.clear();
    }

private:
    void run() {
        pthread_setname_np(pthread_self(), "radio-end");
        std::string partial;
        Steady::time_point first{};
        char buffer[4096];
        while (!stop_) {
            pollfd p{pty_.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const auto now = Steady::now();
            ssize_t n = ::read(pty_.masterFd(), buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                if (partial.empty() && buffer[i] != ';')
                    first = now;
                if (buffer[i] != ';') {
                    partial.push_back(buffer[i]);
                    continue;
                }
                if (partial.empty())
                    continue;
                finished(std::exchange(partial, {}), first);
            }
        }
    }

    void finished(std::string text, Steady::time_point first) {
        if (answer_ && (text == "DS" || text == "BG")) {
            ++statusQueries_;
            // An unchanged display ("14060.00", decimal point lit) and bar graph.
            send(text == "DS" ? std::string("DS1406") + char('0' | 0x80) + "00\x80\x80\x80;"
                              : std::string("BG05;"));
            return;
        }
        {
            std::lock_guard lock(mutex_);
            commands_.push_back({std::move(text), first});
        }
        cv_.notify_one();
    }

    PseudoTerminal pty_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answer_{false};
    std::atomic<int> statusQueries_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Command> commands_;
    std::thread thread_;
};

// Times in milliseconds.
struct Figures {
    std::vector<double> ms;
    int lost = 0;

    double at(double q) const {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        // Nearest rank.
        std::size_t rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size())));
        return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
    }
    void print(const char* what, double targetP99) const {
        if (ms.empty()) {
            std::printf("%s: nothing measured (%d lost)\n", what, lost);
            return;
        }
        const double p99 = at(0.99);
        std::printf("%s (%zu samples, %d lost):\n  p50 %.3f ms  p99 %.3f ms  max %.3f ms"
                    "  -- target p99 < %.0f ms: %s\n",
                    what, ms.size(), lost, at(0.5), p99, at(1.0), targetP99,
                    p99 < targetP99 ? "met" : "NOT met");
    }
};

double millis(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Thread CPU clocks of this process's threads with the given name.
std::vector<clockid_t> threadClocks(const std::string& name) {
    std::vector<clockid_t> clocks;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string n;
        std::getline(comm, n);
        if (n != name)
            continue;
        const auto tid = static_cast<clockid_t>(std::stol(task.path().filename().string()));
        // Linux's per-thread scheduler clock of a thread id (what
        // pthread_getcpuclockid builds).
        clocks.push_back((~tid << 3) | 6);
    }
    return clocks;
}

double cpuSeconds(const std::vector<clockid_t>& clocks) {
    double total = 0;
    for (clockid_t c : clocks) {
        timespec ts{};
        if (::clock_gettime(c, &ts) == 0)
            total += static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
    return total;
}

class Measurement {
public:
    Measurement(Options options, const QString& socketPath)
        : options_(options), socketPath_(socketPath.toStdString()) {}

    // The receive thread's target; called on the GUI thread.
    void onReply(int id, const std::string& text) {
        const uint32_t vfoA = glue_.apply(id, text);
        const auto now = Steady::now();
        std::lock_guard lock(mutex_);
        if (vfoA == expectedVfoA_ && !applied_) {
            applied_ = now;
            cv_.notify_one();
        }
    }

    // The control socket's handler, as the front panel's: a CW speed goes to the radio.
    void onControlFrame(uint32_t dwData, const QByteArray& data) {
        if (dwData == control::OP_CW_SPEED)
            operations_.SetCwSpeed(
                int(control::valueOf({reinterpret_cast<const uint8_t*>(data.data()),
                                      static_cast<std::size_t>(data.size())})));
    }

    bool openLink(Address<LinkEvent> panel) {
        if (channel_.OpenDevice(radio_.device(), 0, 38400, 8, 0, 1) != K2_OK) {
            std::fprintf(stderr, "measure_latency: cannot open %s\n", radio_.device().c_str());
            return false;
        }
        // What the front panel does once its window exists.
        channel_.PostToReceiveThread(RecvDeliverTo{panel});
        channel_.PostToReceiveThread(RecvPurge{});
        channel_.PostToReceiveThread(RecvStart{});
        std::this_thread::sleep_for(300ms);
        return true;
    }

    // Runs on its own thread while the GUI thread runs the event loop.
    int run() {
        pthread_setname_np(pthread_self(), "measure");
        const Figures reports = measureReports();
        const Figures commands = measureCommands();
        const auto [cpu, recvCpu, statusCpu, queries] = measureIdleCpu();
        channel_.Close();

        std::printf("Radio link latency over a pseudo-terminal (38400 baud setting)\n");
        reports.print("Frequency report, last byte -> model applied", 5);
        commands.print("Control-socket CW speed -> first byte on the wire", 2);
        std::printf("Idle CPU, tamrel-recv + tamrel-status, status polling on, %d s, %d status "
                    "queries answered:\n  %.3f %% of one core (recv %.3f %%, status %.3f %%)"
                    "  -- target < 0.5 %%: %s\n",
                    options_.idleSeconds, queries, cpu, recvCpu, statusCpu,
                    cpu < 0.5 ? "met" : "NOT met");
        return reports.lost == 0 && commands.lost == 0 && queries > 0 ? 0 : 1;
    }

private:
    Figures measureReports() {
        Figures f;
        std::uniform_int_distribution<int> gap(1, 100);
        for (int i = 0; i < options_.reports; ++i) {
            const uint32_t hz = 14000000u + 10u * static_cast<uint32_t>(i);
            char text[32];
            std::snprintf(text, sizeof text, "FA%011u;", hz);
            {
                std::lock_guard lock(mutex_);
                expectedVfoA_ = hz;
                applied_.reset();
            }
            const Steady::time_point sent = radio_.send(text);
            std::unique_lock lock(mutex_);
            if (cv_.wait_for(lock, 2s, [this] { return applied_.has_value(); }))
                f.ms.push_back(millis(*applied_ - sent));
            else
                ++f.lost;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(gap(random_)));
        }
        return f;
    }

    Figures measureCommands() {
        Figures f;
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::fprintf(stderr, "measure_latency: cannot connect to %s\n", socketPath_.c_str());
            f.lost = options_.commands;
            if (fd >= 0)
                ::close(fd);
            return f;
        }
        std::this_thread::sleep_for(100ms);
        radio_.forgetCommands();
        std::uniform_int_distribution<int> gap(2, 20);
        for (int i = 0; i < options_.commands; ++i) {
            const uint32_t wpm = 10 + static_cast<uint32_t>(i % 40);
            const std::vector<uint8_t> frame = control::encodeFrame(control::OP_CW_SPEED, wpm);
            const Steady::time_point sent = Steady::now();
            if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
                ++f.lost;
                continue;
            }
            char expected[8];
            std::snprintf(expected, sizeof expected, "KS%03u", wpm);
            std::optional<RadioEnd::Command> c = radio_.nextCommand(2s);
            if (c && c->text == expected)
                f.ms.push_back(millis(c->firstByte - sent));
            else
                ++f.lost;
            std::this_thread::sleep_for(std::chrono::milliseconds(gap(random_)));
        }
        ::close(fd);
        return f;
    }

    struct Cpu {
        double total, recv, status;
        int queries;
    };
    Cpu measureIdleCpu() {
        radio_.answerStatusPoll(true);
        channel_.SetStatusPolling(true);
        std::this_thread::sleep_for(1500ms); // the first display and bar graph go through
        const std::vector<clockid_t> recv = threadClocks(CRecvrCmdParsingThread::kThreadName);
        const std::vector<clockid_t> status = threadClocks(CK2StatusCmdQueryThread::kThreadName);
        const int queriesBefore = radio_.statusQueries();
        const auto start = Steady::now();
        const double recv0 = cpuSeconds(recv), status0 = cpuSeconds(status);
        std::this_thread::sleep_for(std::chrono::seconds(options_.idleSeconds));
        const double recv1 = cpuSeconds(recv), status1 = cpuSeconds(status);
        const double wall = std::chrono::duration<double>(Steady::now() - start).count();
        channel_.SetStatusPolling(false);
        if (recv.empty() || status.empty())
            std::fprintf(stderr, "measure_latency: the radio link's threads were not found\n");
        const double r = 100 * (recv1 - recv0) / wall, s = 100 * (status1 - status0) / wall;
        return {r + s, r, s, radio_.statusQueries() - queriesBefore};
    }

    Options options_;
    std::string socketPath_;
    std::mt19937 random_{20240601};
    RadioEnd radio_;
    ModelGlue glue_;
    std::mutex mutex_;
    std::condition_variable cv_;
    uint32_t expectedVfoA_ = 0;
    std::optional<Steady::time_point> applied_;
    RadioOperations operations_{glue_.model, &channel_};
    CK2CommChannel channel_; // last: its threads end before the rest goes
};

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        int* target = a == "--reports"        ? &o.reports
                      : a == "--commands"     ? &o.commands
                      : a == "--idle-seconds" ? &o.idleSeconds
                                              : nullptr;
        if (!target || i + 1 >= argc)
            return false;
        char* end = nullptr;
        long v = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || v < 1 || v > 100000)
            return false;
        *target = static_cast<int>(v);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: measure_latency [--reports N] [--commands N] [--idle-seconds S]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    ControlServer server;
    if (!folder.isValid() || !server.listen(folder.filePath("tamrel/control.sock"))) {
        std::fprintf(stderr, "measure_latency: no control socket: %s\n",
                     qPrintable(server.errorString()));
        return 1;
    }
    Measurement measurement(options, server.socketPath());
    QObject::connect(&server, &ControlServer::frameReceived, &app,
                     [&](ControlServer::ConnectionId, quint32 dwData, const QByteArray& data) {
                         measurement.onControlFrame(dwData, data);
                     });
    Inbox<LinkEvent> inbox([&](LinkEvent&& e) {
        if (const auto* r = std::get_if<ReplyReceived>(&e))
            measurement.onReply(r->id, r->text);
    });
    if (!measurement.openLink(inbox.address()))
        return 1;

    int status = 1;
    std::thread driver([&] {
        status = measurement.run();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    driver.join();
    return status;
}

// Figures of WSJT-X logging: a burst of QSO Logged datagrams sent over UDP
// to the listener as the program runs it (GUI-thread socket, log worker,
// real log file), and for each QSO the time from its datagram leaving the
// sender to its line being in the log file. Prints how many arrived and the
// median, 99th percentile and maximum of those times.
//
// usage: measure_wsjtx [COUNT]   (default 1000)

#include "WsjtxDatagrams.h"

#include "platform/Prompter.h"
#include "qsolog/QsoLog.h"
#include "qsolog/WsjtxLogging.h"
#include "settings/CRigControlRegistry.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamrel;
using Steady = std::chrono::steady_clock;

namespace {

std::string callOf(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "K%04dZZ", i);
    return text;
}

// The index of a call made by callOf, or -1.
int indexOf(const std::string& line) {
    const std::size_t at = line.find(";K");
    if (at == std::string::npos || line.size() < at + 8 || line.compare(at + 6, 2, "ZZ") != 0)
        return -1;
    return std::atoi(line.substr(at + 2, 4).c_str());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    StderrPrompter prompter;
    CRigControlRegistry registry(prompter, root + "/config/Rig.reg");
    registry.CreateDefaultSettings();
    int logged = 0;
    QsoLog log(registry, prompter, root + "/home", [&logged](const std::string& text, bool) {
        logged += text.ends_with(" logged") ? 1 : 0;
    });
    log.Start();
    quint16 port = 0;
    {
        QUdpSocket probe; // a free port
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    WsjtxLogging wsjtx(
        registry, [&log] { return &log; }, [](const std::string&, bool) {},
        "127.0.0.1:" + std::to_string(port));
    if (!wsjtx.Listener().Listening())
        return 1;

    std::vector<QByteArray> datagrams;
    for (int i = 0; i < count; ++i) {
        test::LoggedFields f;
        f.on = f.off = test::utc(2024, 6, 1, 12, 0, 0).addSecs(i);
        f.call = QByteArray::fromStdString(callOf(i));
        f.hz = 14074000;
        f.mode = "FT8";
        f.sent = "-10";
        f.received = "+02";
        datagrams.push_back(test::qsoLogged(f));
    }

    const std::string file = root + "/home/" + std::string(kDefaultLogName);
    std::vector<Steady::time_point> sent(count), arrived(count);
    std::vector<char> seen(count, 0);
    std::atomic<int> arrivedCount{0};
    std::atomic<bool> stop{false};

    // Watches the file: each line's QSO is stamped when it is first there.
    std::thread watcher([&] {
        std::size_t offset = 0;
        std::string partial;
        while (!stop && arrivedCount < count) {
            std::ifstream in(file, std::ios::binary);
            if (in) {
                in.seekg(static_cast<std::streamoff>(offset));
                std::string chunk((std::istreambuf_iterator<char>(in)), {});
                const auto now = Steady::now();
                offset += chunk.size();
                partial += chunk;
                for (std::size_t nl; (nl = partial.find('\n')) != std::string::npos;) {
                    const int i = indexOf(partial.substr(0, nl));
                    partial.erase(0, nl + 1);
                    if (i >= 0 && i < count && !seen[i]) {
                        seen[i] = 1;
                        arrived[i] = now;
                        ++arrivedCount;
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    // The burst, once the log has loaded.
    std::thread sender;
    QTimer::singleShot(300, [&] {
        sender = std::thread([&] {
            const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(port);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            for (int i = 0; i < count; ++i) {
                sent[i] = Steady::now();
                ::sendto(fd, datagrams[i].constData(),
                         static_cast<std::size_t>(datagrams[i].size()), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to);
            }
            ::close(fd);
        });
    });
    const auto deadline = Steady::now() + std::chrono::seconds(120);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The line is in the file before its result is back on this thread.
        if ((arrivedCount == count && logged == count) || Steady::now() > deadline)
            app.quit();
    });
    poll.start(20);
    const auto begin = Steady::now();
    app.exec();
    stop = true;
    watcher.join();
    if (sender.joinable())
        sender.join();
    log.Shutdown();

    std::vector<double> ms;
    for (int i = 0; i < count; ++i)
        if (seen[i])
            ms.push_back(std::chrono::duration<double, std::milli>(arrived[i] - sent[i]).count());
    std::sort(ms.begin(), ms.end());
    auto at = [&ms](double q) { return ms.empty() ? 0.0 : ms[std::size_t(q * (ms.size() - 1))]; };
    std::printf("WSJT-X burst: %d QSO Logged datagrams sent, %zu in the log file, %d lost\n", count,
                ms.size(), count - static_cast<int>(ms.size()));
    std::printf("datagram to line in the file: p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(run %.0f ms, %d said logged on the status line, %llu datagrams ignored)\n",
                at(0.5), at(0.99), ms.empty() ? 0.0 : ms.back(),
                std::chrono::duration<double, std::milli>(Steady::now() - begin).count(), logged,
                static_cast<unsigned long long>(wsjtx.Listener().Ignored()));
    return ms.size() == static_cast<std::size_t>(count) ? 0 : 1;
}

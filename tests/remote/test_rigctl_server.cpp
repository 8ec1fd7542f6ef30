// The rigctld network server over real TCP connections: many clients at once,
// each with its own mode, and the inputs that close one connection only.
#include "remote/RigctlServer.h"

#include "ControlTestApp.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"

#include <QTcpSocket>

#include <filesystem>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tamrel;
using tamrel::testing::ask;
using tamrel::testing::testApp;
using tamrel::testing::waitUntil;

namespace {

using Client = std::unique_ptr<QTcpSocket>;

sockaddr_in Loopback(quint16 port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return to;
}

class RigctlServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        model.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
        model.UpdateLink([&](LinkMonitor& l) { return l.OnReply(LinkMonitor::Clock::now()); });
        ASSERT_TRUE(server.listen({QHostAddress::LocalHost, 0}))
            << server.errorString().toStdString();
        QObject::connect(&server, &RigctlServer::clientDisconnected,
                         [this](RigctlServer::ConnectionId, const QString&,
                                RigctlServer::CloseReason r) { reasons.push_back(r); });
    }

    Client Connect() {
        auto s = std::make_unique<QTcpSocket>();
        s->connectToHost(QHostAddress::LocalHost, server.port());
        EXPECT_TRUE(waitUntil([&] { return s->state() == QAbstractSocket::ConnectedState; }));
        return s;
    }
    bool Connections(std::size_t n) {
        return waitUntil([&] { return server.connectionCount() == n; });
    }

    // Whether the server closes the connection; what came before goes to `got`.
    static bool Closed(QTcpSocket& s, QByteArray* got = nullptr) {
        return waitUntil([&] {
            const QByteArray more = s.readAll();
            if (got)
                *got += more;
            return s.state() == QAbstractSocket::UnconnectedState;
        });
    }

    std::vector<RigctlServer::CloseReason> reasons;
    K2RadioModel model;
    RadioOperations ops{model};
    RigctlServer server{ops};
};

TEST_F(RigctlServerTest, ManyClientsAtOnceEachWithItsOwnModeAndBadInputClosesOnlyItsOwn) {
    constexpr int kClients = 20;
    std::vector<Client> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(Connect());
    ASSERT_TRUE(Connections(kClients));
    // Odd clients switch VFO mode on; the others must not see it.
    for (int i = 1; i < kClients; i += 2)
        EXPECT_EQ(ask(*clients[i], "\\set_vfo_opt 1\n"), "RPRT 0\n");
    for (int i = 0; i < kClients; ++i)
        clients[i]->write(i % 2 ? "f VFOB\n" : "f\n");
    for (int i = 0; i < kClients; ++i)
        EXPECT_EQ(ask(*clients[i], ""), i % 2 ? "14060000\n" : "28060000\n") << i;
    // A set from one client shows to every other at once, and is told.
    QStringList told;
    QObject::connect(
        &server, &RigctlServer::clientChanged,
        [&](RigctlServer::ConnectionId, const QString&, const QString& what) { told << what; });
    EXPECT_EQ(ask(*clients[0], "F 7030000\n"), "RPRT 0\n");
    EXPECT_EQ(ask(*clients[2], "f\nM USB 0\n", 2), "7030000\nRPRT 0\n");
    EXPECT_EQ(told, QStringList({"tuned VFO A to 7030.00 kHz", "set the mode to USB"}));
    // Pieces of a line wait for the rest.
    clients[4]->write("\\get_");
    clients[4]->flush();
    EXPECT_EQ(ask(*clients[4], "freq\n"), "7030000\n");

    auto quitter = Connect();
    // A NUL byte: the last case below.
    for (const QByteArray& bad :
         {QByteArray(RigctlServer::kMaxLine + 1, 'f'), QByteArray("F 7\xe9\n")}) {
        auto c = Connect();
        c->write(bad);
        EXPECT_TRUE(Closed(*c)) << bad.left(8).toStdString();
    }
    // A quit is answered, after what came before it, and closes.
    EXPECT_EQ(ask(*quitter, "f\nq\nf\n", 2), "7030000\nRPRT 0\n");
    EXPECT_TRUE(Closed(*quitter));
    EXPECT_EQ(ask(*clients[0], "f\n"), "7030000\n");
    EXPECT_EQ(server.connectionCount(), std::size_t(kClients));
    EXPECT_EQ(std::count(reasons.begin(), reasons.end(), RigctlServer::CloseReason::BadInput), 2);

    // A line of exactly the longest length is still served.
    auto edge = Connect();
    EXPECT_EQ(ask(*edge, QByteArray(RigctlServer::kMaxLine - 1, ' ') + "f\n"), "7030000\n");
    // Valid UTF-8 is taken (and answered as an unknown command).
    EXPECT_EQ(ask(*edge, "\\g\xc3\xa9t\n"), "RPRT -1\n");
    // Lines answered before a bad byte in the same read still get their answers.
    QByteArray got;
    edge->write(QByteArray("f\nv\n\0", 5));
    EXPECT_TRUE(Closed(*edge, &got));
    EXPECT_EQ(got, "7030000\nVFOA\n");
}

// The panel's TX lamp follows the model's announcements, not the IF report.
TEST_F(RigctlServerTest, AClientThatKeyedAndVanishedOrFellSilentLeavesTheTransmitterUnkeyed) {
    int changes = 0;
    auto watch = model.Observe([&](uint32_t c) { changes += (c & radio_change::kTransmit) != 0; });
    model.ApplyReply(ID_MD, "MD2"); // USB: PTT is the radio's in voice modes
    auto keyer = Connect();
    auto watcher = Connect();
    EXPECT_EQ(ask(*keyer, "T 1\n"), "RPRT 0\n");
    EXPECT_EQ(ask(*watcher, "t\n"), "1\n");
    // The watcher leaving changes nothing; the keyer crashing unkeys.
    watcher->abort();
    ASSERT_TRUE(Connections(1));
    EXPECT_TRUE(model.PttKeyed());
    keyer->abort();
    ASSERT_TRUE(Connections(0));
    EXPECT_FALSE(model.Transmitting());
    EXPECT_EQ(changes, 2);
    // One that unkeyed itself is not unkeyed again on leaving.
    changes = 0;
    auto polite = Connect();
    EXPECT_EQ(ask(*polite, "T 1\nT 0\n", 2), "RPRT 0\nRPRT 0\n");
    polite->abort();
    ASSERT_TRUE(Connections(0));
    EXPECT_EQ(changes, 2);

    // Another that keyed earlier and dies leaves the last one's transmission alone.
    auto first = Connect();
    auto second = Connect();
    EXPECT_EQ(ask(*first, "T 1\n"), "RPRT 0\n");
    EXPECT_EQ(ask(*second, "T 1\n"), "RPRT 0\n");
    first->abort();
    ASSERT_TRUE(Connections(1));
    EXPECT_TRUE(model.PttKeyed());
    second->abort();
    ASSERT_TRUE(Connections(0));
    EXPECT_FALSE(model.PttKeyed());

    // A keyed client that falls silent is unkeyed and stays connected; another
    // client talking does not keep its transmission alive.
    server.setKeyedSilenceTimeout(std::chrono::milliseconds(1000));
    int unkeyed = 0;
    QObject::connect(&server, &RigctlServer::clientUnkeyed,
                     [&](RigctlServer::ConnectionId, const QString&) { ++unkeyed; });
    auto hung = Connect();
    auto other = Connect();
    EXPECT_EQ(ask(*hung, "T 1\n"), "RPRT 0\n");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ask(*other, "t\n"), "1\n");
        EXPECT_TRUE(model.PttKeyed()) << i;
    }
    EXPECT_TRUE(waitUntil([&] { return !model.PttKeyed(); }));
    EXPECT_EQ(unkeyed, 1);
    EXPECT_EQ(server.connectionCount(), 2u);
}

// Beyond the cap a connection is closed at once; clients that hung up while the
// program was busy do not count against it.
TEST_F(RigctlServerTest, ConnectionsBeyondTheCapAreClosedAtOnceButHungUpOnesLeaveRoom) {
    server.setMaxConnections(3);
    auto rawClient = [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in to = Loopback(server.port());
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
        return fd;
    };
    const int early[] = {rawClient(), rawClient(), rawClient()};
    ASSERT_TRUE(Connections(3));
    // They hang up, and the next comes, before the server reads a byte.
    for (int fd : early)
        ::close(fd);
    const int late = rawClient();
    ASSERT_EQ(::write(late, "v\n", 2), 2);
    std::string got;
    waitUntil([&] {
        char buf[64];
        const auto n = ::recv(late, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0)
            got.append(buf, std::size_t(n));
        return n == 0 || got.find('\n') != std::string::npos;
    });
    EXPECT_EQ(got, "VFOA\n");
    EXPECT_EQ(server.refusedCount(), 0u);

    const Client others[] = {Connect(), Connect()};
    ASSERT_TRUE(Connections(3));
    EXPECT_TRUE(Closed(*Connect()));
    EXPECT_EQ(server.refusedCount(), 1u);
    ::close(late);
    ASSERT_TRUE(Connections(2));
    EXPECT_EQ(ask(*Connect(), "v\n"), "VFOA\n");
}

// 1,100 clients against a process short of descriptors (with the cap, a cap above
// the limit, a limit just above what is open): the server neither spins nor
// stops, and leaves descriptors for the files a user keeps.
TEST_F(RigctlServerTest, ElevenHundredClientsLeaveDescriptorsAndTheCpuAlone) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    if (old.rlim_max < 1200)
        GTEST_SKIP() << "the hard descriptor limit is below 1200";
    const sockaddr_in to = Loopback(server.port());
    // When the accept queue overflows, the kernel may complete a connect after
    // its client has gone; no close ever comes for it, and the idle rule ends it.
    server.setIdleTimeout(std::chrono::seconds(5));
    const auto cpu = [] {
        rusage u{};
        ::getrusage(RUSAGE_SELF, &u);
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const auto openNow = [] {
        return rlim_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
    };
    const struct {
        std::size_t cap;
        rlim_t limit;
        bool refuses; // some of the 1,100 are surely closed at once
    } cases[] = {{RigctlServer::kMaxConnections, 1024, true},
                 {2000, 1024, false},
                 {2000, openNow() + 20, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("cap " + std::to_string(c.cap) + ", limit " + std::to_string(c.limit));
        server.setMaxConnections(c.cap);
        const uint64_t refusedBefore = server.refusedCount();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlimit more = old;
            more.rlim_cur = 1200;
            ::setrlimit(RLIMIT_NOFILE, &more);
            for (int i = 0; i < 1100; ++i) {
                // Not blocking: the connects must not wait for the server's accepts.
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
                if (fd >= 0)
                    (void)::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            }
            ::sleep(4);
            ::_exit(0);
        }
        rlimit limited = old;
        limited.rlim_cur = c.limit;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
        const double before = cpu();
        waitUntil([] { return false; }, 2500);
        // Serving 1,100 connects takes a fraction of that; a retry loop takes all of it.
        EXPECT_LT(cpu() - before, 2.0);
        EXPECT_EQ(::close(::open("/dev/null", O_RDONLY | O_CLOEXEC)), 0) << "no descriptor left";
        EXPECT_LE(server.connectionCount(), c.cap);
        if (c.refuses) {
            EXPECT_GT(server.refusedCount(), refusedBefore);
        }
        int status = 0;
        EXPECT_TRUE(waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 15000));
        ::setrlimit(RLIMIT_NOFILE, &old);
        // Up to 1,000 closes to take in: room for a loaded machine.
        ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }, 30000))
            << server.connectionCount() << " still connected";
        EXPECT_EQ(ask(*Connect(), "v\n"), "VFOA\n");
    }
}

// A silent client is dropped, and so is one that never reads; the others are served.
TEST_F(RigctlServerTest, SilentOrDeafClientsAreDroppedAndTheServerGoesOn) {
    server.setIdleTimeout(std::chrono::milliseconds(200));
    ASSERT_TRUE(Closed(*Connect()));
    EXPECT_EQ(reasons, std::vector{RigctlServer::CloseReason::Idle});
    server.setIdleTimeout(std::chrono::minutes(10));
    reasons.clear();

    auto reader = Connect();
    auto deaf = Connect();
    deaf->setReadBufferSize(1); // its side takes almost nothing off the wire
    const QByteArray many = QByteArray("\\dump_state\n").repeated(40);
    // Each batch's answer is well under the bound; only what piles up counts.
    int round = 0;
    for (; round < 5000 && reasons.empty(); ++round) {
        deaf->write(many);
        waitUntil([&] { return deaf->bytesToWrite() == 0 || !reasons.empty(); });
    }
    ASSERT_FALSE(reasons.empty());
    EXPECT_GT(round, 3);
    EXPECT_EQ(reasons.front(), RigctlServer::CloseReason::Unread);
    EXPECT_EQ(ask(*reader, "f\n"), "28060000\n");
}

TEST(RigctlEndpoint, AddressAndPortAsWritten) {
    const std::pair<const char*, RigctlEndpoint> good[] = {
        {"4532", {QHostAddress(QHostAddress::LocalHost), 4532}},
        {"0.0.0.0:4600", {QHostAddress(QHostAddress::AnyIPv4), 4600}},
        {"[::1]:4533", {QHostAddress(QHostAddress::LocalHostIPv6), 4533}},
        {"localhost:4534", {QHostAddress(QHostAddress::LocalHost), 4534}},
    };
    for (const auto& [text, expected] : good) {
        const auto e = ParseRigctlEndpoint(text);
        ASSERT_TRUE(e) << text;
        EXPECT_EQ(e->address, expected.address) << text;
        EXPECT_EQ(e->port, expected.port) << text;
    }
    for (const char* bad : {"", "0", "65536", "host:", "nohost:4532", "12ab", "1.2.3:4532"})
        EXPECT_FALSE(ParseRigctlEndpoint(bad)) << bad;
}

} // namespace

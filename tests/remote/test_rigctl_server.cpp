// The rigctld network server over real TCP connections: many clients at once,
// each with its own mode, and the inputs that close one connection only.
#include "remote/RigctlServer.h"

#include "ControlTestApp.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"

#include <QTcpSocket>

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
using tamrel::testing::testApp;
using tamrel::testing::waitUntil;

namespace {

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

    std::unique_ptr<QTcpSocket> Connect() {
        auto s = std::make_unique<QTcpSocket>();
        s->connectToHost(QHostAddress::LocalHost, server.port());
        EXPECT_TRUE(waitUntil([&] { return s->state() == QAbstractSocket::ConnectedState; }));
        return s;
    }

    // Sends text and waits for `lines` whole lines of answer.
    static QByteArray Ask(QTcpSocket& s, const QByteArray& text, int lines) {
        s.write(text);
        QByteArray got;
        waitUntil([&] {
            got += s.readAll();
            return got.count('\n') >= lines;
        });
        return got;
    }

    static bool Closed(QTcpSocket& s) {
        return waitUntil([&] {
            s.readAll();
            return s.state() == QAbstractSocket::UnconnectedState;
        });
    }

    std::vector<RigctlServer::CloseReason> reasons;
    K2RadioModel model;
    RadioOperations ops{model};
    RigctlServer server{ops};
};

TEST_F(RigctlServerTest, ManyClientsAtOnceEachWithItsOwnMode) {
    constexpr int kClients = 20;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(Connect());
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == kClients; }));
    // Odd clients switch VFO mode on; the others must not see it.
    for (int i = 1; i < kClients; i += 2)
        EXPECT_EQ(Ask(*clients[i], "\\set_vfo_opt 1\n", 1), "RPRT 0\n");
    for (int i = 0; i < kClients; ++i)
        clients[i]->write(i % 2 ? "f VFOB\n+f VFOA\n" : "f\n+f\n");
    for (int i = 0; i < kClients; ++i) {
        QByteArray got;
        waitUntil([&] {
            got += clients[i]->readAll();
            return got.count('\n') >= 4;
        });
        if (i % 2)
            EXPECT_EQ(got, "14060000\nget_freq: VFOA\nFrequency: 28060000\nRPRT 0\n") << i;
        else
            EXPECT_EQ(got, "28060000\nget_freq:\nFrequency: 28060000\nRPRT 0\n") << i;
    }
    // A set from one client shows to every other at once, and is told.
    QStringList told;
    QObject::connect(
        &server, &RigctlServer::clientChanged,
        [&](RigctlServer::ConnectionId, const QString&, const QString& what) { told << what; });
    EXPECT_EQ(Ask(*clients[0], "F 7030000\n", 1), "RPRT 0\n");
    EXPECT_EQ(Ask(*clients[2], "f\nM USB 0\n", 2), "7030000\nRPRT 0\n");
    EXPECT_EQ(told, QStringList({"tuned VFO A to 7030.00 kHz", "set the mode to USB"}));
    // Pieces of a line wait for the rest.
    clients[4]->write("\\get_");
    clients[4]->flush();
    EXPECT_EQ(Ask(*clients[4], "freq\n", 1), "7030000\n");
}

TEST_F(RigctlServerTest, BadInputClosesThatConnectionOnly) {
    auto good = Connect();
    auto tooLong = Connect();
    auto nul = Connect();
    auto latin1 = Connect();
    auto quitter = Connect();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 5; }));

    tooLong->write(QByteArray(RigctlServer::kMaxLine + 1, 'f'));
    nul->write(QByteArray("f\0\n", 3));
    latin1->write("F 7\xe9\n");
    EXPECT_TRUE(Closed(*tooLong));
    EXPECT_TRUE(Closed(*nul));
    EXPECT_TRUE(Closed(*latin1));
    // A quit is answered, after what came before it, and closes.
    EXPECT_EQ(Ask(*quitter, "f\nq\nf\n", 2), "28060000\nRPRT 0\n");
    EXPECT_TRUE(Closed(*quitter));

    EXPECT_EQ(Ask(*good, "f\n", 1), "28060000\n");
    EXPECT_EQ(server.connectionCount(), 1u);
    int bad = 0;
    for (auto r : reasons)
        bad += r == RigctlServer::CloseReason::BadInput;
    EXPECT_EQ(bad, 3);
    // A line of exactly the longest length is still served.
    auto edge = Connect();
    EXPECT_EQ(Ask(*edge, QByteArray(RigctlServer::kMaxLine - 1, ' ') + "f\n", 1), "28060000\n");
    // Valid UTF-8 is taken (and answered as an unknown command).
    EXPECT_EQ(Ask(*edge, "\\g\xc3\xa9t\n", 1), "RPRT -1\n");
    // Lines answered before a bad byte in the same read still get their answers.
    QByteArray got;
    edge->write(QByteArray("f\nv\n\0", 5));
    EXPECT_TRUE(waitUntil([&] {
        got += edge->readAll();
        return edge->state() == QAbstractSocket::UnconnectedState;
    }));
    EXPECT_EQ(got, "28060000\nVFOA\n");
}

TEST_F(RigctlServerTest, AClientThatKeyedAndVanishedLeavesTheTransmitterUnkeyed) {
    // The panel's TX lamp follows the model's announcements, not the IF report.
    int changes = 0;
    auto watch = model.Observe([&](uint32_t c) { changes += (c & radio_change::kTransmit) != 0; });
    model.ApplyReply(ID_MD, "MD2"); // USB: PTT is the radio's in voice modes
    auto keyer = Connect();
    auto watcher = Connect();
    EXPECT_EQ(Ask(*keyer, "T 1\n", 1), "RPRT 0\n");
    EXPECT_TRUE(model.Transmitting());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Ask(*watcher, "t\n", 1), "1\n");
    // The watcher leaving changes nothing; the keyer crashing unkeys.
    watcher->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 1; }));
    EXPECT_TRUE(model.PttKeyed());
    keyer->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }));
    EXPECT_FALSE(model.Transmitting());
    EXPECT_EQ(changes, 2);
    // One that says quit leaves it keyed, as "rigctl T 1" means.
    auto oneShot = Connect();
    EXPECT_EQ(Ask(*oneShot, "T 1\n", 1), "RPRT 0\n");
    oneShot->write("q\n");
    EXPECT_TRUE(Closed(*oneShot));
    EXPECT_TRUE(model.PttKeyed());
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(ops.SetTransmit(false));
    changes = 2;
    // One that unkeyed itself is not unkeyed again on leaving.
    auto polite = Connect();
    EXPECT_EQ(Ask(*polite, "T 1\n", 1), "RPRT 0\n");
    EXPECT_EQ(Ask(*polite, "T 0\n", 1), "RPRT 0\n");
    EXPECT_EQ(changes, 4);
    polite->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }));
    EXPECT_EQ(changes, 4);

    // Only the client that keyed last has its end unkey: another that keyed
    // earlier and dies leaves the transmission alone.
    auto first = Connect();
    auto second = Connect();
    EXPECT_EQ(Ask(*first, "T 1\n", 1), "RPRT 0\n");
    EXPECT_EQ(Ask(*second, "T 1\n", 1), "RPRT 0\n");
    first->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 1; }));
    EXPECT_TRUE(model.PttKeyed());
    second->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }));
    EXPECT_FALSE(model.PttKeyed());
}

TEST_F(RigctlServerTest, AKeyedClientThatFallsSilentIsUnkeyedAndStaysConnected) {
    model.ApplyReply(ID_MD, "MD2");
    server.setKeyedSilenceTimeout(std::chrono::milliseconds(1000));
    QStringList unkeyed;
    QObject::connect(&server, &RigctlServer::clientUnkeyed,
                     [&](RigctlServer::ConnectionId, const QString& peer) { unkeyed << peer; });
    auto hung = Connect();
    auto other = Connect();
    EXPECT_EQ(Ask(*hung, "T 1\n", 1), "RPRT 0\n");
    // Another client talking does not keep the hung one's transmission alive.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Ask(*other, "t\n", 1), "1\n");
        EXPECT_TRUE(model.PttKeyed()) << i;
    }
    EXPECT_TRUE(waitUntil([&] { return !model.PttKeyed(); }));
    EXPECT_EQ(unkeyed.size(), 1);
    EXPECT_EQ(server.connectionCount(), 2u);
}

TEST_F(RigctlServerTest, ConnectionsBeyondTheCapAreClosedAtOnce) {
    server.setMaxConnections(3);
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 3; ++i)
        clients.push_back(Connect());
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 3; }));
    auto extra = Connect();
    EXPECT_TRUE(Closed(*extra));
    EXPECT_EQ(server.refusedCount(), 1u);
    clients[0]->abort();
    ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 2; }));
    auto next = Connect();
    EXPECT_EQ(Ask(*next, "v\n", 1), "VFOA\n");
}

// 1,100 clients against a process limited to 1,024 descriptors: the cap
// keeps descriptors for files, and the server neither spins nor stops.
// With the cap, descriptors are left for the files a user keeps; with a cap
// above the descriptor limit, accepting fails and must be paused, not retried
// at once, and resumed once descriptors come free.
TEST_F(RigctlServerTest, ElevenHundredClientsLeaveDescriptorsAndTheCpuAlone) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    if (old.rlim_max < 1200)
        GTEST_SKIP() << "the hard descriptor limit is below 1200";
    const quint16 port = server.port();
    for (const std::size_t cap : {RigctlServer::kMaxConnections, std::size_t(2000)}) {
        SCOPED_TRACE("cap " + std::to_string(cap));
        server.setMaxConnections(cap);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlimit more = old;
            more.rlim_cur = 1200;
            ::setrlimit(RLIMIT_NOFILE, &more);
            std::vector<int> fds;
            for (int i = 0; i < 1100; ++i) {
                // Not blocking: the connects must not wait for the server's accepts.
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_port = htons(port);
                to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                if (fd >= 0)
                    (void)::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
                fds.push_back(fd);
            }
            ::sleep(4);
            ::_exit(0);
        }
        rlimit limited = old;
        limited.rlim_cur = 1024;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        waitUntil([] { return false; }, 2500);
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        if (cap == RigctlServer::kMaxConnections) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC); // a file the user keeps
            EXPECT_GE(fd, 0);
            if (fd >= 0)
                ::close(fd);
            EXPECT_LE(server.connectionCount(), RigctlServer::kMaxConnections);
            EXPECT_GT(server.refusedCount(), 0u);
        }
        const auto cpu = [](const rusage& u) {
            return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                   double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        // Serving 1,100 connects takes a fraction of that; a retry loop takes all of it.
        EXPECT_LT(cpu(after) - cpu(before), 2.0);
        int status = 0;
        EXPECT_TRUE(waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 15000));
        ::setrlimit(RLIMIT_NOFILE, &old);
        ASSERT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }, 10000));
        auto next = Connect();
        EXPECT_EQ(Ask(*next, "v\n", 1), "VFOA\n");
    }
}

TEST_F(RigctlServerTest, SilentClientIsDroppedAndTheServerGoesOn) {
    server.setIdleTimeout(std::chrono::milliseconds(200));
    auto silent = Connect();
    ASSERT_TRUE(waitUntil([&] { return silent->state() == QAbstractSocket::UnconnectedState; }));
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons.front(), RigctlServer::CloseReason::Idle);
    // The server goes on serving the next client.
    server.setIdleTimeout(std::chrono::minutes(10));
    auto next = Connect();
    EXPECT_EQ(Ask(*next, "v\n", 1), "VFOA\n");
}

TEST_F(RigctlServerTest, ClientThatNeverReadsIsBounded) {
    auto reader = Connect();
    auto deaf = Connect();
    deaf->setReadBufferSize(1); // its side takes almost nothing off the wire
    QByteArray many;
    for (int i = 0; i < 40; ++i)
        many += "\\dump_state\n";
    // Each batch's answer is well under the bound; only what piles up counts.
    bool dropped = false;
    int round = 0;
    for (; round < 5000 && !dropped; ++round) {
        deaf->write(many);
        waitUntil([&] { return deaf->bytesToWrite() == 0 || reasons.size() > 0; });
        dropped = !reasons.empty();
    }
    ASSERT_TRUE(dropped);
    EXPECT_GT(round, 3);
    EXPECT_EQ(reasons.front(), RigctlServer::CloseReason::Unread);
    EXPECT_EQ(Ask(*reader, "f\n", 1), "28060000\n");
}

TEST(RigctlEndpoint, AddressAndPortAsWritten) {
    auto e = ParseRigctlEndpoint("4532");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(e->port, 4532);
    e = ParseRigctlEndpoint("0.0.0.0:4600");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->address, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(e->port, 4600);
    e = ParseRigctlEndpoint("[::1]:4533");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->address, QHostAddress(QHostAddress::LocalHostIPv6));
    e = ParseRigctlEndpoint("localhost:4534");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_FALSE(ReachableFromOutside(e->address));
    EXPECT_TRUE(ReachableFromOutside(QHostAddress(QHostAddress::AnyIPv4)));
    for (const char* bad : {"", "0", "65536", "host:", "nohost:4532", "12ab", "1.2.3:4532"})
        EXPECT_FALSE(ParseRigctlEndpoint(bad)) << bad;
}

} // namespace

#include "ControlTestApp.h"
#include "remote/ControlServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <sys/stat.h>

using namespace tamrel;
using tamrel::testing::waitUntil;

namespace {

struct Received {
    ControlServer::ConnectionId id;
    quint32 dwData;
    QByteArray data;
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

QByteArray bytes(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

QByteArray frame(uint32_t op, const QByteArray& args = {}) {
    const auto* data = reinterpret_cast<const uint8_t*>(args.constData());
    return bytes(control::encodeFrame(op, {data, std::size_t(args.size())}));
}

QByteArray frame(uint32_t op, uint32_t value) {
    return bytes(control::encodeFrame(op, value));
}

bool unconnected(const QLocalSocket& s) {
    return waitUntil([&] { return s.state() == QLocalSocket::UnconnectedState; });
}

class ControlServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tamrel::testing::testApp();
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        QObject::connect(&server_, &ControlServer::frameReceived,
                         [this](ControlServer::ConnectionId id, quint32 dw, const QByteArray& d) {
                             received_.push_back({id, dw, d});
                         });
        QObject::connect(&server_, &ControlServer::connectionClosed,
                         [this](ControlServer::ConnectionId id, ControlServer::CloseReason reason) {
                             closes_[id] = reason;
                             malformedCloses_ += reason == ControlServer::CloseReason::Malformed;
                         });
    }

    std::unique_ptr<QLocalSocket> client() {
        auto s = std::make_unique<QLocalSocket>();
        s->connectToServer(server_.socketPath());
        EXPECT_TRUE(s->waitForConnected(5000));
        return s;
    }
    bool receivedCount(std::size_t n) {
        return waitUntil([&] { return received_.size() == n; });
    }
    bool connectionCount(std::size_t n) {
        return waitUntil([&] { return server_.connectionCount() == n; });
    }

    QTemporaryDir runtime_;
    ControlServer server_;
    std::vector<Received> received_;
    std::map<ControlServer::ConnectionId, ControlServer::CloseReason> closes_;
    int malformedCloses_ = 0;
};

} // namespace

TEST_F(ControlServerTest, ListensPrivatelyAndTakesNoPlaceThatIsNotItsOwn) {
    const QString folder = runtime_.path() + "/tamrel";
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    ASSERT_TRUE(server_.listen()) << server_.errorString().toStdString();
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(server_.socketPath()), 0600u);

    ControlServer second;
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(second.errorString().contains("already")) << second.errorString().toStdString();
    // A server that holds no lock is found by asking the socket.
    const QString otherPath = runtime_.path() + "/other/control.sock";
    ASSERT_TRUE(QDir().mkpath(runtime_.path() + "/other"));
    QLocalServer foreign;
    ASSERT_TRUE(foreign.listen(otherPath));
    EXPECT_FALSE(second.listen(otherPath));
    EXPECT_TRUE(QFileInfo::exists(otherPath));
    auto c = client();
    c->write(frame(control::OP_STATE));
    EXPECT_TRUE(receivedCount(1)) << "the first server is disturbed";

    server_.close();
    EXPECT_FALSE(QFileInfo::exists(server_.socketPath()));
    // A plain file in the socket's place is not ours to delete.
    QFile blocker(server_.socketPath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(server_.listen());
    EXPECT_TRUE(QFileInfo::exists(server_.socketPath()));

    // A folder others could write is refused, not repaired: a socket in it may be theirs.
    ASSERT_TRUE(blocker.remove());
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_FALSE(server_.listen());
    EXPECT_TRUE(server_.errorString().contains("others can put a socket in it"))
        << server_.errorString().toStdString();
    EXPECT_EQ(modeOf(folder), 0777u);
}

// Frames reach the owner, and answers the peer registered under a name. A bad
// frame closes its own connection, and one beyond the cap is closed at once;
// the others stay served, and a freed place serves the next.
TEST_F(ControlServerTest, FramesReachTheOwnerAndOnlyBadOrSurplusConnectionsClose) {
    ASSERT_TRUE(server_.listen());
    auto first = client();
    auto second = client();
    first->write(frame(control::OP_REGISTER, "logger"));
    first->write(frame(control::OP_CW_SPEED, 60u));
    ASSERT_TRUE(receivedCount(2));
    second->write(frame(control::OP_REGISTER, "logger"));
    ASSERT_TRUE(receivedCount(3));
    EXPECT_EQ(received_[0].dwData, control::OP_REGISTER);
    EXPECT_EQ(received_[0].data, QByteArray("logger"));
    EXPECT_EQ(received_[1].dwData, control::OP_CW_SPEED);
    EXPECT_EQ(received_[1].id, received_[0].id);
    EXPECT_NE(received_[2].id, received_[0].id);
    EXPECT_EQ(server_.registeredName(received_[0].id), "logger");

    // The most recent registration under a name receives.
    const std::vector<uint8_t> answer(control::kStateSize, 0x5A);
    EXPECT_TRUE(server_.SendToPeer("logger", control::OP_STATE, answer));
    EXPECT_FALSE(server_.SendToPeer("nobody", control::OP_STATE, answer));
    const QByteArray expected = bytes(control::encodeFrame(control::OP_STATE, answer));
    ASSERT_TRUE(waitUntil([&] { return second->bytesAvailable() >= expected.size(); }));
    EXPECT_EQ(second->readAll(), expected);
    EXPECT_EQ(first->bytesAvailable(), 0);

    // When that one leaves, the earlier registration answers again.
    second->disconnectFromServer();
    ASSERT_TRUE(connectionCount(1));
    EXPECT_TRUE(server_.SendToPeer("logger", control::OP_STATE, answer));
    ASSERT_TRUE(waitUntil([&] { return first->bytesAvailable() >= expected.size(); }));
    EXPECT_EQ(first->readAll(), expected);

    first->write(frame(control::OP_UNREGISTER));
    ASSERT_TRUE(receivedCount(4));
    EXPECT_EQ(received_[3].dwData, control::OP_UNREGISTER);
    EXPECT_FALSE(server_.SendToPeer("logger", control::OP_STATE, answer));
    EXPECT_EQ(malformedCloses_, 0);

    const std::size_t cap = ControlServer::kMaxConnections;
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    while (clients.size() < cap - 1)
        clients.push_back(client());
    ASSERT_TRUE(connectionCount(cap));
    auto extra = client();
    ASSERT_TRUE(unconnected(*extra));
    EXPECT_EQ(server_.connectionCount(), cap);
    clients.back()->write(frame(control::OP_CW_SPEED, "abc")); // which are bad: the decoder's test
    ASSERT_TRUE(unconnected(*clients.back()));
    EXPECT_EQ(malformedCloses_, 1);
    ASSERT_TRUE(connectionCount(cap - 1));
    // A frame cut short by a client that leaves is no fault.
    {
        auto quitter = client();
        ASSERT_TRUE(connectionCount(cap));
        quitter->write(frame(control::OP_CW_TEXT, "CQ CQ").left(10));
        quitter->disconnectFromServer();
    }
    ASSERT_TRUE(connectionCount(cap - 1));
    EXPECT_EQ(malformedCloses_, 1);
    first->write(frame(control::OP_POWER, 200u));
    ASSERT_TRUE(receivedCount(5));
    EXPECT_EQ(received_[4].dwData, control::OP_POWER);
}

// A client that asks and never reads is dropped at the bound; the others stay.
TEST_F(ControlServerTest, ClientThatNeverReadsIsDroppedAtTheBound) {
    const qint64 answerSize = qint64(control::kHeaderSize + control::kStateSize);
    const std::vector<uint8_t> answer(control::kStateSize, 0xA5);
    uint32_t answers = 0;
    qint64 peakUnsent = 0;
    // Answers state requests at once to the asking connection's name, as the panel does.
    QObject::connect(&server_, &ControlServer::frameReceived,
                     [&](ControlServer::ConnectionId id, quint32 dw, const QByteArray&) {
                         if (dw != control::OP_STATE)
                             return;
                         server_.SendToPeer(server_.registeredName(id), control::OP_STATE, answer);
                         ++answers;
                         peakUnsent = std::max(peakUnsent, server_.unsentBytes(id));
                     });
    ASSERT_TRUE(server_.listen()) << server_.errorString().toStdString();
    auto other = client(), flood = client();
    // It reads next to nothing off the socket (Qt would otherwise drain the
    // server's output into its own buffer).
    flood->setReadBufferSize(1);
    flood->write(frame(control::OP_REGISTER, "flood"));
    ASSERT_TRUE(receivedCount(1));
    const ControlServer::ConnectionId floodId = received_[0].id;
    const QByteArray requests = frame(control::OP_STATE).repeated(256);
    ASSERT_TRUE(waitUntil(
        [&] {
            if (flood->bytesToWrite() <= 4096)
                flood->write(requests);
            return closes_.count(floodId) > 0;
        },
        60000));
    EXPECT_EQ(closes_[floodId], ControlServer::CloseReason::Unread);
    // Past the bound only in what the kernel holds, never in the program.
    EXPECT_GT(qint64(answers) * answerSize, ControlServer::kMaxUnsent);
    EXPECT_LE(peakUnsent, ControlServer::kMaxUnsent);
    EXPECT_GT(peakUnsent, ControlServer::kMaxUnsent - answerSize);
    EXPECT_EQ(server_.unsentBytes(floodId), 0);
    EXPECT_EQ(server_.registeredName(floodId), "");
    ASSERT_TRUE(unconnected(*flood)) << "the client sees the hang-up";
    EXPECT_EQ(closes_.size(), 1u);
    EXPECT_EQ(server_.connectionCount(), 1u);
    EXPECT_EQ(malformedCloses_, 0);
}

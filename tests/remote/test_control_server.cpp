#include "ControlTestApp.h"
#include "platform/Paths.h"
#include "remote/ControlServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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

std::vector<uint8_t> frame(uint32_t op, const char* text = "") {
    return control::encodeFrame(op, {reinterpret_cast<const uint8_t*>(text), std::strlen(text)});
}

QByteArray bytes(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

void send(QLocalSocket& s, const std::vector<uint8_t>& frame) {
    s.write(bytes(frame));
    s.flush();
}

uint32_t valueIn(const QByteArray& d) {
    return control::valueOf(
        {reinterpret_cast<const uint8_t*>(d.constData()), std::size_t(d.size())});
}

// A socket file bound and left with nobody behind it, as a crashed program leaves it.
int bindUnix(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? fd : -1;
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

TEST_F(ControlServerTest, PrivateFolderAndSocketModes) {
    const QString folder = runtime_.path() + "/tamrel";
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);

    ASSERT_TRUE(server_.listen()) << server_.errorString().toStdString();
    EXPECT_EQ(server_.socketPath().toStdString(), paths::controlSocketPath());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(server_.socketPath()), 0600u);
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

TEST_F(ControlServerTest, FramesReachTheOwnerAndAnswersTheRegisteredPeer) {
    ASSERT_TRUE(server_.listen());
    auto first = client();
    auto second = client();
    send(*first, frame(control::OP_REGISTER, "logger"));
    send(*first, control::encodeFrame(control::OP_CW_SPEED, 60u));
    ASSERT_TRUE(receivedCount(2));
    send(*second, frame(control::OP_REGISTER, "logger"));
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
    EXPECT_FALSE(server_.SendToPeer("", control::OP_STATE, answer));
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

    send(*first, frame(control::OP_UNREGISTER));
    ASSERT_TRUE(receivedCount(4));
    EXPECT_EQ(received_[3].dwData, control::OP_UNREGISTER);
    EXPECT_FALSE(server_.SendToPeer("logger", control::OP_STATE, answer));
    EXPECT_EQ(malformedCloses_, 0);
}

TEST_F(ControlServerTest, BadFramesCloseOnlyTheirConnectionACutOneNothing) {
    ASSERT_TRUE(server_.listen());
    auto good = client();
    auto shortSpeed = client(); // which frames are bad is the decoder's test
    send(*shortSpeed, frame(control::OP_CW_SPEED, "abc"));
    ASSERT_TRUE(waitUntil([&] { return shortSpeed->state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(malformedCloses_, 1);
    // A frame cut short by a client that leaves is no fault.
    {
        auto quitter = client();
        std::vector<uint8_t> part = frame(control::OP_CW_TEXT, "CQ CQ");
        part.resize(10);
        send(*quitter, part);
        quitter->disconnectFromServer();
    }
    ASSERT_TRUE(connectionCount(1));
    EXPECT_TRUE(received_.empty());
    EXPECT_EQ(malformedCloses_, 1);

    send(*good, control::encodeFrame(control::OP_POWER, 200u));
    ASSERT_TRUE(receivedCount(1));
    EXPECT_EQ(received_[0].dwData, control::OP_POWER);
    EXPECT_EQ(valueIn(received_[0].data), 200u);
}

// Beyond the cap a connection is closed at once; those served stay served.
TEST_F(ControlServerTest, ManyClientsUpToTheCap) {
    ASSERT_TRUE(server_.listen());
    const std::size_t cap = ControlServer::kMaxConnections;
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    while (clients.size() < cap)
        clients.push_back(client());
    ASSERT_TRUE(connectionCount(cap));
    auto extra = client();
    ASSERT_TRUE(waitUntil([&] { return extra->state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(server_.connectionCount(), cap);
    send(*clients.front(), control::encodeFrame(control::OP_CW_SPEED, 40));
    send(*clients.back(), control::encodeFrame(control::OP_CW_SPEED, 41));
    ASSERT_TRUE(receivedCount(2));
    EXPECT_NE(received_[0].id, received_[1].id);
    clients.pop_back();
    ASSERT_TRUE(connectionCount(cap - 1));
    auto next = client();
    ASSERT_TRUE(connectionCount(cap));
}

TEST_F(ControlServerTest, StaleSocketIsReplacedALiveOneIsNot) {
    const QString folder = runtime_.path() + "/tamrel";
    ASSERT_TRUE(QDir().mkpath(folder));
    const int stale = bindUnix(folder + "/control.sock");
    ASSERT_GE(stale, 0);
    ::close(stale);
    ASSERT_TRUE(server_.listen()) << server_.errorString().toStdString();

    ControlServer second;
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(second.errorString().contains("already")) << second.errorString().toStdString();

    // A server that holds no lock is found by asking the socket.
    const QString otherPath = runtime_.path() + "/other/control.sock";
    ASSERT_TRUE(QDir().mkpath(runtime_.path() + "/other"));
    QLocalServer foreign;
    ASSERT_TRUE(foreign.listen(otherPath));
    EXPECT_FALSE(second.listen(otherPath));
    EXPECT_TRUE(foreign.isListening());
    EXPECT_TRUE(QFileInfo::exists(otherPath));

    // The first server is undisturbed.
    auto c = client();
    send(*c, frame(control::OP_STATE));
    ASSERT_TRUE(receivedCount(1));
}

namespace {

// A state answer carrying its sequence number, so loss or reordering shows.
std::vector<uint8_t> numberedAnswer(uint32_t n) {
    std::vector<uint8_t> answer(control::kStateSize, 0xA5);
    for (int i = 0; i < 4; ++i)
        answer[std::size_t(i)] = uint8_t(n >> (8 * i));
    return answer;
}

const qint64 kAnswerSize = qint64(control::kHeaderSize + control::kStateSize);

} // namespace

class ControlServerOutputTest : public ControlServerTest {
protected:
    void SetUp() override {
        ControlServerTest::SetUp();
        // Answer state requests at once, as the front panel does, to the
        // name the asking connection registered.
        QObject::connect(&server_, &ControlServer::frameReceived,
                         [this](ControlServer::ConnectionId id, quint32 dw, const QByteArray&) {
                             if (dw != control::OP_STATE)
                                 return;
                             server_.SendToPeer(server_.registeredName(id), control::OP_STATE,
                                                numberedAnswer(answers_[id]++));
                             peakUnsent_ = std::max(peakUnsent_, server_.unsentBytes(id));
                         });
        ASSERT_TRUE(server_.listen()) << server_.errorString().toStdString();
    }

    // A client that reads next to nothing off the socket (Qt would otherwise
    // drain the server's output into its own buffer), registered under `name`.
    std::unique_ptr<QLocalSocket> deaf(const char* name, ControlServer::ConnectionId& id) {
        auto c = client();
        c->setReadBufferSize(1);
        const std::size_t before = received_.size();
        send(*c, frame(control::OP_REGISTER, name));
        EXPECT_TRUE(receivedCount(before + 1));
        id = received_.back().id;
        return c;
    }
    // Queues `count` state requests unless more than `queued` bytes still wait.
    void request(QLocalSocket& c, int count, qint64 queued = 0) {
        if (c.bytesToWrite() > queued)
            return;
        c.write(bytes(frame(control::OP_STATE)).repeated(count));
        requests_ += uint32_t(count);
    }

    std::map<ControlServer::ConnectionId, uint32_t> answers_;
    uint32_t requests_ = 0;
    qint64 peakUnsent_ = 0;
};

TEST_F(ControlServerOutputTest, ClientThatNeverReadsIsDroppedAtTheBound) {
    auto other = client();
    send(*other, frame(control::OP_REGISTER, "other"));
    ASSERT_TRUE(receivedCount(1));
    ControlServer::ConnectionId floodId = 0;
    auto flood = deaf("flood", floodId);
    ASSERT_EQ(server_.registeredName(floodId), "flood");

    // Ask and ask, never read.
    ASSERT_TRUE(waitUntil(
        [&] {
            request(*flood, 256, 4096);
            return closes_.count(floodId) > 0;
        },
        60000));
    EXPECT_EQ(closes_[floodId], ControlServer::CloseReason::Unread);
    // Past the bound only in what the kernel holds, never in the program.
    EXPECT_GT(qint64(answers_[floodId]) * kAnswerSize, ControlServer::kMaxUnsent);
    EXPECT_LE(peakUnsent_, ControlServer::kMaxUnsent);
    EXPECT_GT(peakUnsent_, ControlServer::kMaxUnsent - kAnswerSize);
    EXPECT_EQ(server_.unsentBytes(floodId), 0);
    EXPECT_EQ(server_.registeredName(floodId), "");

    // The client sees the hang-up.
    ASSERT_TRUE(waitUntil([&] { return flood->state() == QLocalSocket::UnconnectedState; }));

    // Nobody else is disturbed.
    send(*other, frame(control::OP_STATE));
    ASSERT_TRUE(waitUntil([&] { return other->bytesAvailable() >= kAnswerSize; }));
    EXPECT_EQ(server_.connectionCount(), 1u);
    EXPECT_EQ(malformedCloses_, 0);
}

TEST_F(ControlServerOutputTest, SlowReaderBelowTheBoundGetsEveryAnswerInOrder) {
    ControlServer::ConnectionId slowId = 0;
    auto slow = deaf("slow", slowId);

    // Let answers pile up in the program to well over half the bound.
    ASSERT_TRUE(waitUntil(
        [&] {
            request(*slow, 64);
            return server_.unsentBytes(slowId) > ControlServer::kMaxUnsent / 2;
        },
        60000));
    // Requests still on their way are answered too; wait for every one.
    ASSERT_TRUE(waitUntil([&] { return answers_[slowId] == requests_; }));
    const uint32_t answered = answers_[slowId];

    slow->setReadBufferSize(0);
    QByteArray read;
    ASSERT_TRUE(waitUntil([&] {
        read += slow->readAll();
        return read.size() >= answered * kAnswerSize;
    }));
    const std::vector<uint8_t> got(read.begin(), read.end());
    EXPECT_TRUE(closes_.empty());
    ASSERT_EQ(got.size(), answered * std::size_t(kAnswerSize));
    const std::vector<control::Frame> frames =
        control::FrameDecoder(control::Direction::ToClient).feed(got);
    ASSERT_EQ(frames.size(), answered);
    for (uint32_t i = 0; i < answered; ++i)
        ASSERT_EQ(frames[i].data, numberedAnswer(i)) << "answer " << i;
}

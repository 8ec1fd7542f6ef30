// The control socket: its frames, and the server over real local connections.
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
#include <string>
#include <sys/stat.h>

using namespace tamrel;
using namespace tamrel::control;
using tamrel::testing::waitUntil;

namespace {

std::vector<uint8_t> text(const std::string& s) {
    return {s.begin(), s.end()};
}

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

TEST(ControlFrame, EncodesHeaderAndArgumentsLittleEndian) {
    EXPECT_EQ(encodeFrame(OP_CW_SPEED, 0x0102033Cu),
              (std::vector<uint8_t>{3, 0, 0, 0, 4, 0, 0, 0, 0x3C, 0x03, 0x02, 0x01}));
    EXPECT_EQ(encodeFrame(OP_CW_TEXT, text("CQ")),
              (std::vector<uint8_t>{5, 0, 0, 0, 2, 0, 0, 0, 'C', 'Q'}));
    EXPECT_EQ(valueOf(std::vector<uint8_t>{0x3C, 0x03, 0x02, 0x01}), 0x0102033Cu);
    EXPECT_EQ(valueOf(std::vector<uint8_t>{1, 2, 3}), 0u);
    EXPECT_EQ(titleOf(text(std::string("logger\0junk", 11))), "logger");

    LinkStateRecord r{4, 5, 0x0102030405060708ull};
    const std::vector<uint8_t> link = r.toBytes();
    EXPECT_EQ(link, (std::vector<uint8_t>{4, 0, 0, 0, 5, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(LinkStateRecord::fromBytes(link), r);
    EXPECT_FALSE(LinkStateRecord::fromBytes(std::span(link).first(15)));
}

TEST(ControlFrame, SameFramesWhereverTheStreamIsSplit) {
    // A session of every operation, plus codes the panel ignores.
    const std::vector<Frame> expected = {
        {OP_REGISTER, text("N0CALL logger")},
        {OP_STATE, {}},
        {OP_CW_SPEED, {60, 0, 0, 0}},
        {OP_POWER, {0x96, 0, 0, 0}},
        {OP_CW_TEXT, text("CQ TEST")},
        {OP_UNREGISTER, {}},
        {7, text("ignored")},
        {0, {}},
    };
    std::vector<uint8_t> stream;
    for (const Frame& f : expected) {
        const std::vector<uint8_t> one = encodeFrame(f.dwData, f.data);
        stream.insert(stream.end(), one.begin(), one.end());
    }
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameDecoder d(Direction::ToPanel);
        std::vector<Frame> got = d.feed(std::span(stream).first(cut));
        if (cut == 12) { // a header and part of its argument wait for the rest
            EXPECT_TRUE(got.empty());
            EXPECT_TRUE(d.midFrame());
            EXPECT_EQ(d.buffered(), 12u);
        }
        std::vector<Frame> rest = d.feed(std::span(stream).subspan(cut));
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(got, expected) << "cut at " << cut;
        EXPECT_FALSE(d.failed());
        EXPECT_FALSE(d.midFrame());
        EXPECT_EQ(d.buffered(), 0u);
    }
}

TEST(ControlFrame, ArgumentSizesPerOperation) {
    struct Case {
        Direction dir;
        uint32_t dwData;
        uint32_t cbData;
        bool accepted;
    };
    const Direction in = Direction::ToPanel, out = Direction::ToClient;
    const Case cases[] = {
        {in, OP_REGISTER, 0, true},        {in, OP_REGISTER, kMaxTitle, true},
        {in, OP_REGISTER, 84, false},      {in, OP_STATE, 0, true},
        {in, OP_STATE, 1, false},          {in, OP_CW_SPEED, 4, true},
        {in, OP_CW_SPEED, 3, false},       {in, OP_CW_SPEED, 5, false},
        {in, OP_POWER, 4, true},           {in, OP_POWER, 8, false},
        {in, OP_CW_TEXT, 0, true},         {in, OP_CW_TEXT, kMaxCwText, true},
        {in, OP_CW_TEXT, 255, false},      {in, OP_UNREGISTER, 0, true},
        {in, OP_UNREGISTER, 2, false},     {in, 7, kMaxPayload, true},
        {in, 7, kMaxPayload + 1, false},   {in, OP_LINK_STATE, 0, true},
        {in, OP_LINK_STATE, 1, false},     {in, OP_BRING_TO_FRONT, 4, false},
        {out, OP_STATE, kStateSize, true}, {out, OP_STATE, 75, false},
        {out, OP_STATE, 77, false},        {out, OP_REGISTER, 200, true},
        {out, 9, kMaxPayload + 1, false},  {out, OP_LINK_STATE, 16, true},
        {out, OP_LINK_STATE, 76, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "dwData " << c.dwData << " cbData " << c.cbData);
        EXPECT_EQ(sizeAllowed(c.dir, c.dwData, c.cbData), c.accepted);
        FrameDecoder d(c.dir);
        std::vector<Frame> got = d.feed(encodeFrame(c.dwData, std::vector<uint8_t>(c.cbData, 'x')));
        EXPECT_EQ(d.failed(), !c.accepted);
        EXPECT_EQ(got.size(), c.accepted ? 1u : 0u);
    }
}

TEST(ControlFrame, HugeOrBadFrameIsRefusedAtItsHeader) {
    FrameDecoder d(Direction::ToPanel);
    // Frames before the bad one in the same chunk still count.
    std::vector<uint8_t> chunk = encodeFrame(OP_POWER, 100u);
    chunk.insert(chunk.end(), 8, 0xFF); // a header with operation and size at their most
    std::vector<Frame> got = d.feed(chunk);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(valueOf(got[0].data), 100u);
    EXPECT_TRUE(d.failed());
    EXPECT_EQ(d.buffered(), 0u);

    // What follows, a megabyte here, is neither kept nor decoded.
    EXPECT_TRUE(d.feed(std::vector<uint8_t>(1'000'000, 0)).empty());
    EXPECT_TRUE(d.feed(encodeFrame(OP_STATE, std::span<const uint8_t>())).empty());
    EXPECT_EQ(d.buffered(), 0u);
}

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

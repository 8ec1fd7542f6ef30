#include "remote/RigctlServer.h"

#include "radio/RadioOperations.h"
#include "remote/RigctlSession.h"

#include <QTcpSocket>

#include <cerrno>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/socket.h>
#include <vector>

namespace tamrel {

namespace {

// Descriptors left for the rest of the program (the files a user keeps, the
// radio's line, the control socket's clients) however many clients come.
constexpr std::size_t kReservedDescriptors = 48;

// Descriptors this process may still open. Once none are left, accepting
// fails and, on this Qt, is tried again at once for as long as the
// connection waits: clients are refused well before that.
std::size_t FreeDescriptors() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::size_t>::max();
    std::error_code error;
    std::size_t open = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error))
        ++open;
    return limit.rlim_cur > open ? std::size_t(limit.rlim_cur - open) : 0;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int more = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xe0) == 0xc0) {
            more = 1;
            cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            more = 2;
            cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= s.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[more] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

} // namespace

std::optional<RigctlEndpoint> ParseRigctlEndpoint(const QString& text) {
    RigctlEndpoint e;
    QString portText = text.trimmed();
    const qsizetype colon = portText.lastIndexOf(':');
    if (colon >= 0) {
        QString host = portText.left(colon);
        if (host.startsWith('[') && host.endsWith(']'))
            host = host.mid(1, host.size() - 2);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
            host = QStringLiteral("127.0.0.1");
        // Qt would take "1.2.3" as 1.2.0.3; an address to listen on is written whole.
        if (!host.contains(':') && host.count('.') != 3)
            return std::nullopt;
        if (!e.address.setAddress(host))
            return std::nullopt;
        portText = portText.mid(colon + 1);
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    e.port = static_cast<quint16>(port);
    return e;
}

bool ReachableFromOutside(const QHostAddress& address) {
    return !address.isLoopback();
}

struct RigctlServer::Connection {
    Connection(RadioOperations& ops, QTcpSocket* s, RigctlSession::MemoryLookup memories,
               RigctlSession::MorseKeyer keyer, RigctlSession::Shared* shared,
               RigctlSession::Listener listener)
        : socket(s),
          session(ops, std::move(memories), std::move(keyer), shared, std::move(listener)) {}
    QPointer<QTcpSocket> socket;
    RigctlSession session;
    QByteArray pending; // the line read so far
    QString peer;
    QTimer idle;
    QTimer keyedSilence; // runs while this client holds the transmitter keyed
};

RigctlServer::RigctlServer(RadioOperations& operations, RigctlSession::MemoryLookup memories,
                           RigctlSession::MorseKeyer keyer, QObject* parent)
    : QObject(parent), ops_(operations), memories_(std::move(memories)), keyer_(std::move(keyer)) {
    connect(&server_, &QTcpServer::newConnection, this, &RigctlServer::acceptPending);
    // Out of descriptors: wait for some to come free rather than retry at once.
    resumeAccepting_.setSingleShot(true);
    resumeAccepting_.setInterval(1000);
    connect(&server_, &QTcpServer::acceptError, this, [this] {
        server_.pauseAccepting();
        resumeAccepting_.start();
    });
    connect(&resumeAccepting_, &QTimer::timeout, this, [this] { server_.resumeAccepting(); });
    expiry_.setInterval(50);
    connect(&expiry_, &QTimer::timeout, this, &RigctlServer::expireChecks);
}

void RigctlServer::expireChecks() {
    ops_.ExpireChecks(std::chrono::steady_clock::now());
    if (!ops_.ChecksPending())
        expiry_.stop();
}

RigctlServer::~RigctlServer() {
    // Nobody hears of the last connections going: the owner is being torn down.
    blockSignals(true);
    close();
}

bool RigctlServer::listen(const RigctlEndpoint& endpoint) {
    return server_.listen(endpoint.address, endpoint.port);
}

void RigctlServer::close() {
    server_.close();
    while (!connections_.empty())
        drop(connections_.begin()->first, CloseReason::HungUp);
}

void RigctlServer::setIdleTimeout(std::chrono::milliseconds timeout) {
    idle_ = timeout;
    for (auto& [id, c] : connections_)
        c->idle.start(idle_);
}

void RigctlServer::acceptPending() {
    // Read once per batch: each connection kept takes one descriptor.
    std::size_t spare = FreeDescriptors();
    bool lookedForHungUp = false;
    const auto full = [&] {
        return connections_.size() >= maxConnections_ || spare < kReservedDescriptors;
    };
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (full() && !lookedForHungUp) {
            spare += dropHungUp();
            lookedForHungUp = true;
        }
        if (full()) {
            ++refused_;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        --spare;
        const ConnectionId id = nextId_++;
        RigctlSession::Listener listener;
        // Answers that waited for the radio; a quit among them closes the connection.
        listener.later = [this, id](std::string_view answers) {
            auto it = connections_.find(id);
            if (it == connections_.end() || !send(id, answers))
                return;
            if (it->second->session.Waiting() && !expiry_.isActive())
                expiry_.start();
            // A T 1 the radio took only now keys from here on.
            watchKeyedSilence(id);
            // Not from inside the session that is answering.
            if (it->second->session.WantsClose())
                QMetaObject::invokeMethod(
                    this, [this, id] { drop(id, CloseReason::Quit); }, Qt::QueuedConnection);
        };
        listener.note = [this, id](std::string_view what) {
            auto it = connections_.find(id);
            if (it != connections_.end())
                Q_EMIT clientChanged(id, it->second->peer,
                                     QString::fromUtf8(what.data(), qsizetype(what.size())));
        };
        auto c = std::make_unique<Connection>(ops_, socket, memories_, keyer_, &shared_,
                                              std::move(listener));
        c->peer = socket->peerAddress().toString() + ":" + QString::number(socket->peerPort());
        // Answers are small and polled for: send each at once.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        c->idle.setSingleShot(true);
        // Dropped from the event loop, not inside the timer's own signal: the
        // timer goes with the connection.
        connect(&c->idle, &QTimer::timeout, this, [this, id] {
            QMetaObject::invokeMethod(
                this, [this, id] { drop(id, CloseReason::Idle); }, Qt::QueuedConnection);
        });
        c->idle.start(idle_);
        c->keyedSilence.setSingleShot(true);
        connect(&c->keyedSilence, &QTimer::timeout, this, [this, id] {
            auto it = connections_.find(id);
            if (it == connections_.end() || !it->second->session.KeyedPtt() ||
                !ops_.Model().PttKeyed())
                return;
            ops_.SetTransmit(false);
            Q_EMIT clientUnkeyed(id, it->second->peer);
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { readFrom(id); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, id] { drop(id, CloseReason::HungUp); });
        const QString peer = c->peer;
        connections_.emplace(id, std::move(c));
        Q_EMIT clientConnected(id, peer);
        readFrom(id); // bytes may have come with the connection
    }
}

std::size_t RigctlServer::dropHungUp() {
    // A client that hung up counts until the event loop reads its end of file,
    // which a busy loop may do only after newer clients were accepted.
    std::vector<ConnectionId> gone;
    for (const auto& [id, c] : connections_) {
        // Answers still going out are left to the ordinary close.
        if (!c->socket || c->socket->bytesToWrite() > 0)
            continue;
        char byte = 0;
        const ssize_t n = ::recv(static_cast<int>(c->socket->socketDescriptor()), &byte, 1,
                                 MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            gone.push_back(id);
    }
    for (ConnectionId id : gone)
        drop(id, CloseReason::HungUp);
    return gone.size();
}

void RigctlServer::readFrom(ConnectionId id) {
    auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    Connection& c = *it->second;
    QTcpSocket* socket = c.socket;
    if (!socket)
        return;
    c.idle.start(idle_);
    std::string out;
    std::optional<CloseReason> close;
    // Read in slices, so one connection never holds more than a line.
    while (!close && socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->read(4096);
        if (chunk.isEmpty())
            break;
        for (char ch : chunk) {
            if (ch == '\0') {
                close = CloseReason::BadInput;
                break;
            }
            if (ch != '\n') {
                if (c.pending.size() >= kMaxLine) {
                    close = CloseReason::BadInput;
                    break;
                }
                c.pending.append(ch);
                continue;
            }
            const std::string_view line(c.pending.constData(),
                                        static_cast<std::size_t>(c.pending.size()));
            if (!IsUtf8(line)) {
                close = CloseReason::BadInput;
                break;
            }
            out += c.session.HandleLine(line);
            c.pending.clear();
            if (c.session.WantsClose()) {
                close = CloseReason::Quit;
                break;
            }
        }
    }
    if (c.session.Waiting() && !expiry_.isActive())
        expiry_.start();
    watchKeyedSilence(id);
    if (!send(id, out))
        return;
    if (close)
        drop(id, *close);
}

void RigctlServer::watchKeyedSilence(ConnectionId id) {
    auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    Connection& c = *it->second;
    if (c.session.KeyedPtt())
        c.keyedSilence.start(keyedSilence_); // from this line on
    else
        c.keyedSilence.stop();
}

bool RigctlServer::send(ConnectionId id, std::string_view answers) {
    auto it = connections_.find(id);
    if (it == connections_.end() || !it->second->socket)
        return false;
    QTcpSocket* socket = it->second->socket;
    if (answers.empty())
        return true;
    if (socket->bytesToWrite() + static_cast<qint64>(answers.size()) > kMaxUnsent) {
        drop(id, CloseReason::Unread);
        return false;
    }
    socket->write(answers.data(), static_cast<qint64>(answers.size()));
    return true;
}

void RigctlServer::drop(ConnectionId id, CloseReason reason) {
    auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    std::unique_ptr<Connection> c = std::move(it->second);
    connections_.erase(it);
    c->idle.stop();
    c->keyedSilence.stop();
    if (QTcpSocket* socket = c->socket) {
        socket->disconnect(this);
        if ((reason == CloseReason::Quit || reason == CloseReason::BadInput) &&
            socket->state() == QAbstractSocket::ConnectedState) {
            // What was answered before the quit or the bad byte still goes out first.
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromHost();
        } else {
            socket->abort();
            socket->deleteLater();
        }
    }
    // A client that keyed the transmitter and died (hung up without a quit,
    // fell silent, misbehaved) must not leave it keyed. One that said quit
    // meant it: "rigctl T 1" alone keys and quits.
    if (reason != CloseReason::Quit && c->session.KeyedPtt() && ops_.Model().PttKeyed())
        ops_.SetTransmit(false);
    Q_EMIT clientDisconnected(id, c->peer, reason);
}

} // namespace tamrel

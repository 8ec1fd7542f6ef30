#include "ControlServer.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamrel {

namespace {
// Enough for many frames at once; a flooding client is read in slices.
constexpr qint64 kReadBufferSize = 64 * 1024;
// How long listen() waits for an existing socket to answer.
constexpr int kProbeMs = 500;

QString systemError(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

ControlServer::ControlServer(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &ControlServer::acceptPending);
}

ControlServer::~ControlServer() {
    blockSignals(true); // no connectionClosed() from a half-destroyed object
    close();
}

bool ControlServer::listen(const QString& path) {
    close();
    error_.clear();
    path_ = path.isEmpty() ? QString::fromStdString(paths::controlSocketPath()) : path;
    if (!prepareFolder(QFileInfo(path_).absolutePath()) || !clearStaleSocket())
        return false;
    if (!server_.listen(path_)) {
        error_ = QStringLiteral("cannot listen on %1: %2").arg(path_, server_.errorString());
        releaseLock();
        return false;
    }
    // The folder already keeps others out; the mode says so again.
    if (::chmod(QFile::encodeName(path_).constData(), 0600) != 0) {
        error_ = systemError(QStringLiteral("cannot set the mode of"), path_);
        close();
        return false;
    }
    return true;
}

bool ControlServer::prepareFolder(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    bool made = ::mkdir(name.constData(), 0700) == 0;
    if (!made && errno == ENOENT) {
        // $XDG_RUNTIME_DIR itself may be missing; its parents are not ours to guard.
        QDir().mkpath(QFileInfo(folder).absolutePath());
        made = ::mkdir(name.constData(), 0700) == 0;
    }
    // One found there that others could write is refused, not repaired: a
    // socket in it may be anyone's. Our own otherwise is made private.
    if (const std::string why = paths::privateFolderProblem(name.toStdString());
        !why.empty() && !made) {
        error_ = QString::fromLocal8Bit(why.c_str());
        return false;
    }
    if (::chmod(name.constData(), 0700) != 0) {
        error_ = systemError(QStringLiteral("cannot set the mode of"), folder);
        return false;
    }
    return true;
}

bool ControlServer::clearStaleSocket() {
    // The lock settles a race between two programs starting at once; the probe
    // below catches a server that holds no lock.
    const QString lockPath = path_ + QStringLiteral(".lock");
    lockFd_ = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        error_ = systemError(QStringLiteral("cannot open"), lockPath);
        return false;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        error_ = QStringLiteral("another Tamrel is already listening on %1").arg(path_);
        releaseLock();
        return false;
    }

    const QByteArray name = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return true; // nothing there
    if (!S_ISSOCK(st.st_mode)) {
        error_ = QStringLiteral("%1 exists and is not a socket").arg(path_);
        releaseLock();
        return false;
    }
    QLocalSocket probe;
    probe.connectToServer(path_);
    if (probe.waitForConnected(kProbeMs)) {
        probe.abort();
        error_ = QStringLiteral("another Tamrel is already listening on %1").arg(path_);
        releaseLock();
        return false;
    }
    if (::unlink(name.constData()) != 0) {
        error_ = systemError(QStringLiteral("cannot remove the stale socket"), path_);
        releaseLock();
        return false;
    }
    return true;
}

void ControlServer::releaseLock() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void ControlServer::close() {
    while (!connections_.empty())
        drop(connections_.begin()->first, CloseReason::HungUp);
    server_.close(); // removes the socket file
    releaseLock();
}

bool ControlServer::isListening() const {
    return server_.isListening();
}

void ControlServer::acceptPending() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (connections_.size() >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ConnectionId id = nextId_++;
        socket->setReadBufferSize(kReadBufferSize);
        connections_[id].socket = socket;
        connect(socket, &QLocalSocket::readyRead, this, [this, id] { readFrom(id); });
        connect(socket, &QLocalSocket::disconnected, this,
                [this, id] { drop(id, CloseReason::HungUp); });
        if (socket->bytesAvailable() > 0)
            readFrom(id);
    }
}

void ControlServer::readFrom(ConnectionId id) {
    for (;;) {
        auto it = connections_.find(id);
        if (it == connections_.end() || !it->second.socket)
            return;
        const QByteArray bytes = it->second.socket->readAll();
        if (bytes.isEmpty())
            return;
        const auto* raw = reinterpret_cast<const uint8_t*>(bytes.constData());
        std::vector<control::Frame> frames =
            it->second.decoder.feed(std::span(raw, static_cast<std::size_t>(bytes.size())));
        const bool failed = it->second.decoder.failed();
        for (control::Frame& frame : frames) {
            // A receiver may have closed everything in the meantime.
            auto c = connections_.find(id);
            if (c == connections_.end())
                return;
            if (frame.dwData == control::OP_REGISTER) {
                c->second.name = control::titleOf(frame.data);
                c->second.registeredAt = ++registrations_;
            } else if (frame.dwData == control::OP_UNREGISTER) {
                c->second.name.clear();
            }
            Q_EMIT frameReceived(id, frame.dwData,
                                 QByteArray(reinterpret_cast<const char*>(frame.data.data()),
                                            static_cast<qsizetype>(frame.data.size())));
        }
        if (failed) {
            drop(id, CloseReason::Malformed);
            return;
        }
    }
}

void ControlServer::drop(ConnectionId id, CloseReason reason) {
    auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    QPointer<QLocalSocket> socket = it->second.socket;
    connections_.erase(it);
    if (socket) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater(); // may be inside one of its own signals
    }
    Q_EMIT connectionClosed(id, reason);
}

bool ControlServer::SendToPeer(const std::string& title, uint32_t dwData,
                               std::span<const uint8_t> data) {
    if (title.empty() || data.size() > control::kMaxPayload)
        return false;
    const Connection* peer = nullptr;
    ConnectionId peerId = 0;
    for (const auto& [id, c] : connections_) {
        if (c.socket && c.name == title && (!peer || c.registeredAt > peer->registeredAt)) {
            peer = &c;
            peerId = id;
        }
    }
    if (!peer)
        return false;
    return SendTo(peerId, dwData, data);
}

bool ControlServer::SendTo(ConnectionId connection, uint32_t dwData,
                           std::span<const uint8_t> data) {
    auto it = connections_.find(connection);
    if (it == connections_.end() || !it->second.socket || data.size() > control::kMaxPayload)
        return false;
    const std::vector<uint8_t> frame = control::encodeFrame(dwData, data);
    const auto size = static_cast<qint64>(frame.size());
    // Checked before writing, so the buffer never holds more than the bound.
    if (it->second.socket->bytesToWrite() + size > kMaxUnsent) {
        drop(connection, CloseReason::Unread);
        return false;
    }
    it->second.socket->write(reinterpret_cast<const char*>(frame.data()), size);
    return true;
}

qint64 ControlServer::unsentBytes(ConnectionId id) const {
    auto it = connections_.find(id);
    return it == connections_.end() || !it->second.socket ? 0 : it->second.socket->bytesToWrite();
}

std::string ControlServer::registeredName(ConnectionId id) const {
    auto it = connections_.find(id);
    return it == connections_.end() ? std::string() : it->second.name;
}

} // namespace tamrel

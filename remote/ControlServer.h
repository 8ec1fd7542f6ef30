#pragma once
// ControlServer: the local socket through which other programs drive the front
// panel (register a name, ask for the radio state, set CW speed or power, send
// CW text). Frames are those of ControlFrame.h.
//
// Responsibilities: owns the listening socket and every connection; decodes
// each connection's frames and hands every well-formed one to its owner through
// frameReceived(); remembers the name each connection registered (operation 1)
// so the owner can answer "the peer window" by that name with SendToPeer().
// What an operation does is the owner's business, not this class's.
//
// Safety: the socket lives in a folder of mode 0700 owned by this user, and is
// itself 0600, so only the same user can key the transmitter through it. A
// connection that sends a malformed frame (a size its operation does not allow,
// or more than 4096 bytes) is closed; nothing else is disturbed.
//
// Memory: what a connection sends is read in slices and decoded into at most
// one frame in progress; what it is sent but has not read waits in its socket's
// buffer, up to kMaxUnsent bytes. A client that asks for answers and never
// reads them is dropped once another answer would pass that bound, so no
// client can make the program's memory grow without end.
//
// Threading: a QObject of the GUI thread. Create it, call every function and
// connect to its signals on that thread only; it works from that thread's event
// loop and never blocks, except listen() for at most half a second while it
// asks whether an existing socket still has a live server behind it.

#include "remote/ControlFrame.h"

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <map>
#include <span>
#include <string>

class QLocalSocket;

namespace tamrel {

class ControlServer : public QObject {
    Q_OBJECT
public:
    using ConnectionId = quint64;

    // Why a connection ended.
    enum class CloseReason {
        HungUp,    // the peer closed, possibly mid-frame, or the server closed
        Malformed, // it sent a refused frame
        Unread,    // its unsent answers would have passed kMaxUnsent
    };

    // The most a connection may have sent to it and not yet read.
    static constexpr qint64 kMaxUnsent = 1024 * 1024;
    // Connections served at once; more are closed as they come, so that no
    // local program can use up the descriptors the files a user keeps need.
    static constexpr std::size_t kMaxConnections = 32;

    explicit ControlServer(QObject* parent = nullptr);
    ~ControlServer() override;

    // Listens on path, or on paths::controlSocketPath() when path is empty.
    // Creates the folder (0700), or fixes its mode when it is ours; refuses a
    // folder that belongs to another user or is not a plain folder. Replaces a
    // socket file that nobody answers on, but fails when another server is
    // listening there. False with errorString() on failure.
    bool listen(const QString& path = {});
    void close();
    bool isListening() const;
    QString socketPath() const { return path_; }
    QString errorString() const { return error_; }

    // Sends one frame to the connection that registered title, the most
    // recent one if several did. False when none did (or title is empty), and
    // when that connection had so much unread that it was dropped instead.
    bool SendToPeer(const std::string& title, uint32_t dwData, std::span<const uint8_t> data);

    // Sends one frame to that connection (an answer to what it asked). False
    // when it is gone, or was dropped for having too much unread.
    bool SendTo(ConnectionId connection, uint32_t dwData, std::span<const uint8_t> data);

    std::size_t connectionCount() const { return connections_.size(); }
    // The name a connection registered, empty when none or when it is gone.
    std::string registeredName(ConnectionId id) const;
    // Bytes sent to a connection that still wait in its buffer (0 when gone).
    qint64 unsentBytes(ConnectionId id) const;

Q_SIGNALS:
    // One well-formed frame from a connection. Operation 1 has already set the
    // connection's name and operation 6 cleared it when this is emitted.
    void frameReceived(tamrel::ControlServer::ConnectionId connection, quint32 dwData,
                       QByteArray data);
    // A connection ended, for the reason given.
    void connectionClosed(tamrel::ControlServer::ConnectionId connection,
                          tamrel::ControlServer::CloseReason reason);

private:
    struct Connection {
        QPointer<QLocalSocket> socket;
        control::FrameDecoder decoder{control::Direction::ToPanel};
        std::string name;
        uint64_t registeredAt = 0; // order of registration, for "most recent"
    };

    void acceptPending();
    void readFrom(ConnectionId id);
    void drop(ConnectionId id, CloseReason reason);
    bool prepareFolder(const QString& folder);
    bool clearStaleSocket();
    void releaseLock();

    QLocalServer server_; // parent of the connections' sockets
    std::map<ConnectionId, Connection> connections_;
    ConnectionId nextId_ = 1;
    uint64_t registrations_ = 0;
    QString path_;
    QString error_;
    int lockFd_ = -1; // flock held while listening: one server per socket path
};

} // namespace tamrel

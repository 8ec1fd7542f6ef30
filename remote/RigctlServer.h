#pragma once
// RigctlServer: the TCP listener through which digital-mode, logging and
// contest programs share the radio, speaking hamlib's rigctld protocol
// (hamlib's client is rig model 2, "NET rigctl").
//
// Every connection is independent, with its own RigctlSession (its own VFO
// mode); many may be open at once. Reads are answered from the radio model at
// once; a set's answer waits until the radio has had the command, without
// holding up the other connections.
//
// Safety: listening anywhere but the loopback address lets others key the
// transmitter; the owner chooses the address. A connection that sends a line
// longer than kMaxLine, a NUL byte or text that is not UTF-8 is closed (after
// the answers to its complete lines before it); one idle for the idle time
// (10 minutes) is dropped; one that does not read its answers is dropped once
// kMaxUnsent bytes wait for it. None of these disturbs another connection.
//
// Only the client whose T 1 keyed the transmitter last can have its end
// unkey it, and a keyed client silent for the keyed-silence time (30 s) is
// unkeyed. At most kMaxConnections clients (or as set) are served, and none
// once only the descriptors kept in reserve are left; any more are closed at once, so
// descriptors stay for the program's own files. When the system refuses an
// accept all the same, accepting pauses a second instead of retrying in a loop.
//
// Threading: a QObject of the user-interface thread, like the model; it works
// from that thread's event loop and never blocks.

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include "radio/K2RadioState.h"
#include "remote/RigctlSession.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

class QTcpSocket;

namespace tamrel {

class RadioOperations;

// Where to listen: "[ADDRESS:]PORT"; the address defaults to 127.0.0.1, and
// "localhost" is the loopback address.
struct RigctlEndpoint {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 4532;
};
std::optional<RigctlEndpoint> ParseRigctlEndpoint(const QString& text);
// True when others than this computer can reach the address.
bool ReachableFromOutside(const QHostAddress& address);

class RigctlServer : public QObject {
    Q_OBJECT
public:
    using ConnectionId = quint64;

    enum class CloseReason { HungUp, Quit, BadInput, Idle, Unread };

    static constexpr qsizetype kMaxLine = 4096;
    static constexpr qint64 kMaxUnsent = 256 * 1024;
    static constexpr std::size_t kMaxConnections = 64;

    // `memories` is where set_mem finds the memories; `keyer` where
    // send_morse and stop_morse go. Without them those commands are refused.
    explicit RigctlServer(RadioOperations& operations, RigctlSession::MemoryLookup memories = {},
                          RigctlSession::MorseKeyer keyer = {}, QObject* parent = nullptr);
    ~RigctlServer() override;

    bool listen(const RigctlEndpoint& endpoint);
    void close();
    bool isListening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    QString errorString() const { return server_.errorString(); }
    std::size_t connectionCount() const { return connections_.size(); }

    // A connection silent this long is dropped.
    void setIdleTimeout(std::chrono::milliseconds timeout);
    // A client that keyed the transmitter and is silent this long is unkeyed.
    void setKeyedSilenceTimeout(std::chrono::milliseconds timeout) { keyedSilence_ = timeout; }
    void setMaxConnections(std::size_t n) { maxConnections_ = n; }
    // Connections closed at once because the cap was reached.
    uint64_t refusedCount() const { return refused_; }

Q_SIGNALS:
    void clientConnected(tamrel::RigctlServer::ConnectionId id, QString peer);
    // A client changed the radio: "tuned VFO A to 14074.00 kHz".
    void clientChanged(tamrel::RigctlServer::ConnectionId id, QString peer, QString what);
    void clientDisconnected(tamrel::RigctlServer::ConnectionId id, QString peer,
                            tamrel::RigctlServer::CloseReason reason);
    // A keyed client fell silent and the transmitter was unkeyed.
    void clientUnkeyed(tamrel::RigctlServer::ConnectionId id, QString peer);

private:
    struct Connection;

    void acceptPending();
    // Drops the clients whose end of file is waiting unread; how many went.
    std::size_t dropHungUp();
    void readFrom(ConnectionId id);
    bool send(ConnectionId id, std::string_view answers);
    void drop(ConnectionId id, CloseReason reason);
    void expireChecks();
    void watchKeyedSilence(ConnectionId id);

    RadioOperations& ops_;
    QTcpServer server_;
    std::map<ConnectionId, std::unique_ptr<Connection>> connections_;
    ConnectionId nextId_ = 1;
    std::chrono::milliseconds idle_{std::chrono::minutes(10)};
    std::chrono::milliseconds keyedSilence_{std::chrono::seconds(30)};
    std::size_t maxConnections_ = kMaxConnections;
    uint64_t refused_ = 0;
    QTimer resumeAccepting_;
    RigctlSession::MemoryLookup memories_;
    RigctlSession::MorseKeyer keyer_;
    RigctlSession::Shared shared_;
    // Runs while a client's set waits for the radio, to give up on silence.
    QTimer expiry_;
};

} // namespace tamrel

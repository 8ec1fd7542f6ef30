#pragma once
// WsjtxListener: takes the QSOs that WSJT-X and JTDX log (their "QSO Logged"
// and "Logged ADIF" UDP messages, WsjtxMessage.h) and hands each to a sink.
// Datagrams that hold no logged QSO (status, decodes, other programs',
// garbage) are counted and dropped.
//
// "[ADDRESS:]PORT" says where (cfg::ParseUdpEndpoint): a unicast address is
// bound as it is; a multicast group is joined on every interface with the
// port shared, so that GridTracker or another logger can listen beside us.
//
// Thread: the GUI thread. The socket is a QUdpSocket on its event loop:
// reading a datagram never waits and takes microseconds, and what the sink
// does with a QSO (the log worker writes it) does not wait either, so a
// thread of its own would only add a hand-over.

#include "WsjtxMessage.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QUdpSocket;

namespace tamrel {

class WsjtxListener final : public QObject {
public:
    using Sink = std::function<void(wsjtx::LoggedQso&&)>;
    explicit WsjtxListener(Sink sink);
    ~WsjtxListener() override;

    // Listens there, instead of where it listened; empty stops. Empty on
    // success, else why not (the listener is then off).
    std::string Listen(std::string_view endpoint);
    bool Listening() const { return socket_ != nullptr; }
    uint16_t Port() const;
    // Datagrams that held no logged QSO.
    uint64_t Ignored() const { return ignored_; }

private:
    void ReadPending();

    Sink sink_;
    std::unique_ptr<QUdpSocket> socket_;
    uint64_t ignored_ = 0;
};

} // namespace tamrel

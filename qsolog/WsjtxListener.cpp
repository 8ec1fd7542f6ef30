#include "WsjtxListener.h"

#include "settings/ConfigParse.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace tamrel {

WsjtxListener::WsjtxListener(Sink sink) : sink_(std::move(sink)) {}

WsjtxListener::~WsjtxListener() = default;

uint16_t WsjtxListener::Port() const {
    return socket_ ? socket_->localPort() : 0;
}

std::string WsjtxListener::Listen(std::string_view endpoint) {
    socket_.reset();
    if (endpoint.find_first_not_of(" \t") == std::string_view::npos)
        return {};
    const std::optional<cfg::UdpEndpoint> where = cfg::ParseUdpEndpoint(endpoint);
    if (!where)
        return "\"" + std::string(endpoint) + "\" is not [ADDRESS:]PORT";
    auto socket = std::make_unique<QUdpSocket>();
    const QHostAddress address(QString::fromStdString(where->address));
    const bool group = where->multicast();
    const bool bound = group ? socket->bind(QHostAddress::AnyIPv4, where->port,
                                            QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                             : socket->bind(address, where->port);
    if (!bound || (group && !socket->joinMulticastGroup(address)))
        return socket->errorString().toStdString();
    // Room for a burst while the event loop is busy elsewhere.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 << 20));
    connect(socket.get(), &QUdpSocket::readyRead, this, [this] { ReadPending(); });
    socket_ = std::move(socket);
    return {};
}

void WsjtxListener::ReadPending() {
    // The sink may stop or move the listener; the socket read from stays until the loop ends.
    QUdpSocket* socket = socket_.get();
    while (socket && socket == socket_.get() && socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket->receiveDatagram();
        const QByteArray bytes = d.data();
        std::optional<wsjtx::LoggedQso> qso =
            wsjtx::readLoggedQso({bytes.constData(), static_cast<std::size_t>(bytes.size())});
        if (!qso) {
            ++ignored_;
            continue;
        }
        sink_(std::move(*qso));
    }
}

} // namespace tamrel

#include "remote/ControlSession.h"

#include "radio/RadioOperations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <span>

namespace tamrel {

std::vector<uint8_t> LinkStateBytes(const K2RadioModel& model) {
    const LinkMonitor& link = model.Link();
    control::LinkStateRecord r;
    r.state = static_cast<uint32_t>(link.State());
    r.error = static_cast<uint32_t>(link.Error());
    if (link.LastReply() != LinkMonitor::Clock::time_point{})
        r.lastReplyMs = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  link.LastReply().time_since_epoch())
                                                  .count());
    return r.toBytes();
}

ControlSession::ControlSession(ControlServer& server, RadioOperations& radio, Window& window,
                               QObject* parent)
    : QObject(parent), server_(server), radio_(radio), window_(window) {
    connect(&server_, &ControlServer::frameReceived, this,
            [this](ControlServer::ConnectionId id, quint32 dwData, const QByteArray& data) {
                OnFrame(id, dwData, data);
            });
}

void ControlSession::OnFrame(ControlServer::ConnectionId connection, quint32 dwData,
                             const QByteArray& data) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.data()),
                                         std::size_t(data.size()));
    // Without a radio there is nothing to set.
    const bool radio = radio_.Channel() != nullptr;
    switch (dwData) {
    case control::OP_REGISTER:
        peerTitle_ = control::titleOf(bytes);
        window_.OpenKeyboard();
        break;
    case control::OP_STATE:
        server_.SendToPeer(peerTitle_, control::OP_STATE, radio_.Model().Snapshot().toBytes());
        break;
    case control::OP_CW_SPEED:
        if (radio)
            radio_.SetCwSpeed(int(control::valueOf(bytes)));
        break;
    case control::OP_POWER:
        if (radio) // other programs give the power in the radio's normal range
            radio_.SetPower(int(control::valueOf(bytes)), false);
        break;
    case control::OP_CW_TEXT:
        // At most 254 characters.
        if (!data.isEmpty())
            window_.SendCwText(
                std::string(data.constData(), std::size_t(std::min<qsizetype>(data.size(), 254))));
        break;
    case control::OP_UNREGISTER:
        peerTitle_.clear();
        break;
    case control::OP_STATE_HERE: {
        // A look at the state opens nothing: answered here, no registering.
        const auto state = radio_.Model().Snapshot().toBytes();
        std::vector<uint8_t> answer(state.begin(), state.end());
        const uint32_t wholeWatts = radio_.Model().Fields().powerRange ? 1 : 0;
        for (int i = 0; i < 4; ++i)
            answer.push_back(uint8_t(wholeWatts >> (8 * i)));
        server_.SendTo(connection, control::OP_STATE_HERE, answer);
        break;
    }
    case control::OP_LINK_STATE:
        server_.SendTo(connection, control::OP_LINK_STATE, LinkStateBytes(radio_.Model()));
        break;
    case control::OP_BRING_TO_FRONT:
        std::fprintf(stderr, "tamrel: another copy was started; coming to the front\n");
        window_.BringToFront();
        break;
    default:
        break;
    }
}

} // namespace tamrel

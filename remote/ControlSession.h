#pragma once
// ControlSession: what the control socket's operations do (see ControlFrame.h
// for the frames): register and unregister the peer's name, answer the radio
// state to the peer and the link state to whoever asks, set the CW speed and
// the power through the radio operations, and hand CW text and "come to the
// front" to the window that shows them.
//
// Thread: the GUI thread, like the server, the model and the operations.

#include "remote/ControlServer.h"

#include <QObject>

#include <cstdint>
#include <string>
#include <vector>

namespace tamrel {

class K2RadioModel;
class RadioOperations;

// The link state as the control socket answers it (OP_LINK_STATE).
std::vector<uint8_t> LinkStateBytes(const K2RadioModel& model);

class ControlSession final : public QObject {
public:
    // What the operations ask of the front panel's window.
    class Window {
    public:
        // A program registered: the keyboard CW window opens for its text.
        virtual void OpenKeyboard() = 0;
        // Text to key, for the open keyboard CW window; dropped when none is open.
        virtual void SendCwText(const std::string& text) = 0;
        // A second copy was started: this one comes to the front.
        virtual void BringToFront() = 0;

    protected:
        ~Window() = default;
    };

    ControlSession(ControlServer& server, RadioOperations& radio, Window& window,
                   QObject* parent = nullptr);

    // The name the peer registered (operation 1), empty when none.
    const std::string& PeerTitle() const { return peerTitle_; }

private:
    void OnFrame(ControlServer::ConnectionId connection, quint32 dwData, const QByteArray& data);

    ControlServer& server_;
    RadioOperations& radio_;
    Window& window_;
    std::string peerTitle_;
};

} // namespace tamrel

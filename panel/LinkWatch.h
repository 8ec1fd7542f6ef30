#pragma once
// CLinkWatch: keeps the radio model's link state current for the front panel.
//
// Once a second it gives the link monitor a poll tick with the channel's
// count of bytes received (so a radio that stops answering is noticed within
// two ticks), and it turns the receive thread's WM_K2_LINK_EVENT messages into
// lost / reopened. After a reopen the owner runs the initial query again.
//
// Thread: the GUI thread, like the model.

#include "platform/Messages.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tamrel {

class CK2CommChannel;
class K2RadioModel;

// The link state as the control socket answers it (OP_LINK_STATE).
std::vector<uint8_t> LinkStateBytes(const K2RadioModel& model);

class CLinkWatch final : public QObject {
public:
    // The model announces every change of the link state; reopened() runs
    // after the device came back.
    CLinkWatch(K2RadioModel& model, std::function<void()> reopened, QObject* parent = nullptr);

    // The channel as the application left it: open (waiting for the first
    // reply) or not. Not open and no failure reported: no port.
    void SetChannel(CK2CommChannel* channel);
    // The application could not open the device.
    void SetOpenFailure(const std::string& device, int error);
    // Starts the ticks (the window is shown).
    void Start(std::chrono::milliseconds period = std::chrono::seconds(1));
    // WM_K2_LINK_EVENT from the receive thread.
    void OnLinkEvent(const Message& m);
    // One tick now (also what the timer calls).
    void Tick();

private:
    K2RadioModel& model_;
    CK2CommChannel* channel_ = nullptr;
    std::function<void()> reopened_;
    QTimer timer_;
};

} // namespace tamrel

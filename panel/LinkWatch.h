#pragma once
// CLinkWatch: keeps the radio model's link state current for the front panel.
//
// Once a second it gives the link monitor a poll tick with the channel's
// count of bytes received (so a radio that stops answering is noticed within
// two ticks), and it turns the receive thread's link events into
// lost / reopened. After a reopen the owner runs the initial query again.
//
// Thread: the GUI thread, like the model.

#include "platform/ClockTimer.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tamrel {

class CK2CommChannel;
class K2RadioModel;

class CLinkWatch final : public QObject {
public:
    // The model announces every change of the link state; reopened() runs
    // after the device came back. The ticks keep `clock`.
    CLinkWatch(K2RadioModel& model, Clock& clock, std::function<void()> reopened,
               QObject* parent = nullptr);

    // The channel as the application left it: open (waiting for the first
    // reply) or not. Not open and no failure reported: no port.
    void SetChannel(CK2CommChannel* channel);
    // The application could not open the device.
    void SetOpenFailure(const std::string& device, int error);
    // Starts the ticks (the window is shown).
    void Start(std::chrono::milliseconds period = std::chrono::seconds(1));
    // The receive thread saw the line hang up (or a reopen fail), or come back.
    void OnLinkLost(int error);
    void OnLinkReopened();
    // One tick now (also what the timer calls).
    void Tick();

private:
    K2RadioModel& model_;
    CK2CommChannel* channel_ = nullptr;
    std::function<void()> reopened_;
    ClockTimer timer_;
};

} // namespace tamrel

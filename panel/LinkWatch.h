#pragma once
// LinkWatch: keeps the radio model's link state current for the front panel.
//
// Once a second it gives the link monitor a poll tick with the channel's
// count of bytes received (so a radio that stops answering is noticed within
// two ticks), and it turns the receive thread's link events into
// lost / reopened. After a reopen the owner runs the initial query again.
//
// While the link is live the whole state is read again now and then (the
// status poll reads only the display and the bar graph), and soon after a
// reply arrived garbled, so that a value a bad byte cost is not kept wrong.
//
// Thread: the GUI thread, like the model.

#include "platform/ClockTimer.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamrel {

class CK2CommChannel;
class K2RadioModel;

class LinkWatch final : public QObject {
public:
    // The model announces every change of the link state; reopened() runs
    // after the device came back. refresh() reads the whole state again:
    // every `refreshTicks` ticks, and at the first tick at least
    // kMinRefreshTicks after the last when a reply came garbled. The ticks
    // keep `clock`.
    LinkWatch(K2RadioModel& model, Clock& clock, std::function<void()> reopened,
              std::function<void()> refresh, int refreshTicks = kRefreshTicks,
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
    static constexpr int kRefreshTicks = 60;
    static constexpr int kMinRefreshTicks = 5;

private:
    K2RadioModel& model_;
    CK2CommChannel* channel_ = nullptr;
    std::function<void()> reopened_;
    std::function<void()> refresh_;
    int refreshTicks_;
    int ticksSinceRefresh_ = 0;
    uint64_t unreadSeen_ = 0;
    ClockTimer timer_;
};

} // namespace tamrel

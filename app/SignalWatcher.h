#pragma once
// Turns SIGTERM and SIGINT into a call on the GUI thread, so that the program
// ends in order (the same way as a confirmed exit) instead of dying mid-write.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tamrel {

class SignalWatcher final : public QObject {
public:
    // Installs the handlers; `onSignal` runs on this object's thread with the
    // signal number. One instance per process.
    explicit SignalWatcher(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~SignalWatcher() override;

private:
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tamrel

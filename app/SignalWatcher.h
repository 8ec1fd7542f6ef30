#pragma once
// Turns the signals that end the program (SIGTERM, SIGINT, SIGHUP when the
// terminal closes, SIGQUIT) into a call on the GUI thread, so that the program
// ends in order (the same way as a confirmed exit) instead of dying mid-write.
//
// Made as soon as the application exists, so that a signal during the splash
// or while a message box waits is not lost: open modal dialogs are closed,
// boxes asked for later are not shown (StopRequested), and the start-up skips
// the panel. Should the orderly end not finish, the process ends anyway
// 1.9 s after the first signal.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tamrel {

class SignalWatcher final : public QObject {
public:
    // Installs the handlers. One instance per process.
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // Runs on this object's thread with the signal number, after the modal
    // dialogs were closed; replaces the one set before.
    void setHandler(std::function<void(int)> onSignal) { onSignal_ = std::move(onSignal); }

private:
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// True once a signal asked the program to end.
bool StopRequested();

} // namespace tamrel

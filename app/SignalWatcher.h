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

#include <memory>

class QSocketNotifier;

namespace tamrel {

class SignalWatcher final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. One instance per process.
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    // On this object's thread, after the modal dialogs were closed. Each
    // stage of the program's life listens while it lasts.
    void endRequested(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

// True once a signal asked the program to end.
bool StopRequested();

} // namespace tamrel

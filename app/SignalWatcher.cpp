#include "SignalWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tamrel {

namespace {
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stop = 0;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

extern "C" void onSignal(int sig) {
    // Only async-signal-safe work here: note it and hand the number to the event loop.
    g_stop = 1;
    unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
}

// A modal dialog's own event loop would keep the one below it (and so the
// end) waiting for a click.
void closeModalDialogs() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->isModal())
            d->done(QDialog::Rejected);
}

// The end must not hang on anything (a stalled line, a dialog the loop above
// cannot reach): past this the process ends without the rest.
void startDeadline() {
    static bool started = false;
    if (std::exchange(started, true))
        return;
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1900));
        static const char text[] = "tamrel: the orderly end took too long; ending now\n";
        [[maybe_unused]] ssize_t n = ::write(2, text, sizeof text - 1);
        ::_exit(1);
    }).detach();
}
} // namespace

bool StopRequested() {
    return g_stop != 0;
}

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char b = 0;
        while (::read(g_pipe[0], &b, 1) == 1) {
            startDeadline();
            closeModalDialogs();
            Q_EMIT endRequested(b);
        }
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
}

SignalWatcher::~SignalWatcher() {
    for (int sig : kSignals)
        std::signal(sig, SIG_DFL);
    notifier_.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace tamrel

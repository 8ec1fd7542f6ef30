#pragma once
// The Qt application and event-loop waiting shared by the control-socket tests.
// gtest_main owns main(), so the application is made on first use.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace tamrel::testing {

inline QCoreApplication& testApp() {
    static int argc = 1;
    static char name[] = "tamrel-control-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until done() holds or the (generous) time is up.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    testApp();
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the blocking wait below now and then
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace tamrel::testing

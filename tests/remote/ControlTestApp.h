#pragma once
// The Qt application, event-loop waiting and line exchange shared by the socket tests.
// gtest_main owns main(), so the application is made on first use.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIODevice>
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

// Sends text and waits for `lines` whole lines of answer.
inline QByteArray ask(QIODevice& s, const QByteArray& text, int lines = 1) {
    s.write(text);
    QByteArray got;
    waitUntil([&] {
        got += s.readAll();
        return got.count('\n') >= lines;
    });
    return got;
}

} // namespace tamrel::testing

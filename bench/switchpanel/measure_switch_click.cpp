// Measures the time from a click on a key of the switch panel to its SW code
// arriving on the far end of a pseudo-terminal: the click's posted request,
// the front panel, the channel's sequence runner and the write. Prints the
// median, the 90th percentile and the extremes of N clicks (default 100).
//
//   measure_switch_click [N]
//
// Runs offscreen with a settings file of its own in a temporary folder.

#include "controls/CShadedButton.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/FrontPanelLayout.h"
#include "platform/Prompter.h"
#include "platform/PseudoTerminal.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "switchpanel/CKeySwitchEmulationPanel1Dlg.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace tamrel;
using Steady = std::chrono::steady_clock;

namespace {

// Reads what the program wrote so far, waiting at most `wait`.
std::string drain(int fd, std::chrono::milliseconds wait) {
    std::string got;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, int(wait.count())) > 0 && (p.revents & POLLIN)) {
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, std::size_t(n));
        wait = std::chrono::milliseconds(0);
    }
    return got;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int clicks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    RecordingPrompter prompter(false);
    CRigControlRegistry registry(prompter);
    SystemConfig config;
    registry.GetSystemConfig(config);

    PseudoTerminal pty;
    pty.holdSlaveOpen(true);
    CK2CommChannel channel;
    if (channel.OpenDevice(pty.slavePath(), 0, 4800, 8, 0, 1) != K2_OK) {
        std::fprintf(stderr, "cannot open %s\n", pty.slavePath().c_str());
        return 1;
    }
    K2RadioModel radio = RadioModelFromSettings(registry);
    RadioOperations ops(radio);
    CFrontPanelDlg panel(registry, prompter, ops);
    panel.SetChannel(&channel);
    panel.show();
    // Let the initial query go out and the line fall quiet.
    for (auto end = Steady::now() + std::chrono::seconds(3); Steady::now() < end;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        drain(pty.masterFd(), std::chrono::milliseconds(5));
    }
    QTest::mouseClick(findControl(panel, ctl::kSwitchPanel), Qt::LeftButton);
    QWidget* key = panel.SwitchPanel()->Basic().Key(1261); // "Band+": SW01

    std::vector<double> micros;
    for (int i = 0; i < clicks; ++i) {
        std::string got;
        const auto start = Steady::now();
        QTest::mouseClick(key, Qt::LeftButton);
        while (got.find("SW01;") == std::string::npos &&
               Steady::now() - start < std::chrono::seconds(2)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            got += drain(pty.masterFd(), std::chrono::milliseconds(0));
        }
        const auto end = Steady::now();
        if (got.find("SW01;") == std::string::npos) {
            std::fprintf(stderr, "click %d: no SW01 within 2 s\n", i);
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        drain(pty.masterFd(), std::chrono::milliseconds(2));
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[std::size_t(q * double(micros.size() - 1))]; };
    std::printf("clicks %d  median %.0f us  p90 %.0f us  min %.0f us  max %.0f us\n", clicks,
                at(0.5), at(0.9), micros.front(), micros.back());
    channel.Close();
    return 0;
}

// The front panel window in this process, on a pseudo-terminal: from the
// initial query through the first reply to the end of the window.

#include "TamrelProcess.h"
#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CStaticEx.h"
#include "panel/CFrontPanelDlg.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace tamrel;
using namespace tamrel::test;
using namespace std::chrono_literals;

namespace {

// Runs the window's event loop and listens on the line until done() holds.
bool pumpUntil(PtyPeer& peer, const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        peer.collectFor(5ms);
    }
    return true;
}

bool heard(const PtyPeer& peer, const std::string& command) {
    for (const auto& c : peer.commands())
        if (c.text == command)
            return true;
    return false;
}

} // namespace

TEST(FrontPanelLifecycle, FirstReplyShowsPortAndFrequencyAndEndSwitchesAutoInfoOff) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter,
                                 QDir(config.path()).filePath("Rig Control.reg").toStdString());
    // As on a first run: the key exists with its defaults before it is changed.
    registry.CreateDefaultSettings();
    ASSERT_TRUE(registry.SetCommPort({3, 4800, 0, 1, ""}));

    PtyPeer peer;
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(peer.device(), 3, 4800, 8, 0, 1), K2_OK);
    {
        K2RadioModel radio = RadioModelFromSettings(registry);
        RadioOperations ops(radio);
        CFrontPanelDlg dlg(registry, prompter, ops);
        dlg.SetChannel(&channel);
        dlg.show();
        ASSERT_TRUE(pumpUntil(peer, [&] { return heard(peer, "LK"); })) << peer.raw();
        EXPECT_EQ(dlg.Presenter().View().statusText, "Querying Info From Radio...");
        // The scrolling line keeps a blank after its message.
        EXPECT_EQ(dlg.Widgets().status->message().trimmed(), "Querying Info From Radio...");
        EXPECT_EQ(dlg.Widgets().portText->text(), "None");

        peer.send("FA00014060000;");
        EXPECT_TRUE(pumpUntil(peer, [&] {
            return dlg.Presenter().View().portText == "COM3" &&
                   dlg.Widgets().portText->text() == "COM3";
        })) << dlg.Presenter().View().portText;
        EXPECT_EQ(dlg.Presenter().View().vfoAText, "  14060.00");
        EXPECT_EQ(dlg.Widgets().vfoA->text(), "  14060.00");
        EXPECT_EQ(dlg.Presenter().View().statusText, "");
        EXPECT_EQ(dlg.Widgets().status->message().trimmed(), "");
        EXPECT_FALSE(dlg.Widgets().status->isScrolling());
        // The first reply has switched the poll on.
        EXPECT_TRUE(pumpUntil(peer, [&] { return heard(peer, "DS") && heard(peer, "BG"); }))
            << peer.raw();

        peer.clear();
        // The panel runs without declaring itself modal to the window manager.
        bool modal = true;
        QTimer::singleShot(0, &dlg, [&] {
            modal = dlg.isModal() || QApplication::activeModalWidget() != nullptr;
            dlg.EndWithoutQuestion();
        });
        EXPECT_EQ(dlg.Run(), QDialog::Accepted);
        EXPECT_FALSE(modal);
        EXPECT_FALSE(dlg.isVisible());
        pumpUntil(
            peer, [] { return false; }, 500);
        EXPECT_TRUE(prompter.texts().empty());
    }
    // The poll runs on until the channel closes; of the panel's own commands
    // auto-information off is the last.
    const auto sent = withoutPolling(peer.commands());
    ASSERT_FALSE(sent.empty()) << peer.raw();
    EXPECT_EQ(sent.back(), "AI0") << peer.raw();
    channel.Close();
    peer.clear();
    peer.collectFor(1500ms);
    EXPECT_TRUE(peer.raw().empty()) << peer.raw();
}

TEST(FrontPanelLifecycle, AnUnreadableSettingsLineIsShownOnceTheRadioAnswers) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString file = QDir(config.path()).filePath("Rig Control.reg");
    {
        RecordingPrompter quiet;
        CRigControlRegistry first(quiet, file.toStdString());
        first.CreateDefaultSettings();
    }
    QFile reg(file);
    ASSERT_TRUE(reg.open(QIODevice::Append));
    reg.write("\"Broken\"=\"no end\r\n");
    reg.close();

    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter, file.toStdString());
    PtyPeer peer;
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(peer.device(), 3, 4800, 8, 0, 1), K2_OK);
    K2RadioModel radio = RadioModelFromSettings(registry);
    RadioOperations ops(radio);
    CFrontPanelDlg dlg(registry, prompter, ops);
    dlg.SetChannel(&channel);
    dlg.show();
    ASSERT_TRUE(pumpUntil(peer, [&] { return heard(peer, "LK"); })) << peer.raw();
    peer.send("FA00014060000;");
    ASSERT_TRUE(pumpUntil(peer, [&] { return dlg.Presenter().View().portText != "None"; }));
    const PanelView& view = dlg.Presenter().View();
    EXPECT_EQ(view.statusText.rfind("Rig Control.reg line ", 0), 0u) << view.statusText;
    EXPECT_EQ(view.statusStyle, StatusStyle::Error);
    channel.Close();
}

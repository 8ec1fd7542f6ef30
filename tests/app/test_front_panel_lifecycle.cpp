// The front panel window in this process, on a pseudo-terminal: from the
// initial query through the first reply to the end of the window.

#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CStaticEx.h"
#include "support/PanelOnPty.h"

#include <QApplication>
#include <QTimer>

#include <fstream>

using namespace tamrel;
using namespace std::chrono_literals;

using FrontPanelLifecycle = test::PanelOnPty;

TEST_F(FrontPanelLifecycle, FirstReplyShowsThePortAndTheEndSwitchesAutoInfoOff) {
    Open();
    EXPECT_EQ(view().statusText, "Querying Info From Radio...");
    // The scrolling line keeps a blank after its message.
    EXPECT_EQ(dlg_->Widgets().status->message().trimmed(), "Querying Info From Radio...");
    EXPECT_EQ(dlg_->Widgets().portText->text(), "None");

    radioSays("FA00014060000;", [&] {
        return view().portText != "None" &&
               dlg_->Widgets().portText->text().toStdString() == view().portText;
    });
    EXPECT_EQ(view().statusText, "");
    EXPECT_EQ(dlg_->Widgets().status->message().trimmed(), "");
    EXPECT_FALSE(dlg_->Widgets().status->isScrolling());
    // (The poll it starts is checked on the whole program, in TamrelProgram.)

    // The poll runs on until the channel closes; of the panel's own commands
    // auto-information off is the last.
    // The panel runs without declaring itself modal to the window manager.
    bool modal = true;
    QTimer::singleShot(0, dlg_.get(), [&] {
        modal = dlg_->isModal() || QApplication::activeModalWidget() != nullptr;
        dlg_->EndWithoutQuestion();
    });
    EXPECT_EQ(dlg_->Run(), QDialog::Accepted);
    EXPECT_FALSE(modal);
    EXPECT_FALSE(dlg_->isVisible());
    const auto after = sent(500ms);
    ASSERT_FALSE(after.empty()) << peer_.raw();
    EXPECT_EQ(after.back(), "AI0");
    EXPECT_TRUE(prompter_.texts().empty());
    channel_.Close();
    peer_.clear();
    peer_.collectFor(1500ms);
    EXPECT_TRUE(peer_.raw().empty()) << peer_.raw();
}

TEST_F(FrontPanelLifecycle, AnUnreadableSettingsLineIsShownOnceTheRadioAnswers) {
    std::ofstream(registry_->settingsFile(), std::ios::app) << "\"Broken\"=\"no end\r\n";
    registry_ = std::make_unique<CRigControlRegistry>(prompter_);
    Open();
    radioSays("FA00014060000;", [&] { return view().portText != "None"; });
    EXPECT_EQ(view().statusText.rfind("Rig Control.reg line ", 0), 0u) << view().statusText;
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);
}

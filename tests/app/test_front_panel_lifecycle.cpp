// The front panel window in this process, on a pseudo-terminal: from the
// first reply to the end of the window.

#include "support/PanelOnPty.h"

#include <QApplication>
#include <QTimer>

#include <fstream>

using namespace tamrel;

using FrontPanelLifecycle = test::PanelOnPty;

// (The first reply clearing the status line, the poll it starts and the
// commands of the end are the window's and the whole program's tests.)
TEST_F(FrontPanelLifecycle, AnUnreadableSettingsLineIsShownAndThePanelIsNotModal) {
    std::ofstream(registry_->settingsFile(), std::ios::app) << "\"Broken\"=\"no end\r\n";
    registry_ = std::make_unique<CRigControlRegistry>(prompter_);
    Open();
    radioSays("FA00014060000;", [&] { return view().portText != "None"; });
    EXPECT_EQ(view().statusText.rfind("Rig Control.reg line ", 0), 0u) << view().statusText;
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);

    // The panel runs without declaring itself modal to the window manager.
    bool modal = true;
    QTimer::singleShot(0, dlg_.get(), [&] {
        modal = dlg_->isModal() || QApplication::activeModalWidget() != nullptr;
        dlg_->EndWithoutQuestion();
    });
    EXPECT_EQ(dlg_->Run(), QDialog::Accepted);
    EXPECT_FALSE(modal);
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_TRUE(prompter_.texts().empty());
}

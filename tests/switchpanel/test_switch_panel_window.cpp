// The switch panel's real widgets, opened from the front panel, the radio on a
// pty: what the keys and the scanner put on the wire; how it hides and follows.

#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/FrontPanelLayout.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "support/PanelOnPty.h"
#include "switchpanel/CKeySwitchEmulationPanel1Dlg.h"
#include "switchpanel/CKeySwitchEmulationPanel2Dlg.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QFile>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace tamrel;
using namespace tamrel::switchpanel;
using namespace std::chrono_literals;

namespace {

using Page2 = CKeySwitchEmulationPanel2Dlg;

std::string sw(int code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "SW%02d", code);
    return buf;
}

class SwitchPanelWindow : public test::PanelOnPty {
protected:
    void SetUp() override {
        PanelOnPty::SetUp();
        ScanLimits limits;
        registry_->GetScanLimits(limits); // creates the values: they can be set now
        registry_->CreateWindowSizeKey();
    }

    CKeySwitchEmulationPanelsPropSheet& Panel() {
        if (!dlg_->SwitchPanel())
            QTest::mouseClick(findControl(*dlg_, ctl::kSwitchPanel), Qt::LeftButton);
        EXPECT_NE(dlg_->SwitchPanel(), nullptr);
        return *dlg_->SwitchPanel();
    }
    CShadedButton& Key(int id) {
        auto* b = qobject_cast<CShadedButton*>(findControl(Panel(), id));
        EXPECT_NE(b, nullptr) << id;
        return *b;
    }
    void Click(int id) { QTest::mouseClick(&Key(id), Qt::LeftButton); }
    CEditEx& Edit(int id) { return *qobject_cast<CEditEx*>(findControl(Panel(), id)); }
    void Type(int id, const QString& text) {
        CEditEx& e = Edit(id);
        e.setFocus();
        e.selectAll();
        QTest::keyClicks(&e, text);
    }
    // The radio is on 40 m; "Scan" shows the limits.
    void ScanOn40m() {
        peer_.send("FA00007040000;");
        ASSERT_TRUE(pumpUntil([&] { return view().vfoAText == "   7040.00"; }));
        Panel().Tabs().setCurrentIndex(1);
        Click(Page2::kScanStart);
        ASSERT_TRUE(pumpUntil([&] { return Panel().Advance().Scanner().BandKnown(); }));
        sent(0ms);
    }
};

} // namespace

TEST_F(SwitchPanelWindow, OpensUnderThePanelFollowsItKeysLookAndSendAsTheMenuSaysHidingKeepsIt) {
    registry_->SetWindowRect({40, 30, 40 + 1000, 30 + 700});
    Open();
    auto* button = findControl(*dlg_, ctl::kSwitchPanel);
    EXPECT_EQ(dlg_->SwitchPanel(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    CKeySwitchEmulationPanelsPropSheet* panel = dlg_->SwitchPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->Tabs().currentIndex(), 0);
    const int height = panel->frameGeometry().height();
    EXPECT_EQ(panel->frameGeometry(), QRect(40, 731, 1000, height));
    // The front panel's own moves count once its placement has settled.
    pumpFor(400ms);
    dlg_->move(120, 80);
    pumpFor(50ms);
    const QRect main = dlg_->frameGeometry();
    EXPECT_EQ(panel->frameGeometry(), QRect(main.left(), main.bottom() + 2, main.width(), height));

    // Every key's face, then a click on each: in the first menus, in the next
    // key menu (the digits turn red) and in the next config menu (the items
    // do). Every menu pair is the key table's test. The menu keys send nothing.
    const KeySwitchMenus& menus = panel->Basic().Menus();
    std::string expected;
    for (int menuKey : {0, kNextKeyMenuId, kNextConfigMenuId}) {
        if (menuKey != 0)
            Click(menuKey);
        for (int id : KeySwitchMenus::AllIds()) {
            const KeyFace face = *menus.FaceOf(id);
            EXPECT_EQ(Key(id).text().toStdString(), face.label) << id;
            ASSERT_TRUE(Key(id).shade()) << id;
            EXPECT_EQ(Key(id).shade()->base,
                      face.shade == KeyShade::Red ? QColor(255, 55, 55) : QColor(55, 255, 55))
                << id;
        }
        for (int id : KeySwitchMenus::AllIds()) {
            if (id == kNextKeyMenuId || id == kNextConfigMenuId)
                continue;
            expected += sw(*menus.CodeOf(id)) + ";";
            Click(id);
        }
    }
    ASSERT_TRUE(pumpUntil([&] { return peer_.raw().size() >= expected.size(); }));
    pumpFor(100ms);
    EXPECT_EQ(peer_.raw(), expected);
    peer_.clear();

    // Enter hides it wherever the focus is (Escape and the close box are the
    // dialog's own); the button shows the same window again.
    auto hiddenBy = [&](const std::function<void()>& act) {
        panel->Basic().Key(1261)->setFocus();
        act();
        const bool hidden = !panel->isVisible();
        QTest::mouseClick(button, Qt::LeftButton);
        return hidden && panel->isVisible() && dlg_->SwitchPanel() == panel;
    };
    EXPECT_TRUE(hiddenBy([&] { QTest::keyClick(panel, Qt::Key_Enter, Qt::KeypadModifier); }));
    panel->Tabs().setCurrentIndex(1); // Enter in a limit edit too
    EXPECT_TRUE(hiddenBy([&] { QTest::keyClick(&Edit(Page2::kLowEdit), Qt::Key_Return); }));

    EXPECT_EQ(menus.keyMenu(), KeyMenu::Numeric);
    EXPECT_EQ(menus.configMenu(), ConfigMenu::Menu4);
    EXPECT_EQ(Key(kNextKeyMenuId).text(), "Hold");
    // The front panel stays, and Enter there was not its exit question.
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_TRUE(prompter_.texts().empty());
    EXPECT_TRUE(sent().empty());
}

// Which texts are corrected or refused is the scanner's own test; here, that
// the window shows it, says why, saves only what starts, and scans.
TEST_F(SwitchPanelWindow, LimitsAreCorrectedOrRefusedWhatStartsIsSavedAndVfoAFollowsTheScan) {
    ScanLimits unsaved;
    registry_->GetScanLimits(unsaved);
    Open();
    ScanOn40m();
    CEditEx& low = Edit(Page2::kLowEdit);
    CEditEx& high = Edit(Page2::kHighEdit);
    // No saved limits: the band's edges. A low limit above the high one
    // starts nothing, says why, and is not saved.
    EXPECT_EQ(low.text(), "   7000.00");
    EXPECT_EQ(high.text(), "   7300.00");
    EXPECT_FALSE(low.isReadOnly());
    EXPECT_EQ(Key(Page2::kScanStart).text(), "Start");
    EXPECT_EQ(Key(Page2::kLimitsResume).text(), "Get Limits");
    Type(Page2::kLowEdit, "7200");
    Type(Page2::kHighEdit, "7100");
    Click(Page2::kScanStart);
    EXPECT_TRUE(sent(400ms).empty());
    EXPECT_EQ(view().statusText, kLowAboveHighError);
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);
    EXPECT_TRUE(Key(Page2::kScanStart).isEnabled());
    EXPECT_FALSE(low.isReadOnly());
    ScanLimits saved;
    registry_->GetScanLimits(saved);
    EXPECT_EQ(saved, unsaved);
    // "SW Panel" clears the status line; so does a scan that starts.
    QTest::mouseClick(findControl(*dlg_, ctl::kSwitchPanel), Qt::LeftButton);
    EXPECT_EQ(view().statusText, "");
    // "Get Limits" puts the edges back.
    Click(Page2::kLimitsResume);
    EXPECT_EQ(low.text(), "   7000.00");
    EXPECT_EQ(high.text(), "   7300.00");

    // An upper limit beyond the band is rewritten; a lower one in it is kept
    // as typed. The sets are paced 100 ms apart; a late look at the line may
    // shorten one gap, never all.
    Type(Page2::kLowEdit, "7025.5");
    Type(Page2::kHighEdit, "7400");
    Click(Page2::kScanStart);
    const auto commands = sentCommands(600ms);
    std::vector<std::string> texts;
    for (const auto& c : commands)
        texts.push_back(c.text);
    ASSERT_EQ(texts, (std::vector<std::string>{"FA00007025500", "FB00007300000", "SW19", "SW25"}));
    EXPECT_GE(commands[3].at - commands[0].at, 3 * 100ms - 100ms);
    EXPECT_EQ(view().statusText, "");
    EXPECT_EQ(high.text(), "   7300.00");
    EXPECT_EQ(low.text(), "7025.5");
    EXPECT_TRUE(low.isReadOnly());
    EXPECT_FALSE(Key(Page2::kScanStart).isEnabled());
    EXPECT_EQ(Key(Page2::kLimitsResume).text(), "Resume");

    // In the settings file, as another reader of it sees it.
    CRigControlRegistry(prompter_).GetScanLimits(saved);
    EXPECT_EQ(saved, (ScanLimits{7025500, 7300000}));
    QFile file(QString::fromStdString(registry_->settingsFile()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\"Scan Low Limit\"=dword:006b335c")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"Scan High Limit\"=dword:006f63a0"));

    // The scan holds back the radio's reports: the status poll reads VFO A.
    const auto polled = [&](const std::string& text) {
        return pumpUntil([&] {
            clock_.Skip(100ms);
            const auto c = peer_.commands();
            return std::any_of(c.begin(), c.end(), [&](const auto& x) { return x.text == text; });
        });
    };
    peer_.clear();
    ASSERT_TRUE(polled("FA"));
    peer_.send("FA00007012300;");
    ASSERT_TRUE(pumpUntil([&] { return view().vfoAText == "   7012.30"; }));

    // "Resume" sends 31; so does "Stop Scan", which returns to ready.
    Click(Page2::kLimitsResume);
    Click(Page2::kStopScan);
    EXPECT_EQ(sent(), (std::vector<std::string>{"SW31", "SW31"}));
    EXPECT_EQ(Key(Page2::kScanStart).text(), "Scan");
    EXPECT_FALSE(Key(Page2::kLimitsResume).isEnabled());
    EXPECT_TRUE(high.isReadOnly());
    // Stopped: the poll is DS and BG again.
    ASSERT_TRUE(polled("BG"));
    peer_.clear();
    ASSERT_TRUE(polled("BG"));
    EXPECT_EQ(peer_.texts(), (std::vector<std::string>{"DS", "BG"}));

    // The next scan starts from the saved limits.
    ScanOn40m();
    EXPECT_EQ(low.text(), "   7025.50");
}

// The switch panel's real widgets, opened from the front panel, the radio on a
// pty: what the keys and the scanner put on the wire; how it hides and follows.
// Then the logic: the scanner's states, limit corrections and limit texts; the
// key table and the two menus: what each key shows and sends.

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
#include "switchpanel/FrequencyScanner.h"
#include "switchpanel/ScanLimitText.h"
#include "switchpanel/SwitchKeys.h"

#include <QFile>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

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
    QTest::mouseClick(button, Qt::LeftButton);
    CKeySwitchEmulationPanelsPropSheet* panel = dlg_->SwitchPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
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

namespace {

const BandRecord k40m{"  40M", 6, 7000000, 7300000};

// A scanner whose band has arrived with the given saved limits.
FrequencyScanner editable(uint32_t savedLow = 0, uint32_t savedHigh = 0) {
    FrequencyScanner s;
    EXPECT_TRUE(s.Scan());
    EXPECT_TRUE(s.BandArrived(k40m, savedLow, savedHigh));
    return s;
}

int clickByLabel(KeySwitchMenus& menus, std::string_view label) {
    for (int id : KeySwitchMenus::AllIds())
        if (menus.FaceOf(id)->label == label)
            return menus.Click(id).value_or(-1);
    ADD_FAILURE() << "no key shows " << label;
    return -1;
}

} // namespace

TEST(ScanLimitText, KhzInTenCharactersReadAsPercentFTruncatedToHz) {
    EXPECT_EQ(FormatLimitKhz(7100010), "   7100.01");
    // Every 10 Hz step below 2 MHz (160 m among them) and of 40 m reads back
    // as shown; low values are where a product falls short most often.
    for (auto [from, to] : {std::pair{0u, 2000000u}, std::pair{7000000u, 7300000u}})
        for (uint32_t hz = from; hz <= to; hz += 10)
            ASSERT_EQ(ParseLimitKhz(FormatLimitKhz(hz)), hz) << hz;
    // Read as %f would read it, truncated to whole hertz, what follows the
    // number ignored; the point is a point whatever the user's locale says.
    const std::pair<const char*, uint32_t> read[] = {
        {"7100.0019", 7100001u}, {"+7050", 7050000u},  {"7.05e3", 7050000u},
        {"\t7050kHz", 7050000u}, {"7000,5", 7000000u}, {"4294967.294", 4294967294u},
    };
    for (const auto& [text, hz] : read)
        EXPECT_EQ(ParseLimitKhz(text), hz) << text;
    // Bad texts stay in range.
    for (const char* text : {"", "abc", "+-5", "nan", "-7000", "0.0000001"})
        EXPECT_EQ(ParseLimitKhz(text), 0u) << text;
    for (const char* text : {"4294968", "1e900", "inf"})
        EXPECT_EQ(ParseLimitKhz(text), UINT32_MAX) << text;
}

TEST(FrequencyScanner, StatesThroughAScan) {
    FrequencyScanner s;
    EXPECT_TRUE(s.Idle());
    EXPECT_FALSE(s.GetLimits()); // before the band, "Get Limits" does nothing
    EXPECT_FALSE(s.Start().started);
    EXPECT_FALSE(s.Stop());
    s.SetTexts("1", "2"); // typing only while the limits are open
    EXPECT_EQ(s.LowText(), "");
    // Stopped before the band came: the late answer to the request is not taken.
    EXPECT_TRUE(s.Scan());
    EXPECT_FALSE(s.Stop());
    EXPECT_FALSE(s.BandArrived(k40m, 0, 0));
    EXPECT_TRUE(s.Idle());
    EXPECT_TRUE(s.Scan());
    EXPECT_FALSE(s.Scan()); // no second request
    EXPECT_TRUE(s.BandArrived(k40m, 0, 0));
    EXPECT_TRUE(s.BandKnown());
    EXPECT_TRUE(s.Editable());
    EXPECT_FALSE(s.Resume());
    StartOutcome out = s.Start();
    ASSERT_TRUE(out.started) << out.error;
    EXPECT_TRUE(s.Scanning());
    s.SetTexts("1", "2");        // not taken: see the end
    EXPECT_FALSE(s.GetLimits()); // 1316 is "Resume" now
    EXPECT_EQ(s.Resume(), 31);
    EXPECT_EQ(s.Stop(), 31);
    EXPECT_TRUE(s.Idle());
    EXPECT_FALSE(s.BandKnown());
    EXPECT_FALSE(s.Stop()); // not scanning: nothing
    // The texts stay as they were.
    EXPECT_EQ(s.LowText(), "   7000.00");
    // Stopped with the limits open: they stay open as they were.
    s = editable();
    EXPECT_FALSE(s.Stop());
    EXPECT_TRUE(s.Editable());
}

TEST(FrequencyScanner, SavedLimitsBandEdgesAndGetLimits) {
    const struct {
        uint32_t savedLow, savedHigh;
        const char *low, *high;
    } rows[] = {
        {7050000, 0, "   7000.00", "   7300.00"}, // one unsaved: both from the band
        {6900000, 7100000, "   7000.00", "   7100.00"},
        {14010000, 14300000, "   7000.00", "   7300.00"}, // another band's: this band's edges
    };
    for (const auto& r : rows) {
        FrequencyScanner s = editable(r.savedLow, r.savedHigh);
        EXPECT_EQ(s.LowText(), r.low) << r.savedLow;
        EXPECT_EQ(s.HighText(), r.high) << r.savedHigh;
    }
    // "Get Limits" shows the edges again, whatever was saved or typed.
    FrequencyScanner s = editable(7010000, 7020000);
    s.SetTexts("7100", "7200");
    EXPECT_TRUE(s.GetLimits());
    EXPECT_EQ(s.LowText(), "   7000.00");
    EXPECT_EQ(s.HighText(), "   7300.00");
}

TEST(FrequencyScanner, StartCorrectsTheLimitsOrStaysEditableWhenLowIsAboveHigh) {
    const struct {
        const char *low, *high;
        uint32_t lowHz, highHz; // 0: refused
        const char* lowShown;
    } rows[] = {
        {"7010.5", "7400", 7010500, 7300000, "7010.5"},  // in the band: kept as typed
        {"low", "high", 7000000, 7300000, "   7000.00"}, // not numbers: 0, then corrected
        {"7400", "7300", 0, 0, "7400"}, // a low limit above the band is not corrected
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.low);
        FrequencyScanner s = editable();
        s.SetTexts(r.low, r.high);
        const StartOutcome out = s.Start();
        EXPECT_EQ(s.LowText(), r.lowShown);
        if (r.lowHz != 0) {
            ASSERT_TRUE(out.started) << out.error;
            EXPECT_EQ(std::pair(out.lowHz, out.highHz), std::pair(r.lowHz, r.highHz));
            EXPECT_EQ(s.HighText(), "   7300.00");
            continue;
        }
        EXPECT_FALSE(out.started);
        EXPECT_EQ(out.error, kLowAboveHighError);
        EXPECT_TRUE(s.Editable());
        EXPECT_FALSE(s.Resume());
        s.SetTexts("7000", r.high); // the operator mends it and starts
        EXPECT_TRUE(s.Start().started);
    }
}

TEST(SwitchKeys, EveryCodeIsReachedOnceOverAllMenusAndOnlyKeysSend) {
    // Each key's each meaning once (Numeric repeats Tap's codes): every code
    // 1..69 exactly once.
    std::map<int, int> once;
    KeySwitchMenus menus;
    auto clickAll = [&](auto&& keys) {
        for (const auto& k : keys)
            ++once[menus.Click(k.id).value()];
    };
    clickAll(kFunctionKeys); // Tap
    clickAll(kFixedKeys);
    clickAll(kConfigKeys); // menu 3
    menus.Click(kNextKeyMenuId);
    menus.Click(kNextKeyMenuId);
    clickAll(kFunctionKeys); // Hold
    menus.Click(kNextConfigMenuId);
    clickAll(kConfigKeys); // menu 4
    ASSERT_EQ(once.size(), 69u);
    EXPECT_EQ(std::pair(once.begin()->first, once.rbegin()->first), std::pair(1, 69));
    for (auto [code, n] : once)
        EXPECT_EQ(n, 1) << code;

    // The menu keys and ids of no key send nothing.
    const std::vector<int> ids = KeySwitchMenus::AllIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_FALSE(menus.Click(kNextKeyMenuId));
    EXPECT_FALSE(menus.Click(kNextConfigMenuId));
    EXPECT_FALSE(menus.Click(4711));
    EXPECT_FALSE(menus.FaceOf(4711));
}

TEST(SwitchKeys, EachMenuSendsItsOwnCodes) {
    // Clicks on the menu keys first, then a key by what it shows, and the code it sends.
    const struct {
        int keyMenuClicks, configMenuClicks;
        const char* label;
        int code;
    } rows[] = {{1, 0, "0", 7}, {2, 0, "Store", 19}, {0, 0, "INP", 42}, {0, 1, "FPLY", 57}};
    for (const auto& r : rows) {
        KeySwitchMenus menus;
        for (int i = 0; i < r.keyMenuClicks; ++i)
            menus.Click(kNextKeyMenuId);
        for (int i = 0; i < r.configMenuClicks; ++i)
            menus.Click(kNextConfigMenuId);
        EXPECT_EQ(clickByLabel(menus, r.label), r.code) << r.label;
        // Clicking never moves a menu on.
        EXPECT_EQ(int(menus.keyMenu()), r.keyMenuClicks) << r.label;
    }
    KeySwitchMenus menus;
    menus.Click(kNextConfigMenuId);
    EXPECT_EQ(menus.Click(1300), 58);
    EXPECT_EQ(menus.keyMenu(), KeyMenu::Tap); // the key menu is a menu of its own
    menus.Click(kNextConfigMenuId);
    EXPECT_EQ(menus.configMenu(), ConfigMenu::Menu3);
}

TEST(SwitchKeys, FacesInEveryMenu) {
    KeySwitchMenus menus;
    EXPECT_EQ(menus.FaceOf(kNextConfigMenuId), (KeyFace{"2", KeyShade::Red}));
    EXPECT_EQ(menus.FaceOf(1296), (KeyFace{"ST L", KeyShade::Green})); // menu 3

    menus.Click(kNextKeyMenuId); // Numeric: only the digits change, and go red
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Hold");
    for (const FunctionKey& k : kFunctionKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (k.numeric.empty() ? KeyFace{k.tap, KeyShade::Green}
                                                          : KeyFace{k.numeric, KeyShade::Red}))
            << k.id;

    menus.Click(kNextKeyMenuId); // Hold: all green, the hold labels
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Tap");
    for (const FunctionKey& k : kFunctionKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.hold, KeyShade::Green})) << k.id;

    menus.Click(kNextKeyMenuId); // three clicks: back to Tap
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Numeric");
    for (const FunctionKey& k : kFunctionKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.tap, KeyShade::Green})) << k.id;

    menus.Click(kNextConfigMenuId); // menu 4: items red, 1312 green
    EXPECT_EQ(menus.FaceOf(kNextConfigMenuId), (KeyFace{"1", KeyShade::Green}));
    for (const ConfigKey& k : kConfigKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.menu4, KeyShade::Red})) << k.id;
}

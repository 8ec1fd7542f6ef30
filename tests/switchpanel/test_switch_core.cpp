// The scanner's states, its limit corrections and the limit texts; the key
// table and the two menus: what each key shows and sends.

#include "switchpanel/FrequencyScanner.h"
#include "switchpanel/PanelPlacement.h"
#include "switchpanel/ScanLimitText.h"
#include "switchpanel/SwitchKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace tamrel;
using namespace tamrel::switchpanel;

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
    EXPECT_EQ(FormatLimitKhz(28000000), "  28000.00");
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
    EXPECT_FALSE(s.Editable());
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
    EXPECT_EQ(s.State(), ScanState::LimitsEditable);
    EXPECT_TRUE(s.BandKnown());
    EXPECT_TRUE(s.Editable());
    EXPECT_FALSE(s.Resume());
    StartOutcome out = s.Start();
    ASSERT_TRUE(out.started) << out.error;
    EXPECT_TRUE(s.Scanning());
    EXPECT_FALSE(s.Editable());
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
        EXPECT_EQ(s.State(), ScanState::LimitsEditable);
        EXPECT_TRUE(s.Editable());
        EXPECT_FALSE(s.Resume());
        s.SetTexts("7000", r.high); // the operator mends it and starts
        EXPECT_TRUE(s.Start().started);
    }
}

TEST(PanelPlacement, BelowTheMainWindowWhenItFits) {
    EXPECT_EQ(PlaceBelow({100, 50, 800, 350}, 700, 300), (FrameRect{100, 351, 700, 300}));
    EXPECT_FALSE(PlaceBelow({100, 50, 799, 650}, 700, 300));
    EXPECT_FALSE(PlaceBelow({100, 50, 900, 349}, 700, 300));
    EXPECT_FALSE(PlaceBelow({INT32_MIN, 0, INT32_MAX, INT32_MAX}, 700, 300));
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
    int red = 0;
    for (const FunctionKey& k : kFunctionKeys) {
        const bool digit = !k.numeric.empty();
        red += digit;
        EXPECT_EQ(*menus.FaceOf(k.id),
                  (digit ? KeyFace{k.numeric, KeyShade::Red} : KeyFace{k.tap, KeyShade::Green}))
            << k.id;
    }
    EXPECT_EQ(red, 10);

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

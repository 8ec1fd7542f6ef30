// The key table and the two menus: what each key shows and sends.

#include "switchpanel/SwitchKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace tamrel::switchpanel;

namespace {

int clickByLabel(KeySwitchMenus& menus, std::string_view label) {
    for (int id : KeySwitchMenus::AllIds())
        if (menus.FaceOf(id)->label == label)
            return menus.Click(id).value_or(-1);
    ADD_FAILURE() << "no key shows " << label;
    return -1;
}

} // namespace

TEST(SwitchKeys, EveryCodeIsReachedOnceOverAllMenusAndOnlyKeysSend) {
    // In all six menu pairs every key but the menu keys sends, and nothing
    // outside 1..69.
    KeySwitchMenus all;
    for (int pair = 0; pair < 6; ++pair) {
        for (int id : KeySwitchMenus::AllIds()) {
            if (id == kNextKeyMenuId || id == kNextConfigMenuId)
                continue;
            const int code = all.Click(id).value_or(0);
            EXPECT_TRUE(code >= 1 && code <= 69) << id << " sends " << code;
        }
        all.Click(kNextKeyMenuId);
        if (pair == 2)
            all.Click(kNextConfigMenuId);
    }

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
    EXPECT_EQ(ids.size(), 16u + 5u + 16u + 2u);
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
    } rows[] = {
        {1, 0, "0", 7},      {1, 0, "9", 16},    {1, 0, "Band+", 1}, // Numeric: the tap codes
        {2, 0, "Store", 19}, {2, 0, "PF2", 31},  {2, 0, "Recall", 17}, {2, 0, "Rec", 32}, // Hold
        {0, 0, "INP", 42},   {0, 1, "FPLY", 57}, // menu 3, menu 4
    };
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
    EXPECT_EQ(menus.Click(1300), 41);
    menus.Click(kNextConfigMenuId);
    EXPECT_EQ(menus.Click(1300), 58);
    EXPECT_EQ(menus.keyMenu(), KeyMenu::Tap); // the key menu is a menu of its own
    menus.Click(kNextConfigMenuId);
    EXPECT_EQ(menus.configMenu(), ConfigMenu::Menu3);
}

TEST(SwitchKeys, FacesInEveryMenu) {
    KeySwitchMenus menus;
    // Tap, menu 3.
    EXPECT_EQ(menus.FaceOf(1290), (KeyFace{"Rate", KeyShade::Green}));
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Numeric");
    EXPECT_EQ(menus.FaceOf(kNextConfigMenuId), (KeyFace{"2", KeyShade::Red}));
    EXPECT_EQ(menus.FaceOf(1296), (KeyFace{"ST L", KeyShade::Green}));
    EXPECT_EQ(menus.FaceOf(1291), (KeyFace{"FN RIT", KeyShade::Green}));

    menus.Click(kNextKeyMenuId); // Numeric: only the digits change, and go red
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Hold");
    int red = 0;
    for (const FunctionKey& k : kFunctionKeys) {
        KeyFace f = *menus.FaceOf(k.id);
        if (k.numeric.empty()) {
            EXPECT_EQ(f, (KeyFace{k.tap, KeyShade::Green})) << k.id;
        } else {
            EXPECT_EQ(f, (KeyFace{k.numeric, KeyShade::Red})) << k.id;
            ++red;
        }
    }
    EXPECT_EQ(red, 10);

    menus.Click(kNextKeyMenuId); // Hold: all green, the hold labels
    EXPECT_EQ(menus.FaceOf(kNextKeyMenuId)->label, "Tap");
    for (const FunctionKey& k : kFunctionKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.hold, KeyShade::Green})) << k.id;

    menus.Click(kNextKeyMenuId); // three clicks: back to Tap
    EXPECT_EQ(menus.keyMenu(), KeyMenu::Tap);
    for (const FunctionKey& k : kFunctionKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.tap, KeyShade::Green})) << k.id;

    menus.Click(kNextConfigMenuId); // menu 4: items red, 1312 green
    EXPECT_EQ(menus.FaceOf(kNextConfigMenuId), (KeyFace{"1", KeyShade::Green}));
    for (const ConfigKey& k : kConfigKeys)
        EXPECT_EQ(*menus.FaceOf(k.id), (KeyFace{k.menu4, KeyShade::Red})) << k.id;
}

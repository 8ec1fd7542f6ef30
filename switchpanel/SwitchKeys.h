#pragma once
// The radio's keys as the switch panel shows them: one table of every key's
// labels and switch codes, and the two menus that choose which of a key's
// meanings it shows and sends. No widgets: the panel's page draws what
// KeySwitchMenus says and sends the code it returns.
//
// Switch codes are the radio's SW numbers, 1..69: taps of the 16 function
// keys are 1..16, their holds 17..32, the five fixed keys 33..37 and the
// configuration items of menus 3 and 4 are 38..69.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tamrel::switchpanel {

// Which meaning the 16 function keys show and send.
enum class KeyMenu { Tap = 0, Numeric = 1, Hold = 2 };
// Which of the two sets of configuration items the configuration keys show and send.
enum class ConfigMenu { Menu3 = 3, Menu4 = 4 };

// A key's base colour: green while it shows its first meaning, red for its second.
enum class KeyShade { Green, Red };

inline constexpr int kHoldOffset = 16; // hold code = tap code + 16

struct FunctionKey {
    int id;
    std::string_view tap;
    std::string_view numeric; // empty: the key keeps its label in the Numeric menu
    std::string_view hold;
    int tapCode;
};

struct FixedKey {
    int id;
    std::string_view label;
    int code;
};

struct ConfigKey {
    int id;
    std::string_view menu3;
    int code3;
    std::string_view menu4;
    int code4;
};

// clang-format off
inline constexpr std::array<FunctionKey, 16> kFunctionKeys = {{
    {1261, "Band+",   "",  "Recall", 1},
    {1270, "Display", "",  "RF/ALC", 2},
    {1264, "Band-",   "",  "Store",  3},
    {1273, "Ant1/2",  "",  "Tune",   4},
    {1267, "Menu",    "",  "Edit",   5},
    {1276, "NB",      "",  "Level",  6},
    {1290, "Rate",    "0", "Lock",   7},
    {1280, "Mode",    "1", "VOX",    8},
    {1281, "A/B",     "2", "Rev",    9},
    {1283, "A=B",     "3", "Split",  10},
    {1284, "Pre/Att", "4", "Spot",   11},
    {1285, "AGC",     "5", "CW RV",  12},
    {1286, "XFIL",    "6", "AFIL",   13},
    {1287, "RIT",     "7", "PF1",    14},
    {1288, "XIT",     "8", "PF2",    15},
    {1289, "MSG",     "9", "Rec",    16},
}};

inline constexpr std::array<FixedKey, 5> kFixedKeys = {{
    {1291, "FN RIT", 33},
    {1292, "DIRECT", 34},
    {1293, "REF PWR", 35},
    {1294, "AGC SW", 36},
    {1295, "FL STAT", 37},
}};

// The radio numbers menu 3's "RPT" before "INP", so their codes cross.
inline constexpr std::array<ConfigKey, 16> kConfigKeys = {{
    {1296, "ST L",  38, "SLCH",  54},
    {1297, "ST P",  39, "RATES", 55},
    {1298, "T/R",   40, "DOT",   56},
    {1300, "RPT",   41, "PORT",  58},
    {1299, "INP",   42, "FPLY",  57},
    {1301, "IAB",   43, "SPLT",  59},
    {1302, "SSBA",  44, "Po28",  60},
    {1303, "SSBC",  45, "RTTY",  61},
    {1304, "LCD",   46, "RTC",   62},
    {1305, "GRAPH", 47, "RIT",   63},
    {1306, "OPT",   48, "ACC",   64},
    {1307, "ATU",   49, "AT2",   65},
    {1308, "RANT",  50, "PA",    66},
    {1309, "CAL",   51, "TRN1",  67},
    {1310, "PF1",   52, "TRN2",  68},
    {1311, "PF2",   53, "TRN3",  69},
}};
// clang-format on

inline constexpr int kNextKeyMenuId = 1278;
inline constexpr int kNextConfigMenuId = 1312;
inline constexpr std::string_view kNextKeyMenuTip = "Click for Next Key Menu";
inline constexpr std::string_view kNextConfigMenuTip = "Click for Next Config Key Menu";

// What a key shows now.
struct KeyFace {
    std::string_view label;
    KeyShade shade = KeyShade::Green;
    friend bool operator==(const KeyFace&, const KeyFace&) = default;
};

// The two menus of the panel and what each key shows and sends under them.
// Starts in Tap and configuration menu 3, as a newly opened page does.
class KeySwitchMenus {
public:
    KeyMenu keyMenu() const { return key_; }
    ConfigMenu configMenu() const { return config_; }

    // The code a click on the key sends now; nothing for the menu keys and unknown ids.
    std::optional<int> CodeOf(int id) const;
    // The key's label and colour now; nothing for an unknown id.
    std::optional<KeyFace> FaceOf(int id) const;

    // A click on any key: the menu keys change their menu and send nothing;
    // every other key sends its code and leaves the menus as they are.
    std::optional<int> Click(int id);

    // Ids of every key the panel shows, menu keys included.
    static std::vector<int> AllIds();

private:
    KeyMenu key_ = KeyMenu::Tap;
    ConfigMenu config_ = ConfigMenu::Menu3;
};

} // namespace tamrel::switchpanel

#pragma once
// The radio's command vocabulary: the 34 two-letter names the program knows,
// in their fixed order (a reply's id is its position from 1, 0 for none), and
// the table of operating modes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamrel {

inline constexpr std::array<std::string_view, 34> kCommandNames = {
    "AI", "AN", "BG", "DN", "DS", "FA", "FB", "FR", "FT", "FW", "GT", "ID",
    "IF", "K2", "KS", "KY", "LK", "MD", "NB", "PA", "PC", "PS", "RA", "RC",
    "RD", "RT", "RU", "RX", "SM", "SQ", "SW", "UP", "TX", "XT"};

// Reply ids: the position of the name in kCommandNames, counted from 1.
enum ReplyId : int {
    ID_NONE = 0,
    ID_AI = 1,
    ID_AN,
    ID_BG,
    ID_DN,
    ID_DS,
    ID_FA,
    ID_FB,
    ID_FR,
    ID_FT,
    ID_FW,
    ID_GT,
    ID_ID,
    ID_IF,
    ID_K2,
    ID_KS,
    ID_KY,
    ID_LK,
    ID_MD,
    ID_NB,
    ID_PA,
    ID_PC,
    ID_PS,
    ID_RA,
    ID_RC,
    ID_RD,
    ID_RT,
    ID_RU,
    ID_RX,
    ID_SM,
    ID_SQ,
    ID_SW,
    ID_UP,
    ID_TX,
    ID_XT
};
static_assert(ID_XT == 34 && ID_UP == 32 && ID_TX == 33);

constexpr std::string_view commandName(ReplyId id) {
    return kCommandNames[id - 1];
}

struct ModeEntry {
    std::string_view name;
    int code;
};
inline constexpr std::array<ModeEntry, 6> kModes = {
    {{"LSB", 1}, {"USB", 2}, {"CW", 3}, {"RTTY", 6}, {"CWR", 7}, {"RTTYR", 9}}};

// Position 0..5 of an MD code in the mode table, or -1.
int ModeIndexOfCode(int code);

// A frequency in kHz as every window shows it: "%10.2f" of Hz * 0.001.
std::string FormatKHz(uint32_t hz);
// The MD code at a position, or -1 for a position outside the table.
int ModeCodeOfIndex(int index);
// The mode's name, or empty for an unknown code.
std::string_view ModeNameOfCode(int code);

} // namespace tamrel

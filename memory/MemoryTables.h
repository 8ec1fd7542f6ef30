#pragma once
// The value tables, control ids, list columns and command ids shared by the
// memory commands and their three dialogs.

#include "radio/K2RadioState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tamrel {

// Front-panel commands, in popup-menu order.
inline constexpr int kCmdSaveStackingRegister = 146;
inline constexpr int kCmdRecallStackingRegister = 147;
inline constexpr int kCmdSaveMemory = 148;
inline constexpr int kCmdRecallMemory = 149;
inline constexpr int kCmdEditMemory = 152;

struct MemoryMenuEntry {
    int id;
    const char* label;
};
inline constexpr std::array<MemoryMenuEntry, 5> kMemoryMenuEntries = {{
    {kCmdSaveStackingRegister, "Save to Stacking Register (ALT+F1, SHIFT+F1)"},
    {kCmdRecallStackingRegister, "Recall from Stacking Reg  (ALT+F2, SHIFT+F2)"},
    {kCmdSaveMemory, "Save Memory   (ALT+F3, SHIFT+F3)"},
    {kCmdRecallMemory, "Recall Memory (ALT+F4, SHIFT+F4)"},
    {kCmdEditMemory, "Edit Memory"},
}};

// Dialog resources and their controls.
namespace memctl {
inline constexpr int kSaveDialog = 145;
inline constexpr int kRecallDialog = 151;
inline constexpr int kEditDialog = 153;

inline constexpr int kOk = 1; // Save, Select, Done
inline constexpr int kCancel = 2;

inline constexpr int kName = 1211;
inline constexpr int kVfoA = 1160;
inline constexpr int kVfoB = 1161;
inline constexpr int kTxVfo = 1197;
inline constexpr int kRxVfo = 1201;
inline constexpr int kAgc = 1168;
inline constexpr int kPreamp = 1183;
inline constexpr int kMode = 1162;
inline constexpr int kRit = 1205;
inline constexpr int kXit = 1208;
inline constexpr int kAntennaText = 1175;
inline constexpr int kAntennaSpin = 1179;
inline constexpr int kCwSpeed = 1189;
inline constexpr int kXfil = 1163;
inline constexpr int kAfil = 1165;
inline constexpr int kNb = 1171;
inline constexpr int kAtt = 1186;
inline constexpr int kPower = 1193;

inline constexpr int kRecallList = 1214;
inline constexpr int kEditList = 1216;
inline constexpr int kEditButton = 1218;
inline constexpr int kDeleteButton = 1220;
} // namespace memctl

struct ValueEntry {
    const char* text;
    uint32_t value;
};

namespace memtable {
inline constexpr std::array<ValueEntry, 6> kMode = {
    {{"LSB", 1}, {"USB", 2}, {"CW", 3}, {"RTTY", 6}, {"CWR", 7}, {"RTTYR", 9}}};
inline constexpr std::array<ValueEntry, 4> kCrystalFilter = {
    {{"XFIL1", 1}, {"XFIL2", 2}, {"XFIL3", 3}, {"XFIL4", 4}}};
inline constexpr std::array<ValueEntry, 3> kAudioFilter = {
    {{"Off", 0}, {"AFIL1", 1}, {"AFIL2", 2}}};
inline constexpr std::array<ValueEntry, 3> kNoiseBlanker = {{{"Off", 0}, {"NB1", 1}, {"NB2", 2}}};
inline constexpr std::array<ValueEntry, 3> kAgc = {{{"Off", 0}, {"Fast", 2}, {"Slow", 4}}};
inline constexpr std::array<ValueEntry, 2> kOnOff = {{{"Off", 0}, {"On", 1}}};
inline constexpr std::array<ValueEntry, 2> kVfo = {{{"VFOA", 0}, {"VFOB", 1}}};
} // namespace memtable

// The entry's text for the value; empty when the table has none.
QString TextForValue(std::span<const ValueEntry> table, uint32_t value);
// The entry's position for the value; -1 when the table has none.
int PositionOfValue(std::span<const ValueEntry> table, uint32_t value);

struct ListColumn {
    const char* title;
    int width; // pixels
};
inline constexpr std::array<ListColumn, 6> kRecallColumns = {{{"Memory", 180},
                                                              {"Freq (KHz)", 120},
                                                              {"Band", 100},
                                                              {"Mode", 100},
                                                              {"XFilter (Hz)", 100},
                                                              {"Split", 80}}};
inline constexpr std::array<ListColumn, 14> kEditColumns = {{{"Memory", 100},
                                                             {"Freq (KHz)", 80},
                                                             {"Mode", 50},
                                                             {"XFIL", 50},
                                                             {"AFIL", 50},
                                                             {"NB", 50},
                                                             {"PreAmp", 50},
                                                             {"ATT", 50},
                                                             {"AGC", 50},
                                                             {"RIT", 50},
                                                             {"XIT", 50},
                                                             {"CW Spd", 60},
                                                             {"Power", 50},
                                                             {"ANT", 50}}};

// The frequency the memory receives on: VFO B's when the receive VFO is B.
uint32_t ReceiveFrequency(const K2RadioState& s);
// The four on/off flags made exactly 0 or 1.
K2RadioState NormaliseFlags(K2RadioState s);

} // namespace tamrel

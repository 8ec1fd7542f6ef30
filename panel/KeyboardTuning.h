#pragma once
// Keyboard and wheel tuning: which key moves the receive VFO by how much, with
// the step chosen on the panel, and the list of every shortcut the program has.
//
// Up/Down move one step, Page Up/Down ten; Shift multiplies by ten. Each
// wheel notch moves one step. The moves go through the one tuning operation
// (RadioOperations::TuneBy), so the VFO lock guards them as it guards the buttons.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

inline constexpr std::array<int, 3> kTuneStepsHz = {10, 100, 1000};
inline constexpr std::array<std::string_view, 3> kTuneStepLabels = {"10 Hz", "100 Hz", "1 kHz"};
inline constexpr char kVfoLockedStatus[] = "VFO locked";
// Only the receiving VFO takes a typed frequency.
inline constexpr char kVfoBNotReceiving[] = "VFO B does not receive: Rx B first to type it";
inline constexpr char kVfoANotReceiving[] = "VFO A does not receive: Rx A first to type it";

// The step of a tuning-step combo index; the first step for an index out of range.
int TuneStepHz(int index);

// Hz the key (a Qt::Key value) moves the receive VFO by; 0 for a key that does not tune.
int64_t KeyTuningDelta(int qtKey, bool shift, int stepHz);

struct Shortcut {
    std::string keys;
    std::string action;
};
// Every shortcut of the program, in the order the help lists them.
std::vector<Shortcut> KeyboardShortcuts();
// The same as lines of text: "keys<TAB>action".
std::string ShortcutsText();

} // namespace tamrel

#pragma once
// CwKeyboard: what the keyboard CW window does, without the window: the
// eleven memory texts, the pending text, sending with macros, the progress
// the transmitting thread reports, abort and autoplay.
//
// Every text leaves through the hooks as WM_K2_CW_QUEUE for the transmitting
// thread. A text is taken whole or refused: the pending text (what waits to
// be keyed) never passes what the thread's queue holds, so nothing is cut
// on air. The serial counter is handed to the hooks whenever a macro changes
// it, so a killed program never repeats a number.
//
// Thread: the GUI thread (one owner); autoplay's timer belongs to the window.

#include "cw/CwText.h"
#include "platform/Messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace tamrel::cw {

inline constexpr int kMemoryKeys = 11;
inline constexpr uint64_t kQueueText = 5;
inline constexpr uint64_t kQueueAbort = 6;
inline constexpr uint64_t kKeyAbort = 27;
// The autoplay dialog's intervals, in seconds.
inline constexpr std::array<int, 23> kAutoplayIntervals = {1,   5,   10,  15,  20,  25,  30, 35,
                                                           40,  45,  50,  55,  60,  75,  90, 105,
                                                           120, 150, 180, 200, 300, 600, 900};
inline constexpr char kRefusedStatus[] =
    "CW text refused: more than 2047 characters would be waiting";

struct CwKeyboardHooks {
    std::function<void(Message)> toThread;
    std::function<MacroVariables()> macroVariables;
    std::function<void(int32_t counter, uint8_t outputMode)> counterChanged;
    std::function<void(const std::string& text)> refused; // beep and status line
};

struct AutoplaySettings {
    int memory = 0;    // 0..10
    int interval = 10; // seconds
    int count = 0;     // 0 = until interrupted
};

class CwKeyboard {
public:
    using Texts = std::array<std::string, kMemoryKeys>;

    CwKeyboard(CwKeyboardHooks hooks, const Texts& stored, int32_t counter, uint8_t outputMode);

    // A stored text as the window holds it: one space appended when not empty.
    const std::string& Memory(int i) const { return memory_[std::size_t(i)]; }
    bool MemoryEmpty(int i) const { return i < 0 || i >= kMemoryKeys || Memory(i).empty(); }
    bool AnyMemory() const;
    void ReplaceMemory(int i, const std::string& text);

    // F-buttons, F-keys (key while autoplay runs does nothing) and the
    // panel's texts (which get a space). False when nothing was queued.
    bool SendMemory(int i);
    bool SendKey(int i) { return !autoplayRunning_ && SendMemory(i); }
    bool SendText(const std::string& text);
    // A piece the type-in line handed to the thread: shown as pending, or
    // refused (the line then keeps it).
    bool TakeTyped(const std::string& piece);
    // WM_K2_CW_NOTIFY: 8 ready; 5 with a chunk sent, or busy.
    void Progress(uint64_t code, const std::string* chunk);
    void Abort();

    const std::string& Pending() const { return pending_; }
    bool AbortRed() const { return abortRed_; }
    int32_t Counter() const { return counter_; }
    uint8_t OutputMode() const { return outputMode_; }
    void SetCounter(int32_t counter, uint8_t outputMode);

    // Autoplay. Start sends the memory once at once; the window runs its
    // timer while TimerWanted() and calls Tick on each timeout.
    const AutoplaySettings& Autoplay() const { return autoplay_; }
    bool AutoplayConfigured() const { return autoplayConfigured_; }
    void ConfigureAutoplay(const AutoplaySettings& settings);
    bool StartAutoplay();
    void Tick();
    bool AutoplayRunning() const { return autoplayRunning_; }
    bool TimerWanted() const { return autoplayRunning_; }

private:
    bool Queue(const std::string& expanded);
    void EndAutoplay() { autoplayRunning_ = false; }

    CwKeyboardHooks hooks_;
    Texts memory_;
    std::string pending_;
    bool abortRed_ = false;
    int32_t counter_;
    uint8_t outputMode_;
    AutoplaySettings autoplay_;
    bool autoplayConfigured_ = false;
    bool autoplayRunning_ = false;
    bool untilInterrupted_ = true;
    int playsLeft_ = 0;
};

} // namespace tamrel::cw

namespace tamrel::cw {

// The up-down controls of the autoplay and counter dialogs. A delta of 0 or
// more is the "up" arrow of the original controls, which steps back.
int StepIntervalIndex(int index, int delta); // wraps 0 <-> 22
int StepCount(int count, int delta);         // 1..1000, wrapping
int StepDigits(int digits, int delta);       // 0..5, wrapping
int IntervalIndexOf(int seconds);            // 2 (10 s) when none matches

} // namespace tamrel::cw

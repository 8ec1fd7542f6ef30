#pragma once
// CwKeyboard: what the keyboard CW window does, without the window: the
// eleven memory texts, the pending text, sending with macros, the progress
// the transmitting thread reports, abort and autoplay.
//
// Every text leaves through KeyboardServices for the transmitting thread. A
// text is taken whole or refused: the pending text (what waits to be keyed)
// never passes what the thread's queue holds, so nothing is cut on air. The
// serial counter is not kept here: a text with ~SN reads it from the
// services and writes the new value back at once, so a killed program never
// repeats a number and every window counts on the same number.
//
// Thread: the GUI thread (one owner); autoplay's timer belongs to the window.

#include "cw/CwText.h"
#include "cw/KeyerFeed.h"

#include <array>
#include <cstdint>
#include <string>

namespace tamrel::cw {

inline constexpr int kMemoryKeys = 11;
inline constexpr uint64_t kKeyAbort = 27;
// The autoplay dialog's intervals, in seconds.
inline constexpr std::array<int, 23> kAutoplayIntervals = {1,   5,   10,  15,  20,  25,  30, 35,
                                                           40,  45,  50,  55,  60,  75,  90, 105,
                                                           120, 150, 180, 200, 300, 600, 900};
inline constexpr char kRefusedStatus[] =
    "CW text refused: more than 2047 characters would be waiting";

// The serial number and how it is sent (bit 7 cut numbers, bits 0..6 digits).
struct SerialCounter {
    int32_t value = 1;
    uint8_t outputMode = 0;
};

// What the keyboard logic uses around it: the transmitting thread, the
// stored macro variables and counter, and the status line.
class KeyboardServices {
public:
    virtual void QueueText(const std::string& text) = 0;
    virtual void AbortQueue() = 0;
    virtual MacroVariables Variables() = 0;
    virtual SerialCounter Counter() = 0;
    virtual void StoreCounter(const SerialCounter& counter) = 0;
    // A text that does not fit: a beep and the status line.
    virtual void Refused(const std::string& text) = 0;

protected:
    ~KeyboardServices() = default;
};

struct AutoplaySettings {
    int memory = 0;    // 0..10
    int interval = 10; // seconds
    int count = 0;     // 0 = until interrupted
};

class CwKeyboard {
public:
    using Texts = std::array<std::string, kMemoryKeys>;

    CwKeyboard(KeyboardServices& services, const Texts& stored);

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
    // A piece the type-in line hands over: queued and shown as pending, or
    // refused (the line then keeps it).
    bool TakeTyped(const std::string& piece);
    // What the feed reported: a chunk sent or busy lights "Abort TX!", ready puts it out.
    void Progress(const CwProgress& progress);
    void Abort();

    const std::string& Pending() const { return pending_; }
    bool AbortRed() const { return abortRed_; }

    // Autoplay. Start sends the memory once at once; the window runs its
    // timer while TimerWanted() and calls Tick on each timeout. The interval
    // counts from the end of each play (the keyer reporting ready with
    // nothing pending), so the other station gets the whole pause to answer.
    const AutoplaySettings& Autoplay() const { return autoplay_; }
    bool AutoplayConfigured() const { return autoplayConfigured_; }
    void ConfigureAutoplay(const AutoplaySettings& settings);
    bool StartAutoplay();
    void Tick();
    bool AutoplayRunning() const { return autoplayRunning_; }
    bool TimerWanted() const { return autoplayRunning_ && !playing_; }

private:
    bool Queue(const std::string& expanded);
    void EndAutoplay() { autoplayRunning_ = playing_ = false; }
    void Play() { playing_ = SendMemory(autoplay_.memory); }

    bool Fits(const std::string& text);

    KeyboardServices& services_;
    Texts memory_;
    std::string pending_;
    bool abortRed_ = false;
    AutoplaySettings autoplay_;
    bool autoplayConfigured_ = false;
    bool autoplayRunning_ = false;
    bool playing_ = false; // a play is still on its way out
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

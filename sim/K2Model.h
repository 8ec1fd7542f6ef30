#pragma once
// K2Model: the simulated radio's state and its answers, without any I/O.
//
// Bytes the program sends go in through receive() together with the current
// time; the bytes the radio sends back come out of takeDue(), each due at a
// time of its own. Everything that depends on time (the keyer draining its
// buffer, the scan sweeping its range, the held-back IF report) is worked out
// from the times passed in, so the model is deterministic for a given seed and
// a given sequence of calls. Not synchronised: SimulatedRadio guards it.
//
// Behaviour where the radio's documentation is silent (our choices):
// - Unknown commands, malformed or out-of-range data, extended-layout SETs in
//   K20/K21 and a fragment abandoned with ";" are all answered "?;". An empty
//   command (";" alone) is ignored. CR and LF are ignored anywhere.
// - Busy states (transmitting by TX; or TUNE, keying CW, direct frequency
//   entry, scanning) refuse every SET with "?;" except AI, K2, KS, KY, PC, RX
//   and SW. RC while transmitting answers "?;" and clears the offset when the
//   radio returns to receive. GETs are answered in every state.
// - Auto-information. AI0: nothing unsolicited. AI1: one IF after every
//   frequency or mode event (band, mode, VFO movement, RIT/XIT on/off and
//   offset, A/B, REV, A=B, SPLIT, CW REV, FR, FT), held back until no further
//   event has come for ifHoldoffMs, so a run of VFO steps gives one IF.
//   AI2/AI3 (no difference): the same IF, plus at once the GET reply of every
//   setting that changed, whether by a SET, a switch or the scan's end (FA or
//   FB after a VFO move, PA after PRE/ATT, FW after XFIL or AFIL, ...). A MODE
//   tap or MD SET reports IF only. Switches that change nothing modelled
//   (MENU, RATE, MSG, the menu entries, ...) report nothing. GT after the
//   AGC on/off combination (SW36) only in K22/K23. A band change sends the
//   burst IF (b = 1 in K22/K23), FA, FB, FR, FT, PA, RA, AN, GT, FW, NB when
//   AI >= 1 and nothing in AI0. Setting AI1 sends one IF at once.
// - VFO lock stops UP/DN only; FA/FB SETs still work.
// - A frequency within 100 kHz of a band is in that band (a band change when
//   it is another band); one further away goes to the nearest band and that
//   band's last VFO values are restored. The 1 Hz digit and the two leading
//   digits of FA/FB are ignored.
// - KY: the buffer holds kKeyerBufferSize characters; text beyond that is
//   lost. Basic KY1 and extended KY1 both mean "fewer than 24 places free".
//   Keying (outside CW TEST) is a transmit busy state. "@" empties the buffer
//   and ends the character being sent. Unknown characters take no time.
// - KS and SQ SET values outside the range are clamped; SQ is truncated to a
//   bar-graph step (25). PC is clamped to the range in use; the high range
//   (x = 1) exists only with the PA option, else "?;".
// - Scan: STORE hold (SW19) followed by REV hold (SW25) sweeps VFO A from the
//   lower to the higher of VFO A and VFO B, scanStepHz every scanIntervalMs,
//   and starts again at the lower limit. Any SW code stops it and does
//   nothing else. IF's s digit is 1 while it runs.
// - Direct frequency entry (SW34): five digit keys give the frequency in kHz
//   ("14060" = 14.060 MHz); any other switch cancels.
// - TX; keys the transmitter in every mode (CW included), until RX.
// - SW25 alone (REV) swaps the receive and transmit VFOs; SW20 (TUNE)
//   toggles a key-down carrier, also ended by RX.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel::k2sim {

using Millis = std::chrono::milliseconds;

inline constexpr int kBandCount = 9;
inline constexpr std::size_t kKeyerBufferSize = 96;
inline constexpr std::size_t kMaxCommandLength = 40;

class K2Model {
public:
    struct Options {
        uint32_t seed = 1;     // bar-graph random walk
        int signalLevel = 4;   // S-meter centre, in segments 0..10
        bool barMode = true;   // GRPH menu: BAR (BG 12..22) or DOT (BG 00..10)
        bool paOption = false; // K2/100: high power range available
        bool portOn = false;   // PORT menu: DISPLAY tap sends FA even in AI0
        int ifHoldoffMs = 100; // quiet time before the AI1 IF report
        int scanStepHz = 100;
        int scanIntervalMs = 50;
        bool bandBurstInAi0 = false; // send the band-change burst in AI0 too
    };

    // Settings the radio keeps per band and restores on a band change.
    struct BandState {
        uint32_t vfo[2] = {0, 0}; // Hz, A and B
        int rxVfo = 0;
        int txVfo = 0;
        int mode = 3;
        int filter = 1; // FL1..FL4
        int afil = 0;   // 0 off, AF1, AF2
        bool preamp = false;
        bool att = false;
        int antenna = 1;
        int agcSpeed = 2; // 2 fast, 4 slow
        bool agcOn = true;
        int nb = 0; // 0 off, NB1, NB2
    };

    K2Model();
    explicit K2Model(Options options);

    // Takes bytes from the line at time now and returns the commands they
    // completed (without ";", as received). Replies go to the output queue.
    std::vector<std::string> receive(std::string_view bytes, Millis now);
    // Everything that is due at or before now, in order.
    std::string takeDue(Millis now);
    // When the next output falls due, if any is waiting.
    std::optional<Millis> nextDue() const;
    // The operator turns the VFO knob by hz: the receive VFO moves (unless
    // locked) and auto-information reports it as for any VFO movement.
    void turnKnob(int hz, Millis now);

    // State, for tests and for the radio's own display.
    const BandState& current() const { return cur_; }
    int band() const { return band_; }
    uint32_t frequency(int vfo, Millis now) const;
    uint32_t rxFrequency(Millis now) const { return frequency(cur_.rxVfo, now); }
    int aiLevel() const { return ai_; }
    int k2Mode() const { return k2_; }
    bool extended() const { return k2_ >= 2; }
    bool split() const { return cur_.rxVfo != cur_.txVfo; }
    bool transmitting(Millis now) const;
    bool scanning() const { return scan_.has_value(); }
    bool busy(Millis now) const;
    int ritOffset() const { return ritOffset_; }
    bool rit() const { return rit_; }
    bool xit() const { return xit_; }
    int keyerWpm() const { return wpm_; }
    int powerTenths() const { return powerTenths_; }
    bool highPowerRange() const { return highRange_; }
    bool locked() const { return lock_; }
    // Characters still waiting to be keyed (the one being sent not counted).
    std::size_t keyerQueued(Millis now) const;
    bool keyerIdle(Millis now) const;

    // The GET replies, with their ";". DS is 13 bytes, IF 38.
    std::string replyIF(Millis now, bool bandChange = false) const;
    std::string replyDS(Millis now) const;
    std::string replyBG(Millis now);

private:
    enum Report : uint32_t {
        kIF = 1u << 0,
        kFA = 1u << 1,
        kFB = 1u << 2,
        kFR = 1u << 3,
        kFT = 1u << 4,
        kPA = 1u << 5,
        kRA = 1u << 6,
        kAN = 1u << 7,
        kGT = 1u << 8,
        kFW = 1u << 9,
        kNB = 1u << 10,
        kKS = 1u << 11,
        kPC = 1u << 12,
        kSQ = 1u << 13,
        kLK = 1u << 14,
        kRT = 1u << 15,
        kXT = 1u << 16,
    };
    struct Scan {
        Millis start;
        uint32_t low;
        uint32_t high;
    };
    struct Pending {
        Millis due;
        std::string bytes;
    };

    void execute(const std::string& command, Millis now);
    // Handlers answer by push(); they return false for a "?;".
    bool dispatch(std::string_view name, std::string_view arg, Millis now);
    bool setFrequency(int vfo, std::string_view arg, Millis now);
    bool upDown(int sign, std::string_view arg);
    bool switchCode(std::string_view arg, Millis now);
    void tap(int code, Millis now);
    bool keyText(std::string_view text, Millis now);
    void advanceKeyer(Millis now) const;

    void moveVfo(int vfo, uint32_t hz);
    void switchBand(int band);
    void bandBurst(Millis now);
    void stopScan(Millis now);
    void endTransmit();
    void changed(uint32_t reports, bool frequencyEvent, Millis now);
    void push(std::string bytes, Millis now);
    std::string reply(Report which, Millis now) const;

    Options opt_;
    BandState bands_[kBandCount];
    BandState cur_;
    int band_ = 4;
    int ai_ = 0;
    int k2_ = 0;
    bool rit_ = false;
    bool xit_ = false;
    int ritOffset_ = 0;
    bool clearPending_ = false;
    int powerTenths_ = 50;
    bool highRange_ = false;
    int wpm_ = 20;
    int squelch_ = 0;
    bool lock_ = false;
    bool nbLowThreshold_ = false;
    bool txByCommand_ = false;
    bool tuning_ = false;
    bool alcDisplay_ = false;
    bool storePending_ = false;
    std::optional<std::string> entry_; // digits of a direct frequency entry
    std::optional<Scan> scan_;

    // Keyer: characters waiting, and when the one being sent ends. Mutable
    // because draining it is a function of time that queries also perform.
    mutable std::string keyerQueue_;
    mutable Millis keyerBusyUntil_{0};
    mutable bool cwTest_ = false;

    std::mt19937 rng_;
    double meter_ = 0;

    std::string partial_;
    bool overflow_ = false;
    std::deque<Pending> out_;
    std::optional<Millis> ifDue_;
};

// Morse length of one keyed character in dot units, including the three-unit
// gap after it; a blank is a word gap; 0 for characters the keyer skips.
int morseUnits(char c);

} // namespace tamrel::k2sim

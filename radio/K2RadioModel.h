#pragma once
// K2RadioModel: the program's one model of the radio.
//
// Holds the last known value of every radio setting, the band the receive
// frequency lies in and the per-band VFO memory, and turns each parsed reply
// (ApplyReply) into new field values. The radio operations (RadioOperations)
// change the fields a command changes at once and leave the rest to the
// radio's replies.
//
// Every change, whoever made it, is announced to the observers with the
// radio_change bits of what changed: the panel, the tool windows and the
// network server follow the model that way and keep no copy of their own.
//
// Thread: the user-interface thread only; nothing here locks. Other threads
// get a K2RadioState snapshot handed to them.

#include "platform/Announcer.h"
#include "radio/BandTable.h"
#include "radio/K2RadioState.h"
#include "radio/LinkMonitor.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tamrel {

// Which fields a reply or an operation changed.
namespace radio_change {
inline constexpr uint32_t kVfoA = 1u << 0;
inline constexpr uint32_t kVfoB = 1u << 1;
inline constexpr uint32_t kReceiveVfo = 1u << 2;  // FR: shown not split
inline constexpr uint32_t kTransmitVfo = 1u << 3; // FT, IF: shown against the receive VFO
inline constexpr uint32_t kMode = 1u << 4;
inline constexpr uint32_t kFilter = 1u << 5; // crystal filter, audio filter, bandwidth
inline constexpr uint32_t kAgc = 1u << 6;
inline constexpr uint32_t kNoiseBlanker = 1u << 7;
inline constexpr uint32_t kAntenna = 1u << 8;
inline constexpr uint32_t kPreamp = 1u << 9;
inline constexpr uint32_t kAttenuator = 1u << 10;
inline constexpr uint32_t kPower = 1u << 11;
inline constexpr uint32_t kRitXit = 1u << 12;
inline constexpr uint32_t kOffset = 1u << 13;
inline constexpr uint32_t kLock = 1u << 14;
inline constexpr uint32_t kSpeed = 1u << 15;
inline constexpr uint32_t kSquelch = 1u << 16;
inline constexpr uint32_t kDisplay = 1u << 17; // display text, icon and blink bytes
inline constexpr uint32_t kBarGraph = 1u << 18;
inline constexpr uint32_t kBand = 1u << 19;   // the band the receive frequency lies in
inline constexpr uint32_t kFollow = 1u << 20; // the receive frequency moved: FollowHz()
inline constexpr uint32_t kFirstReply = 1u << 21;
inline constexpr uint32_t kKeyer = 1u << 22; // a KY reply: Fields().keyerState
inline constexpr uint32_t kVfoMemory = 1u << 23;
inline constexpr uint32_t kLink = 1u << 24;     // Link(): the line's state or reason
inline constexpr uint32_t kTransmit = 1u << 25; // Transmitting()
} // namespace radio_change

struct RadioFields {
    uint32_t vfoA = 28060000;
    uint32_t vfoB = 14060000;
    int32_t receiveVfo = 0; // 0 = A, 1 = B
    int32_t transmitVfo = 0;
    int32_t mode = 1;
    int32_t crystalFilter = 4;
    int32_t audioFilter = 2;
    int32_t bandwidth = 0;
    int32_t agc = 0; // 0 off, 2 fast, 4 slow
    int32_t noiseBlanker = 1;
    int32_t antenna = 1;
    int32_t preamp = 0;
    int32_t attenuator = 0;
    int32_t power = 0;
    int32_t powerRange = 0; // 1: the power value is shown unscaled
    int32_t ritOn = 0;
    int32_t xitOn = 0;
    int32_t offset = 0;
    int32_t vfoLock = 0;
    int32_t cwSpeed = 1;
    int32_t squelch = 0;
    uint32_t barGraph = 0;
    std::string displayText = "Elecraft";
    int iconByte = 0;
    int blinkByte = 0;
    int keyerState = -1;      // digit of the last KY reply
    int32_t transmitting = 0; // IF: the radio is keyed
    bool awaitingFirstReply = true;
    bool transmitFlag = false; // IF's transmit digit

    uint32_t vfo(int v) const { return v == 0 ? vfoA : vfoB; }
};

class K2RadioModel {
public:
    using Observer = Announcer<uint32_t>::Observer;
    using Subscription = Announcer<uint32_t>::Subscription;

    explicit K2RadioModel(BandTable bands = defaultBandTable(),
                          VfoMemory memory = defaultVfoMemory());
    K2RadioModel(K2RadioModel&&) = default;

    // `observer` hears the radio_change bits of every change until the
    // subscription is dropped.
    [[nodiscard]] Subscription Observe(Observer observer) {
        return announcer_->Subscribe(std::move(observer));
    }

    // Applies one reply: id is its position in the name table (0 for none),
    // text the reply with its two letters and without ";". Announces and
    // returns the radio_change bits of what it changed.
    uint32_t ApplyReply(int id, std::string_view text);

    K2RadioState Snapshot() const;

    const RadioFields& Fields() const { return f_; }
    const BandRecord& CurrentBand() const { return band_; }
    const BandTable& Bands() const { return bands_; }
    const VfoMemory& VfoMemoryTable() const { return memory_; }
    // New band edges: the band of the receive frequency is looked up again.
    void SetBandTable(const BandTable& bands);
    // The receive frequency a kFollow change moved to.
    uint32_t FollowHz() const { return followHz_; }
    // Bumped by every change, so pollers can tell a new state cheaply.
    uint64_t Revision() const { return revision_; }
    // Replies that arrived garbled (a name not known, a value that does not
    // read): something the radio holds may be shown wrong until read again.
    uint64_t UnreadReplies() const { return unread_; }

    // The next reply counts as the first again (a refresh of everything).
    void ExpectFirstReply() { f_.awaitingFirstReply = true; }

    // The line to the radio; every reply counts as an answer.
    const LinkMonitor& Link() const { return link_; }
    // Changes the link state: `event` returns true when it changed it, which
    // is then announced (kLink).
    template <class Event> bool UpdateLink(Event&& event) {
        const bool changed = event(link_);
        if (changed)
            Changed(radio_change::kLink);
        return changed;
    }
    // The radio transmits: IF says so, or the program keyed it: TUNE, PTT
    // from the network server, or CW in the radio's keyer buffer (KY0/KY1
    // once the extended replies are on; KY2 is empty and finished).
    bool Transmitting() const { return f_.transmitFlag || tuneKeyed_ || pttKeyed_ || cwKeyed_; }
    bool TuneKeyed() const { return tuneKeyed_; }
    bool PttKeyed() const { return pttKeyed_; }
    bool CwKeyed() const { return cwKeyed_; }
    // Each announces and returns kTransmit when Transmitting() changed.
    uint32_t SetTuneKeyed(bool on);
    uint32_t SetPttKeyed(bool on);

    // Tune-pending gate: armed by the tuning slider with the frequency it sent;
    // receive-VFO frequency reports other than that are held back meanwhile.
    void ArmTuneGate(uint32_t target);
    bool TunePending() const { return gatePending_; }
    uint32_t TuneTarget() const { return gateTarget_; }

    // Immediate changes made by the operations; each is announced.
    void SetVfoFrequency(int vfo, uint32_t hz);
    void SetVfoRoles(int receiveVfo, int transmitVfo);
    void SetRitXit(bool rit, bool xit);
    void SetMode(int code);
    void SetCrystalFilter(int filter, int widthHz);
    void SetOffset(int hz);
    void SetPreamp(bool on);
    void SetAttenuator(bool on);
    void SetAntenna(int antenna);
    void SetVfoLock(bool on);
    void SetPower(int power);
    void SetCwSpeed(int wpm);
    void SetSquelch(int level);
    void SetAgc(int code);

    // A set made for a network client shows its value at once and holds it
    // against the radio's reports until the radio has had the command: a report
    // already on its way would undo it. Holds nest per field (radio_change bits:
    // kVfoA, kVfoB, kReceiveVfo, kTransmitVfo, kMode, kFilter, kOffset, kRitXit).
    // When the last one ends, the field shows:
    enum class Release {
        Heard,  // what the radio reported while it was held (its answer to a query), if anything
        Keep,   // the value set: the radio took it, and what came meanwhile may be older
        Revert, // what the radio last reported at all
    };
    void Hold(uint32_t fields);
    void Unhold(uint32_t fields, Release how);
    // The radio's own last word on the fields a set can hold.
    const RadioFields& Reported() const { return reported_; }

    // The width of crystal filter 1..4 in the mode's group (CW, SSB, RTTY) as
    // the radio last reported it; typical widths stand in until it has.
    int FilterWidth(int mode, int filter) const;

private:
    void Changed(uint32_t changes);
    uint32_t ApplyFrequencyReport(int vfo, std::string_view p);
    uint32_t Follow(uint32_t hz, bool lookUpBand);
    uint32_t StoreInVfoMemory(int vfo, uint32_t hz);
    uint32_t ApplyFW(std::string_view p);
    uint32_t ApplyGT(std::string_view p);
    uint32_t ApplyIF(std::string_view p);
    uint32_t ApplyPC(std::string_view p);
    uint32_t ApplyDS(std::string_view p);
    template <class T> uint32_t Report(uint32_t field, T RadioFields::*member, T value);
    bool Held(uint32_t field) const;

    RadioFields f_;
    RadioFields reported_;
    std::array<uint8_t, 32> holds_{}; // per radio_change bit
    uint32_t heardWhileHeld_ = 0;
    std::array<std::array<int32_t, 4>, 3> filterWidths_ = {
        {{1500, 700, 400, 250}, {2700, 2300, 2100, 1800}, {2700, 2300, 2100, 1800}}};
    BandTable bands_;
    BandRecord band_;
    VfoMemory memory_;
    bool gatePending_ = false;
    uint32_t gateTarget_ = 0;
    uint32_t followHz_ = 0;
    uint64_t revision_ = 0;
    uint64_t unread_ = 0;
    LinkMonitor link_;
    bool tuneKeyed_ = false;
    bool pttKeyed_ = false;
    bool cwKeyed_ = false;
    // IF reports saying "receiving" since PTT or CW keying last began. One may
    // have left the radio before the keying did; two mean the radio is not
    // transmitting (an abort ends CW with no KY2 to say so).
    int receiveReports_ = 0;
    // Behind a pointer so that the model stays movable.
    std::unique_ptr<Announcer<uint32_t>> announcer_ = std::make_unique<Announcer<uint32_t>>();
};

} // namespace tamrel

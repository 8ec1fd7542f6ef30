#pragma once
// RadioOperations: what every part of the program does to the radio.
//
// The front panel's controls, the control socket, and the memories, CW,
// scanner and network server all change the radio through these calls. Each
// keeps the guards the operation has (the VFO lock, "already so"), changes
// the model's fields that the command changes at once, and sends the
// command through the channel; the radio's replies bring back the rest.
// Paced multi-command sequences go to the channel's sequence runner. Without
// a channel (no port) nothing is sent, but the model changes still happen.
//
// Thread: the user-interface thread, like the model.

#include "platform/Mailbox.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2RadioModel.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

namespace tamrel {

class CK2CommChannel;

// What the radio made of a set made for a network client.
enum class SetOutcome {
    Done,
    Refused,  // the radio answered "?" or kept another value
    NoAnswer, // the command could not be sent, or the radio did not answer it in time
};
using SetDone = std::function<void(SetOutcome)>;

class RadioOperations {
public:
    RadioOperations(K2RadioModel& model, CK2CommChannel* channel = nullptr);

    void SetChannel(CK2CommChannel* channel) { channel_ = channel; }
    CK2CommChannel* Channel() const { return channel_; }
    K2RadioModel& Model() { return model_; }
    const K2RadioModel& Model() const { return model_; }
    // "PA Option": the power setting then sends range digit 1.
    void SetPaOption(bool on) { paOption_ = on; }
    bool PaOption() const { return paOption_; }

    // A command the channel refused at once (a stalled line, a value out of
    // range) is told to `observer` with its result code; without a port
    // nothing is sent, and that is no failure. What a stalled line does to
    // commands already queued shows in the channel's stall flag.
    [[nodiscard]] Announcer<uint32_t>::Subscription
    ObserveRefusals(Announcer<uint32_t>::Observer observer) {
        return refusals_.Subscribe(std::move(observer));
    }

    // Applies a reply to the model; the first one starts status polling.
    // Returns the model's change bits.
    uint32_t ApplyReply(int id, std::string_view text);

    // Start-up and end: hooks the receive thread to the window (delivery on,
    // purge, start reading) and then runs the initial query; the shutdown
    // switches auto-information off and unhooks the receive thread.
    void HookReceiveThread(Address<LinkEvent> panel);
    void SendInitialQuery();
    void Shutdown();
    // Reads the whole state again, paced like the initial query, without its
    // set-up (K22, AI3); nothing when the initial query is still running.
    void RefreshState();

    // The VFOs. Locked operations return false when the VFO lock is on.
    bool TuneStep(bool up, int step); // step 1..4: 10, 20, 50 Hz, 1 kHz
    // Moves the receive VFO by deltaHz: as the radio's own UP/DN steps (1 kHz,
    // 50, 20, 10 Hz) when at most ten of them make it, else as a new
    // frequency. Returns false when the VFO lock refuses it.
    bool TuneBy(int64_t deltaHz);
    bool BandStep(bool up);
    bool SelectBand(int index); // to the receive VFO's stored frequency of that band
    bool SetVfoFrequency(int vfo, uint32_t hz); // the model takes it at once
    bool TuneVfo(int vfo, uint32_t hz);         // the model waits for the report
    bool CopyVfo(int from, int to);
    bool SetReceiveVfo(int vfo); // ends split: both roles move to it
    bool SetTransmitVfo(int vfo);
    void SetVfoLock(bool on);

    // RIT and XIT never run together from here. Both return the new pair.
    std::pair<bool, bool> ToggleRit();
    std::pair<bool, bool> ToggleXit();
    void ClearOffset();
    void StepOffset(bool up);
    // Steps the offset from where the radio last reported it to offsetHz.
    void MoveOffsetTo(int offsetHz);

    // Receiver and transmitter settings; the "already so" ones send nothing.
    void SetMode(int code);
    void SetAgc(int code); // 2 fast, 4 slow, 0 off
    void SetCrystalFilter(int filter);
    void SetPreamp(bool on);
    void SetAttenuator(bool on);
    void StepAudioFilter();
    void StepNoiseBlanker();
    void SetAntenna(int antenna);
    // Taps TUNE: the first tap keys the transmitter, the next one ends it.
    // Returns the model's change bits (kTransmit).
    uint32_t Tune();
    void SetPower(int power);
    void SetPower(int power, bool unscaledRange);
    void SetCwSpeed(int wpm);
    void SetSquelch(int level); // in the radio's steps of 25
    // Keys (TX) or unkeys (RX) the transmitter; false in CW, where the radio
    // keys only from its keyer. The IF report brings the new state back.
    bool SetTransmit(bool on);

    // Sends a stored state back: FA, FB, FR, FT, MD, then FW with the present
    // bandwidth, 100 ms apart; a value the encoder refuses is skipped. A new
    // recall replaces what is left of one still running.
    void ApplyState(const K2RadioState& state);

    void TapSwitch(int code);
    // Loads the limits and starts the radio's scan; VFO A is read with the
    // status poll until EndScan.
    void ScanBetween(int32_t lowHz, int32_t highHz);
    void EndScan();

    // While one lives, the operations act for a network client: the panel's
    // VFO lock guards the operator's own tuning (as the radio's lock guards its
    // knob), not the computer's.
    class ClientCall {
    public:
        explicit ClientCall(RadioOperations& ops) : ops_(ops) { ++ops_.clientCalls_; }
        ~ClientCall() { --ops_.clientCalls_; }
        ClientCall(const ClientCall&) = delete;
        ClientCall& operator=(const ClientCall&) = delete;

    private:
        RadioOperations& ops_;
    };

    // Checked sets, for network clients. The model shows at once the value the
    // radio will hold (frequencies in its 10 Hz steps) and holds it against
    // reports the radio sent before it had the command. Behind the command go a
    // checkpoint (CK2CommChannel::CmdCheckpoint) and, where the radio may do
    // otherwise than asked (a band change, a filter), queries of what it did;
    // when the checkpoint's reply comes, the radio's replies before it are its
    // verdict: `done` hears Refused after a "?" or a value other than the one
    // set, and the model shows the radio's value. A set that cannot be queued,
    // or whose checkpoint is not answered within kCheckTimeout, is NoAnswer and
    // the model goes back to what the radio last reported. Without a port the
    // model takes the value and `done` hears Done at once.
    static constexpr std::chrono::milliseconds kCheckTimeout{1500};
    void CheckedSetFrequency(int vfo, uint32_t hz, SetDone done);
    // filter 1..4 selects a crystal filter too; 0 leaves the radio's own choice for the mode.
    void CheckedSetMode(int code, int filter, SetDone done);
    // FR, and FT when the transmit VFO is not the receive VFO (FR ends split).
    void CheckedSetVfos(int receiveVfo, int transmitVfo, SetDone done);
    void CheckedSetPtt(bool on, SetDone done);
    // The offset is stepped from where the radio's offset stands when the steps
    // start, whatever earlier steps did; RIT (or with `xit` XIT) goes on when
    // neither is.
    void CheckedSetOffset(int offsetHz, bool xit, SetDone done);
    // Gives up on checks whose time is over.
    void ExpireChecks(std::chrono::steady_clock::time_point now);
    bool ChecksPending() const { return !checks_.empty(); }

private:
    struct Check {
        uint64_t tag = 0;
        uint32_t held = 0;     // radio_change bits held in the model
        uint32_t verified = 0; // those the radio is asked about behind the set
        // Whether the answers to those queries show the set taken.
        std::function<bool(const RadioFields& reported)> accepted;
        bool keyed = false; // a T 1 whose keying goes back if refused
        bool offset = false;
        int refusals = 0;
        std::chrono::steady_clock::time_point deadline;
        SetDone done;
    };

    bool Locked() const { return model_.Fields().vfoLock != 0 && clientCalls_ == 0; }
    // True when the channel took the command; a refusal is announced.
    bool Sent(uint32_t result);
    // Queues `send` (the set and its queries), then the check's checkpoint
    // unless `send` queues it itself.
    void StartCheck(Check check, const std::function<bool(uint64_t tag)>& send,
                    bool checkpoint = true);
    void Resolve(uint64_t tag, SetOutcome outcome);
    void OnCheckReply(int id, std::string_view text);

    K2RadioModel& model_;
    CK2CommChannel* channel_;
    bool paOption_ = false;
    Announcer<uint32_t> refusals_;
    int clientCalls_ = 0;
    std::deque<Check> checks_;
    uint64_t nextTag_ = 1;
    // The check of the latest T 1, until a later PTT command or an unkey.
    uint64_t keyingTag_ = 0;
    // The radio's RIT/XIT offset as the commands sent so far leave it: moved by
    // each step as it is written, taken from reports while no steps are due.
    std::atomic<int> offsetAtRadio_ = 0;
};

} // namespace tamrel

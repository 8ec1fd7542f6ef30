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

#include <cstdint>
#include <functional>
#include <utility>

namespace tamrel {

class CK2CommChannel;

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

    // Applies a reply to the model; the first one starts status polling.
    // Returns the model's change bits.
    uint32_t ApplyReply(int id, std::string_view text);

    // Start-up and end: hooks the receive thread to the window (delivery on,
    // purge, start reading) and then runs the initial query; the shutdown
    // switches auto-information off and unhooks the receive thread.
    void HookReceiveThread(Address<LinkEvent> panel);
    void SendInitialQuery();
    void Shutdown();

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
    void ScanBetween(int32_t lowHz, int32_t highHz);

private:
    bool Locked() const { return model_.Fields().vfoLock != 0; }

    K2RadioModel& model_;
    CK2CommChannel* channel_;
    bool paOption_ = false;
};

} // namespace tamrel

#pragma once
// RigctlSession: one network client's conversation in hamlib's rigctld line
// protocol, without a socket.
//
// Commands are read as rigctld reads them, one after another along the line:
// a short command is one character ("fmv" is three), a long one starts with
// "\" and ends at a blank. Each command may be preceded by "+" (the extended
// response, one record a line) or by another punctuation character (the
// extended response on one line, that character between records); the choice
// lasts for that command only. Replies are then those of rigctld 4.5: values
// alone on a successful get, "RPRT 0" after a set or a command that prints
// something but is not a get, "RPRT -N" for an error, and in the extended
// response the echoed command, "Key: value" records and always an RPRT line.
// A client reads a fixed number of lines per command, so the count is exact.
//
// Reads are served from the radio model at once. Sets of frequency, mode,
// VFOs and PTT are checked sets (RadioOperations::CheckedSet*): the model
// shows the new value at once, and the answer waits until the radio has had
// the command (tens of milliseconds), so that a refusal or a line that took
// nothing reaches the client as RPRT -9 or RPRT -5. Lines arriving meanwhile
// wait their turn. The panel's VFO lock does not stop a client: it guards the
// operator's own tuning. While the radio is not answering (any link state but
// live), reads of its state answer RPRT -5 rather than values nobody heard
// from it; \dump_state, \chk_vfo and the like still answer, so a client can
// connect and wait for the radio.
//
// State: VFO mode and whether \chk_vfo was asked are this session's own; the
// lock mode (\set_lock_mode) is shared by the sessions of one server, as in
// rigctld. Numbers are read and written in the C locale, whatever the user's.
//
// Thread: the user-interface thread, like the model.

#include "radio/K2RadioState.h"
#include "radio/RadioOperations.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

namespace rigctl {
// hamlib's error numbers, as the client reads them.
inline constexpr int kOk = 0;
inline constexpr int kInvalid = -1;        // a bad argument or an unknown command
inline constexpr int kNotImplemented = -4; // what hamlib's K2 model does not implement
inline constexpr int kTimeout = -5;        // the radio is not answering
inline constexpr int kRejected = -9;       // the radio refused it
inline constexpr int kNotAvailable = -11;
inline constexpr int kDeprecated = -18;
} // namespace rigctl

class RigctlSession {
public:
    // The state stored in memory slot 0..99, or nothing for a free slot.
    using MemoryLookup = std::function<std::optional<K2RadioState>(int slot)>;

    // Where send_morse and stop_morse go: the keyboard CW queue. send answers
    // false when the queue cannot take the whole text.
    struct MorseKeyer {
        std::function<bool(std::string_view text)> send;
        std::function<void()> stop;
    };

    // What the sessions of one server share.
    struct Shared {
        bool lockMode = false; // \set_lock_mode 1: mode sets are answered and ignored
        // The session whose T 1 keyed the transmitter last; a later T from
        // another client takes the transmission over.
        const RigctlSession* pttOwner = nullptr;
    };

    // Who hears what happens outside the answers HandleLine returns.
    struct Listener {
        // What is answered after a wait for the radio.
        std::function<void(std::string_view answers)> later;
        // What a client changed, in words ("tuned VFO A to 14074.00 kHz").
        std::function<void(std::string_view what)> note;
    };

    explicit RigctlSession(RadioOperations& operations, MemoryLookup memories = {},
                           MorseKeyer keyer = {}, Shared* shared = nullptr, Listener listener = {});
    ~RigctlSession();
    RigctlSession(const RigctlSession&) = delete;
    RigctlSession& operator=(const RigctlSession&) = delete;

    // Runs one line (without its line end) and returns the answers ready now.
    // While a set waits for the radio the line waits too; what is answered
    // after the wait goes to the listener.
    std::string HandleLine(std::string_view line);

    // A set waits for the radio's answer.
    bool Waiting() const { return waiting_.has_value(); }
    // The client asked to end the connection (q or Q) and was answered.
    bool WantsClose() const { return quit_; }
    bool VfoMode() const { return vfoMode_; }
    // This client keyed the transmitter (T 1), has not unkeyed it, and no
    // other client has keyed or unkeyed it since.
    bool KeyedPtt() const { return keyedPtt_ && shared_->pttOwner == this; }

    struct Command; // one entry of the command table

private:
    class Reply; // one command's answer

    void Pump();
    void RunNext();
    void Execute(const Command& command, Reply& reply);
    // Leaves the reply open until `start` calls back with the outcome's code.
    void Wait(Reply& reply, const std::function<void(std::function<void(int)>)>& start);
    void Finish(int code);
    std::string Take();
    // Checked sets that answer "already so" without asking the radio.
    void SetFrequency(int vfo, uint32_t hz, SetDone then);
    void SetMode(int code, int filter, SetDone then);
    void SetVfos(int receiveVfo, int transmitVfo, SetDone then);

    RadioOperations& ops_;
    MemoryLookup memories_;
    MorseKeyer keyer_;
    Shared ownShared_;
    Shared* shared_;
    Listener listener_;
    std::deque<std::string> lines_; // lines not yet started
    std::string line_;              // the line being run
    std::size_t pos_ = 0;
    std::string out_;
    std::optional<std::pair<char, bool>> waiting_; // the waiting reply's separator and form
    bool running_ = false;
    // Callbacks from the operations outlive nothing: they check this first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int memory_ = -1; // the slot this session last recalled
    bool vfoMode_ = false;
    bool checkedVfo_ = false;
    bool quit_ = false;
    bool keyedPtt_ = false;
};

} // namespace tamrel

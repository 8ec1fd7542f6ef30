#pragma once
// RigctlSession: one network client's conversation in hamlib's rigctld line
// protocol, without a socket.
//
// Each line holds one command with its arguments, or several argument-less
// short commands run together ("fmv"). A line may start with a separator
// character: "+" asks for the extended response with one record a line, any
// other punctuation for the whole response on one line with that character
// between records. Replies are those of the default protocol otherwise:
// values alone on a successful get, "RPRT 0" on a successful set, "RPRT -N"
// on an error. A client reads a fixed number of lines per command, so every
// reply's line count is exact.
//
// Reads are served from the radio model; every change goes through the
// radio operations, with their guards (the VFO lock). What the radio cannot
// do answers RPRT -11, and so does \\wait_morse: holding its answer until
// the keyer empties would outlast the client's own timeout. While the radio is not answering (any
// link state but live), reads of its state answer RPRT -5 rather than values nobody heard from it;
// \dump_state, \chk_vfo and the like still answer, so a client can connect and wait for the radio.
//
// State: the extended-response separator lives for one line; VFO mode and
// whether \chk_vfo was asked are this session's own. Numbers are read and
// written in the C locale, whatever the user's locale.
//
// Thread: the user-interface thread, like the model.

#include "radio/K2RadioState.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

class RadioOperations;

namespace rigctl {
// hamlib's error numbers, as the client reads them.
inline constexpr int kOk = 0;
inline constexpr int kInvalid = -1;  // a bad argument or an unknown command
inline constexpr int kTimeout = -5;  // the radio is not answering
inline constexpr int kProtocol = -8; // never used for "cannot": see kNotAvailable
inline constexpr int kRejected = -9; // the radio's lock refused it
inline constexpr int kNotAvailable = -11;
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

    explicit RigctlSession(RadioOperations& operations, MemoryLookup memories = {},
                           MorseKeyer keyer = {});

    // Runs one line (without its line end) and returns every byte to send back.
    std::string HandleLine(std::string_view line);

    // The client asked to end the connection (q or Q).
    bool WantsClose() const { return quit_; }
    bool VfoMode() const { return vfoMode_; }
    // This client keyed the transmitter (T 1) and has not unkeyed it.
    bool KeyedPtt() const { return keyedPtt_; }

    struct Command; // one entry of the command table

private:
    class Reply;

    void Run(const Command& command, std::string_view& rest, Reply& reply);

    RadioOperations& ops_;
    MemoryLookup memories_;
    MorseKeyer keyer_;
    int memory_ = -1; // the slot this session last recalled
    bool vfoMode_ = false;
    bool checkedVfo_ = false;
    bool quit_ = false;
    bool keyedPtt_ = false;
};

} // namespace tamrel

#pragma once
// The far end of a pseudo-terminal for tests: plays the radio's side of the
// line, recording every byte the program writes with the time it arrived.

#include "platform/PseudoTerminal.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel::test {

class PtyPeer {
public:
    using Clock = std::chrono::steady_clock;

    struct Command {
        std::string text; // without ";"
        Clock::time_point at;
    };

    PtyPeer() { pty_.holdSlaveOpen(true); }

    const std::string& device() const { return pty_.slavePath(); }
    int masterFd() const { return pty_.masterFd(); }

    // Sends bytes to the program as the radio would.
    void send(std::string_view bytes);

    // Collects what arrives for the given time, split into commands at ";".
    void collectFor(std::chrono::milliseconds duration);
    // Collects until pred(commands()) holds or the timeout passes; returns pred's last value.
    bool collectUntil(const std::function<bool(const std::vector<Command>&)>& pred,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Collects until at least n commands have arrived.
    bool waitForCommands(std::size_t n,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5));

    const std::vector<Command>& commands() const { return commands_; }
    std::vector<std::string> texts() const;
    // Every byte received so far, in order.
    const std::string& raw() const { return raw_; }
    void clear();

private:
    void pump(std::chrono::milliseconds wait);

    PseudoTerminal pty_;
    std::vector<Command> commands_;
    std::string partial_;
    std::string raw_;
};

} // namespace tamrel::test

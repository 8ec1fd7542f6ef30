// Macro expansion, type-in handover and chunk cutting on any input: no ";" or
// control character ever reaches the radio, chunks hold at most 24
// characters, and what goes out is what came in less those characters.

#include "cw/CwText.h"
#include "cw/KeyerFeed.h"
#include "cw/TypeInText.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

class Wire final : public tamrel::cw::KeyerLink {
public:
    void Query() override {}
    void SendText(std::string_view chunk) override {
        if (chunk.size() > tamrel::cw::kMaxChunk || chunk.empty())
            std::abort();
        for (char c : chunk)
            if (!tamrel::cw::IsKeyable(c))
                std::abort();
        out.append(chunk);
    }
    void Abort() override {}
    void SetStatusPolling(bool) override {}
    std::string out;
};

// Feeds the text through the keyer feed with ready answers until all is out;
// nothing when the feed refuses it, which it may only for a text too long.
std::optional<std::string> keyed(const std::string& text) {
    Wire wire;
    tamrel::cw::KeyerFeed feed;
    feed.SetLink(&wire);
    if (!feed.Append(text)) {
        if (tamrel::cw::KeyableText(text).size() <= tamrel::cw::kMaxQueuedCharacters)
            std::abort();
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 4 * tamrel::cw::kMaxQueuedCharacters && feed.Sending(); ++i) {
        feed.SendQuery();
        feed.KeyerState(2);
    }
    return wire.out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    // Macros: variables taken from the input itself.
    tamrel::cw::MacroVariables vars;
    vars[0] = input.substr(0, 8);
    vars[4] = input.substr(input.size() / 2);
    int32_t counter = int32_t(mode) * 997 - 5000;
    const std::string expanded =
        tamrel::cw::KeyableText(tamrel::cw::ExpandMacros(input, vars, counter, mode));
    if (auto once = keyed(expanded); once && *once != expanded)
        std::abort();

    // The type-in line, one character at a time; the pieces joined are the
    // keyable characters typed, up to the last break or overflow.
    tamrel::cw::TypeInText line;
    std::string text;
    std::string handed;
    std::string typed;
    for (char c : input) {
        if (!tamrel::cw::IsKeyable(c))
            continue;
        typed.push_back(c);
        text.push_back(c);
        const auto out = line.AfterInput(text, [&](const std::string& piece) {
            handed += piece;
            return true;
        });
        if (out.replaced)
            text = out.text;
        if (line.Sent() > text.size())
            std::abort();
    }
    if (typed.compare(0, handed.size(), handed) != 0)
        std::abort();
    if (auto pieces = keyed(handed); pieces && *pieces != handed)
        std::abort();
    return 0;
}

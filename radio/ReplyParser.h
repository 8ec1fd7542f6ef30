#pragma once
// ReplyParser: turns the radio's byte stream into replies. Pure byte logic, no
// threads and no I/O: the receive thread (CRecvrCmdParsingThread) only moves
// bytes into it, and tests, the fuzzer and the benchmark drive it directly.
//
// Rules, in the order they apply:
//  - ";" ends a reply; an empty reply (";;") is ignored. A reply may arrive in
//    pieces over any number of feeds.
//  - Every other byte belongs to the reply: bytes with bit 7 set and NUL
//    included (the display reply carries such bytes). Texts are length-exact;
//    read them by size, never as C strings.
//  - A reply holds at most kMaxReply characters. A longer one is dropped whole,
//    up to and including its ";" (a cut reply would be misread: a cut frequency
//    is a wrong frequency). Memory stays bounded whatever arrives.
//  - The id is the position of the first two characters in kCommandNames
//    (1..34), 0 when they name no command or the text is shorter than two.
//  - DS (display) replies are converted to readable text (see ReplyParser.cpp);
//    a DS or BG reply equal to the last one of its kind is dropped. The last
//    ones are remembered whether or not anybody delivers the output.
//  - Every other reply, id 0 included, passes unchanged.
//
// Not synchronised: one parser belongs to one thread.

#include "K2Commands.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

// The reply id of a text (ReplyId values; 0 for none).
int ReplyIdOf(std::string_view text);

class ReplyParser {
public:
    static constexpr std::size_t kMaxReply = 79;
    // "DS" + 8 characters each with its "." + 4 hexadecimal digits.
    static constexpr std::size_t kMaxDisplay = 2 + 16 + 4;

    // Feeds bytes in arrival order. Calls emit(int id, std::string_view text)
    // for every reply to pass on (without its ";"); the view is valid during
    // the call only.
    template <class Emit> void feed(std::string_view bytes, Emit&& emit) {
        for (;;) {
            std::size_t end = bytes.find(';');
            append(bytes.substr(0, end));
            if (end == std::string_view::npos)
                return;
            bytes.remove_prefix(end + 1);
            if (std::optional<Reply> reply = finish())
                emit(reply->id, reply->text);
        }
    }

private:
    struct Reply {
        int id;
        std::string_view text;
    };
    void append(std::string_view bytes);
    std::optional<Reply> finish();

    std::array<char, kMaxReply> reply_{};
    std::size_t length_ = 0;
    bool overlong_ = false;
    std::array<char, kMaxDisplay> display_{};
    std::string lastDisplay_;
    std::string lastBarGraph_;
};

} // namespace tamrel

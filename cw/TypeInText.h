#pragma once
// TypeInText: the rules of the CW type-in line, free of the widget. The line
// hands over what the operator types word by word, each word with the break
// character that ended it; handed-over text stays in the line (so the
// operator sees it) but can no longer be deleted, and the line is trimmed at
// a word boundary when it grows long.

#include <cstddef>
#include <functional>
#include <string>

namespace tamrel::cw {

class TypeInText {
public:
    static constexpr std::size_t kMaxText = 110;
    static constexpr std::size_t kTrimAbove = 108;

    // Hands a piece on; false when the receiver cannot take it now.
    using HandOver = std::function<bool(const std::string& piece)>;

    struct Outcome {
        bool refused = false;  // the piece was not taken: undo the keystroke
        bool replaced = false; // the line's text becomes `text`
        std::string text;
        std::size_t caret = 0; // where the caret goes when replaced
    };

    // After a character went into the line, `text` being the line's text now.
    Outcome AfterInput(const std::string& text, const HandOver& handOver);
    // Backspace may delete from a selection start only past the handed-over text.
    bool MayDeleteBefore(std::size_t selectionStart) const { return selectionStart > sent_; }
    std::size_t Sent() const { return sent_; }
    bool Overflow() const { return overflow_; }
    void Reset() {
        sent_ = 0;
        overflow_ = false;
    }

private:
    std::size_t sent_ = 0;
    bool overflow_ = false;
};

} // namespace tamrel::cw

#include "cw/TypeInText.h"

#include "cw/CwText.h"

#include <algorithm>

namespace tamrel::cw {

TypeInText::Outcome TypeInText::AfterInput(const std::string& full, const HandOver& handOver) {
    Outcome out;
    const std::string text = full.substr(0, kMaxText);
    sent_ = std::min(sent_, text.size());
    const std::string unsent = text.substr(sent_);
    const auto brk = std::find_if(unsent.begin(), unsent.end(), IsBreakCharacter);
    // One run longer than the line with nothing handed over yet goes as it is.
    const bool overflow = text.size() > kTrimAbove && sent_ == 0;
    const bool cut = overflow || brk != unsent.end();
    if (cut) {
        const std::string piece = overflow ? unsent : std::string(unsent.begin(), brk + 1);
        if (handOver && !handOver(piece)) {
            out.refused = true;
            return out;
        }
        sent_ += piece.size();
    }
    overflow_ = overflow;
    if (overflow_) {
        sent_ = 0;
        out.replaced = true;
        return out;
    }
    if (cut ? sent_ > kTrimAbove : text.size() > kTrimAbove) {
        // Keep what follows the last break before the final character.
        for (std::size_t i = text.size() - 1; i-- > 1;) {
            if (!IsBreakCharacter(text[i]))
                continue;
            const std::size_t removed = i + 1;
            out.replaced = true;
            out.text = text.substr(removed);
            out.caret = out.text.size();
            sent_ = sent_ > removed ? sent_ - removed : 0;
            break;
        }
    }
    return out;
}

} // namespace tamrel::cw

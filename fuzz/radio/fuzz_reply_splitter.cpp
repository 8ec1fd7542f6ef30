// Feeds arbitrary bytes, cut into arbitrary pieces, to the reply parser and
// checks what comes out: bounded texts, ids in range and matching the text,
// converted display replies, and the same replies however the bytes are cut.
// The replies are then read into the radio model, as the panel reads them.
#include "radio/K2RadioModel.h"
#include "radio/ReplyParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace tamrel;

namespace {
using Replies = std::vector<std::pair<int, std::string>>;

void check(bool ok) {
    if (!ok)
        std::abort();
}

void collect(Replies& out, int id, std::string_view text) {
    check(text.size() <= ReplyParser::kMaxReply);
    check(id >= 0 && id <= 34);
    if (id == ID_DS) {
        check(text.size() >= 6 && text.size() <= ReplyParser::kMaxDisplay);
        for (char c : text.substr(text.size() - 4))
            check(std::isxdigit(static_cast<unsigned char>(c)) &&
                  !std::isupper(static_cast<unsigned char>(c)));
    } else {
        check(id == ReplyIdOf(text));
    }
    if (id == ID_DS || id == ID_BG)
        for (auto it = out.rbegin(); it != out.rend(); ++it)
            if (it->first == id) {
                check(it->second != text); // repeats are dropped
                break;
            }
    out.emplace_back(id, text);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // Piece sizes first, the stream from the rest.
    std::vector<std::size_t> pieces(in.ConsumeIntegralInRange<std::size_t>(0, 16));
    for (auto& p : pieces)
        p = in.ConsumeIntegralInRange<std::size_t>(1, 600);
    const std::string stream = in.ConsumeRemainingBytesAsString();

    ReplyParser whole, cut;
    Replies a, b;
    whole.feed(stream, [&](int id, std::string_view t) { collect(a, id, t); });
    std::string_view rest = stream;
    for (std::size_t i = 0; !rest.empty(); ++i) {
        std::size_t n =
            pieces.empty() ? rest.size() : std::min(pieces[i % pieces.size()], rest.size());
        cut.feed(rest.substr(0, n), [&](int id, std::string_view t) { collect(b, id, t); });
        rest.remove_prefix(n);
    }
    check(a == b);

    K2RadioModel model;
    for (const auto& [id, text] : a)
        model.ApplyReply(id, text);
    const K2RadioState state = model.Snapshot();
    (void)state;
    return 0;
}

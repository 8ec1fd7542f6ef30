// The control-socket decoder fed arbitrary bytes in arbitrary chunks: it must
// never crash, never hold more than one header and one largest argument, and
// give the same frames however the stream is cut.

#include "remote/ControlFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

using namespace tamrel::control;

namespace {
void check(bool ok) {
    if (!ok)
        std::abort();
}

std::vector<Frame> decodeInChunks(Direction dir, std::span<const uint8_t> bytes,
                                  std::span<const uint8_t> cuts, bool& failed) {
    FrameDecoder d(dir);
    std::vector<Frame> frames;
    std::size_t c = 0;
    while (!bytes.empty()) {
        std::size_t n = cuts.empty() ? bytes.size() : 1 + cuts[c++ % cuts.size()] % 64;
        n = n > bytes.size() ? bytes.size() : n;
        for (Frame& f : d.feed(bytes.first(n))) {
            check(sizeAllowed(dir, f.dwData, static_cast<uint32_t>(f.data.size())));
            frames.push_back(std::move(f));
        }
        check(d.buffered() <= kHeaderSize + kMaxPayload);
        bytes = bytes.subspan(n);
    }
    failed = d.failed();
    return frames;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the direction and how much of the input cuts the rest.
    const Direction dir = (data[0] & 1) ? Direction::ToClient : Direction::ToPanel;
    const std::size_t cutBytes = size > 1 ? (data[0] >> 1) % (size - 1) : 0;
    std::span<const uint8_t> rest(data + 1, size - 1);
    std::span<const uint8_t> cuts = rest.first(cutBytes);
    std::span<const uint8_t> stream = rest.subspan(cutBytes);

    bool wholeFailed = false, chunkedFailed = false;
    std::vector<Frame> whole = decodeInChunks(dir, stream, {}, wholeFailed);
    std::vector<Frame> chunked = decodeInChunks(dir, stream, cuts, chunkedFailed);
    check(whole == chunked && wholeFailed == chunkedFailed);

    // What the decoder accepted encodes back to the bytes it came from.
    std::size_t pos = 0;
    for (const Frame& f : whole) {
        std::vector<uint8_t> again = encodeFrame(f.dwData, f.data);
        check(pos + again.size() <= stream.size());
        check(std::equal(again.begin(), again.end(), stream.begin() + static_cast<long>(pos)));
        pos += again.size();
    }
    return 0;
}

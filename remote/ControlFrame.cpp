#include "ControlFrame.h"

#include <algorithm>

namespace tamrel::control {

namespace {
void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t getU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
} // namespace

bool sizeAllowed(Direction direction, uint32_t dwData, uint32_t cbData) {
    if (direction == Direction::ToClient)
        return dwData == OP_STATE        ? cbData == kStateSize
               : dwData == OP_LINK_STATE ? cbData == kLinkStateSize
                                         : cbData <= kMaxPayload;
    switch (dwData) {
    case OP_REGISTER:
        return cbData <= kMaxTitle;
    case OP_STATE:
    case OP_UNREGISTER:
    case OP_LINK_STATE:
    case OP_BRING_TO_FRONT:
        return cbData == 0;
    case OP_CW_SPEED:
    case OP_POWER:
        return cbData == 4;
    case OP_CW_TEXT:
        return cbData <= kMaxCwText;
    default:
        return cbData <= kMaxPayload;
    }
}

std::vector<uint8_t> LinkStateRecord::toBytes() const {
    std::vector<uint8_t> out;
    out.reserve(kLinkStateSize);
    putU32(out, state);
    putU32(out, error);
    putU32(out, static_cast<uint32_t>(lastReplyMs));
    putU32(out, static_cast<uint32_t>(lastReplyMs >> 32));
    return out;
}

std::optional<LinkStateRecord> LinkStateRecord::fromBytes(std::span<const uint8_t> data) {
    if (data.size() != kLinkStateSize)
        return std::nullopt;
    auto u32 = [&data](std::size_t at) {
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
               uint32_t(data[at + 3]) << 24;
    };
    LinkStateRecord r;
    r.state = u32(0);
    r.error = u32(4);
    r.lastReplyMs = uint64_t(u32(8)) | uint64_t(u32(12)) << 32;
    return r;
}

std::vector<uint8_t> encodeFrame(uint32_t dwData, std::span<const uint8_t> data) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + data.size());
    putU32(out, dwData);
    putU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<uint8_t> encodeFrame(uint32_t dwData, uint32_t value) {
    std::vector<uint8_t> arg;
    putU32(arg, value);
    return encodeFrame(dwData, arg);
}

uint32_t valueOf(std::span<const uint8_t> data) {
    return data.size() == 4 ? getU32(data.data()) : 0;
}

std::string titleOf(std::span<const uint8_t> data) {
    auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return std::string(data.begin(), end);
}

std::vector<Frame> FrameDecoder::feed(std::span<const uint8_t> bytes) {
    std::vector<Frame> frames;
    while (!failed_ && !bytes.empty()) {
        if (headerFill_ < kHeaderSize) {
            std::size_t n = std::min(kHeaderSize - headerFill_, bytes.size());
            std::copy_n(bytes.begin(), n, header_ + headerFill_);
            headerFill_ += n;
            bytes = bytes.subspan(n);
            if (headerFill_ < kHeaderSize)
                break;
            dwData_ = getU32(header_);
            cbData_ = getU32(header_ + 4);
            // Refuse before buffering: a huge cbData never costs memory.
            if (!sizeAllowed(direction_, dwData_, cbData_)) {
                failed_ = true;
                break;
            }
            data_.reserve(cbData_);
        }
        std::size_t n = std::min<std::size_t>(cbData_ - data_.size(), bytes.size());
        data_.insert(data_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        bytes = bytes.subspan(n);
        if (data_.size() == cbData_) {
            frames.push_back(Frame{dwData_, std::move(data_)});
            data_ = {};
            headerFill_ = 0;
        }
    }
    if (failed_) {
        // Nothing from a broken stream is kept.
        data_ = {};
        headerFill_ = 0;
    }
    return frames;
}

} // namespace tamrel::control

#pragma once
// Frames of the control socket through which other programs drive the front
// panel: a pure encoder and an incremental decoder, no I/O.
//
// Wire format (both directions, every integer little-endian):
//
//   offset  size    field    meaning
//   0       4       dwData   operation code
//   4       4       cbData   number of argument bytes that follow
//   8       cbData  data     the argument
//
// Operations sent to the panel, with the argument sizes accepted:
//
//   dwData  operation        cbData      argument
//   1       register         0..83       the caller's name (its "window title"), no NUL needed
//   2       state request    0           none
//   3       CW speed         4           u32 words per minute
//   4       power            4           u32 power value
//   5       CW text          0..254      text, not NUL-terminated
//   6       unregister       0           none
//   0x100   link state       0           none; answered to the asking connection
//   0x101   come to front    0           none (a second copy of the program asks this)
//   0x102   state, here      0           none; answered to the asking connection, which
//                                        need not register (registering opens the CW window)
//   other   (ignored)        0..4096     passed through untouched
//
// Sent by the panel: dwData 2 with exactly 76 bytes, the K2RadioState snapshot;
// dwData 0x100 with exactly 16 bytes, the link state:
//
//   offset  size  field
//   0       4     state: 0 no port, 1 opening failed, 2 waiting for the first
//                 reply, 3 live, 4 no reply, 5 lost
//   4       4     errno of the failure, 0 for none
//   8       8     last reply, milliseconds since 1970-01-01 UTC; 0 for never
//
// dwData 0x102 with exactly 80 bytes: the 76-byte K2RadioState, then u32 1 when
// its power value is whole watts (a 100 W amplifier), 0 when tenths of a watt;
// other codes 0..4096 bytes. Codes from 0x100 on are this program's own, clear
// of the range the first six operations use.
//
// Limits. No frame carries more than kMaxPayload (4096) bytes: a larger cbData
// is refused as soon as the 8-byte header is complete, before any argument byte
// is buffered. Arguments that break the table above (a title of 84 bytes, a
// speed of 3 or 5 bytes, any bytes with operations 2 and 6) are refused rather
// than cut or ignored: a sender that gets the sizes wrong has misread the
// protocol, and acting on half of what it meant (say, a truncated CW text that
// the radio then transmits) is worse than closing the connection. A refused
// frame leaves the decoder in the failed state for good; the stream cannot be
// resynchronised, so the connection must be closed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamrel::control {

enum Operation : uint32_t {
    OP_REGISTER = 1,
    OP_STATE = 2,
    OP_CW_SPEED = 3,
    OP_POWER = 4,
    OP_CW_TEXT = 5,
    OP_UNREGISTER = 6,
    OP_LINK_STATE = 0x100,
    OP_BRING_TO_FRONT = 0x101,
    OP_STATE_HERE = 0x102,
};

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr uint32_t kMaxPayload = 4096;
inline constexpr uint32_t kMaxTitle = 83;
inline constexpr uint32_t kMaxCwText = 254;
inline constexpr uint32_t kStateSize = 76;
inline constexpr uint32_t kLinkStateSize = 16;
static_assert(kMaxTitle <= kMaxPayload && kMaxCwText <= kMaxPayload && kStateSize <= kMaxPayload);

// Who reads the frame: the panel (requests from other programs) or a client
// (answers from the panel). The size rules differ for dwData 2.
enum class Direction { ToPanel, ToClient };

// Whether cbData is an acceptable argument size for dwData in that direction.
bool sizeAllowed(Direction direction, uint32_t dwData, uint32_t cbData);

struct Frame {
    uint32_t dwData = 0;
    std::vector<uint8_t> data;

    friend bool operator==(const Frame&, const Frame&) = default;
};

// The bytes of one frame. No size check: the caller sends what it means to.
std::vector<uint8_t> encodeFrame(uint32_t dwData, std::span<const uint8_t> data);
// A 32-bit argument (operations 3 and 4).
std::vector<uint8_t> encodeFrame(uint32_t dwData, uint32_t value);

// The little-endian u32 of a 4-byte argument, or 0 for another size.
uint32_t valueOf(std::span<const uint8_t> data);

// A registered name: the argument up to its first NUL, as UTF-8 bytes. The
// panel and the server derive the peer title the same way.
std::string titleOf(std::span<const uint8_t> data);

// The answer to OP_LINK_STATE, written and read field by field.
struct LinkStateRecord {
    uint32_t state = 0;
    uint32_t error = 0;
    uint64_t lastReplyMs = 0;

    std::vector<uint8_t> toBytes() const;
    // Nothing unless exactly kLinkStateSize bytes.
    static std::optional<LinkStateRecord> fromBytes(std::span<const uint8_t> data);
    friend bool operator==(const LinkStateRecord&, const LinkStateRecord&) = default;
};
static_assert(sizeof(uint32_t) * 2 + sizeof(uint64_t) == kLinkStateSize);

// Feed it the bytes of one stream in chunks of any size; it returns the frames
// completed by each chunk. After a refused frame it stays failed and ignores
// all further input.
class FrameDecoder {
public:
    explicit FrameDecoder(Direction direction) : direction_(direction) {}

    std::vector<Frame> feed(std::span<const uint8_t> bytes);

    bool failed() const { return failed_; }
    // True while a frame has begun but is not complete (a peer that hangs up
    // now left a truncated frame).
    bool midFrame() const { return headerFill_ > 0; }
    // Bytes held for the frame in progress; never above kHeaderSize + kMaxPayload.
    std::size_t buffered() const { return headerFill_ + data_.size(); }

private:
    Direction direction_;
    bool failed_ = false;
    uint8_t header_[kHeaderSize] = {};
    std::size_t headerFill_ = 0;
    uint32_t dwData_ = 0;
    uint32_t cbData_ = 0;
    std::vector<uint8_t> data_;
};

} // namespace tamrel::control

#pragma once
// The memory and stacking-register files and their records.
//
// Both files are a 168-byte header followed by a fixed number of 160-byte
// records, slot 0 first; every integer is 32-bit little-endian.
//
//   "K2Memory.Cfg"          header + 100 records = 16,168 bytes
//   "K2StackRegisters.Cfg"  header +   5 records =    968 bytes
//   "<name>.Bak.Cfg"        the file as it was before its latest change
//
// Header (K2MemoryFileHeader):
//   off  size  field
//     0     4  format number, written as 1000, not checked on reading
//     4    25  the file's own name, NUL-terminated, zero-filled
//    29    83  "Elecraft K2 Remote Control Software Tamrel data file." + NUL, zero-filled
//   112    36  time of the last write, UTC, nine signed words in struct tm order:
//              sec, min, hour, mday 1..31, mon 0..11, year-1900, wday 0..6, yday 0..365, isdst
//   148     4  used slots (memories: 0..100; stacking registers: 0 before the first push, then 5)
//   152     4  slot count: 100 or 5
//   156     4  record size: 160
//   160     4  stacking registers: the current register 0..4; memories: as read (0 when new)
//   164     4  0
//
// Record (K2MemoryRecord), record i at 168 + 160 * i:
//     0    80  name: single-byte (Latin-1) text, NUL-terminated when shorter than 80;
//              the bytes after the NUL are kept as read
//    80     4  slot index: the record's own slot, or 9999 for a free slot
//    84    76  K2RadioState, nineteen words (see radio/K2RadioState.h)
// A blank record is 160 zero bytes except the slot index, 9999.

#include "radio/K2RadioState.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

// Result codes of the memory store (0 is success).
inline constexpr uint32_t kMemoryOk = 0;
inline constexpr uint32_t kMemoryOpenFailed = 0x0100000C;  // opening or creating a file
inline constexpr uint32_t kMemoryFileShort = 0x0100000D;   // ends before a header or record
inline constexpr uint32_t kMemoryWriteFailed = 0x0100000E; // writing a file
inline constexpr uint32_t kMemorySeekFailed = 0x0100000F;  // a record's position not reached
inline constexpr uint32_t kMemoryWrongHeader = 0x01000012; // not the file it should be
inline constexpr uint32_t kMemoryNoStackingRegister = 0x01000023;
inline constexpr uint32_t kMemoryNotFound = 0x01000024;
inline constexpr uint32_t kMemoryTableFull = 0x01000025;

struct K2MemoryRecord {
    static constexpr std::size_t kNameSize = 80;
    static constexpr std::size_t kMaxNameLength = kNameSize - 1;
    static constexpr uint32_t kFreeSlot = 9999;

    static constexpr std::size_t kNameOffset = 0;
    static constexpr std::size_t kSlotIndexOffset = kNameOffset + kNameSize;
    static constexpr std::size_t kStateOffset = kSlotIndexOffset + 4;
    static constexpr std::size_t kSize = kStateOffset + K2RadioState::kSize;

    std::array<uint8_t, kNameSize> nameField{};
    uint32_t slotIndex = kFreeSlot;
    K2RadioState state;

    // The name up to its NUL, or all 80 bytes when there is none.
    std::string Name() const;
    // Stores the name, NUL and zeros after it. False, and nothing changed, for
    // a name longer than 79 bytes or one holding a NUL.
    bool SetName(std::string_view latin1);
    bool Occupied() const { return slotIndex != kFreeSlot; }

    std::array<uint8_t, kSize> ToBytes() const;
    // Nothing unless the span is exactly kSize bytes.
    static std::optional<K2MemoryRecord> FromBytes(std::span<const uint8_t> bytes);

    friend bool operator==(const K2MemoryRecord&, const K2MemoryRecord&) = default;
};

static_assert(K2MemoryRecord::kSlotIndexOffset == 80);
static_assert(K2MemoryRecord::kStateOffset == 84);
static_assert(K2MemoryRecord::kSize == 160);

// Which of the two files: its name, backup name and number of slots.
struct MemoryFileKind {
    std::string_view fileName;
    std::string_view backupName;
    uint32_t slots;

    constexpr std::size_t FileSize() const;
    friend constexpr bool operator==(const MemoryFileKind&, const MemoryFileKind&) = default;
};

inline constexpr MemoryFileKind kMemoryFileKind{"K2Memory.Cfg", "K2Memory.Bak.Cfg", 100};
inline constexpr MemoryFileKind kStackFileKind{"K2StackRegisters.Cfg", "K2StackRegisters.Bak.Cfg",
                                               5};

inline constexpr uint32_t kMemoryFormatNumber = 1000;
inline constexpr std::string_view kMemoryFileDescription =
    "Elecraft K2 Remote Control Software Tamrel data file.";
static_assert(kMemoryFileDescription.size() == 53);

struct K2MemoryFileHeader {
    static constexpr std::size_t kFormatOffset = 0;
    static constexpr std::size_t kFileNameOffset = 4;
    static constexpr std::size_t kFileNameSize = 25;
    static constexpr std::size_t kDescriptionOffset = kFileNameOffset + kFileNameSize;
    static constexpr std::size_t kDescriptionSize = 83;
    static constexpr std::size_t kTimeOffset = kDescriptionOffset + kDescriptionSize;
    static constexpr std::size_t kTimeWords = 9;
    static constexpr std::size_t kUsedOffset = kTimeOffset + 4 * kTimeWords;
    static constexpr std::size_t kSlotsOffset = kUsedOffset + 4;
    static constexpr std::size_t kRecordSizeOffset = kSlotsOffset + 4;
    static constexpr std::size_t kCurrentOffset = kRecordSizeOffset + 4;
    static constexpr std::size_t kReservedOffset = kCurrentOffset + 4;
    static constexpr std::size_t kSize = kReservedOffset + 4;

    uint32_t formatNumber = kMemoryFormatNumber;
    std::array<uint8_t, kFileNameSize> fileName{};
    std::array<uint8_t, kDescriptionSize> description{};
    std::array<int32_t, kTimeWords> writeTime{}; // struct tm order, UTC
    uint32_t usedSlots = 0;
    uint32_t slotCount = 0;
    uint32_t recordSize = K2MemoryRecord::kSize;
    uint32_t currentRegister = 0;
    uint32_t reserved = 0;

    // A new header for the file: its name, the text, the given time.
    static K2MemoryFileHeader Fresh(const MemoryFileKind& kind, std::time_t when);
    void SetWriteTime(std::time_t when);
    // The name field up to its NUL.
    std::string FileName() const;

    std::array<uint8_t, kSize> ToBytes() const;
    static std::optional<K2MemoryFileHeader> FromBytes(std::span<const uint8_t> bytes);

    friend bool operator==(const K2MemoryFileHeader&, const K2MemoryFileHeader&) = default;
};

static_assert(K2MemoryFileHeader::kDescriptionOffset == 29);
static_assert(K2MemoryFileHeader::kTimeOffset == 112);
static_assert(K2MemoryFileHeader::kUsedOffset == 148);
static_assert(K2MemoryFileHeader::kSlotsOffset == 152);
static_assert(K2MemoryFileHeader::kRecordSizeOffset == 156);
static_assert(K2MemoryFileHeader::kCurrentOffset == 160);
static_assert(K2MemoryFileHeader::kReservedOffset == 164);
static_assert(K2MemoryFileHeader::kSize == 168);
static_assert(kMemoryFileDescription.size() < K2MemoryFileHeader::kDescriptionSize);
static_assert(kStackFileKind.fileName.size() < K2MemoryFileHeader::kFileNameSize);

constexpr std::size_t MemoryFileKind::FileSize() const {
    return K2MemoryFileHeader::kSize + K2MemoryRecord::kSize * slots;
}
static_assert(kMemoryFileKind.FileSize() == 16168);
static_assert(kStackFileKind.FileSize() == 968);

// What is wrong with a file, in the order the reader looks.
enum class MemoryFileProblem {
    None,
    ShorterThanHeader,
    WrongName,
    WrongRecordSize,
    WrongSlotCount,
    WrongUsedCount,
    WrongCurrentRegister,
    ShorterThanRecords,
    LongerThanRecords,
};

struct ParsedMemoryFile {
    MemoryFileProblem problem = MemoryFileProblem::None;
    // 0, kMemoryFileShort for the two short cases, kMemoryWrongHeader otherwise.
    uint32_t status = kMemoryOk;
    // How the file is wrong, in words, for the operator; empty when it is fine.
    std::string detail;
    std::optional<K2MemoryFileHeader> header;
    // The complete records read, slot 0 first, at most the kind's slot count.
    // None when the header does not name the file or gives another record size.
    std::vector<K2MemoryRecord> records;
};

// Reads a whole file's bytes. A damaged file is read as far as it reads.
ParsedMemoryFile ParseMemoryFile(std::span<const uint8_t> bytes, const MemoryFileKind& kind);

// Header then records; the records are written as they are (pass the full table).
std::vector<uint8_t> EncodeMemoryFile(const K2MemoryFileHeader& header,
                                      std::span<const K2MemoryRecord> records);

// Latin-1 bytes to UTF-8, for showing names and file contents in messages.
std::string Latin1ToUtf8(std::string_view latin1);

} // namespace tamrel

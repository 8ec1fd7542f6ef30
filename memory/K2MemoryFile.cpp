#include "K2MemoryFile.h"

#include <algorithm>
#include <cstring>

namespace tamrel {

namespace {

void putU32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getU32(const uint8_t* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

template <std::size_t N> std::string textOf(const std::array<uint8_t, N>& field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return std::string(field.begin(), end);
}

template <std::size_t N> void setText(std::array<uint8_t, N>& field, std::string_view text) {
    field.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field.begin());
}

std::string quoted(std::string_view latin1) {
    return "\"" + Latin1ToUtf8(latin1) + "\"";
}

} // namespace

std::string K2MemoryRecord::Name() const {
    return textOf(nameField);
}

bool K2MemoryRecord::SetName(std::string_view latin1) {
    if (latin1.size() > kMaxNameLength || latin1.find('\0') != std::string_view::npos)
        return false;
    setText(nameField, latin1);
    return true;
}

std::array<uint8_t, K2MemoryRecord::kSize> K2MemoryRecord::ToBytes() const {
    std::array<uint8_t, kSize> out{};
    std::copy(nameField.begin(), nameField.end(), out.begin() + kNameOffset);
    putU32(out.data() + kSlotIndexOffset, slotIndex);
    const auto st = state.toBytes();
    std::copy(st.begin(), st.end(), out.begin() + kStateOffset);
    return out;
}

std::optional<K2MemoryRecord> K2MemoryRecord::FromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() != kSize)
        return std::nullopt;
    K2MemoryRecord r;
    std::copy_n(bytes.begin() + kNameOffset, kNameSize, r.nameField.begin());
    r.slotIndex = getU32(bytes.data() + kSlotIndexOffset);
    r.state = *K2RadioState::fromBytes(bytes.subspan(kStateOffset, K2RadioState::kSize));
    return r;
}

K2MemoryFileHeader K2MemoryFileHeader::Fresh(const MemoryFileKind& kind, std::time_t when) {
    K2MemoryFileHeader h;
    setText(h.fileName, kind.fileName);
    setText(h.description, kMemoryFileDescription);
    h.SetWriteTime(when);
    h.slotCount = kind.slots;
    return h;
}

void K2MemoryFileHeader::SetWriteTime(std::time_t when) {
    std::tm t{};
    if (!::gmtime_r(&when, &t))
        t = std::tm{};
    writeTime = {t.tm_sec,  t.tm_min,  t.tm_hour, t.tm_mday, t.tm_mon,
                 t.tm_year, t.tm_wday, t.tm_yday, t.tm_isdst};
}

std::string K2MemoryFileHeader::FileName() const {
    return textOf(fileName);
}

std::array<uint8_t, K2MemoryFileHeader::kSize> K2MemoryFileHeader::ToBytes() const {
    std::array<uint8_t, kSize> out{};
    putU32(out.data() + kFormatOffset, formatNumber);
    std::copy(fileName.begin(), fileName.end(), out.begin() + kFileNameOffset);
    std::copy(description.begin(), description.end(), out.begin() + kDescriptionOffset);
    for (std::size_t i = 0; i < kTimeWords; ++i)
        putU32(out.data() + kTimeOffset + 4 * i, static_cast<uint32_t>(writeTime[i]));
    putU32(out.data() + kUsedOffset, usedSlots);
    putU32(out.data() + kSlotsOffset, slotCount);
    putU32(out.data() + kRecordSizeOffset, recordSize);
    putU32(out.data() + kCurrentOffset, currentRegister);
    putU32(out.data() + kReservedOffset, reserved);
    return out;
}

std::optional<K2MemoryFileHeader> K2MemoryFileHeader::FromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() != kSize)
        return std::nullopt;
    K2MemoryFileHeader h;
    const uint8_t* p = bytes.data();
    h.formatNumber = getU32(p + kFormatOffset);
    std::copy_n(p + kFileNameOffset, kFileNameSize, h.fileName.begin());
    std::copy_n(p + kDescriptionOffset, kDescriptionSize, h.description.begin());
    for (std::size_t i = 0; i < kTimeWords; ++i)
        h.writeTime[i] = static_cast<int32_t>(getU32(p + kTimeOffset + 4 * i));
    h.usedSlots = getU32(p + kUsedOffset);
    h.slotCount = getU32(p + kSlotsOffset);
    h.recordSize = getU32(p + kRecordSizeOffset);
    h.currentRegister = getU32(p + kCurrentOffset);
    h.reserved = getU32(p + kReservedOffset);
    return h;
}

ParsedMemoryFile ParseMemoryFile(std::span<const uint8_t> bytes, const MemoryFileKind& kind) {
    ParsedMemoryFile out;
    const std::size_t size = bytes.size();
    const std::size_t full = kind.FileSize();
    auto fail = [&](MemoryFileProblem problem, uint32_t status, std::string detail) {
        out.problem = problem;
        out.status = status;
        out.detail = std::move(detail);
        return out;
    };

    if (size < K2MemoryFileHeader::kSize)
        return fail(MemoryFileProblem::ShorterThanHeader, kMemoryFileShort,
                    "it is " + std::to_string(size) + " bytes long, shorter than its " +
                        std::to_string(K2MemoryFileHeader::kSize) + "-byte header");
    out.header = K2MemoryFileHeader::FromBytes(bytes.first(K2MemoryFileHeader::kSize));
    const K2MemoryFileHeader& h = *out.header;

    // The name must be exactly the file's own, ended by a NUL.
    const std::string_view want = kind.fileName;
    if (std::memcmp(h.fileName.data(), want.data(), want.size()) != 0 ||
        h.fileName[want.size()] != 0)
        return fail(MemoryFileProblem::WrongName, kMemoryWrongHeader,
                    "its header names it " + quoted(h.FileName()) + " instead of " + quoted(want));
    if (h.recordSize != K2MemoryRecord::kSize)
        return fail(MemoryFileProblem::WrongRecordSize, kMemoryWrongHeader,
                    "its header gives a record size of " + std::to_string(h.recordSize) +
                        " bytes instead of " + std::to_string(K2MemoryRecord::kSize));

    const std::size_t available = (size - K2MemoryFileHeader::kSize) / K2MemoryRecord::kSize;
    const std::size_t count = std::min<std::size_t>(available, kind.slots);
    out.records.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.records.push_back(*K2MemoryRecord::FromBytes(bytes.subspan(
            K2MemoryFileHeader::kSize + i * K2MemoryRecord::kSize, K2MemoryRecord::kSize)));

    if (h.slotCount != kind.slots)
        return fail(MemoryFileProblem::WrongSlotCount, kMemoryWrongHeader,
                    "its header gives " + std::to_string(h.slotCount) + " slots instead of " +
                        std::to_string(kind.slots));
    const bool ring = kind == kStackFileKind;
    if (ring ? (h.usedSlots != 0 && h.usedSlots != kind.slots) : h.usedSlots > kind.slots)
        return fail(MemoryFileProblem::WrongUsedCount, kMemoryWrongHeader,
                    "its header counts " + std::to_string(h.usedSlots) + " used slots out of " +
                        std::to_string(kind.slots));
    if (ring && h.currentRegister >= kind.slots)
        return fail(MemoryFileProblem::WrongCurrentRegister, kMemoryWrongHeader,
                    "its header gives the current register as " +
                        std::to_string(h.currentRegister) + ", not 0 to " +
                        std::to_string(kind.slots - 1));
    if (size < full)
        return fail(MemoryFileProblem::ShorterThanRecords, kMemoryFileShort,
                    "it is " + std::to_string(size) + " bytes long and holds only " +
                        std::to_string(available) + " of its " + std::to_string(kind.slots) +
                        " records (" + std::to_string(full) + " bytes)");
    if (size > full)
        return fail(MemoryFileProblem::LongerThanRecords, kMemoryWrongHeader,
                    "it is longer than its " + std::to_string(full) + " bytes");
    return out;
}

std::vector<uint8_t> EncodeMemoryFile(const K2MemoryFileHeader& header,
                                      std::span<const K2MemoryRecord> records) {
    std::vector<uint8_t> out;
    out.reserve(K2MemoryFileHeader::kSize + K2MemoryRecord::kSize * records.size());
    const auto h = header.ToBytes();
    out.insert(out.end(), h.begin(), h.end());
    for (const K2MemoryRecord& r : records) {
        const auto b = r.ToBytes();
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

} // namespace tamrel

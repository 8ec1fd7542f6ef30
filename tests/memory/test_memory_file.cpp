// The two files' byte layout and the reader's verdict on damaged files.

#include "MemoryFixture.h"

#include "memory/K2MemoryFile.h"

#include <numeric>

namespace tamrel::test {
namespace {

Bytes FileOf(const MemoryFileKind& kind, uint32_t used = 0, uint32_t current = 0) {
    K2MemoryFileHeader h = K2MemoryFileHeader::Fresh(kind, 1700000000);
    h.usedSlots = used;
    h.currentRegister = current;
    std::vector<K2MemoryRecord> records(kind.slots);
    return EncodeMemoryFile(h, records);
}

TEST(MemoryFileLayout, HeaderFieldsLieAtTheirOffsets) {
    K2MemoryFileHeader h = K2MemoryFileHeader::Fresh(kStackFileKind, 1700000000);
    h.usedSlots = 5;
    h.currentRegister = 3;
    const auto b = h.ToBytes();
    const Bytes v(b.begin(), b.end());
    EXPECT_EQ(U32At(v, 0), 1000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&v[4])), "K2StackRegisters.Cfg");
    EXPECT_TRUE(std::all_of(v.begin() + 4 + 20, v.begin() + 29, [](uint8_t c) { return c == 0; }));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&v[29])),
              "Elecraft K2 Remote Control Software Tamrel data file.");
    EXPECT_TRUE(
        std::all_of(v.begin() + 29 + 53, v.begin() + 112, [](uint8_t c) { return c == 0; }));
    // 2023-11-14 22:13:20 UTC, a Tuesday, day 317 of the year.
    const uint32_t tm[9] = {20, 13, 22, 14, 10, 123, 2, 317, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(U32At(v, 112 + 4 * i), tm[i]) << "tm word " << i;
    // Used slots, slots, record size, current register, and a word kept 0.
    std::vector<uint32_t> counts;
    for (std::size_t at = 148; at < 168; at += 4)
        counts.push_back(U32At(v, at));
    EXPECT_EQ(counts, (std::vector<uint32_t>{5, 5, 160, 3, 0}));
    EXPECT_EQ(K2MemoryFileHeader::FromBytes(v), h);
}

TEST(MemoryFileLayout, RecordKeepsEveryByteAsReadAndNamesFitTheFieldOrAreRefused) {
    Bytes raw(160);
    std::iota(raw.begin(), raw.end(), uint8_t{1});
    raw[5] = 0; // name "\1\2\3\4\5", then bytes that are not ours
    PutU32At(raw, 80, 42);
    PutU32At(raw, 84 + 4 * 15, static_cast<uint32_t>(-250)); // signed offset
    const auto r = K2MemoryRecord::FromBytes(raw);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Name(), "\1\2\3\4\5");
    EXPECT_EQ(r->slotIndex, 42u);
    EXPECT_EQ(r->state.offset, -250);
    const auto back = r->ToBytes();
    EXPECT_EQ(Bytes(back.begin(), back.end()), raw);
    EXPECT_FALSE(K2MemoryRecord::FromBytes(Bytes(159)));
    EXPECT_EQ(K2MemoryRecord::FromBytes(Bytes(160, 'x'))->Name(), std::string(80, 'x')); // no NUL

    K2MemoryRecord rec;
    EXPECT_TRUE(rec.SetName(std::string(79, 'a')));
    EXPECT_EQ(rec.nameField[79], 0);
    EXPECT_FALSE(rec.SetName(std::string(80, 'b')));
    EXPECT_FALSE(rec.SetName(std::string("a\0b", 3)));
    EXPECT_EQ(rec.Name(), std::string(79, 'a'));
    EXPECT_TRUE(rec.SetName("\xe9t\xe9"));
    EXPECT_EQ(Latin1ToUtf8(rec.Name()), "\xc3\xa9t\xc3\xa9");
}

struct Damage {
    const char* what;
    const MemoryFileKind* kind;
    std::function<void(Bytes&)> damage;
    MemoryFileProblem problem;
    uint32_t status;
    std::size_t records;
};

class MemoryFileDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(MemoryFileDamage, IsReadAsFarAsItReads) {
    const Damage& d = GetParam();
    Bytes b = FileOf(*d.kind, 0);
    d.damage(b);
    const ParsedMemoryFile p = ParseMemoryFile(b, *d.kind);
    EXPECT_EQ(p.problem, d.problem);
    EXPECT_EQ(p.status, d.status);
    EXPECT_EQ(p.records.size(), d.records);
    EXPECT_EQ(p.detail.empty(), d.problem == MemoryFileProblem::None);
}

const Damage kDamages[] = {
    {"intact", &kMemoryFileKind, [](Bytes&) {}, MemoryFileProblem::None, 0, 100},
    {"empty", &kMemoryFileKind, [](Bytes& b) { b.clear(); }, MemoryFileProblem::ShorterThanHeader,
     kMemoryFileShort, 0},
    {"other_name", &kMemoryFileKind, [](Bytes& b) { b[4] = 'X'; }, MemoryFileProblem::WrongName,
     kMemoryWrongHeader, 0},
    {"longer_name", &kMemoryFileKind, [](Bytes& b) { b[4 + 12] = 'X'; },
     MemoryFileProblem::WrongName, kMemoryWrongHeader, 0},
    {"ring_as_memory", &kMemoryFileKind, [](Bytes& b) { b = FileOf(kStackFileKind); },
     MemoryFileProblem::WrongName, kMemoryWrongHeader, 0},
    {"slot_count", &kMemoryFileKind, [](Bytes& b) { PutU32At(b, 152, 50); },
     MemoryFileProblem::WrongSlotCount, kMemoryWrongHeader, 100},
    {"used_count", &kMemoryFileKind, [](Bytes& b) { PutU32At(b, 148, 101); },
     MemoryFileProblem::WrongUsedCount, kMemoryWrongHeader, 100},
    {"ring_used_count", &kStackFileKind, [](Bytes& b) { PutU32At(b, 148, 3); },
     MemoryFileProblem::WrongUsedCount, kMemoryWrongHeader, 5},
    {"ring_current", &kStackFileKind, [](Bytes& b) { PutU32At(b, 160, 5); },
     MemoryFileProblem::WrongCurrentRegister, kMemoryWrongHeader, 5},
    {"fifty_records", &kMemoryFileKind, [](Bytes& b) { b.resize(RecordAt(50) + 17); },
     MemoryFileProblem::ShorterThanRecords, kMemoryFileShort, 50},
    {"trailing_bytes", &kStackFileKind, [](Bytes& b) { b.push_back(0); },
     MemoryFileProblem::LongerThanRecords, kMemoryWrongHeader, 5},
};

INSTANTIATE_TEST_SUITE_P(Memory, MemoryFileDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace tamrel::test

// The files' byte layout and the reader's verdicts; the store over real files:
// creation, the ring, memory changes, backups and the walk; then files that
// cannot be written or read, damaged files, home directories that are not
// folders, a writer killed at any moment: a clear report, whole files.

#include "MemoryFixture.h"
#include "support/FileSizeLimit.h"

#include "memory/K2MemoryFile.h"
#include "settings/CRigControlRegistry.h"

#include <numeric>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tamrel::test {
namespace {

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
    Bytes b = EncodeMemoryFile(K2MemoryFileHeader::Fresh(*d.kind, 1700000000),
                               std::vector<K2MemoryRecord>(d.kind->slots));
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
    {"slot_count", &kMemoryFileKind, [](Bytes& b) { PutU32At(b, 152, 50); },
     MemoryFileProblem::WrongSlotCount, kMemoryWrongHeader, 100},
    {"used_count", &kMemoryFileKind, [](Bytes& b) { PutU32At(b, 148, 101); },
     MemoryFileProblem::WrongUsedCount, kMemoryWrongHeader, 100},
    {"ring_current", &kStackFileKind, [](Bytes& b) { PutU32At(b, 160, 5); },
     MemoryFileProblem::WrongCurrentRegister, kMemoryWrongHeader, 5},
    {"fifty_records", &kMemoryFileKind, [](Bytes& b) { b.resize(RecordAt(50) + 17); },
     MemoryFileProblem::ShorterThanRecords, kMemoryFileShort, 50},
    {"trailing_bytes", &kStackFileKind, [](Bytes& b) { b.push_back(0); },
     MemoryFileProblem::LongerThanRecords, kMemoryWrongHeader, 5},
};

INSTANTIATE_TEST_SUITE_P(Memory, MemoryFileDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.what); });

using MemoryStore = MemoryFixture;

TEST_F(MemoryStore, FirstStartCreatesBlankFilesOfTheirExactSizes) {
    auto store = Open();
    EXPECT_TRUE(store->TakeStartupNotices().empty());
    const auto blank = K2MemoryRecord{}.ToBytes();
    for (auto [name, size, slots] :
         {std::tuple("K2Memory.Cfg", 16168u, 100u), std::tuple("K2StackRegisters.Cfg", 968u, 5u)}) {
        const Bytes file = Read(name);
        ASSERT_EQ(file.size(), size) << name;
        EXPECT_EQ(std::pair(U32At(file, 148), U32At(file, 152)), std::pair(0u, slots)) << name;
        for (std::size_t i = 0; RecordAt(i) < file.size(); ++i)
            EXPECT_TRUE(std::equal(blank.begin(), blank.end(), file.begin() + RecordAt(i)))
                << name << " record " << i;
    }
    EXPECT_FALSE(Exists("K2Memory.Bak.Cfg"));
    EXPECT_FALSE(Exists("K2StackRegisters.Bak.Cfg"));
}

TEST_F(MemoryStore, RingFillsOnFirstPushThenWalksBackAndWrapsEachPushKeepingABackup) {
    auto store = Open();
    const Bytes before = Read("K2StackRegisters.Cfg");
    K2MemoryRecord untouched = Named("untouched");
    EXPECT_EQ(store->PopStackingRegister(untouched), kMemoryNoStackingRegister);
    EXPECT_EQ(untouched.Name(), "untouched");
    EXPECT_EQ(store->CurrentRegister(), 0);
    EXPECT_EQ(Read("K2StackRegisters.Cfg"), before);

    ASSERT_EQ(store->PushStackingRegister(Named("ignored", 1000)), kMemoryOk);
    EXPECT_EQ(Read("K2StackRegisters.Bak.Cfg"), before);
    for (uint32_t i = 0; i < 5; ++i) {
        const K2MemoryRecord& r = store->Registers()[i];
        EXPECT_EQ(std::tuple(r.Name(), r.slotIndex, r.state.vfoA),
                  std::tuple("Stacking Memory # " + std::to_string(i), i, 1000u));
    }
    const Bytes first = Read("K2StackRegisters.Cfg");
    ASSERT_EQ(store->PushStackingRegister(Named("", 2000)), kMemoryOk);
    EXPECT_EQ(Read("K2StackRegisters.Bak.Cfg"), first);
    EXPECT_EQ(store->Registers()[1].state.vfoA, 2000u);
    EXPECT_EQ(store->Registers()[2].state.vfoA, 1000u);

    const std::pair<std::string, uint32_t> expected[] = {{"1", 2000}, {"0", 1000}, {"4", 1000},
                                                         {"3", 1000}, {"2", 1000}, {"1", 2000}};
    for (const auto& [slot, hz] : expected) {
        K2MemoryRecord out;
        ASSERT_EQ(store->PopStackingRegister(out), kMemoryOk);
        EXPECT_EQ(std::pair(out.Name(), out.state.vfoA),
                  std::pair("Stacking Memory # " + slot, hz));
    }
}

TEST_F(MemoryStore, RingContinuesAfterRestartFromTheStoredRegister) {
    {
        auto store = Open();
        for (uint32_t hz : {1000u, 2000u, 3000u})
            EXPECT_EQ(store->PushStackingRegister(Named("", hz)), kMemoryOk);
    }
    EXPECT_EQ(U32At(Read("K2StackRegisters.Cfg"), 160), 2u);
    auto store = Open();
    EXPECT_EQ(store->CurrentRegister(), 2);
    K2MemoryRecord out;
    ASSERT_EQ(store->PopStackingRegister(out), kMemoryOk);
    EXPECT_EQ(out.state.vfoA, 3000u);
    store = Open();
    EXPECT_EQ(store->PushStackingRegister(Named("", 4000)), kMemoryOk);
    EXPECT_EQ(store->Registers()[3].state.vfoA, 4000u);
}

TEST_F(MemoryStore, EachMemoryChangeLeavesThePreviousFileAsBackup) {
    auto store = Open();
    const std::function<uint32_t()> changes[] = {
        [&] { return store->AddMemory(Named("a")); },
        [&] { return store->EditMemory("a", Named("a", 14060000)); },
        [&] { return store->DeleteMemory("a"); },
    };
    for (const auto& change : changes) {
        const Bytes before = Read("K2Memory.Cfg");
        ASSERT_EQ(change(), kMemoryOk);
        EXPECT_EQ(Read("K2Memory.Bak.Cfg"), before);
        EXPECT_EQ(Read("K2Memory.Cfg").size(), 16168u);
    }
}

TEST_F(MemoryStore, MemoryUpdateChangesOnlyTheRecordTimeAndCounts) {
    Open().reset();
    Bytes file = Read("K2Memory.Cfg");
    PutU32At(file, 0, 999);        // format number, not ours to change
    file[4 + 13] = 0x55;           // after the name's NUL
    file[29 + 60] = 0x66;          // after the text's NUL
    PutU32At(file, 160, 7);        // unused in the memory file
    file[RecordAt(9) + 40] = 0x77; // a free slot's stray byte
    Write("K2Memory.Cfg", file);

    now_ += 3600;
    auto store = Open();
    ASSERT_EQ(store->AddMemory(Named("first")), kMemoryOk);
    Bytes expected = file;
    const auto rec = store->Memories()[0].ToBytes();
    std::copy(rec.begin(), rec.end(), expected.begin() + RecordAt(0));
    PutU32At(expected, 112 + 8, 23); // hour
    PutU32At(expected, 148, 1);
    EXPECT_EQ(Read("K2Memory.Cfg"), expected);
}

TEST_F(MemoryStore, DefaultNumbersWrapNamesSkipThoseInUseAndAFullTableLeavesTheFile) {
    auto store = Open();
    Fill(*store, 4);
    EXPECT_EQ(store->NextDefaultMemoryName(), "Memory 5");
    EXPECT_EQ(store->AddMemory(Named("Memory 5")), kMemoryOk);
    EXPECT_EQ(store->AddMemory(Named("Memory 7")), kMemoryOk);
    EXPECT_EQ(store->NextDefaultMemoryName(), "Memory 8"); // 7 in use
    EXPECT_EQ(store->LastDefaultNumber(), 8u);
    Fill(*store, 93, "x");
    ASSERT_EQ(store->UsedMemories(), 99u);
    EXPECT_EQ(store->NextDefaultMemoryNumber(), 0u);

    ASSERT_EQ(store->AddMemory(Named("last")), kMemoryOk);
    const Bytes before = Read("K2Memory.Cfg");
    const Bytes backup = Read("K2Memory.Bak.Cfg");
    EXPECT_EQ(store->AddMemory(Named("one more")), kMemoryTableFull);
    EXPECT_FALSE(store->MemoryNameExists("one more"));
    EXPECT_EQ(Read("K2Memory.Cfg"), before);
    EXPECT_EQ(Read("K2Memory.Bak.Cfg"), backup);
    EXPECT_EQ(store->NextDefaultMemoryNumber(), 1u); // (100 + 1) % 100
}

TEST_F(MemoryStore, DeleteFreesTheSlotKeepingItsBytesTheWalkSkipsItAndAddReusesIt) {
    auto store = Open();
    K2MemoryRecord r;
    EXPECT_FALSE(store->NextMemory(r)); // no walk under way
    Fill(*store, 6);
    ASSERT_EQ(store->DeleteMemory("m5"), kMemoryOk);
    ASSERT_EQ(store->DeleteMemory("m3"), kMemoryOk);
    EXPECT_EQ(store->UsedMemories(), 4u);
    EXPECT_EQ(store->DeleteMemory("m3"), kMemoryNotFound);
    const Bytes file = Read("K2Memory.Cfg");
    EXPECT_EQ(U32At(file, RecordAt(3) + 80), 9999u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[RecordAt(3)])), "m3");

    K2RadioState s;
    std::vector<std::string> walk{store->FirstMemoryState(s)};
    while (!walk.back().empty() && walk.size() < 10)
        walk.push_back(store->NextMemoryState(s));
    EXPECT_EQ(walk, (std::vector<std::string>{"m0", "m1", "m2", "m4", ""}));
    ASSERT_TRUE(store->FirstMemory(r));
    EXPECT_EQ(r.Name(), "m0");

    ASSERT_EQ(store->AddMemory(Named("new")), kMemoryOk);
    EXPECT_EQ(store->Memories()[3].Name(), "new");
    EXPECT_EQ(U32At(Read("K2Memory.Cfg"), RecordAt(3) + 80), 3u);
}

TEST_F(MemoryStore, NamesAreCaseSensitiveAndEditKeepsTheSlot) {
    auto store = Open();
    EXPECT_EQ(store->AddMemory(Named("Dx", 1000)), kMemoryOk);
    EXPECT_EQ(store->AddMemory(Named("dx", 2000)), kMemoryOk);
    K2MemoryRecord out;
    ASSERT_EQ(store->FindMemory("dx", out), kMemoryOk);
    EXPECT_EQ(out.state.vfoA, 2000u);
    EXPECT_EQ(store->FindMemory("DX", out), kMemoryNotFound);

    K2MemoryRecord edited = Named("dx", 3000);
    edited.slotIndex = K2MemoryRecord::kFreeSlot; // must not free the slot
    ASSERT_EQ(store->EditMemory("dx", edited), kMemoryOk);
    EXPECT_EQ(store->Memories()[1].slotIndex, 1u);
    EXPECT_EQ(store->Memories()[1].state.vfoA, 3000u);
    ASSERT_EQ(Open()->FindMemory("dx", out), kMemoryOk);
    EXPECT_EQ(out.state.vfoA, 3000u);
}

TEST_F(MemoryStore, FiftyRecordFileLoadsThoseAndIsNotWrittenUntilMovedAway) {
    { Fill(*Open(), 60); }
    Bytes file = Read("K2Memory.Cfg");
    file.resize(RecordAt(50));
    Write("K2Memory.Cfg", file);
    const Bytes backup = Read("K2Memory.Bak.Cfg");

    auto store = Open();
    const auto notices = store->TakeStartupNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(PathOf("K2Memory.Cfg")), std::string::npos);
    EXPECT_NE(notices[0].find("only 50 of its 100 records"), std::string::npos);
    EXPECT_TRUE(store->TakeStartupNotices().empty());
    EXPECT_EQ(store->UsedMemories(), 60u);
    EXPECT_TRUE(store->MemoryNameExists("m49"));
    EXPECT_FALSE(store->MemoryNameExists("m50"));
    EXPECT_EQ(store->Memories()[50], K2MemoryRecord{});

    EXPECT_EQ(store->AddMemory(Named("kept in memory")), kMemoryFileShort);
    EXPECT_EQ(store->DeleteMemory("m0"), kMemoryFileShort);
    EXPECT_TRUE(store->MemoryNameExists("kept in memory"));
    EXPECT_EQ(Read("K2Memory.Cfg"), file);
    EXPECT_EQ(Read("K2Memory.Bak.Cfg"), backup);

    // Moved away (or deleted): the next change writes the whole file again.
    std::filesystem::rename(PathOf("K2Memory.Cfg"), PathOf("damaged.Cfg"));
    ASSERT_EQ(store->EditMemory("m1", Named("m1", 5)), kMemoryOk);
    auto reopened = Open();
    EXPECT_TRUE(reopened->TakeStartupNotices().empty());
    EXPECT_TRUE(reopened->MemoryNameExists("kept in memory"));
    EXPECT_FALSE(reopened->MemoryNameExists("m0"));
    K2MemoryRecord m1;
    ASSERT_EQ(reopened->FindMemory("m1", m1), kMemoryOk);
    EXPECT_EQ(m1.state.vfoA, 5u);
}

using MemoryFailures = MemoryFixture;

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(MemoryFailures, WriteFailureReportsTheCodeAndChangesNoFile) {
    auto store = Open();
    (void)store->AddMemory(Named("a"));
    (void)store->PushStackingRegister(Named(""));
    (void)store->PushStackingRegister(Named(""));
    const auto files = [&] {
        return std::vector{Read("K2Memory.Cfg"), Read("K2Memory.Bak.Cfg"),
                           Read("K2StackRegisters.Cfg"), Read("K2StackRegisters.Bak.Cfg")};
    };
    const auto before = files();
    const auto names = Listing(Home());
    {
        FileSizeLimit limit(500);
        EXPECT_EQ(store->AddMemory(Named("b")), kMemoryWriteFailed);
        EXPECT_EQ(store->PushStackingRegister(Named("", 1)), kMemoryWriteFailed);
    }
    EXPECT_EQ(files(), before);
    EXPECT_EQ(Listing(Home()), names); // no temporary file left behind
    // The changes stay in memory for this run.
    EXPECT_TRUE(store->MemoryNameExists("b"));
    ASSERT_EQ(store->AddMemory(Named("c")), kMemoryOk);
    EXPECT_EQ(Read("K2Memory.Bak.Cfg"), before[0]);
}

TEST_F(MemoryFailures, UnwritableFolderReportsOpenFailure) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    auto store = Open();
    const Bytes mem = Read("K2Memory.Cfg");
    ::chmod(Home().c_str(), 0555);
    EXPECT_EQ(store->AddMemory(Named("a")), kMemoryOpenFailed);
    EXPECT_EQ(store->PushStackingRegister(Named("")), kMemoryOpenFailed);
    ::chmod(Home().c_str(), 0755);
    EXPECT_EQ(Read("K2Memory.Cfg"), mem);
    EXPECT_FALSE(Exists("K2Memory.Bak.Cfg"));
}

// A damaged ring (a short memory file is MemoryStore's Fifty... test); the
// reader's verdicts on each damage are MemoryFileDamage's.
TEST_F(MemoryFailures, DamagedRingIsReportedOnceAndLeftByteForByte) {
    (void)Open()->PushStackingRegister(Named(""));
    std::filesystem::remove(PathOf("K2StackRegisters.Bak.Cfg"));
    Bytes file = Read("K2StackRegisters.Cfg");
    PutU32At(file, 156, 161);
    Write("K2StackRegisters.Cfg", file);

    auto store = Open();
    const auto notices = store->TakeStartupNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(PathOf("K2StackRegisters.Cfg")), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("record size of 161"), std::string::npos) << notices[0];
    EXPECT_EQ(store->PushStackingRegister(Named("")), kMemoryWrongHeader);
    EXPECT_EQ(store->PushStackingRegister(Named("")), kMemoryWrongHeader);
    K2MemoryRecord out;
    (void)store->PopStackingRegister(out); // whatever it holds, no crash
    EXPECT_EQ(store->AddMemory(Named("b")), kMemoryOk);
    EXPECT_EQ(Read("K2StackRegisters.Cfg"), file);
    EXPECT_FALSE(Exists("K2StackRegisters.Bak.Cfg"));
}

TEST_F(MemoryFailures, UnreadableFileIsReportedAndNotReplaced) {
    std::filesystem::create_directory(PathOf("K2Memory.Cfg"));
    auto store = Open();
    const auto notices = store->TakeStartupNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("cannot read"), std::string::npos);
    EXPECT_EQ(store->AddMemory(Named("a")), kMemoryOpenFailed);
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("K2Memory.Cfg")));
}

TEST_F(MemoryFailures, HomeDirectoryThatCannotBeMadeIsReportedOnce) {
    Write("plain file", {1, 2, 3});
    CK2MemoryStore store(PathOf("plain file") + "/Tamrel");
    const auto notices = store.TakeStartupNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("cannot create its home directory"), std::string::npos);
    EXPECT_NE(store.AddMemory(Named("a")), kMemoryOk);
    EXPECT_NE(store.PushStackingRegister(Named("")), kMemoryOk);
    EXPECT_TRUE(store.MemoryNameExists("a"));
}

// The settings' "HomeDir" is used when it is a folder here; a Windows one
// falls back to $HOME/Tamrel with a notice.
TEST_F(MemoryFailures, HomeDirComesFromTheSettings) {
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(PathOf("config")));
    qputenv("HOME", QByteArray::fromStdString(Home()));
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter);
    SystemConfig config;
    registry.GetSystemConfig(config);
    for (const std::string& configured :
         {PathOf("radio data"), std::string("C:\\Tamrel"), std::string()}) {
        config.homeDir = configured;
        (void)registry.SetSystemConfig(config);
        CK2MemoryStore store(registry);
        const bool windows = configured.empty() || configured.front() != '/';
        const std::string used = windows ? PathOf("Tamrel") : configured;
        EXPECT_EQ(store.HomeDir(), used);
        EXPECT_TRUE(std::filesystem::exists(used + "/K2Memory.Cfg"));
        EXPECT_EQ(store.TakeStartupNotices().size(), windows ? 1u : 0u);
    }
    EXPECT_TRUE(prompter.texts().empty());
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

// A child changes memories and the ring in a loop and is killed at random: every
// file is then header and records of one write. Every word follows from VFO A.
K2RadioState StateFor(uint32_t n) {
    K2RadioState s;
    s.vfoA = n;
    s.vfoB = n ^ 0x5a5a5a5au;
    s.power = n * 3u;
    s.cwSpeed = n % 50u;
    s.offset = -static_cast<int32_t>(n % 9999u);
    s.bandIndex = n % 9u;
    return s;
}

[[noreturn]] void ChangeForever(const std::string& home, uint32_t first, int readyFd) {
    CK2MemoryStore store(home);
    (void)!::write(readyFd, "r", 1);
    for (uint32_t n = first;; ++n) {
        K2MemoryRecord r;
        const std::string name = "m" + std::to_string(n % 12);
        r.SetName(name);
        r.state = StateFor(n);
        if (n % 7 == 0)
            (void)store.DeleteMemory(name);
        else if (store.MemoryNameExists(name))
            (void)store.EditMemory(name, r);
        else
            (void)store.AddMemory(r);
        (void)store.PushStackingRegister(r);
    }
}

void ExpectOneVersion(const Bytes& file, const MemoryFileKind& kind, const std::string& what) {
    const ParsedMemoryFile p = ParseMemoryFile(file, kind);
    ASSERT_EQ(p.problem, MemoryFileProblem::None) << what << ": " << p.detail;
    uint32_t occupied = 0;
    for (std::size_t i = 0; i < p.records.size(); ++i) {
        const K2MemoryRecord& r = p.records[i];
        if (!r.Occupied())
            continue;
        ++occupied;
        EXPECT_EQ(r.slotIndex, i) << what;
        EXPECT_EQ(r.state, StateFor(r.state.vfoA)) << what << " record " << i;
    }
    EXPECT_EQ(p.header->usedSlots, occupied) << what;
}

using MemoryKill = MemoryFixture;

TEST_F(MemoryKill, AtAnyMomentLeavesCompleteFiles) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayUs(0, 15000);
    for (int round = 0; round < 200; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            ChangeForever(Home(), static_cast<uint32_t>(round) * 100000u, ready[1]);
        }
        ::close(ready[1]);
        char c = 0;
        const bool started = ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "round " << round;
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        const std::string r = " after round " + std::to_string(round);
        ExpectOneVersion(Read("K2Memory.Cfg"), kMemoryFileKind, "memory file" + r);
        ExpectOneVersion(Read("K2StackRegisters.Cfg"), kStackFileKind, "ring file" + r);
        if (Exists("K2Memory.Bak.Cfg"))
            ExpectOneVersion(Read("K2Memory.Bak.Cfg"), kMemoryFileKind, "memory backup" + r);
        if (Exists("K2StackRegisters.Bak.Cfg"))
            ExpectOneVersion(Read("K2StackRegisters.Bak.Cfg"), kStackFileKind, "ring backup" + r);
        if (HasFailure())
            break;
    }
    EXPECT_TRUE(Open()->TakeStartupNotices().empty());
}

} // namespace
} // namespace tamrel::test

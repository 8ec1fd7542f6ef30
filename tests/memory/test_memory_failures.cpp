// Files that cannot be written or read, damaged files, home directories that are
// not folders, a writer killed at any moment: a clear report, whole files.

#include "MemoryFixture.h"
#include "support/FileSizeLimit.h"

#include "memory/K2MemoryFile.h"
#include "settings/CRigControlRegistry.h"

#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tamrel::test {
namespace {

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

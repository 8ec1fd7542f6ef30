// Files that cannot be written or read, damaged files, and home directories
// that are not folders here: a clear report, no file changed, no crash.

#include "MemoryFixture.h"
#include "support/FileSizeLimit.h"

#include "settings/CRigControlRegistry.h"

#include <sys/stat.h>
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
        EXPECT_EQ(store->EditMemory("a", Named("a", 1)), kMemoryWriteFailed);
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

struct Damaged {
    const char* what;
    bool ring;
    std::function<void(Bytes&)> damage;
    const char* detail; // part of the notice
    uint32_t status;
};

class MemoryStoreDamage : public MemoryFixture, public ::testing::WithParamInterface<Damaged> {};

TEST_P(MemoryStoreDamage, AreReportedOnceAndLeftByteForByte) {
    const Damaged& d = GetParam();
    const std::string_view name = d.ring ? "K2StackRegisters.Cfg" : "K2Memory.Cfg";
    {
        auto store = Open();
        (void)store->AddMemory(Named("a"));
        (void)store->PushStackingRegister(Named(""));
    }
    std::filesystem::remove(PathOf(d.ring ? "K2StackRegisters.Bak.Cfg" : "K2Memory.Bak.Cfg"));
    Bytes file = Read(name);
    d.damage(file);
    Write(name, file);

    auto store = Open();
    const auto notices = store->TakeStartupNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(PathOf(name)), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find(d.detail), std::string::npos) << notices[0];

    if (d.ring) {
        EXPECT_EQ(store->PushStackingRegister(Named("")), d.status);
        EXPECT_EQ(store->PushStackingRegister(Named("")), d.status);
        K2MemoryRecord out;
        (void)store->PopStackingRegister(out); // whatever it holds, no crash
        EXPECT_EQ(store->AddMemory(Named("b")), kMemoryOk);
    } else {
        EXPECT_EQ(store->AddMemory(Named("b")), d.status);
        EXPECT_EQ(store->DeleteMemory("b"), d.status);
        EXPECT_EQ(store->PushStackingRegister(Named("")), kMemoryOk);
    }
    EXPECT_EQ(Read(name), file);
    EXPECT_FALSE(Exists(d.ring ? "K2StackRegisters.Bak.Cfg" : "K2Memory.Bak.Cfg"));
}

const Damaged kDamaged[] = {
    {"short_header", false, [](Bytes& b) { b.resize(167); }, "shorter than its 168-byte header",
     kMemoryFileShort},
    {"wrong_name", false, [](Bytes& b) { b[5] = 'k'; }, "instead of \"K2Memory.Cfg\"",
     kMemoryWrongHeader},
    {"slot_count", false, [](Bytes& b) { PutU32At(b, 152, 5); }, "5 slots instead of 100",
     kMemoryWrongHeader},
    {"record_size", true, [](Bytes& b) { PutU32At(b, 156, 161); }, "record size of 161",
     kMemoryWrongHeader},
    {"short_ring", true, [](Bytes& b) { b.resize(900); }, "only 4 of its 5 records",
     kMemoryFileShort},
    {"ring_current", true, [](Bytes& b) { PutU32At(b, 160, 0xffffffff); },
     "current register as 4294967295", kMemoryWrongHeader},
    {"long_ring", true, [](Bytes& b) { b.resize(5000, 'z'); }, "longer than its 968 bytes",
     kMemoryWrongHeader},
};

INSTANTIATE_TEST_SUITE_P(Memory, MemoryStoreDamage, ::testing::ValuesIn(kDamaged),
                         [](const auto& info) { return std::string(info.param.what); });

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
         {PathOf("radio data"), std::string("C:\\Tamrel"), std::string("Tamrel"), std::string()}) {
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

} // namespace
} // namespace tamrel::test

// A child process changes memories and pushes stacking registers in a loop
// and is killed at random moments; every file must then be one complete
// version, header and records from the same write.

#include "MemoryFixture.h"

#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace tamrel::test {
namespace {

// Every word follows from VFO A, so a record mixed from two writes shows.
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

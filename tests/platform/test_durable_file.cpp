// A durable write whose data cannot be synced to the disk is not put in place:
// the file keeps what it held. The disk's refusal is played by this program's
// own fsync and fdatasync, which stand in for the C library's.
#include "platform/DurableFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
std::atomic<bool> syncFails{false};

int syncOrFail(long call, int fd) {
    if (!syncFails)
        return static_cast<int>(::syscall(call, fd));
    errno = EIO;
    return -1;
}
} // namespace

extern "C" int fsync(int fd) {
    return syncOrFail(SYS_fsync, fd);
}
extern "C" int fdatasync(int fd) {
    return syncOrFail(SYS_fdatasync, fd);
}

TEST(DurableFile, AWriteThatCannotBeSyncedLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("memories.dat").toStdString();
    ASSERT_TRUE(tamrel::file::WriteWhole(path, "old").ok());

    syncFails = true;
    const tamrel::file::WriteOutcome failed = tamrel::file::WriteWhole(path, "new");
    syncFails = false;
    EXPECT_EQ(failed.stage, tamrel::file::WriteOutcome::Stage::NotWritten);
    EXPECT_EQ(failed.error, std::strerror(EIO));
    EXPECT_EQ(tamrel::file::ReadWhole(path, 100).bytes, "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"memories.dat"});
}

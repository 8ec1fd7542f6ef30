// The log file: load with its mode check, append, rewrite with backup, new,
// search and recall, and the cases where the file must be left alone.

#include "QsoTestSupport.h"

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tamrel;
using test::contestQso;
using test::normalQso;
using Status = LogWrite::Status;

namespace {

class LogFile : public test::LogFileFixture {
protected:
    std::string line(const QSORecord& r, int64_t seq) { return formatLine(r, seq); }
    QSORecord qso(const std::string& call, int day = 5) {
        return normalQso(call, local(2003, 12, day, 14, 2, 9));
    }
    // The lines of these calls' QSOs, numbered from 1.
    std::string lines(std::initializer_list<const char*> calls) {
        std::string text;
        int64_t sequence = 0;
        for (const char* call : calls)
            text += line(qso(call), ++sequence);
        return text;
    }
    LogLoad loadFile(const std::string& text, const std::string& name = kDefaultLogName) {
        write(inHome(name), text);
        return log_->load(name, 0, true);
    }
};

} // namespace

// The last line lacks its "\n": the append ends it first.
TEST_F(LogFile, LoadListsTheQsosAppendsAfterThemAndRefusesANameOver79Bytes) {
    const std::string text =
        lines({"AA1AA", "BB2BB"}) + "0;;CC3CC;12052003140209;  20M;14025000;CW;;;;;0;;";
    const LogLoad r = loadFile(text, "Field.QSO.Log");
    EXPECT_TRUE(r.read && r.modeMatches && r.messages.empty());
    ASSERT_EQ(log_->records().size(), 3u);
    EXPECT_EQ(log_->records()[1], qso("BB2BB"));
    EXPECT_EQ(currentNameSetting(), "Field.QSO.Log");

    const LogWrite w = log_->add(qso("DD4DD"));
    EXPECT_TRUE(w.written()) << w.message;
    EXPECT_EQ(logText("Field.QSO.Log"), text + "\n" + line(qso("DD4DD"), 3));

    // Without a name the load takes "Current Log File Name".
    ASSERT_TRUE(registry_->SetCurrentLogFileName("Other.QSO.Log"));
    write(inHome("Other.QSO.Log"), lines({"EE5EE"}));
    log_->load(std::nullopt, 0, true);
    EXPECT_EQ(log_->name(), "Other.QSO.Log");
    EXPECT_EQ(log_->records(), std::vector<QSORecord>{qso("EE5EE")});

    // A name over 79 bytes is refused, not cut.
    const std::string longName = root_ + "/" + std::string(80, 'n') + ".QSO.Log";
    const LogLoad refused = log_->load(longName, 0, true);
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(log_->records().size(), 1u);
    EXPECT_EQ(log_->rewrite(longName).status, Status::NotWritten);
    EXPECT_FALSE(std::filesystem::exists(longName));
    EXPECT_EQ(currentNameSetting(), "Other.QSO.Log");
    EXPECT_TRUE(log_->rewrite(std::string(79 - 8, 'n') + ".QSO.Log").written());
}

TEST_F(LogFile, AnUnreadableFileIsNeverWrittenOverAndAMissingOneIsCreatedInTheHomeDirectory) {
    std::filesystem::create_directories(inHome("Tamrel.QSO.Log"));
    LogLoad r = log_->load(std::nullopt, 0, true);
    EXPECT_FALSE(r.read || r.missing);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find(inHome("Tamrel.QSO.Log")), std::string::npos);
    EXPECT_EQ(log_->add(qso("AA1AA")).status, Status::NotWritten);
    EXPECT_TRUE(std::filesystem::is_directory(inHome("Tamrel.QSO.Log")));

    std::filesystem::remove_all(home_);
    r = log_->load(std::nullopt, 1, true);
    EXPECT_TRUE(r.missing);
    EXPECT_FALSE(r.switchMode); // a first run keeps its mode
    EXPECT_TRUE(log_->add(contestQso("XX0XX", local(2003, 12, 5, 14, 2, 9))).written());
}

TEST_F(LogFile, AFileOfTheOtherKindSwitchesTheModeOnlyWhenAskedAndIsElseLeftAlone) {
    const QSORecord c1 = contestQso("XX0XX", local(2003, 12, 5, 14, 2, 9));
    const std::string content = "# contest\n" + line(c1, 1);
    LogLoad r = loadFile(content, "Test.QSO.Log");
    EXPECT_EQ(r.fileKind, QsoKind::Contest);
    EXPECT_EQ(r.switchMode, 1);
    EXPECT_TRUE(r.recreateWindow);
    EXPECT_TRUE(log_->add(contestQso("YY1YY", c1.time)).written());

    // Request 12 (no switch): the log starts empty and the file is not touched.
    write(inHome("Test.QSO.Log"), content);
    r = log_->load("Test.QSO.Log", 0, false);
    EXPECT_FALSE(r.switchMode);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find(inHome("Test.QSO.Log") + " is a contest log"), std::string::npos);
    EXPECT_EQ(log_->add(qso("AA1AA")).status, Status::NotWritten);
    EXPECT_EQ(log_->rewrite().status, Status::NotWritten);
    EXPECT_EQ(logText("Test.QSO.Log"), content);
    EXPECT_TRUE(log_->unsaved());
    // Saved under a name, the new QSOs make a log of their own kind.
    EXPECT_TRUE(log_->rewrite("Saved.QSO.Log").written());
    EXPECT_EQ(logText("Saved.QSO.Log"), lines({"AA1AA"}));

    // A file without QSOs suits either mode.
    write(inHome("Empty.QSO.Log"), "# nothing yet\n");
    r = log_->load("Empty.QSO.Log", 1, true);
    EXPECT_TRUE(r.modeMatches);
    EXPECT_FALSE(r.recreateWindow);
}

TEST_F(LogFile, NewLeavesAnExistingFileOfTheDefaultNameAlone) {
    const std::string old = lines({"OLD1", "OLD2"});
    write(inHome("Tamrel.QSO.Log"), old);
    loadFile(lines({"AA1AA"}), "Mine.QSO.Log");

    log_->startNew();
    EXPECT_EQ(currentNameSetting(), "Tamrel.QSO.Log");
    EXPECT_TRUE(log_->records().empty());
    EXPECT_EQ(logText(), old); // New writes nothing

    // Log It, then Delete: neither touches the old QSOs.
    EXPECT_EQ(log_->add(qso("NEW1")).status, Status::NotWritten);
    EXPECT_EQ(log_->add(qso("NEW2")).status, Status::NotWritten);
    EXPECT_EQ(log_->remove(0, qso("NEW1")).status, Status::NotWritten);
    EXPECT_EQ(logText(), old);

    // Saved under the name the operator chose (the dialog asked), it is written.
    EXPECT_TRUE(log_->rewrite("Tamrel.QSO.Log").written());
    EXPECT_EQ(logText(), lines({"NEW2"}));
    EXPECT_EQ(logText("Tamrel.QSO.Log.Bak"), old);

    // With no file of that name, the first QSO after New creates it.
    std::filesystem::remove(inHome("Tamrel.QSO.Log"));
    log_->startNew();
    EXPECT_TRUE(log_->add(qso("FIRST")).written());
    EXPECT_EQ(logText(), lines({"FIRST"}));
}

TEST_F(LogFile, RewriteBacksUpRenumbersAndKeepsEveryLineThatIsNotListed) {
    const std::string original = "# header\n" + line(qso("AA1AA", 1), 5) + "bad line\n" +
                                 line(qso("BB2BB", 2), 6) + line(qso("CC3CC", 3), 7) +
                                 "0;8;DD4DD;99999999999999;;;;;;;;0;;\n" + line(qso("EE5EE", 4), 9);
    const LogLoad r = loadFile(original);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], inHome("Tamrel.QSO.Log") +
                                 ": 2 lines are not read as QSOs and kept as they are: line 3 "
                                 "(type not 0 or 1), 6 (no valid date and time).");
    ASSERT_EQ(log_->records().size(), 4u);
    EXPECT_EQ(log_->sequence(), 5); // "bad line" has no sequence field

    // Deleting the third row: the rest numbered from 1, the other lines in place.
    EXPECT_TRUE(log_->remove(2, qso("CC3CC", 3)).written());
    EXPECT_EQ(logText(), "# header\n" + line(qso("AA1AA", 1), 1) + "bad line\n" +
                             line(qso("BB2BB", 2), 2) + "0;8;DD4DD;99999999999999;;;;;;;;0;;\n" +
                             line(qso("EE5EE", 4), 3));
    EXPECT_EQ(logText("Tamrel.QSO.Log.Bak"), original);
    EXPECT_TRUE(log_->add(qso("FF6FF", 6)).written());
    const std::string afterAdd = logText();
    EXPECT_TRUE(afterAdd.ends_with(line(qso("FF6FF", 6), 4)));

    // Replace: the next backup is the file as it was just before.
    QSORecord changed = qso("BB2BB", 2);
    changed.comment = "worked again";
    EXPECT_TRUE(log_->replace(1, qso("BB2BB", 2), changed).written());
    EXPECT_EQ(logText("Tamrel.QSO.Log.Bak"), afterAdd);
    EXPECT_FALSE(std::filesystem::exists(inHome("Tamrel.QSO.Log.Bak.new")));

    // A row that is no longer the record asked for changes nothing.
    const std::string before = logText();
    EXPECT_EQ(log_->remove(4, qso("FF6FF", 6)).status, Status::Unchanged); // past the end
    EXPECT_EQ(log_->replace(0, qso("BB2BB", 2), qso("ZZ9ZZ")).status, Status::Unchanged);
    EXPECT_EQ(logText(), before);
    EXPECT_EQ(logText("Tamrel.QSO.Log.Bak"), afterAdd);
}

TEST_F(LogFile, FailedWritesAreToldAndLoseNothing) {
    // The home directory cannot be made: a file is in its place.
    write(home_, "in the way");
    log_->load(std::nullopt, 0, true);
    LogWrite w = log_->add(qso("AA1AA"));
    EXPECT_EQ(w.status, Status::Failed);
    EXPECT_NE(w.message.find(inHome("Tamrel.QSO.Log")), std::string::npos);
    EXPECT_NE(w.message.find("Not a directory"), std::string::npos);
    EXPECT_TRUE(log_->unsaved());
    EXPECT_EQ(log_->rewrite().status, Status::Failed);

    // The next QSO takes the one left out with it.
    std::filesystem::remove(home_);
    w = log_->add(qso("BB2BB"));
    EXPECT_TRUE(w.written());
    EXPECT_TRUE(w.wholeList);
    EXPECT_FALSE(log_->unsaved());
    EXPECT_EQ(logText(), lines({"AA1AA", "BB2BB"}));

    // No backup can be made: the log and its list stay as they were.
    std::filesystem::remove(inHome("Tamrel.QSO.Log.Bak"));
    std::filesystem::create_directories(inHome("Tamrel.QSO.Log.Bak/full"));
    w = log_->remove(0, qso("AA1AA"));
    EXPECT_EQ(w.status, Status::Failed);
    EXPECT_NE(w.message.find("Tamrel.QSO.Log.Bak"), std::string::npos);
    EXPECT_EQ(logText(), lines({"AA1AA", "BB2BB"}));
    EXPECT_EQ(log_->records(), (std::vector<QSORecord>{qso("AA1AA"), qso("BB2BB")}));
    w = log_->replace(1, qso("BB2BB"), qso("CC3CC"));
    EXPECT_EQ(w.status, Status::Failed);
    EXPECT_EQ(log_->records()[1], qso("BB2BB"));
    EXPECT_FALSE(log_->unsaved());
    EXPECT_TRUE(log_->dupeIndex().check("BB2BB", 4, 3, QsoKind::Normal).dupe);

    // A failed save under a new name keeps the current name and setting.
    write(root_ + "/blocked", "");
    EXPECT_EQ(log_->rewrite(root_ + "/blocked/x.QSO.Log").status, Status::Failed);
    EXPECT_EQ(log_->name(), "Tamrel.QSO.Log");
    EXPECT_EQ(currentNameSetting(), "Tamrel.QSO.Log");
}

TEST_F(LogFile, AFullDiskOnTheFirstQsoOfANewLogLosesNoLaterQso) {
    log_->load(std::nullopt, 0, true);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = 10; // less than a line: the disk is full
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    LogWrite w = log_->add(qso("AA1AA"));
    EXPECT_EQ(w.status, Status::Failed);
    w = log_->add(qso("BB2BB"));
    EXPECT_EQ(w.status, Status::Failed) << w.message;
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(logText(), ""); // no torn line
    EXPECT_TRUE(log_->unsaved());

    // Space again: the next QSO brings the ones left out with it.
    w = log_->add(qso("CC3CC"));
    EXPECT_TRUE(w.written()) << w.message;
    EXPECT_TRUE(w.wholeList);
    EXPECT_FALSE(log_->unsaved());
    EXPECT_EQ(logText(), lines({"AA1AA", "BB2BB", "CC3CC"}));
    EXPECT_FALSE(log_->add(qso("DD4DD")).wholeList); // appended again
}

TEST_F(LogFile, SearchListsEarlierQsosAndRecallGivesTheNthOne) {
    const QSORecord first = qso("K1ABC", 5);
    const QSORecord second =
        test::qsosOf("0;3;K1ABC;12062003140209;;14025000;LSB;;;599;599;0;second;").at(0);
    loadFile(line(first, 1) + line(qso("W2XYZ"), 2) + line(second, 3));

    const std::vector<QSORecord>& all = log_->records();
    EXPECT_EQ(searchLog(all, "k1abc"),
              (std::vector<std::string>{"K1ABC CW QSO on 12/05/2003 at 14:02:09 on   20M",
                                        "K1ABC LSB QSO on 12/06/2003 at 14:02:09 on "}));
    EXPECT_TRUE(searchLog(all, "K1AB").empty());
    EXPECT_EQ(recallQso(all, "k1abc", 0), first);
    EXPECT_FALSE(recallQso(all, "K1ABC", 2));
}

// A process killed at any moment of appends and rewrites leaves every QSO it
// had written intact in the log, and no torn line.
using LogCrash = LogFile;

static std::string callOf(int i) {
    return "Q" + std::to_string(i);
}

// The child: logs QSO after QSO, rewriting the whole log every fourth one,
// and reports each QSO on the pipe once it is written. Never returns.
[[noreturn]] static void logUntilKilled(const std::string& folder, int reportFd) {
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter, folder + "/Rig.reg");
    registry.CreateDefaultSettings();
    QsoLogFile log(registry, folder);
    log.load(std::nullopt, 0, true);
    for (int i = 0; i < 100000; ++i) {
        if (!log.add(test::normalQso(callOf(i), 1070000000 + i)).written())
            _exit(2);
        if (i % 4 == 3 && !log.rewrite().written())
            _exit(3);
        if (::write(reportFd, &i, sizeof i) != sizeof i)
            _exit(4);
    }
    _exit(0);
}

TEST_F(LogCrash, KilledDuringAppendsAndRewritesLosesNoWrittenQso) {
    std::mt19937 random(20031205);
    for (int run = 0; run < 100; ++run) {
        const std::string folder = root_ + "/run" + std::to_string(run);
        std::filesystem::create_directories(folder);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            logUntilKilled(folder, fds[1]);
        }
        ::close(fds[1]);
        // Wait for the first written QSO, so that every run kills a busy writer.
        int confirmed = -1;
        ASSERT_EQ(::read(fds[0], &confirmed, sizeof confirmed), sizeof confirmed) << "run " << run;
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 80000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run << " ended by itself: " << status;

        for (int i; ::read(fds[0], &i, sizeof i) == sizeof i;)
            confirmed = i;
        ::close(fds[0]);

        const std::string text = read(folder + "/Tamrel.QSO.Log");
        const LogText log = readLogText(text, 0);
        EXPECT_TRUE(log.passLines.empty()) << "run " << run << ": torn or stray line";
        EXPECT_TRUE(text.empty() || text.back() == '\n') << "run " << run;
        ASSERT_GE(static_cast<int>(log.records.size()), confirmed + 1) << "run " << run;
        for (std::size_t i = 0; i < log.records.size(); ++i)
            ASSERT_EQ(log.records[i].call, callOf(static_cast<int>(i))) << "run " << run;
        const LogText bak = readLogText(read(folder + "/Tamrel.QSO.Log.Bak"), 0); // "" if none
        EXPECT_TRUE(bak.passLines.empty()) << "run " << run << ": torn backup";
    }
}

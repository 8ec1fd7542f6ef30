// `tamrel --export-adif`: runs without a display and writes the log's ADIF file.

#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
};

ProgramRun runTamrel(const QTemporaryDir& dir, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM"); // a window system would be needed, and there is none
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(TAMREL_PATH, args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What goes into the ADIF file, and what the export counts and leaves out,
// are the log's own tests; here, that the command reads the settings the
// panel keeps (the contest answers) and says what it did and left out.
TEST(ExportCommand, WritesTheAdifFileWithoutADisplay) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        tamrel::RecordingPrompter prompter;
        tamrel::CRigControlRegistry registry(
            prompter, dir.filePath("config/ZZ9ZZ Software/Rig Control.reg").toStdString());
        registry.CreateDefaultSettings();
        tamrel::CabrilloSettings answers;
        answers.contest = "CQ-WPX-CW";
        ASSERT_TRUE(registry.SetCabrilloSettings(answers));
        QFile log(dir.filePath("Contest.QSO.Log"));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n");
    }
    const ProgramRun run = runTamrel(dir, {"--export-adif", "Contest.QSO.Log", "out.adi"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Wrote 1 QSO to out.adi.")) << run.out.toStdString();
    const QByteArray adif = contents(dir.filePath("out.adi"));
    EXPECT_TRUE(adif.contains("<CONTEST_ID:9>CQ-WPX-CW ")) << adif.toStdString();
    // The first-run callsign is nobody's: left out, and said.
    EXPECT_FALSE(adif.contains("<STATION_CALLSIGN:"));
    EXPECT_TRUE(run.out.contains("Left out: the callsign \"ZZ9ZZ\"")) << run.out.toStdString();
}

TEST(ExportCommand, FailuresUsageAndVersionHaveTheirExitCodes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProgramRun missing = runTamrel(dir, {"--export-adif", "none.log", "out.adi"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("Unable to read the log")) << missing.err.toStdString();

    const ProgramRun usage = runTamrel(dir, {"--export-adif", "none.log"});
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(usage.err.contains("usage: tamrel --export-adif LOGFILE OUT.adi"));
    const ProgramRun bad = runTamrel(dir, {"--rigctld", "x:y"});
    EXPECT_EQ(bad.code, 2) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains("--rigctld wants")) << bad.err.toStdString();

    // (--help and its exit code are the man page test's.)
    const ProgramRun version = runTamrel(dir, {"--version"});
    EXPECT_EQ(version.code, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.contains("commit")) << version.out.toStdString();
}

} // namespace

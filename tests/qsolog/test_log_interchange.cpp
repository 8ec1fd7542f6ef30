// ADIF import into the log, round trips, dupes, and the file export.

#include "QsoTestSupport.h"

#include "qsolog/LogInterchange.h"
#include "qsolog/LogInterchangeActions.h"

namespace tamrel {
namespace {

using test::contestQso;
using test::LogFileFixture;
using test::normalQso;

class LogInterchange : public LogFileFixture {
protected:
    // Texts with a comma, brackets and UTF-8, summer time, each QSL
    // state, the reverse modes, a sideband, and no reports.
    static std::vector<QSORecord> variety() {
        return test::qsosOf(
            "0;1;XX0XX;12052003140209;  20M;14025000;CW;Bob;Springfield, IL;599;599;3;"
            "first QSO <with> brackets;\n"
            "0;2;DL1ABC;07012004235959;  80M;3755123;LSB;J\xC3\xBCrgen;K\xC3\xB6ln;57;59;2;;\n"
            "0;3;K1ABC;01012005000000;  20M;14025000;CWR;;;599;599;1;;\n"
            "0;4;VK2XYZ;03032006030303;  10M;28080000;RTTYR;;;;;0;;\n");
    }

    std::string exportOf(const std::vector<QSORecord>& qsos, LogClock clock = {}) const {
        AdifExportOptions o;
        o.programVersion = "0.1.0";
        o.clock = clock;
        return writeAdif(qsos, o, 0).text;
    }
};

// Normal logs in UTC and in local times west and east of it, and a contest log.
TEST_F(LogInterchange, ExportThenImportIntoAnEmptyLogGivesTheSameQsos) {
    const std::vector<QSORecord> contest =
        test::qsosOf("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n"
                     "1;2;YY1YY;12052003140310;  40M;7012000;CW;59 14 ON;0;;\n"
                     "1;3;ZZ2ZZ;12052003140529;  40M;7012000;CW;599 05;0;late;\n");
    int run = 0;
    for (const auto& [qsos, clock] : {std::pair{variety(), LogClock{true, 0}},
                                      {variety(), LogClock{false, 0x87}},
                                      {variety(), LogClock{false, 0x05}},
                                      {contest, LogClock{true, 0}}}) {
        SCOPED_TRACE(clock.describe());
        QsoLogFile fresh(*registry_, home_);
        fresh.load("Import" + std::to_string(++run) + ".QSO.Log", int(qsos[0].type), false);
        AdifImportOptions o;
        o.kind = qsos[0].type;
        o.clock = clock;
        const AdifImportReport report = importAdif(fresh, exportOf(qsos, clock), o);
        EXPECT_EQ(report.imported, qsos.size()) << report.message("x");
        EXPECT_EQ(fresh.records(), qsos);
    }
}

TEST_F(LogInterchange, AnotherLoggersFileImports) {
    // Header-less, tags in any case, CRLF, text between fields, extra fields,
    // _INTL fields, type indicators, a band in capitals and a frequency with
    // few decimals.
    const std::string file =
        "<call:6:s>dl1abc <qso_date:8:d>20240315 <time_on:4>1830 <band:3>40M "
        "<freq:5>7.025 <mode:2>CW <rst_sent:3>599 <rst_rcvd:3>579 "
        "<name:6>Jurgen <name_intl:7>J\xC3\xBCrgen <qth_intl:5>K\xC3\xB6ln "
        "<gridsquare:4>JO30 <my_gridsquare:4>FN31 <qsl_rcvd:1>V <eor>\r\n"
        "<Call:4>W1AW junk <QSO_DATE:8>20240316<TIME_ON:6>010203<MODE:3>SSB<SUBMODE:3>USB"
        "<QTH:3>A;B<FREQ:6>14.250<COMMENT:7>Hi there<EoR>\r\n";
    log_->load(std::string("Other.QSO.Log"), 0, false);
    AdifImportOptions o;
    o.unknown = UnknownAdifFields::KeepInComment;
    const AdifImportReport report = importAdif(*log_, file, o);
    ASSERT_EQ(report.imported, 2u) << report.message("x");
    // His sig (after mine) is RST_SENT; the second QSO's band is the one of
    // its frequency, its comment the seven bytes the length says, and the
    // log's separator cannot be in a text.
    EXPECT_EQ(logText("Other.QSO.Log"),
              "0;1;DL1ABC;03152024183000;  40M;7025000;CW;J\xC3\xBCrgen;K\xC3\xB6ln;579;599;2;"
              "GRIDSQUARE=JO30 MY_GRIDSQUARE=FN31;\n"
              "0;2;W1AW;03162024010203;  20M;14250000;USB;;A,B;;;0;Hi ther;\n");
}

TEST_F(LogInterchange, DupesAreSkippedAndCounted) {
    const int64_t t = local(2003, 12, 5, 14, 2, 9);
    log_->load(std::string("Dupes.QSO.Log"), 0, false);
    ASSERT_TRUE(log_->add(normalQso("XX0XX", t)).written());

    // Against the QSO logged (20 m CW at 14:02:09) and those before it in the file.
    const std::vector<QSORecord> qsos = test::qsosOf(
        "0;1;XX0XX;12052003140409;  20M;14025000;CW;;;599;599;0;;\n"   // dupe: within 2 minutes
        "0;2;XX0XX;12052003140410;  20M;14025000;CW;;;599;599;0;;\n"   // not
        "0;3;XX0XX;12052003140209;  20M;14025000;USB;;;599;599;0;;\n"  // not: another mode
        "0;4;XX0XX;12052003140239;  20M;14025000;CWR;;;599;599;0;;\n"  // dupe: CWR is CW
        "0;5;XX0XX;12052003140209;  40M;7020000;CW;;;599;599;0;;\n"    // not: another band
        "0;6;XX0XX;12052003140529;  20M;14025000;CW;;;599;599;0;;\n"   // dupe of the second
        "0;7;YY0YY;12052003140209;  20M;14025000;CW;;;599;599;0;;\n"); // not

    const AdifImportReport report = importAdif(*log_, exportOf(qsos), {});
    EXPECT_EQ(report.dupes, 3u);
    EXPECT_EQ(report.imported, 4u);
    EXPECT_EQ(log_->records().size(), 5u);
    EXPECT_NE(
        report.message("f.adi").find("3 dupes (already in the log, or twice in the file) skipped."),
        std::string::npos);

    // The same file again brings nothing.
    const std::string before = logText("Dupes.QSO.Log");
    const AdifImportReport again = importAdif(*log_, exportOf(qsos), {});
    EXPECT_EQ(again.imported, 0u);
    EXPECT_EQ(again.dupes, qsos.size());
    EXPECT_EQ(logText("Dupes.QSO.Log"), before);
}

// And a file that cannot be read is told, and changes nothing.
TEST_F(LogInterchange, BrokenRecordsAreReportedAndTheRestIsOneRewriteWithBackup) {
    log_->load(std::string("Broken.QSO.Log"), 0, false);
    ASSERT_TRUE(log_->add(normalQso("XX0XX", local(2003, 12, 5, 14, 2, 9))).written());
    const std::string old = logText("Broken.QSO.Log");
    const std::string file = "<EOH>\n"
                             "<CALL:4>W1AW<QSO_DATE:8>20240101<TIME_ON:4>1200<EOR>\n"
                             "<CALL:4>W2AW<QSO_DATE:8>20240230<TIME_ON:4>1200<EOR>\n"
                             "<CALL:4>W3AW<QSO_DATE:x>20240101<TIME_ON:4>1200<EOR>\n"
                             "<CALL:4>W4AW<QSO_DATE:8>20240101<TIME_ON:4>1300<EOR>\n";
    const AdifImportReport report = importAdif(*log_, file, {});
    EXPECT_EQ(report.records, 4u);
    EXPECT_EQ(report.imported, 2u);
    ASSERT_EQ(report.malformed.size(), 2u);
    EXPECT_EQ(report.malformed[0].line, 3);
    EXPECT_EQ(report.malformed[1].line, 4);
    const std::string message = report.message("in.adi");
    EXPECT_NE(message.find("2 records could not be taken: record at line 3"), std::string::npos)
        << message;
    EXPECT_EQ(logText("Broken.QSO.Log.Bak"), old);
    ASSERT_EQ(log_->records().size(), 3u);
    EXPECT_EQ(log_->records()[2].call, "W4AW");

    // What is in the file is what the list holds.
    QsoLogFile reread(*registry_, home_);
    reread.load(std::string("Broken.QSO.Log"), 0, false);
    EXPECT_EQ(reread.records(), log_->records());

    const AdifImportReport missing = importAdifFile(*log_, root_ + "/none.adi", {});
    EXPECT_FALSE(missing.fileError.empty());
    EXPECT_NE(missing.message("none.adi").find("Unable to read none.adi"), std::string::npos);
    EXPECT_EQ(log_->records().size(), 3u);
}

TEST_F(LogInterchange, AfterNewAnImportIsListedForASaveUnderAName) {
    // After New, a file of the default name is not this log's: nothing may be written to it.
    write(inHome(kDefaultLogName), "0;1;AA1AA;12052003140209;  20M;14025000;CW;;;;;0;;\n");
    log_->startNew();
    const AdifImportReport report =
        importAdif(*log_, "<CALL:4>W1AW<QSO_DATE:8>20240101<TIME_ON:4>1200<MODE:2>FM<EOR>", {});
    EXPECT_EQ(report.imported, 1u);
    EXPECT_FALSE(report.write.written());
    ASSERT_EQ(log_->records().size(), 1u);
    EXPECT_TRUE(log_->unsaved());
    EXPECT_TRUE(log_->dupeIndex().check("W1AW", -1, 0, QsoKind::Normal).worked);
    const std::string message = report.message("x");
    EXPECT_NE(message.find("x holds 1 record: 1 QSO taken into the list, not into a file: Nothing "
                           "is written to"),
              std::string::npos)
        << message;
    EXPECT_EQ(message.find("Nothing is imported"), std::string::npos);
    EXPECT_EQ(logText(), "0;1;AA1AA;12052003140209;  20M;14025000;CW;;;;;0;;\n");
    // Saved under a name, the file holds it, its mode by the ADIF name.
    ASSERT_TRUE(log_->rewrite(std::string("Imported.QSO.Log")).written());
    EXPECT_NE(logText("Imported.QSO.Log").find(";W1AW;01012024"), std::string::npos);
    EXPECT_NE(logText("Imported.QSO.Log").find(";0;FM;;;;;0;;\n"), std::string::npos);
}

TEST_F(LogInterchange, FileExportWritesTheLogAndNamesWhatItLeftOut) {
    const std::string logPath = inHome("Export.QSO.Log");
    write(logPath, "# my log\n"
                   "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;\n"
                   "0;2;broken line\n");
    const std::string out = root_ + "/out.adi";
    const AdifExportOptions o;
    const FileExport e = exportAdifFile(logPath, out, o, 0);
    EXPECT_TRUE(e.ok) << e.message;
    EXPECT_EQ(e.written, 1u);
    EXPECT_NE(e.message.find("1 line of the log is not QSOs"), std::string::npos) << e.message;
    const std::string text = read(out);
    EXPECT_NE(text.find("<CALL:5>XX0XX <QSO_DATE:8>20031205 <TIME_ON:6>140209 "),
              std::string::npos);

    const FileExport missing = exportAdifFile(root_ + "/nope.log", out, o, 0);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(read(out), text); // the old export stays
    const FileExport unwritable = exportAdifFile(logPath, root_ + "/no/such/dir/out.adi", o, 0);
    EXPECT_FALSE(unwritable.ok);
}

// ---- the menu entries

TEST_F(LogInterchange, MenuActionsTellWriteAndRemember) {
    LogInterchangeActions actions(*log_, *registry_, prompter_);
    const std::string adi = root_ + "/log.adi";
    EXPECT_FALSE(actions.exportAdif(adi));
    EXPECT_EQ(prompter_.texts().back(), "Log is empty!");

    log_->load(std::string("Menu.QSO.Log"), 0, false);
    write(adi, "<CALL:4>W1AW<QSO_DATE:8>20240101<TIME_ON:4>1200<GRIDSQUARE:4>FN31<MODE:3>FT8<EOR>"
               "<CALL:4>W2AW<QSO_DATE:8>20240101<TIME_ON:4>1300<EOR>");
    EXPECT_TRUE(actions.importAdif(adi, UnknownAdifFields::KeepInComment));
    EXPECT_EQ(log_->records()[0].comment, "GRIDSQUARE=FN31");
    EXPECT_EQ(log_->records()[0].adifMode, "FT8");
    EXPECT_EQ(prompter_.texts().back(), adi + " holds 2 records: 2 QSOs imported.");

    // The QSO without a mode is named, not written broken; the example callsign is left out.
    const std::string out = root_ + "/out.adi";
    prompter_.clear();
    EXPECT_TRUE(actions.exportAdif(out));
    EXPECT_EQ(prompter_.texts().back(),
              "Wrote 1 QSO to " + out +
                  ". QSO 2 (W2AW) has no mode and is not written; correct it in the log. Left "
                  "out: the callsign \"ZZ9ZZ\" is still the first-run example, not yours; set it "
                  "on the configuration sheet's first page.");
    EXPECT_NE(read(out).find("<CALL:4>W1AW "), std::string::npos);
    EXPECT_EQ(read(out).find("W2AW"), std::string::npos);

    // A normal log has no exchanges to send.
    const std::string cabrillo = root_ + "/c.log";
    EXPECT_FALSE(actions.exportCabrillo(cabrillo, CabrilloSettings{}));
    EXPECT_EQ(prompter_.texts().back(), kCabrilloNeedsContest);
    EXPECT_FALSE(std::filesystem::exists(cabrillo));

    // A contest log: before a contest is named, the ADIF export says nothing of one.
    log_->load(std::string("Contest.QSO.Log"), 1, false);
    log_->add(contestQso("XX0XX", local(2003, 12, 5, 14, 2, 9)));
    EXPECT_TRUE(actions.exportAdif(adi));
    EXPECT_EQ(read(adi).find("CONTEST_ID"), std::string::npos);
    EXPECT_EQ(read(adi).find("STX"), std::string::npos);

    CabrilloSettings answers;
    registry_->GetCabrilloSettings(answers);
    EXPECT_EQ(answers, CabrilloSettings{}); // nothing stored yet: the defaults
    answers.contest = "CQ-WPX-CW";
    answers.sentExchange = "599 #";
    answers.firstSerial = 5;
    answers.categoryPower = "QRP";
    answers.sentRst = "5NN";
    // The first-run callsign is nobody's: no Cabrillo log without one of the operator's.
    EXPECT_FALSE(actions.exportCabrillo(cabrillo, answers));
    EXPECT_NE(prompter_.texts().back().find("No callsign"), std::string::npos);
    SystemConfig config;
    registry_->GetSystemConfig(config);
    config.callsign = "N0CALL";
    ASSERT_TRUE(registry_->SetSystemConfig(config));
    EXPECT_TRUE(actions.exportCabrillo(cabrillo, answers)) << prompter_.texts().back();
    EXPECT_TRUE(prompter_.texts().back().starts_with("Wrote 1 QSO to " + cabrillo + "."));
    // Name, QTH and grid square are still the examples: left out, and said.
    EXPECT_NE(prompter_.texts().back().find("Left out: the name \"Opname\", QTH \"Hometown, ST\" "
                                            "and grid square \"AA00aa\""),
              std::string::npos);
    EXPECT_EQ(read(cabrillo).find("NAME:"), std::string::npos);
    EXPECT_EQ(read(cabrillo).find("GRID-LOCATOR:"), std::string::npos);
    EXPECT_TRUE(actions.exportAdif(adi));
    EXPECT_NE(read(adi).find("<RST_SENT:3>599 <STX_STRING:3>005 <STX:3>005 "
                             "<CONTEST_ID:9>CQ-WPX-CW "),
              std::string::npos);
    EXPECT_NE(read(cabrillo).find("CONTEST: CQ-WPX-CW\r\n"), std::string::npos);
    EXPECT_NE(read(cabrillo).find("CATEGORY-POWER: QRP\r\n"), std::string::npos);
    // Stored in the settings file, where the next start reads them.
    CRigControlRegistry again(prompter_, registry_->settingsFile());
    CabrilloSettings stored;
    again.GetCabrilloSettings(stored);
    EXPECT_EQ(stored, answers);
}

// ---- the dupe index

TEST_F(LogInterchange, DupeIndexFollowsEveryChangeOfTheLog) {
    const int64_t t = local(2003, 12, 5, 14, 2, 9);
    log_->load(std::string("Index.QSO.Log"), 0, false);
    log_->add(normalQso("XX0XX", t));
    DupeCheck c = log_->dupeIndex().check("xx0xx", 4, 7, QsoKind::Normal);
    EXPECT_EQ(c.worked, 1);
    EXPECT_TRUE(c.dupe); // CW reverse counts as CW
    EXPECT_FALSE(log_->dupeIndex().check("XX0XX", 4, 2, QsoKind::Normal).dupe);
    EXPECT_FALSE(log_->dupeIndex().check("XX0XX", 6, 3, QsoKind::Normal).dupe);
    EXPECT_FALSE(log_->dupeIndex().check("XX0X", 4, 3, QsoKind::Normal).dupe);

    QSORecord moved = log_->records()[0];
    moved.band = 6;
    log_->replace(0, log_->records()[0], moved);
    EXPECT_FALSE(log_->dupeIndex().check("XX0XX", 4, 3, QsoKind::Normal).dupe);
    EXPECT_TRUE(log_->dupeIndex().check("XX0XX", 6, 3, QsoKind::Normal).dupe);

    QsoLogFile reloaded(*registry_, home_);
    reloaded.load(std::string("Index.QSO.Log"), 0, false);
    EXPECT_TRUE(reloaded.dupeIndex().check("XX0XX", 6, 3, QsoKind::Normal).dupe);

    log_->remove(0, log_->records()[0]);
    EXPECT_EQ(log_->dupeIndex().check("XX0XX", 6, 3, QsoKind::Normal).worked, 0);
    log_->add(normalQso("XX0XX", t));
    log_->startNew();
    EXPECT_EQ(log_->dupeIndex().check("XX0XX", 4, 3, QsoKind::Normal).worked, 0);
}

TEST(DupeIndex, ContestDupeIsAnyEarlierQsoAndTheTextSaysWhy) {
    QsoDupeIndex index;
    index.add(normalQso("XX0XX", 1000));
    QSORecord b = normalQso("XX0XX", 2000);
    b.band = 6;
    index.add(b);
    const DupeCheck normal = index.check("xx0xx", 6, 3, QsoKind::Normal);
    EXPECT_EQ(normal.worked, 2);
    EXPECT_EQ(normal.sameBandMode, 1);
    EXPECT_TRUE(normal.dupe);
    EXPECT_EQ(dupeText("xx0xx", normal, QsoKind::Normal),
              "DUPE: XX0XX worked 2 times, 1 on this band and mode");
    const DupeCheck contest = index.check("XX0XX", 0, 1, QsoKind::Contest);
    EXPECT_TRUE(contest.dupe);
    EXPECT_EQ(dupeText("XX0XX", contest, QsoKind::Contest),
              "DUPE: XX0XX worked 2 times in this contest, not on this band and mode");
    const DupeCheck other = index.check("XX0XX", 0, 1, QsoKind::Normal);
    EXPECT_EQ(dupeText("XX0XX", other, QsoKind::Normal),
              "Worked before: XX0XX worked 2 times, not on this band and mode");
    EXPECT_EQ(dupeText("YY0YY", index.check("YY0YY", 4, 3, QsoKind::Normal), QsoKind::Normal), "");
    EXPECT_FALSE(index.check(std::string(40, 'X'), 4, 3, QsoKind::Normal).dupe);
    EXPECT_FALSE(index.check("", 4, 3, QsoKind::Normal).dupe);
}

} // namespace
} // namespace tamrel

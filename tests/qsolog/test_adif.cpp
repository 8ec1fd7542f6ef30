// ADIF: writing, reading other loggers' files, mapping records to QSOs; the
// import into the log, round trips, dupes, the file export and the menu entries.

#include "QsoTestSupport.h"

#include "qsolog/LogInterchange.h"
#include "qsolog/LogInterchangeActions.h"

namespace tamrel {
namespace {

using test::contestQso;
using test::LocalZone;
using test::normalQso;

// The records part of an export: everything after the header.
std::string body(const std::string& adif) {
    const std::size_t eoh = adif.find("<EOH>\n");
    return eoh == std::string::npos ? std::string{} : adif.substr(eoh + 6);
}

class AdifWrite : public LocalZone {
protected:
    AdifExportOptions options() const {
        AdifExportOptions o;
        o.programVersion = "0.1.0";
        o.stationCallsign = "N0CALL";
        return o;
    }
    QSORecord qso() { return normalQso("XX0XX", local(2003, 12, 5, 14, 2, 9)); }
};

TEST_F(AdifWrite, HeaderAndEveryFieldOfANormalQso) {
    const QSORecord r =
        test::qsosOf(
            "0;1;XX0XX;12052003140209;  20M;14025000;CW;Bob;Springfield;579;599;3;first QSO;")
            .at(0);
    // Created 2026-12-07 02:30:05 UTC.
    const AdifExport e = writeAdif({&r, 1}, options(), 1796610605);
    EXPECT_EQ(e.text, "Tamrel ADIF export. Times are UTC.\n"
                      "<ADIF_VER:5>3.1.4 \n"
                      "<PROGRAMID:6>Tamrel \n"
                      "<PROGRAMVERSION:5>0.1.0 \n"
                      "<CREATED_TIMESTAMP:15>20261207 023005 \n"
                      "<EOH>\n"
                      "<CALL:5>XX0XX <QSO_DATE:8>20031205 <TIME_ON:6>140209 <BAND:3>20m "
                      "<FREQ:9>14.025000 <MODE:2>CW <RST_SENT:3>599 <RST_RCVD:3>579 <NAME:3>Bob "
                      "<QTH:11>Springfield <COMMENT:9>first QSO <QSL_SENT:1>Y <QSL_RCVD:1>Y "
                      "<STATION_CALLSIGN:6>N0CALL <EOR>\n");
}

TEST_F(AdifWrite, LocalTimeLogIsConvertedWithTheStoredOffsetAndSaysSo) {
    AdifExportOptions o = options();
    o.clock = {false, 0x87}; // local time is UTC-7
    QSORecord r = normalQso("XX0XX", local(2003, 12, 5, 0, 30, 0));
    const AdifExport e = writeAdif({&r, 1}, o, 0);
    EXPECT_NE(e.text.find("Times are UTC, converted from the log's local time, UTC-7.\n"),
              std::string::npos);
    EXPECT_NE(e.text.find("<QSO_DATE:8>20031205 <TIME_ON:6>073000 "), std::string::npos);
}

// The fields from MODE to the reports, or why the QSO is not written.
TEST_F(AdifWrite, ModesSidebandsReverseModesAndModesTheRadioLacks) {
    auto modeFields = [&](int code, std::string adifMode = {}) {
        QSORecord r = qso();
        r.mode = code;
        r.adifMode = std::move(adifMode);
        const AdifExport e = writeAdif({&r, 1}, options(), 0);
        const std::string b = body(e.text);
        const std::size_t from = b.find("<MODE:");
        return from == std::string::npos ? e.problems.at(0) : b.substr(from, b.find("<RST") - from);
    };
    EXPECT_EQ(modeFields(1), "<MODE:3>SSB <SUBMODE:3>LSB ");
    EXPECT_EQ(modeFields(9), "<MODE:4>RTTY <APP_TAMREL_MODE:5>RTTYR ");
    EXPECT_EQ(modeFields(0, "PSK31"), "<MODE:3>PSK <SUBMODE:5>PSK31 ");
    EXPECT_EQ(modeFields(-1),
              "QSO 1 (XX0XX) has no mode and is not written; correct it in the log.");
    EXPECT_NE(modeFields(0, "WARP9").find("the mode \"WARP9\", which ADIF does not know"),
              std::string::npos);
}

TEST_F(AdifWrite, QsoWithoutCallOrDateIsNamedNotWritten) {
    QSORecord qsos[] = {qso(), qso()};
    qsos[0].call = "";
    qsos[1].time = -200000000000LL;
    const AdifExport e = writeAdif(qsos, options(), 0);
    ASSERT_EQ(e.problems.size(), 2u);
    EXPECT_NE(e.problems[0].find("QSO 1"), std::string::npos);
    EXPECT_NE(e.problems[1].find("no date"), std::string::npos);
    EXPECT_EQ(body(e.text), "");
}

TEST_F(AdifWrite, NonAsciiTextsAreWholeForByteAndCharacterCountingReaders) {
    QSORecord r = qso();
    r.name = "J\xC3\xBCrgen";     // UTF-8: 7 bytes, 6 characters
    r.qth = "K\xF6ln\x80";        // Windows-1252 (euro sign), written as UTF-8
    r.comment = "\xE2\x82\xAC 5"; // euro sign: 5 bytes, 3 characters
    const std::string b = body(writeAdif({&r, 1}, options(), 0).text);
    EXPECT_NE(b.find("<NAME:7>J\xC3\xBCrgen  <QTH:8>K\xC3\xB6ln\xE2\x82\xAC "), std::string::npos);
    EXPECT_NE(b.find("<COMMENT:5>\xE2\x82\xAC 5   <QSL_SENT"), std::string::npos);
    EXPECT_EQ(b.find("_INTL"), std::string::npos);
    const AdifData d = readAdif(b);
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(*d.records[0].find("NAME"), r.name);
    EXPECT_EQ(*d.records[0].find("COMMENT"), r.comment);
}

TEST_F(AdifWrite, AdxKeepsStringsAsciiAndTheWholeTextInIntlFields) {
    AdifExportOptions o = options();
    o.form = AdifForm::Adx;
    QSORecord r = qso();
    r.name = "\xCE\x9D\xCE\xAF\xCE\xBA\xCE\xBF\xCF\x82"; // Greek
    r.mode = 7;
    r.comment = "a<b & \"c\"";
    const AdifExport e = writeAdif({&r, 1}, o, 0);
    EXPECT_NE(e.text.find("<MODE>CW</MODE><APP PROGRAMID=\"TAMREL\" FIELDNAME=\"MODE\" "
                          "TYPE=\"S\">CWR</APP>"),
              std::string::npos);
    EXPECT_NE(e.text.find("<NAME>" + std::string(5, '?') + "</NAME><NAME_INTL>" + r.name +
                          "</NAME_INTL>"),
              std::string::npos);
    EXPECT_NE(e.text.find("<COMMENT>a&lt;b &amp; &quot;c&quot;</COMMENT>"), std::string::npos);
}

TEST_F(AdifWrite, ContestQsoCarriesReportsSerialsAndStrings) {
    AdifExportOptions o = options();
    o.contestId = "CQ-WPX-CW";
    o.sentExchange = "5NN #";
    o.firstSerial = 109;
    const int64_t t = local(2003, 12, 5, 14, 2, 9);
    QSORecord qsos[] = {contestQso("XX0XX", t), contestQso("YY1YY", t + 60)};
    qsos[0].exchange = "599 110";
    qsos[1].exchange = "5nn 1234";
    const AdifExport e = writeAdif(qsos, o, 0);
    EXPECT_NE(e.text.find("<MODE:2>CW <RST_RCVD:3>599 <SRX_STRING:3>110 <SRX:3>110 "
                          "<RST_SENT:3>599 <STX_STRING:3>109 <STX:3>109 <CONTEST_ID:9>CQ-WPX-CW "),
              std::string::npos);
    EXPECT_NE(e.text.find("<SRX_STRING:4>1234 <SRX:4>1234 <RST_SENT:3>599 <STX_STRING:3>110 "),
              std::string::npos);

    // A zone is no serial; a sent exchange without a report takes the remembered one.
    o.contestId = "CQ-WW-CW";
    o.sentExchange = "14";
    o.sentRst = "579";
    qsos[0].exchange = "14";
    const AdifExport ww = writeAdif({qsos, 1}, o, 0);
    EXPECT_NE(ww.text.find("<SRX_STRING:2>14 <RST_SENT:3>579 <STX_STRING:2>14 <CONTEST_ID"),
              std::string::npos);
}

TEST(AdifValues, FrequenciesRoundToTheHertzAndBadOnesAreNone) {
    EXPECT_EQ(adifFrequency(1810123), "1.810123");
    EXPECT_EQ(hzOfAdifFrequency(" 7.0123456 "), 7012346);
    EXPECT_EQ(hzOfAdifFrequency("7.0123454"), 7012345);
    EXPECT_EQ(hzOfAdifFrequency(".5"), 500000);
    EXPECT_EQ(hzOfAdifFrequency("14,025"), 14025000); // a locale's decimal comma
    for (const char* bad : {"", ".", "14,025,1", "-7.0", "1.2.3", "2148", "7.0000000001"})
        EXPECT_EQ(hzOfAdifFrequency(bad), std::nullopt) << bad;
}

// ---- reading

TEST(AdifRead, HeaderFieldsAreKeptApartFromRecords) {
    const AdifData d = readAdif("Exported by X <not a tag\n<ADIF_VER:5>3.1.4 <PROGRAMID:1>X\n"
                                "<eoh>\n<CALL:4>W1AW<EOR>\n");
    ASSERT_EQ(d.header.size(), 2u);
    EXPECT_EQ(d.header[0].name, "ADIF_VER");
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.records[0].line, 4);

    // A byte-order mark is no header text; a marker after the last record is no record.
    const AdifData bom = readAdif("\xEF\xBB\xBF<CALL:4>W1AW<EOR>\n<APP_LoTW_EOF>\n");
    EXPECT_TRUE(bom.problems.empty());
    EXPECT_EQ(bom.records.size(), 1u);
}

TEST(AdifRead, LengthsCountBytesOrTheCharactersOfProgramsThatCountThose) {
    const struct {
        const char *text, *name;
    } cases[] = {
        {"<NAME:7>J\xC3\xBCrgen<CALL:4>W1AW<EOR>", "J\xC3\xBCrgen"}, // bytes
        {"<NAME:4>Ji\xC5\x99\xC3\xAD\n<CALL:4>W1AW<EOR>",
         "Ji\xC5\x99\xC3\xAD"},                                      // characters: "Jiri" whole
        {"<NAME:3>Ji\xC5\x99\xC3\xAD\n<CALL:4>W1AW<EOR>", "Ji\xC5"}, // neither: bytes
        {"<NAME:1>\xE9t\xE9<CALL:4>W1AW<EOR>", "\xE9"},              // Latin-1: bytes
    };
    for (const auto& c : cases) {
        const AdifData d = readAdif(c.text);
        ASSERT_EQ(d.records.size(), 1u) << c.text;
        EXPECT_EQ(*d.records[0].find("NAME"), c.name) << c.text;
        EXPECT_EQ(*d.records[0].find("CALL"), "W1AW") << c.text;
    }
}

TEST(AdifRead, BrokenRecordsAreSkippedWholeWithTheirPosition) {
    const std::string text = "<CALL:4>W1AW<EOR>\n"
                             "<CALL:5>K1ABC<NAME:x>Bob<EOR>\n"
                             "<CALL:4>W2AW<QTH>Here<EOR>\n"
                             "<CALL:4>W3AW<EOR>\n"
                             "<CALL:4>W4AW<COMMENT:99>short";
    const AdifData d = readAdif(text);
    ASSERT_EQ(d.records.size(), 2u);
    EXPECT_EQ(*d.records[0].find("CALL"), "W1AW");
    EXPECT_EQ(*d.records[1].find("CALL"), "W3AW");
    ASSERT_EQ(d.problems.size(), 3u);
    EXPECT_EQ(d.problems[0].line, 2);
    EXPECT_NE(d.problems[0].reason.find("NAME"), std::string::npos);
    EXPECT_EQ(d.problems[1].line, 3);
    EXPECT_NE(d.problems[1].reason.find("no length"), std::string::npos);
    EXPECT_EQ(d.problems[2].line, 5);
    EXPECT_NE(d.problems[2].reason.find("longer than the rest"), std::string::npos);

    const AdifData unended = readAdif("<CALL:4>W1AW<EOR><CALL:4>W2AW");
    EXPECT_EQ(unended.records.size(), 1u);
    ASSERT_EQ(unended.problems.size(), 1u);
    EXPECT_NE(unended.problems[0].reason.find("not ended by <EOR>"), std::string::npos);
}

// ---- records

using Fields = std::initializer_list<std::pair<const char*, const char*>>;

class AdifMap : public LocalZone {
protected:
    static AdifRecord record(Fields fields) {
        AdifRecord r;
        for (const auto& [name, value] : fields)
            r.fields.push_back({name, value});
        return r;
    }
    static AdifRecord basic(Fields more = {}) {
        AdifRecord r = record({{"CALL", "w1aw"}, {"QSO_DATE", "20031205"}, {"TIME_ON", "1402"}});
        for (const auto& [name, value] : more)
            r.fields.push_back({name, value});
        return r;
    }
    static QSORecord mapped(Fields more) { return qsoFromAdif(basic(more), {}).record.value(); }
};

TEST_F(AdifMap, ModesQslAndBands) {
    EXPECT_EQ(mapped({{"MODE", "SSB"}, {"SUBMODE", "USB"}, {"FREQ", "7.1"}}).mode, 2);
    EXPECT_EQ(mapped({{"MODE", "SSB"}, {"BAND", "80m"}}).mode, 1);
    EXPECT_EQ(mapped({{"MODE", "CW"}, {"SUBMODE", "LSB"}}).mode, 3); // not a submode of CW
    // Characters a QSO cannot carry do not make another mode of SSB: exported
    // again, it would come back a sideband (found by fuzzing).
    AdifRecord nuls = basic({{"FREQ", "3.755123"}});
    nuls.fields.push_back({"MODE", std::string("SSB \0\0", 6)});
    const AdifQso fromNuls = qsoFromAdif(nuls, {});
    EXPECT_EQ(fromNuls.record->mode, 1);
    EXPECT_EQ(fromNuls.record->adifMode, "");
    // A name is the mode the log's line will read it as: cut to fit, or with
    // blanks that the export's reading skips (found by fuzzing).
    const AdifQso cut = qsoFromAdif(
        basic({{"MODE", "CW <\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91\x91"}}),
        {});
    EXPECT_EQ(cut.record->mode, 3);
    EXPECT_TRUE(cut.shortened);
    EXPECT_EQ(mapped({{"MODE", "C W"}}).mode, 3);
    EXPECT_EQ(mapped({{"MODE", "mfsk"}, {"SUBMODE", "ft4"}}).adifMode, "FT4");

    EXPECT_EQ(mapped({{"QSL_SENT", "y"}, {"QSL_RCVD", "R"}}).qsl, 1);
    EXPECT_EQ(mapped({{"QSL_SENT", "Q"}, {"QSL_RCVD", "Y"}}).qsl, 2);
    EXPECT_EQ(mapped({{"BAND", "6m"}, {"FREQ", "50.1"}}).band, -1);
}

TEST_F(AdifMap, RecordsThatAreNoQsoGiveAnError) {
    for (const AdifRecord& r :
         {record({{"QSO_DATE", "20031205"}, {"TIME_ON", "1402"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20031205"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20030230"}, {"TIME_ON", "1402"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20031205"}, {"TIME_ON", "2460"}}),
          // a UTC date the log cannot show is refused, not moved
          record({{"CALL", "W1AW"}, {"QSO_DATE", "18991231"}, {"TIME_ON", "2330"}}),
          record(
              {{"CALL", "ABCDEFGHIJKLMNOPQRST"}, {"QSO_DATE", "20031205"}, {"TIME_ON", "1402"}})}) {
        const AdifQso q = qsoFromAdif(r, {});
        EXPECT_FALSE(q.record);
        EXPECT_FALSE(q.error.empty());
    }
    // 02:30 on the last Sunday of March does not exist on a CET clock.
    const AdifQso skipped =
        qsoFromAdif(record({{"CALL", "W1AW"}, {"QSO_DATE", "20240331"}, {"TIME_ON", "0230"}}), {});
    EXPECT_FALSE(skipped.record);
    EXPECT_NE(skipped.error.find("skips"), std::string::npos);
}

TEST_F(AdifMap, ContestAndLocalTimeLogsAndTheEdgeOfTheDateRange) {
    AdifImportOptions o;
    o.kind = QsoKind::Contest;
    o.clock = {false, 0x87}; // the log shows UTC-7
    const AdifQso q = qsoFromAdif(basic({{"RST_RCVD", "599"}, {"SRX", "12"}, {"NAME", "x"}}), o);
    ASSERT_TRUE(q.record);
    EXPECT_EQ(q.record->name, "");
    EXPECT_EQ(formatLine(*q.record, 1), "1;1;W1AW;12052003070200;;0;;599 12;0;;\n");
    EXPECT_EQ(qsoFromAdif(basic({{"SRX_STRING", "59 ON"}, {"SRX", "1"}}), o).record->exchange,
              "59 ON");

    // Shown 1900-01-01 00:30 on a UTC+1 clock is 1899 in UTC: written, and read back.
    QSORecord r = normalQso("XX0XX", local(1900, 1, 1, 0, 30, 0));
    r.call = "DL1A\xD7"; // Latin-1 from an old log
    AdifExportOptions out;
    out.clock = {false, 0x01};
    const AdifData d = readAdif(writeAdif({&r, 1}, out, 0).text);
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(*d.records[0].find("QSO_DATE"), "18991231");
    AdifImportOptions in;
    in.clock = out.clock;
    const AdifQso back = qsoFromAdif(d.records[0], in);
    ASSERT_TRUE(back.record) << back.error;
    EXPECT_EQ(back.record->time, r.time);
    EXPECT_EQ(back.record->call, "DL1A\xC3\x97");
}

// ---- the import into the log

using test::LogFileFixture;

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

// Normal logs in UTC and in local time west of it, and a contest log.
TEST_F(LogInterchange, ExportThenImportIntoAnEmptyLogGivesTheSameQsos) {
    const std::vector<QSORecord> contest =
        test::qsosOf("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n"
                     "1;2;YY1YY;12052003140310;  40M;7012000;CW;59 14 ON;0;late;\n");
    int run = 0;
    for (const auto& [qsos, clock] : {std::pair{variety(), LogClock{true, 0}},
                                      {variety(), LogClock{false, 0x87}},
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
        "0;4;XX0XX;12052003140529;  20M;14025000;CW;;;599;599;0;;\n"); // dupe of the second

    const AdifImportReport report = importAdif(*log_, exportOf(qsos), {});
    EXPECT_EQ(report.imported, 2u);
    EXPECT_NE(
        report.message("f.adi").find("2 dupes (already in the log, or twice in the file) skipped."),
        std::string::npos);
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
    EXPECT_EQ(report.imported, 2u);
    const std::string message = report.message("in.adi");
    EXPECT_NE(message.find("2 records could not be taken: record at line 3"), std::string::npos)
        << message;
    EXPECT_EQ(logText("Broken.QSO.Log.Bak"), old);
    ASSERT_EQ(log_->records().size(), 3u);

    const AdifImportReport missing = importAdifFile(*log_, root_ + "/none.adi", {});
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
    EXPECT_TRUE(log_->unsaved());
    const std::string message = report.message("x");
    EXPECT_NE(message.find("x holds 1 record: 1 QSO taken into the list, not into a file: Nothing "
                           "is written to"),
              std::string::npos)
        << message;
    EXPECT_EQ(logText(), "0;1;AA1AA;12052003140209;  20M;14025000;CW;;;;;0;;\n");
    // Saved under a name, the file holds it, its mode by the ADIF name.
    ASSERT_TRUE(log_->rewrite(std::string("Imported.QSO.Log")).written());
    EXPECT_NE(logText("Imported.QSO.Log").find(";W1AW;01012024120000;;0;FM;"), std::string::npos);
}

TEST_F(LogInterchange, FileExportWritesTheLogAndNamesWhatItLeftOut) {
    const std::string logPath = inHome("Export.QSO.Log");
    write(logPath, "# my log\n"
                   "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;\n"
                   "0;2;broken line\n");
    const std::string out = root_ + "/out.adi";
    const AdifExportOptions o;
    const FileExport e = exportAdifFile(logPath, out, o, 0);
    EXPECT_EQ(e.written, 1u);
    EXPECT_NE(e.message.find("1 line of the log is not QSOs"), std::string::npos) << e.message;
    const std::string text = read(out);

    EXPECT_FALSE(exportAdifFile(root_ + "/nope.log", out, o, 0).ok);
    EXPECT_EQ(read(out), text); // the old export stays
    EXPECT_FALSE(exportAdifFile(logPath, root_ + "/no/such/dir/out.adi", o, 0).ok);
}

// ---- the menu entries

TEST_F(LogInterchange, MenuActionsTellWriteAndRemember) {
    LogInterchangeActions actions(*log_, *registry_, prompter_);
    const std::string adi = root_ + "/log.adi";
    // A contest log: before a contest is named, the ADIF export says nothing of one.
    log_->load(std::string("Contest.QSO.Log"), 1, false);
    log_->add(contestQso("XX0XX", local(2003, 12, 5, 14, 2, 9)));
    EXPECT_TRUE(actions.exportAdif(adi));
    EXPECT_EQ(read(adi).find("CONTEST_ID"), std::string::npos);

    const std::string cabrillo = root_ + "/c.log";
    CabrilloSettings answers;
    answers.contest = "CQ-WPX-CW";
    answers.sentExchange = "599 #";
    answers.firstSerial = 5;
    answers.categoryPower = "QRP";
    answers.sentRst = "5NN";
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
    EXPECT_TRUE(actions.exportAdif(adi));
    EXPECT_NE(read(adi).find("<RST_SENT:3>599 <STX_STRING:3>005 <STX:3>005 "
                             "<CONTEST_ID:9>CQ-WPX-CW "),
              std::string::npos);
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
    EXPECT_TRUE(log_->dupeIndex().check("xx0xx", 4, 7, QsoKind::Normal).dupe); // CWR is CW

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
    EXPECT_EQ(dupeText("xx0xx", index.check("xx0xx", 6, 3, QsoKind::Normal), QsoKind::Normal),
              "DUPE: XX0XX worked 2 times, 1 on this band and mode");
    const DupeCheck contest = index.check("XX0XX", 0, 1, QsoKind::Contest);
    EXPECT_EQ(dupeText("XX0XX", contest, QsoKind::Contest),
              "DUPE: XX0XX worked 2 times in this contest, not on this band and mode");
}

} // namespace
} // namespace tamrel

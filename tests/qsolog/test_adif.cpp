// ADIF: writing, reading other loggers' files, mapping records to QSOs.

#include "QsoTestSupport.h"

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
    EXPECT_EQ(e.written, 1u);
}

TEST_F(AdifWrite, LocalTimeLogIsConvertedWithTheStoredOffsetAndSaysSo) {
    AdifExportOptions o = options();
    o.clock = {false, 0x01}; // local time is UTC+1
    QSORecord r = normalQso("XX0XX", local(2003, 12, 5, 0, 30, 0));
    const AdifExport e = writeAdif({&r, 1}, o, 0);
    EXPECT_NE(e.text.find("Times are UTC, converted from the log's local time, UTC+1.\n"),
              std::string::npos);
    EXPECT_NE(e.text.find("<QSO_DATE:8>20031204 <TIME_ON:6>233000 "), std::string::npos);

    o.clock = {false, 0x87}; // UTC-7
    const AdifExport west = writeAdif({&r, 1}, o, 0);
    EXPECT_NE(west.text.find("<QSO_DATE:8>20031205 <TIME_ON:6>073000 "), std::string::npos);
    EXPECT_NE(west.text.find("local time, UTC-7."), std::string::npos);
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
    EXPECT_EQ(modeFields(2), "<MODE:3>SSB <SUBMODE:3>USB ");
    EXPECT_EQ(modeFields(3), "<MODE:2>CW ");
    EXPECT_EQ(modeFields(6), "<MODE:4>RTTY ");
    EXPECT_EQ(modeFields(7), "<MODE:2>CW <APP_TAMREL_MODE:3>CWR ");
    EXPECT_EQ(modeFields(9), "<MODE:4>RTTY <APP_TAMREL_MODE:5>RTTYR ");
    EXPECT_EQ(modeFields(0, "FT8"), "<MODE:3>FT8 ");
    EXPECT_EQ(modeFields(0, "FT4"), "<MODE:4>MFSK <SUBMODE:3>FT4 ");
    EXPECT_EQ(modeFields(0, "PSK31"), "<MODE:3>PSK <SUBMODE:5>PSK31 ");
    EXPECT_EQ(modeFields(0, "FM"), "<MODE:2>FM ");
    for (int none : {0, -1})
        EXPECT_EQ(modeFields(none),
                  "QSO 1 (XX0XX) has no mode and is not written; correct it in the log.");
    EXPECT_NE(modeFields(0, "WARP9").find("the mode \"WARP9\", which ADIF does not know"),
              std::string::npos);
}

TEST_F(AdifWrite, QsoWithoutCallOrDateIsNamedNotWritten) {
    QSORecord qsos[] = {qso(), qso()};
    qsos[0].call = "";
    qsos[1].time = -200000000000LL;
    const AdifExport e = writeAdif(qsos, options(), 0);
    EXPECT_EQ(e.written, 0u);
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
    EXPECT_TRUE(e.text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
    EXPECT_NE(e.text.find("<ADX>\n<HEADER><ADIF_VER>3.1.4</ADIF_VER><PROGRAMID>Tamrel</PROGRAMID>"),
              std::string::npos);
    EXPECT_NE(e.text.find("<RECORDS>\n<RECORD><CALL>XX0XX</CALL>"), std::string::npos);
    EXPECT_NE(e.text.find("<MODE>CW</MODE><APP PROGRAMID=\"TAMREL\" FIELDNAME=\"MODE\" "
                          "TYPE=\"S\">CWR</APP>"),
              std::string::npos);
    EXPECT_NE(e.text.find("<NAME>" + std::string(5, '?') + "</NAME><NAME_INTL>" + r.name +
                          "</NAME_INTL>"),
              std::string::npos);
    EXPECT_NE(e.text.find("<COMMENT>a&lt;b &amp; &quot;c&quot;</COMMENT>"), std::string::npos);
    EXPECT_TRUE(e.text.ends_with("</RECORD>\n</RECORDS>\n</ADX>\n"));
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
    EXPECT_EQ(e.written, 2u);
    EXPECT_NE(e.text.find("<MODE:2>CW <RST_RCVD:3>599 <SRX_STRING:3>110 <SRX:3>110 "
                          "<RST_SENT:3>599 <STX_STRING:3>109 <STX:3>109 <CONTEST_ID:9>CQ-WPX-CW "),
              std::string::npos);
    EXPECT_NE(e.text.find("<RST_RCVD:3>599 <SRX_STRING:4>1234 <SRX:4>1234 <RST_SENT:3>599 "
                          "<STX_STRING:3>110 <STX:3>110 "),
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

TEST(AdifValues, FrequencyBandAndExchangeHelpers) {
    EXPECT_EQ(adifFrequency(14025000), "14.025000");
    EXPECT_EQ(adifFrequency(1810123), "1.810123");
    EXPECT_EQ(hzOfAdifFrequency("14.025"), 14025000);
    EXPECT_EQ(hzOfAdifFrequency(" 7.0123456 "), 7012346);
    EXPECT_EQ(hzOfAdifFrequency("7.0123454"), 7012345);
    EXPECT_EQ(hzOfAdifFrequency("14"), 14000000);
    EXPECT_EQ(hzOfAdifFrequency(".5"), 500000);
    EXPECT_EQ(hzOfAdifFrequency("14,025"), 14025000); // a locale's decimal comma
    for (const char* bad : {"", ".", "14,025,1", "abc", "-7.0", "1.2.3", "2148", "7.0000000001"})
        EXPECT_EQ(hzOfAdifFrequency(bad), std::nullopt) << bad;

    EXPECT_EQ(adifBand(0), "10m");
    EXPECT_EQ(adifBand(8), "160m");
    EXPECT_EQ(adifBand(-1), "");
    EXPECT_EQ(bandOfAdif("40M"), 6);
    EXPECT_EQ(bandOfAdif("6m"), -1);

    EXPECT_EQ(expandSentExchange("599 #", 5), "599 005");
    EXPECT_EQ(expandSentExchange("#", 1234), "1234");
}

// ---- reading

TEST(AdifRead, HeaderFieldsAreKeptApartFromRecords) {
    const AdifData d = readAdif("Exported by X <not a tag\n<ADIF_VER:5>3.1.4 <PROGRAMID:1>X\n"
                                "<eoh>\n<CALL:4>W1AW<EOR>\n");
    ASSERT_EQ(d.header.size(), 2u);
    EXPECT_EQ(d.header[0].name, "ADIF_VER");
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.records[0].line, 4);

    // A file that begins with a field and still has a header.
    const AdifData f = readAdif("<ADIF_VER:5>3.1.4<EOH><CALL:4>W1AW<EOR>");
    ASSERT_EQ(f.header.size(), 1u);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.records[0].fields.size(), 1u);

    // Text before the first field but no <EOH>: a note, not a header.
    const AdifData note = readAdif("\r\nexported by X\n<CALL:4>W1AW<EOR>");
    EXPECT_TRUE(note.problems.empty());
    ASSERT_EQ(note.records.size(), 1u);
    EXPECT_EQ(note.records[0].line, 3);

    // A byte-order mark is no header text; a marker after the last record is no record.
    const AdifData bom = readAdif("\xEF\xBB\xBF<CALL:4>W1AW<EOR>\n<APP_LoTW_EOF>\n");
    EXPECT_TRUE(bom.problems.empty());
    EXPECT_EQ(bom.records.size(), 1u);
}

TEST(AdifRead, LengthsCountBytesOrTheCharactersOfProgramsThatCountThose) {
    const struct {
        const char *text, *name;
    } cases[] = {
        {"<NAME:7>J\xC3\xBCrgen<CALL:4>W1AW<EOR>", "J\xC3\xBCrgen"},  // bytes
        {"<NAME:6>J\xC3\xBCrgen <CALL:4>W1AW<EOR>", "J\xC3\xBCrgen"}, // characters
        {"<NAME:4>Ji\xC5\x99\xC3\xAD\n<CALL:4>W1AW<EOR>",
         "Ji\xC5\x99\xC3\xAD"},                                      // characters: "Jiri" whole
        {"<NAME:3>Ji\xC5\x99\xC3\xAD\n<CALL:4>W1AW<EOR>", "Ji\xC5"}, // neither: bytes
        {"<NAME:2>Ab note<CALL:4>W1AW<EOR>", "Ab"},                  // text between fields
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
    EXPECT_EQ(d.problems[0].offset, text.find("<CALL:5>"));
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
    EXPECT_EQ(mapped({{"MODE", "SSB"}, {"FREQ", "7.1"}}).mode, 1);
    EXPECT_EQ(mapped({{"MODE", "SSB"}, {"FREQ", "14.2"}}).mode, 2);
    EXPECT_EQ(mapped({{"MODE", "SSB"}, {"BAND", "80m"}}).mode, 1);
    EXPECT_EQ(mapped({{"MODE", "CW"}, {"APP_TAMREL_MODE", "CWR"}}).mode, 7);
    EXPECT_EQ(mapped({{"MODE", "RTTY"}, {"APP_TAMREL_MODE", "RTTYR"}}).mode, 9);
    EXPECT_EQ(mapped({{"MODE", "CW"}, {"SUBMODE", "LSB"}}).mode, 3); // not a submode of CW
    EXPECT_EQ(mapped({{"MODE", "FT8"}}).mode, 0);
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
    EXPECT_EQ(mapped({{"MODE", "S SB"}, {"FREQ", "7.1"}}).mode, 1);
    EXPECT_EQ(mapped({{"MODE", "FT8"}}).adifMode, "FT8");
    EXPECT_EQ(mapped({{"MODE", "mfsk"}, {"SUBMODE", "ft4"}}).adifMode, "FT4");
    EXPECT_EQ(mapped({{"MODE", "MFSK"}, {"SUBMODE", "JS8"}}).adifMode, "JS8");
    EXPECT_EQ(mapped({{"MODE", "PSK"}, {"SUBMODE", "PSK31"}}).adifMode, "PSK31");
    EXPECT_EQ(mapped({{"MODE", "AM"}}).adifMode, "AM");
    EXPECT_EQ(mapped({{"MODE", "CW"}}).adifMode, "");

    EXPECT_EQ(mapped({{"QSL_SENT", "N"}, {"QSL_RCVD", "N"}}).qsl, 0);
    EXPECT_EQ(mapped({{"QSL_SENT", "y"}, {"QSL_RCVD", "R"}}).qsl, 1);
    EXPECT_EQ(mapped({{"QSL_SENT", "Q"}, {"QSL_RCVD", "Y"}}).qsl, 2);
    EXPECT_EQ(mapped({{"QSL_SENT", "Y"}, {"QSL_RCVD", "V"}}).qsl, 3);

    EXPECT_EQ(mapped({{"FREQ", "3.55"}}).band, 7);
    EXPECT_EQ(mapped({{"BAND", "6m"}, {"FREQ", "50.1"}}).band, -1);
    EXPECT_EQ(mapped({}).band, -1);
}

TEST_F(AdifMap, RecordsThatAreNoQsoGiveAnError) {
    for (const AdifRecord& r :
         {record({{"QSO_DATE", "20031205"}, {"TIME_ON", "1402"}}),
          record({{"CALL", "W1AW"}, {"TIME_ON", "1402"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20031205"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20030230"}, {"TIME_ON", "1402"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "20031205"}, {"TIME_ON", "2460"}}),
          record({{"CALL", "W1AW"}, {"QSO_DATE", "2003125"}, {"TIME_ON", "1402"}}),
          basic({{"FREQ", "14.0.25"}}),
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

TEST_F(AdifMap, UnknownFieldsAreKeptInTheCommentOrIgnored) {
    const AdifRecord r = basic({{"MODE", "FT8"},
                                {"GRIDSQUARE", "JO62"},
                                {"COMMENT", "hello"},
                                {"STATION_CALLSIGN", "N0CALL"},
                                {"TX_PWR", "5"}});
    AdifImportOptions keep;
    keep.unknown = UnknownAdifFields::KeepInComment;
    EXPECT_EQ(qsoFromAdif(r, keep).record->comment, "hello GRIDSQUARE=JO62 TX_PWR=5");
    EXPECT_EQ(qsoFromAdif(r, {}).record->comment, "hello");

    // A comment too long for its field is cut, and says so.
    const std::string longText(120, 'x');
    const AdifQso q = qsoFromAdif(basic({{"COMMENT", longText.c_str()}}), {});
    EXPECT_EQ(q.record->comment.size(), 79u);
    EXPECT_TRUE(q.shortened);
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

} // namespace
} // namespace tamrel

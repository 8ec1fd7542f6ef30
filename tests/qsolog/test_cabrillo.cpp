// Cabrillo export of a contest log, and the remembered answers of its dialog.

#include "QsoTestSupport.h"

#include "qsolog/Cabrillo.h"
#include "qsolog/LogInterchange.h"

namespace tamrel {
namespace {

using test::contestQso;
using test::LogFileFixture;

class CabrilloExportTest : public LogFileFixture {
protected:
    CabrilloStation station() const {
        return {"n0call", "Pat Doe", "1 Main St, Springfield", "EN52"};
    }
    CabrilloSettings settings() const {
        CabrilloSettings s;
        s.contest = "CQ-WW-CW";
        s.sentExchange = "#";
        s.firstSerial = 1;
        return s;
    }
    // The third QSO's frequency is not known, only its band; the fourth has
    // the longest call.
    static std::vector<QSORecord> knownLog() {
        return test::qsosOf("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n"
                            "1;2;YY1YY;12052003150209;  20M;14025499;USB;59 14;0;;\n"
                            "1;3;ZZ2ZZ;12052003160209;  40M;0;RTTYR;1234;0;;\n"
                            "1;4;3DA0XYZ/QRP;12052003233000;  10M;28400000;CWR;599 ON;0;;\n");
    }
};

// In local time UTC-1, with serials that grow a digit. Header values are
// one ASCII line each.
TEST_F(CabrilloExportTest, KnownContestLogGivesTheExpectedText) {
    CabrilloSettings s = settings();
    s.firstSerial = 998;
    CabrilloStation st = station();
    st.name = "J\xC3\xBCrgen";
    st.address = "Line 1\nLine 2";
    const CabrilloExport e =
        writeCabrillo(knownLog(), s, st, LogClock{false, 0x81}, "Tamrel 0.1.0");
    ASSERT_TRUE(e.ok()) << e.problems.front();
    EXPECT_EQ(e.text,
              "START-OF-LOG: 3.0\r\n"
              "CONTEST: CQ-WW-CW\r\n"
              "CALLSIGN: N0CALL\r\n"
              "CATEGORY-OPERATOR: SINGLE-OP\r\n"
              "CATEGORY-ASSISTED: NON-ASSISTED\r\n"
              "CATEGORY-BAND: ALL\r\n"
              "CATEGORY-MODE: CW\r\n"
              "CATEGORY-POWER: LOW\r\n"
              "CATEGORY-TRANSMITTER: ONE\r\n"
              "CREATED-BY: Tamrel 0.1.0\r\n"
              "NAME: Jurgen\r\n"
              "ADDRESS: Line 1 Line 2\r\n"
              "GRID-LOCATOR: EN52\r\n"
              //     freq  mo date       time sent-call     rst exch   rcvd-call     rst exch
              "QSO:  7012 CW 2003-12-05 1502 N0CALL        599 998    XX0XX         599 05    \r\n"
              "QSO: 14025 PH 2003-12-05 1602 N0CALL        59  999    YY1YY         59  14    \r\n"
              "QSO:  7000 RY 2003-12-05 1702 N0CALL        599 1000   ZZ2ZZ         599 1234  \r\n"
              "QSO: 28400 CW 2003-12-06 0030 N0CALL        599 1001   3DA0XYZ/QRP   599 ON    \r\n"
              "END-OF-LOG:\r\n");
    st.gridLocator = ""; // a value not given has no line
    EXPECT_EQ(writeCabrillo(knownLog(), s, st, {}, "T").text.find("GRID"), std::string::npos);
}

TEST_F(CabrilloExportTest, WhatCannotBeSentIsNamedAndNothingIsWritten) {
    std::vector<QSORecord> qsos = knownLog();
    qsos[1].mode = -1;
    qsos[2].frequency = 0;
    qsos[2].band = -1;
    CabrilloSettings s = settings();
    s.contest = " ";
    const CabrilloExport e = writeCabrillo(qsos, s, {"", "", "", ""}, LogClock{}, "Tamrel");
    EXPECT_FALSE(e.ok());
    EXPECT_TRUE(e.text.empty());
    ASSERT_EQ(e.problems.size(), 4u);
    EXPECT_EQ(e.problems[0], "No contest name is given.");
    EXPECT_NE(e.problems[1].find("No callsign"), std::string::npos);
    EXPECT_EQ(e.problems[2], "QSO 2 (YY1YY) has no mode; correct it in the log first.");
    EXPECT_EQ(e.problems[3],
              "QSO 3 (ZZ2ZZ) has no frequency or band; correct it in the log first.");
}

TEST_F(CabrilloExportTest, FileExportTakesOnlyContestLogsThatCanBeSent) {
    const std::string contestLog = inHome("Contest.QSO.Log");
    write(contestLog, writeLogText(knownLog(), {}));
    const std::string out = root_ + "/contest.log";
    const FileExport ok =
        exportCabrilloFile(contestLog, out, settings(), station(), LogClock{}, "Tamrel", 0);
    EXPECT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(ok.written, 4u);
    const std::string text = read(out);
    EXPECT_TRUE(text.starts_with("START-OF-LOG: 3.0\r\n"));
    EXPECT_TRUE(text.ends_with("END-OF-LOG:\r\n"));

    std::vector<QSORecord> broken = knownLog();
    broken[0].mode = 0;
    write(contestLog, writeLogText(broken, {}));
    const FileExport refused =
        exportCabrilloFile(contestLog, out, settings(), station(), LogClock{}, "Tamrel", 0);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("QSO 1 (XX0XX) has no mode"), std::string::npos);
    EXPECT_EQ(read(out), text); // the last good file stays

    const std::string normalLog = inHome("Normal.QSO.Log");
    write(normalLog, "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;\n");
    const FileExport normal =
        exportCabrilloFile(normalLog, out, settings(), station(), LogClock{}, "Tamrel", 0);
    EXPECT_FALSE(normal.ok);
    EXPECT_NE(normal.message.find("is not a contest log"), std::string::npos);
}

TEST(CabrilloSettingsCheck, NamesWhatIsMissing) {
    CabrilloSettings s;
    EXPECT_NE(checkCabrilloSettings(s).find("contest's name"), std::string::npos);
    s.contest = "CQ-WW-CW";
    EXPECT_EQ(checkCabrilloSettings(s), "");
    s.sentExchange = " ";
    EXPECT_NE(checkCabrilloSettings(s).find("exchange you sent"), std::string::npos);
}

} // namespace
} // namespace tamrel

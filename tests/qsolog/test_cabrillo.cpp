// Cabrillo export of a contest log, and the remembered answers of its dialog.

#include "QsoTestSupport.h"

#include "qsolog/Cabrillo.h"
#include "qsolog/LogInterchange.h"

#include <gtest/gtest.h>

#include <regex>
#include <utility>

namespace tamrel {
namespace {

using test::contestQso;
using test::LogFileFixture;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

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
    // The third QSO's frequency is not known, only its band.
    static std::vector<QSORecord> knownLog() {
        return test::qsosOf("1;1;XX0XX;12052003140209;  40M;7012000;CW;599 05;0;;\n"
                            "1;2;YY1YY;12052003150209;  20M;14025499;USB;59 14;0;;\n"
                            "1;3;ZZ2ZZ;12052003160209;  40M;0;RTTYR;1234;0;;\n");
    }
};

TEST_F(CabrilloExportTest, KnownContestLogGivesTheExpectedText) {
    const CabrilloExport e =
        writeCabrillo(knownLog(), settings(), station(), LogClock{true, 0}, "Tamrel 0.1.0");
    ASSERT_TRUE(e.ok()) << e.problems.front();
    const std::vector<std::string> expected = {
        "START-OF-LOG: 3.0",
        "CONTEST: CQ-WW-CW",
        "CALLSIGN: N0CALL",
        "CATEGORY-OPERATOR: SINGLE-OP",
        "CATEGORY-ASSISTED: NON-ASSISTED",
        "CATEGORY-BAND: ALL",
        "CATEGORY-MODE: CW",
        "CATEGORY-POWER: LOW",
        "CATEGORY-TRANSMITTER: ONE",
        "CREATED-BY: Tamrel 0.1.0",
        "NAME: Pat Doe",
        "ADDRESS: 1 Main St, Springfield",
        "GRID-LOCATOR: EN52",
        //        freq  mo date       time sent-call     rst exch   rcvd-call     rst exch
        "QSO:  7012 CW 2003-12-05 1402 N0CALL        599 001    XX0XX         599 05    ",
        "QSO: 14025 PH 2003-12-05 1502 N0CALL        59  002    YY1YY         59  14    ",
        "QSO:  7000 RY 2003-12-05 1602 N0CALL        599 003    ZZ2ZZ         599 1234  ",
        "END-OF-LOG:",
    };
    EXPECT_EQ(linesOf(e.text), expected);
}

TEST_F(CabrilloExportTest, EveryQsoLineHasTheFixedLayout) {
    std::vector<QSORecord> qsos;
    const int64_t t = local(2003, 12, 5, 23, 59, 0);
    for (const char* call : {"K1A", "DL1ABC", "VP2E/W1AW", "3DA0XYZ/QRP"}) {
        for (int mode : {1, 2, 3, 6, 7, 9}) {
            QSORecord r = contestQso(call, t + mode);
            r.mode = mode;
            r.frequency = mode == 1 ? 1810000 : 28400000;
            r.exchange = mode == 6 ? "" : "599 ON";
            qsos.push_back(r);
        }
    }
    CabrilloSettings s = settings();
    s.sentExchange = "599 #";
    s.firstSerial = 998;
    const CabrilloExport e = writeCabrillo(qsos, s, station(), LogClock{false, 0x81}, "Tamrel");
    ASSERT_TRUE(e.ok());
    const std::regex layout("QSO: [ 0-9]{5} (CW|PH|RY) \\d{4}-\\d{2}-\\d{2} \\d{4} "
                            "[A-Z0-9/ ]{13} [0-9 ]{3} [A-Z0-9 ]{6} [A-Z0-9/ ]{13} [0-9 ]{3} "
                            "[A-Z0-9 ]{6}");
    std::size_t count = 0;
    for (const std::string& line : linesOf(e.text)) {
        if (!line.starts_with("QSO:"))
            continue;
        ++count;
        EXPECT_EQ(line.size(), 79u) << line; // columns 1 to 79
        EXPECT_TRUE(std::regex_match(line, layout)) << line;
        // Local time UTC-1: 23:59 is 00:59 the next day.
        EXPECT_EQ(line.substr(14, 15), "2003-12-06 0059");
    }
    EXPECT_EQ(count, qsos.size());
    EXPECT_NE(e.text.find("N0CALL        599 998    K1A"), std::string::npos);
    EXPECT_NE(e.text.find("N0CALL        599 1000   "), std::string::npos);
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

TEST_F(CabrilloExportTest, HeaderValuesAreOneAsciiLineEach) {
    CabrilloStation st = station();
    st.name = "J\xC3\xBCrgen";
    st.address = "Line 1\nLine 2";
    st.gridLocator = "";
    const CabrilloExport e = writeCabrillo(knownLog(), settings(), st, LogClock{}, "Tamrel");
    EXPECT_NE(e.text.find("\r\nNAME: Jurgen\r\n"), std::string::npos);
    EXPECT_NE(e.text.find("\r\nADDRESS: Line 1 Line 2\r\n"), std::string::npos);
    EXPECT_EQ(e.text.find("GRID-LOCATOR"), std::string::npos);
}

TEST_F(CabrilloExportTest, FileExportTakesOnlyContestLogsThatCanBeSent) {
    const std::string contestLog = inHome("Contest.QSO.Log");
    write(contestLog, writeLogText(knownLog(), {}));
    const std::string out = root_ + "/contest.log";
    const FileExport ok =
        exportCabrilloFile(contestLog, out, settings(), station(), LogClock{}, "Tamrel", 0);
    EXPECT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(ok.written, 3u);
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

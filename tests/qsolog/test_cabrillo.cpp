// The contest exchange splitter over real exchanges, the Cabrillo columns
// they fill, and the Cabrillo export of a contest log.

#include "QsoTestSupport.h"

#include "qsolog/Cabrillo.h"
#include "qsolog/ContestExchange.h"
#include "qsolog/LogInterchange.h"

#include <iterator>

namespace tamrel {
namespace {

using F = ExchangeForm;

TEST(ContestExchange, RealExchangesSplitByPositionAndForm) {
    const struct {
        F form;
        const char *exchange, *rst, *rest;
    } cases[] = {
        // CQ-WW: report and CQ zone
        {F::Zone, "ENN 5", "599", "5"},
        {F::Zone, "59 05", "59", "05"},
        {F::Zone, "14", "", "14"},
        {F::Zone, "5nn", "599", ""},
        {F::Zone, "TNN 3", "TNN", "3"},
        // WPX and other serial contests
        {F::Serial, "579 5432", "579", "5432"},
        {F::Serial, "599", "", "599"},
        // ARRL DX: report, then state or power
        {F::StateOrPower, "5NN KW", "599", "KW"},
        {F::StateOrPower, "100", "", "100"},
        // exchanges without a report
        {F::NoReport, "599 MA", "", "599 MA"},
        // a contest not known
        {F::Any, "59 14 ON", "59", "14 ON"},
        {F::Any, "  599\t 007 ", "599", "007"},
        {F::Any, "699 5", "", "699 5"}, // only 1-5 begin a report
        {F::Any, "", "", ""},
    };
    for (const auto& c : cases) {
        const ExchangeParts p = splitExchange(c.exchange, c.form);
        EXPECT_EQ(p.rst, c.rst) << c.exchange;
        EXPECT_EQ(p.rest, c.rest) << c.exchange;
    }
}

TEST(ContestExchange, FormsByContestName) {
    EXPECT_EQ(exchangeFormOf("cq-ww-ssb"), F::Zone);
    EXPECT_EQ(exchangeFormOf("CQ-WW-VHF"), F::NoReport);
    EXPECT_EQ(exchangeFormOf("CQ-WPX-RTTY"), F::Serial);
    EXPECT_EQ(exchangeFormOf("ARRL-DX-CW"), F::StateOrPower);
    EXPECT_EQ(exchangeFormOf("DARC-WAEDC-CW"), F::Any);
}

class CabrilloColumns : public test::LogFileFixture {
protected:
    using Row = std::vector<std::string>;
    // Of each QSO line, blanks trimmed: the sent rst and exchange and the
    // received call, rst and exchange (the known log's test has the others).
    // Every column lies between two of these blanks (the last up to column 79).
    std::vector<Row> qsoColumns(const char* contest, const char* sent, int firstSerial,
                                std::vector<std::string> received) {
        static constexpr std::size_t kGaps[] = {4, 10, 13, 24, 29, 43, 47, 54, 68, 72, 79};
        CabrilloSettings s;
        s.contest = contest;
        s.sentExchange = sent;
        s.firstSerial = firstSerial;
        std::vector<QSORecord> qsos;
        for (std::size_t i = 0; i < received.size(); ++i) {
            QSORecord r = test::contestQso("K" + std::to_string(i + 1) + "ABC",
                                           local(2003, 12, 5, 14, 2, 0) + int64_t(i) * 60);
            r.exchange = received[i];
            qsos.push_back(r);
        }
        const CabrilloExport e =
            writeCabrillo(qsos, s, {"N0CALL", "", "", ""}, LogClock{true, 0}, "Tamrel");
        EXPECT_TRUE(e.ok());
        std::vector<Row> rows;
        for (std::size_t at = e.text.find("QSO: "); at != std::string::npos;
             at = e.text.find("QSO: ", at + 1)) {
            const std::string line = e.text.substr(at, e.text.find("\r\n", at) - at);
            Row& row = rows.emplace_back();
            for (std::size_t i = 0; i + 1 < std::size(kGaps); ++i) {
                EXPECT_EQ(line[kGaps[i]], ' ') << line;
                std::string c = line.substr(kGaps[i] + 1, kGaps[i + 1] - kGaps[i] - 1);
                c.erase(0, c.find_first_not_of(' '));
                if (i >= 5)
                    row.push_back(c.erase(c.find_last_not_of(' ') + 1));
            }
        }
        return rows;
    }
};

// CQ-WW zones stay in the exchange columns, WPX serials are never reports.
TEST_F(CabrilloColumns, RealExchangesFillTheirColumns) {
    EXPECT_EQ(qsoColumns("CQ-WW-CW", "14", 1, {"5NN 30", "14", "ENN 3"}),
              (std::vector<Row>{{"599", "14", "K1ABC", "599", "30"},
                                {"599", "14", "K2ABC", "599", "14"},
                                {"599", "14", "K3ABC", "599", "3"}}));
    EXPECT_EQ(qsoColumns("CQ-WPX-CW", "#", 110, {"599 110", "551", "5NN 1234"}),
              (std::vector<Row>{{"599", "110", "K1ABC", "599", "110"},
                                {"599", "111", "K2ABC", "599", "551"},
                                {"599", "112", "K3ABC", "599", "1234"}}));
    EXPECT_EQ(qsoColumns("CQ-WPX-CW", "5NN #", 599, {"5NN 599"}),
              (std::vector<Row>{{"599", "599", "K1ABC", "599", "599"}}));
}

class CabrilloExportTest : public test::LogFileFixture {
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
    const std::string text = read(out);
    EXPECT_EQ(text, writeCabrillo(knownLog(), settings(), station(), LogClock{}, "Tamrel").text);

    const std::string normalLog = inHome("Normal.QSO.Log");
    write(normalLog, "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;\n");
    const FileExport normal =
        exportCabrilloFile(normalLog, out, settings(), station(), LogClock{}, "Tamrel", 0);
    EXPECT_FALSE(normal.ok);
    EXPECT_NE(normal.message.find("is not a contest log"), std::string::npos);
    EXPECT_EQ(read(out), text); // the last good file stays
}

TEST(CabrilloSettingsCheck, NamesWhatIsMissing) {
    CabrilloSettings s;
    s.contest = "CQ-WW-CW";
    s.sentExchange = " ";
    EXPECT_NE(checkCabrilloSettings(s).find("exchange you sent"), std::string::npos);
}

} // namespace
} // namespace tamrel

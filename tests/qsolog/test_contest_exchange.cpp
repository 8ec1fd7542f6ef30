// The contest exchange splitter over real exchanges, and the Cabrillo columns
// they fill.

#include "QsoTestSupport.h"

#include "qsolog/Cabrillo.h"
#include "qsolog/ContestExchange.h"

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
        {F::Zone, "599 14", "599", "14"},
        {F::Zone, "5NN 30", "599", "30"},
        {F::Zone, "ENN 5", "599", "5"},
        {F::Zone, "59 05", "59", "05"},
        {F::Zone, "14", "", "14"},
        {F::Zone, "599", "599", ""},
        {F::Zone, "5nn", "599", ""},
        {F::Zone, "TNN 3", "TNN", "3"},
        // WPX and other serial contests
        {F::Serial, "599 110", "599", "110"},
        {F::Serial, "5NN 1", "599", "1"},
        {F::Serial, "579 5432", "579", "5432"},
        {F::Serial, "110", "", "110"},
        {F::Serial, "599", "", "599"},
        // ARRL DX: report, then state or power
        {F::StateOrPower, "599 MA", "599", "MA"},
        {F::StateOrPower, "5NN KW", "599", "KW"},
        {F::StateOrPower, "59 100", "59", "100"},
        {F::StateOrPower, "100", "", "100"},
        // exchanges without a report
        {F::NoReport, "123 A W1AW 99 CT", "", "123 A W1AW 99 CT"},
        {F::NoReport, "599 MA", "", "599 MA"},
        {F::NoReport, "3A CT", "", "3A CT"},
        // a contest not known
        {F::Any, "599 05", "599", "05"},
        {F::Any, "59 14 ON", "59", "14 ON"},
        {F::Any, "  599\t 007 ", "599", "007"},
        {F::Any, "05", "", "05"},
        {F::Any, "699 5", "", "699 5"}, // only 1-5 begin a report
        {F::Any, "1234", "", "1234"},
        {F::Any, "", "", ""},
    };
    for (const auto& c : cases) {
        const ExchangeParts p = splitExchange(c.exchange, c.form);
        EXPECT_EQ(p.rst, c.rst) << c.exchange;
        EXPECT_EQ(p.rest, c.rest) << c.exchange;
    }
}

TEST(ContestExchange, EverySerialOfAWpxLogStaysASerial) {
    for (int n = 1; n <= 9999; ++n) {
        const std::string serial = expandSentExchange("#", n);
        ASSERT_EQ(std::stoi(serial), n);
        ASSERT_GE(serial.size(), 3u);
        for (F form : {F::Serial, F::Any}) {
            const ExchangeParts alone = splitExchange(serial, form);
            ASSERT_EQ(alone.rst, "") << serial;
            ASSERT_EQ(alone.rest, serial);
            ASSERT_TRUE(isSerial(alone.rest, form));
            const ExchangeParts keyed = splitExchange(expandSentExchange("5NN #", n), form);
            ASSERT_EQ(keyed.rst, "599") << serial;
            ASSERT_EQ(keyed.rest, serial);
        }
        ASSERT_FALSE(isSerial(serial, F::Zone));
    }
}

TEST(ContestExchange, FormsByContestName) {
    EXPECT_EQ(exchangeFormOf("CQ-WW-CW"), F::Zone);
    EXPECT_EQ(exchangeFormOf("cq-ww-ssb"), F::Zone);
    EXPECT_EQ(exchangeFormOf("CQ-WW-VHF"), F::NoReport);
    EXPECT_EQ(exchangeFormOf("CQ-WPX-RTTY"), F::Serial);
    EXPECT_EQ(exchangeFormOf("ARRL-DX-CW"), F::StateOrPower);
    EXPECT_EQ(exchangeFormOf("ARRL-SS-CW"), F::NoReport);
    EXPECT_EQ(exchangeFormOf("NAQP-CW"), F::NoReport);
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

// CQ-WW zones stay in the exchange columns, WPX serials are never reports,
// ARRL DX takes states and powers.
TEST_F(CabrilloColumns, RealExchangesFillTheirColumns) {
    EXPECT_EQ(qsoColumns("CQ-WW-CW", "14", 1, {"5NN 30", "14", "599 05", "ENN 3"}),
              (std::vector<Row>{{"599", "14", "K1ABC", "599", "30"},
                                {"599", "14", "K2ABC", "599", "14"},
                                {"599", "14", "K3ABC", "599", "05"},
                                {"599", "14", "K4ABC", "599", "3"}}));
    EXPECT_EQ(qsoColumns("CQ-WPX-CW", "#", 110, {"599 110", "551", "5NN 1234"}),
              (std::vector<Row>{{"599", "110", "K1ABC", "599", "110"},
                                {"599", "111", "K2ABC", "599", "551"},
                                {"599", "112", "K3ABC", "599", "1234"}}));
    EXPECT_EQ(qsoColumns("CQ-WPX-CW", "5NN #", 599, {"5NN 599"}),
              (std::vector<Row>{{"599", "599", "K1ABC", "599", "599"}}));
    EXPECT_EQ(qsoColumns("ARRL-DX-CW", "5NN MA", 1, {"599 KW", "5NN 100"}),
              (std::vector<Row>{{"599", "MA", "K1ABC", "599", "KW"},
                                {"599", "MA", "K2ABC", "599", "100"}}));
}

} // namespace
} // namespace tamrel

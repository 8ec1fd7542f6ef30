// What the logging windows show and build: columns, rows, statistics, the
// record from the radio state, the time stamp, and the edit dialog's logic.

#include "QsoTestSupport.h"

#include "qsolog/QsoLogView.h"

using namespace tamrel;
using test::contestQso;
using test::normalQso;

namespace {
class QsoView : public test::LocalZone {};
} // namespace

TEST_F(QsoView, RowsMatchTheColumnsOfTheirKind) {
    const QSORecord n =
        test::qsosOf("0;1;XX0XX;12052003140209;  20M;14025000;CW;Joe;;579;599;2;;").at(0);
    ASSERT_EQ(logColumns(QsoKind::Normal).size(), 13u);
    EXPECT_EQ(rowTexts(n, 1), (std::vector<std::string>{"   1", "XX0XX", "12/05/2003", "14:02:09",
                                                        "  20M", "  14025.00", "CW", "Joe", "",
                                                        "579", "599", "Received", ""}));
    EXPECT_EQ(logColumns(QsoKind::Normal)[9].title, "My RST");
    EXPECT_EQ(logColumns(QsoKind::Normal)[10].title, "His RST");

    QSORecord c = contestQso("XX0XX", local(2003, 12, 5, 14, 2, 9));
    c.band = -1;
    c.mode = -1;
    c.comment = "c";
    ASSERT_EQ(logColumns(QsoKind::Contest).size(), 10u);
    EXPECT_EQ(logColumns(QsoKind::Contest)[7].title, "Exchange");
    EXPECT_EQ(rowTexts(c, 12345),
              (std::vector<std::string>{"12345", "XX0XX", "12/05/2003", "14:02:09", "",
                                        "   7012.00", "", "599 05", "None", "c"}));
    EXPECT_EQ(kiloHertz(14025001), "  14025.00");
}

TEST_F(QsoView, StatisticsCountQsosWithoutABandOnlyInTheTotal) {
    std::vector<QSORecord> records;
    for (int band : {0, 4, 4, 8, -1, 9}) {
        records.push_back(normalQso("K1ABC", 0));
        records.back().band = band;
    }
    QsoStatistics s;
    auto counts = [&s] {
        return std::vector{s.total(), s.band(0), s.band(1), s.band(4), s.band(8)};
    };
    s.recount(records);
    EXPECT_EQ(counts(), (std::vector<int64_t>{6, 1, 0, 2, 1}));
    s.clear();
    EXPECT_EQ(counts(), (std::vector<int64_t>{0, 0, 0, 0, 0}));
}

TEST_F(QsoView, TheRadioStateGivesFrequencyBandAndModeOfTheTransmittingVfo) {
    K2RadioState state;
    state.vfoA = 14025000;
    state.vfoB = 14030500;
    state.mode = 3;
    state.bandIndex = 4;
    const QSORecord want = normalQso("XX0XX", 1); // 20 m CW on VFO A, no QSL
    QSORecord typed = want;
    typed.frequency = typed.band = typed.mode = 0;
    typed.qsl = 3;
    EXPECT_EQ(completeQso(typed, state), want);
    state.transmitVfo = 1; // split: transmitting on VFO B
    EXPECT_EQ(completeQso(typed, state).frequency, 14030500);
}

TEST_F(QsoView, UtcTimeStamps) {
    // 2003-12-05 23:31:41 UTC, three hours east of UTC: the log shows the UTC
    // time, not the local one moved by some offset.
    setenv("TZ", "<+03>-3", 1);
    tzset();
    const int64_t now = 1070667101;
    EXPECT_EQ(toLocalTime(qsoTimeStamp(now, true)), (LocalTime{2003, 12, 5, 23, 31, 41}));
    EXPECT_EQ(toLocalTime(qsoTimeStamp(now, false))->hour, 2); // local time: 02:31 next day
}

TEST_F(QsoView, SpinsWrap) {
    // Delta -1 is the up arrow; a value out of range goes to the nearer end.
    EXPECT_EQ((std::vector{stepModeIndex(0, 1), stepModeIndex(5, -1), stepModeIndex(2, -1),
                           stepModeIndex(2, 0), stepModeIndex(-1, -1), stepModeIndex(-1, 1)}),
              (std::vector{5, 0, 3, 1, 0, 5}));
    EXPECT_EQ((std::vector{stepQsl(0, 1), stepQsl(3, -1), stepQsl(1, -1)}), (std::vector{3, 0, 2}));
}

TEST_F(QsoView, ModifyTakesTheFieldsBackFromTheRecord) {
    const BandTable bands = defaultBandTable();
    QSORecord r = normalQso("XX0XX", local(2003, 12, 5, 14, 2, 9));
    r.frequency = 14025001;
    r.qsl = 1;
    const QsoEditFields opened = editFieldsOf(r);
    EXPECT_EQ(std::tuple(opened.frequency, opened.date, opened.time, opened.modeIndex),
              std::tuple("14025001", "12/05/2003", "14:02:09", 2));
    // Unchanged fields give the record back, to the last Hz.
    EXPECT_EQ(std::get<QSORecord>(modifyQso(r, opened, bands)), r);

    QsoEditFields f = opened;
    f.call = "dl1ab";
    f.comment = "new;comment";
    f.frequency = "7030000";
    f.date = "2/29/2004";
    f.time = "1:02:03";
    f.modeIndex = stepModeIndex(f.modeIndex, -1);
    f.qsl = stepQsl(f.qsl, -1);
    QSORecord m = std::get<QSORecord>(modifyQso(r, f, bands));
    // 40 m holds 7030 kHz; RTTY (6) follows CW.
    EXPECT_EQ(std::tuple(m.call, m.comment, m.band, m.mode, m.qsl, m.time),
              std::tuple("DL1AB", "newcomment", 6, 6, 2, local(2004, 2, 29, 1, 2, 3)));

    f.frequency = "5000000"; // in no band: the band stays
    EXPECT_EQ(std::get<QSORecord>(modifyQso(m, f, bands)).band, 6);

    // Each refusal names the field it is about.
    for (auto [date, time, hz, field] :
         {std::tuple{"02/29/2003", "14:02:09", "14025000", "date"},
          {"13/05/2003", "14:02:09", "14025000", "date"},
          {"12/05/03", "14:02:09", "14025000", "date"},
          {"12/05/2003", "24:00:00", "14025000", "time"},
          {"03/28/2004", "02:30:00", "14025000", "time"}, // skipped by summer time
          {"12/05/2003", "14:02:09", "14025.5", "frequency"},
          {"12/05/2003", "14:02:09", "", "frequency"},
          {"12/05/2003", "14:02:09", "0", "frequency"},
          {"12/05/2003", "14:02:09", "3000000000", "frequency"}}) {
        f.date = date;
        f.time = time;
        f.frequency = hz;
        const auto result = modifyQso(r, f, bands);
        const std::string* why = std::get_if<std::string>(&result);
        ASSERT_TRUE(why) << date << " " << time << " " << hz;
        EXPECT_NE(why->find(std::string("The ") + field), std::string::npos) << *why;
    }
}

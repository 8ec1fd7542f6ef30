// The QSO line format: parsing, writing, comment and kept lines.

#include "QsoTestSupport.h"

#include <limits>

using namespace tamrel;
using test::contestQso;
using test::normalQso;

namespace {

class QsoLine : public test::LocalZone {
protected:
    // Parses a line that must be a QSO; a closing "\n" is left out first.
    QSORecord qso(std::string_view line, int64_t now = 0) {
        if (line.ends_with('\n'))
            line.remove_suffix(1);
        ParsedLine p = parseLine(line, now);
        EXPECT_EQ(p.what, ParsedLine::Class::Qso) << line;
        return p.record;
    }
    // The fault of a line that must be kept.
    LineFault fault(std::string_view line) {
        ParsedLine p = parseLine(line, 0);
        EXPECT_EQ(p.what, ParsedLine::Class::Kept) << line;
        return p.fault;
    }
};

} // namespace

TEST_F(QsoLine, QsosWriteTheirKnownLinesAndReadBack) {
    const QSORecord normal = normalQso("XX0XX", local(2003, 12, 5, 14, 2, 9));
    QSORecord sigs = normal; // my sig is written before his sig
    sigs.mySig = "579";
    sigs.hisSig = "339";
    sigs.name = "Joe";
    sigs.qth = "Springfield";
    sigs.comment = "first";
    sigs.qsl = 3;
    QSORecord contest = contestQso("XX0XX", local(2004, 1, 31, 23, 59, 58));
    contest.comment = "dupe?";
    const struct {
        QSORecord record;
        int64_t sequence;
        const char* line;
    } cases[] = {
        {normal, 1, "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;\n"},
        {sigs, 12,
         "0;12;XX0XX;12052003140209;  20M;14025000;CW;Joe;Springfield;579;339;3;first;\n"},
        {contest, 7, "1;7;XX0XX;01312004235958;  40M;7012000;CW;599 05;0;dupe?;\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatLine(c.record, c.sequence), c.line);
        EXPECT_EQ(qso(c.line), c.record);
    }
}

TEST_F(QsoLine, EmptyFieldsAndUnknownNames) {
    const int64_t now = local(2020, 6, 1, 12, 0, 0);
    // Empty date: the time of reading; empty frequency 0; empty mode 0.
    QSORecord r = qso("0;;K1ABC;;  80M;;;;;;;1;;", now);
    EXPECT_EQ(r.time, now);
    EXPECT_EQ(r.frequency, 0);
    EXPECT_EQ(r.mode, 0);

    // "20M" lacks the two blanks: no band, written back as an empty band (not
    // 10 m). A mode the radio lacks keeps its name, ADIF's or not.
    r = qso("0;1;K1ABC;12052003140209;20M;14025000;FM;;;;;0;;");
    EXPECT_EQ(r.band, -1);
    EXPECT_EQ(r.mode, 0);
    EXPECT_EQ(r.adifMode, "FM");
    EXPECT_EQ(formatLine(r, 1), "0;1;K1ABC;12052003140209;;14025000;FM;;;;;0;;\n");
    EXPECT_EQ(qso(formatLine(r, 1)).band, -1);
    const std::string olivia = "0;1;K1ABC;12052003140209;  20M;14074000;Olivia 8/250;;;-10;+02;0;;";
    EXPECT_EQ(formatLine(qso(olivia), 1), olivia + "\n");
    EXPECT_EQ(fault("0;1;K1ABC;12052003140209;  20M;1;TWENTY-LETTERS-LONG!;;;;;0;;"),
              LineFault::Text);

    // The comment's closing ";" may be missing; a negative frequency is a number.
    r = qso("1;3;K1ABC;12052003140209;  160M;-5;RTTYR;x;2;last words");
    EXPECT_EQ(r.comment, "last words");
    EXPECT_EQ(r.frequency, -5);
    EXPECT_EQ(r.mode, 9);
    EXPECT_EQ(r.band, 8);
}

TEST_F(QsoLine, CommentLinesAndLinesThatAreNotQsosWithTheirReason) {
    for (std::string_view line : {"", "   ", "#0;1;X;", "  . dot", "!", "*stars*"})
        EXPECT_EQ(parseLine(line, 0).what, ParsedLine::Class::Comment) << '"' << line << '"';
    EXPECT_NE(parseLine("\t#", 0).what, ParsedLine::Class::Comment);

    const std::string good = "0;1;XX0XX;12052003140209;  20M;14025000;CW;;;599;599;0;;";
    ASSERT_EQ(parseLine(good, 0).what, ParsedLine::Class::Qso);
    auto with = [&](std::size_t field, const std::string& value) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < field; ++i)
            from = good.find(';', from) + 1;
        return good.substr(0, from) + value + good.substr(good.find(';', from));
    };
    EXPECT_EQ(fault(with(0, " 0")), LineFault::Type);
    EXPECT_EQ(fault(good.substr(0, good.size() - 1)), LineFault::Fields); // comment missing
    EXPECT_EQ(fault("1" + good.substr(1)), LineFault::Fields);            // a normal line typed 1
    EXPECT_EQ(fault(with(2, std::string(20, 'K'))), LineFault::Text);
    EXPECT_EQ(qso(with(2, std::string(19, 'K'))).call.size(), 19u);
    EXPECT_EQ(fault(with(12, "a\rb")), LineFault::Text);
    EXPECT_EQ(fault(with(7, std::string("a\0b", 3))), LineFault::Text);
    EXPECT_EQ(fault(with(3, "02302003140209")), LineFault::Date); // February 30
    EXPECT_EQ(fault(with(3, "1205200314020")), LineFault::Date);
    EXPECT_EQ(fault(with(3, "03282004023000")), LineFault::Date); // skipped by summer time
    EXPECT_EQ(fault(with(5, "+14025000")), LineFault::Frequency);
    EXPECT_EQ(fault(with(5, "2147483648")), LineFault::Frequency);
    EXPECT_EQ(fault(with(11, "4")), LineFault::Qsl);
    EXPECT_EQ(fault(good + std::string(256 - good.size(), 'x')), LineFault::Length);
}

TEST_F(QsoLine, TheLongestRecordsFitTheLineLimitAndTypedTextsAreMadeFit) {
    for (QsoKind kind : {QsoKind::Normal, QsoKind::Contest}) {
        QSORecord r;
        r.type = kind;
        r.time = local(2003, 12, 5, 14, 2, 9);
        r.frequency = std::numeric_limits<int32_t>::min();
        r.band = 8;
        r.mode = 9;
        r.qsl = 3;
        for (QsoText f : kAllTexts)
            if (std::size_t cap = textCapacity(kind, f))
                r.text(f) = std::string(cap - 1, 'w');
        const std::string line = formatLine(r, std::numeric_limits<int32_t>::max());
        EXPECT_LE(line.size() - 1, kMaxLineBytes);
        EXPECT_EQ(qso(line), r);
    }

    // Typed texts are made fit: cut at a character boundary: "é" is two bytes.
    EXPECT_EQ(fitText("abcdefghijklmnopqré", 20), "abcdefghijklmnopqr");
    EXPECT_EQ(fitText("abcdefghijklmnopqé", 20), "abcdefghijklmnopqé");

    QSORecord r = normalQso("K1;ABC", 0);
    r.exchange = "not in a normal QSO";
    r.comment = std::string(100, 'c');
    EXPECT_FALSE(r.fits());
    const QSORecord f = r.fitted();
    EXPECT_TRUE(f.fits());
    EXPECT_EQ(f.call, "K1ABC");
    EXPECT_EQ(f.exchange, "");
    EXPECT_EQ(f.comment.size(), 79u);
    // A record that does not fit still writes a line that reads as its fields.
    EXPECT_EQ(qso(formatLine(r, 1)), f);
}

// Every second shown reads back as itself (the earlier one in a repeated
// hour), in zones with summer time both sides of the equator, a half-hour
// zone, and across the changes; a change of TZ is followed at once. Local
// times that do not exist are refused.
TEST_F(QsoLine, ShownTimesReadBackInEveryZoneAndLocalTimesThatDoNotExistAreRefused) {
    for (const char* zone :
         {"CET-1CEST,M3.5.0,M10.5.0/3", "NZST-12NZDT,M9.5.0,M4.1.0/3", "<+0530>-5:30", "UTC0"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        // Two years from 2023, 1777 s apart (every minute of the hour comes up).
        for (int64_t u = 1672531200; u < 1672531200 + 2 * 365 * 86400; u += 1777) {
            const std::optional<LocalTime> shown = toLocalTime(u);
            ASSERT_TRUE(shown);
            const bool repeated = toLocalTime(u - 3600) == shown;
            ASSERT_EQ(fromLocalTime(*shown), repeated ? u - 3600 : u) << zone << " " << u;
        }
    }
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    EXPECT_FALSE(fromLocalTime({2003, 2, 29, 0, 0, 0}));
    EXPECT_TRUE(fromLocalTime({2004, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(fromLocalTime({1899, 12, 31, 0, 0, 0}));
    EXPECT_FALSE(fromLocalTime({2004, 1, 1, 0, 0, 60}));
    // The hour that repeats in autumn reads as the earlier of its two seconds
    // (summer time, 00:30 UTC), whatever time was read before it.
    constexpr int64_t kEarlier = 1099182600;
    for (const LocalTime& before :
         {LocalTime{2004, 12, 1, 12, 0, 0}, LocalTime{2004, 7, 1, 12, 0, 0}}) {
        ASSERT_TRUE(fromLocalTime(before));
        EXPECT_EQ(fromLocalTime({2004, 10, 31, 2, 30, 0}), kEarlier);
    }
    EXPECT_EQ(toLocalTime(kEarlier), (LocalTime{2004, 10, 31, 2, 30, 0}));
    // 1969-12-31 23:59:59 UTC is a real second, not mktime's error value.
    EXPECT_EQ(fromLocalTime({1970, 1, 1, 0, 59, 59}), -1);
    EXPECT_FALSE(toLocalTime(std::numeric_limits<int64_t>::max()));
}

TEST_F(QsoLine, FileTextKeepsCommentsAndKeptLinesInTheirPlaces) {
    const int64_t now = local(2021, 3, 1, 8, 0, 0);
    const std::string text = "# my log\r\n"
                             "0;1;AA1AA;12052003140209;  20M;14025000;CW;;;599;599;0;;\r\n"
                             "0;2;BB2BB;12062003140209;  20M;14025000;CW;;;599;599;0;;\n"
                             "1;;CC3CC;12052003140209;  40M;7012000;CW;599 05;0;;\n"
                             "junk\r\r\n"
                             "0;;DD4DD;;  40M;7012000;LSB;;;;;0;;\n"
                             "\n"
                             "0;5;EE5EE;12052003140209;  20M;14025000;CW;;;599;599;9;;\n"
                             "0;6;FF6FF;12052003140209;  20M;14025000;CW;;;599;599;0;;";
    const LogText log = readLogText(text, now);
    ASSERT_EQ(log.records.size(), 4u);
    EXPECT_EQ(log.kind, QsoKind::Normal);
    EXPECT_EQ(log.records[2].time, now);
    EXPECT_EQ(log.numbered, 4); // lines 2, 3, 8 and 9 carry a sequence number
    const std::vector<PassLine> expected = {
        {0, 1, "# my log\r", std::nullopt},
        {2, 4, "1;;CC3CC;12052003140209;  40M;7012000;CW;599 05;0;;", LineFault::OtherKind},
        {2, 5, "junk\r\r", LineFault::Type},
        {3, 7, "", std::nullopt},
        {3, 8, "0;5;EE5EE;12052003140209;  20M;14025000;CW;;;599;599;9;;", LineFault::Qsl},
    };
    EXPECT_EQ(log.passLines, expected);

    // Written back: QSOs renumbered, every other line unchanged and in place
    // (the last line lacked its "\n").
    EXPECT_EQ(writeLogText(log.records, log.passLines),
              "# my log\r\n"
              "0;1;AA1AA;12052003140209;  20M;14025000;CW;;;599;599;0;;\n"
              "0;2;BB2BB;12062003140209;  20M;14025000;CW;;;599;599;0;;\n"
              "1;;CC3CC;12052003140209;  40M;7012000;CW;599 05;0;;\n"
              "junk\r\r\n"
              "0;3;DD4DD;03012021080000;  40M;7012000;LSB;;;;;0;;\n"
              "\n"
              "0;5;EE5EE;12052003140209;  20M;14025000;CW;;;599;599;9;;\n"
              "0;4;FF6FF;12052003140209;  20M;14025000;CW;;;599;599;0;;\n");
    // A file of contest QSOs takes its kind from its first QSO, after comments.
    EXPECT_EQ(readLogText("#\n1;1;X;;;;;;0;;\n", now).kind, QsoKind::Contest);
    EXPECT_FALSE(readLogText("# only\njunk\n", now).kind);
}

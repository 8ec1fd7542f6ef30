#pragma once
// Contest exchanges: the report and what follows it, told apart by position
// and by the contest's exchange form, never by the digits' values (a serial
// 110..599 or a CQ zone "14" looks like a report).
//
// A report is only ever the first word: "599", "579", "59" (phone), or the
// keyed forms "5NN", "ENN", "TNN" (N for 9, E for 5). It counts as the report
// when another word follows it; a lone word is the exchange itself, unless it
// is a keyed report ("5NN"), or a zone contest's word that is no zone ("599").
// Contests without reports (Sweepstakes, NAQP, Field Day) never have one.

#include <string>
#include <string_view>

namespace tamrel {

enum class ExchangeForm {
    Any,          // not known: the rules above
    Serial,       // WPX and other serial contests: report, serial
    Zone,         // CQ-WW, IARU: report, zone
    StateOrPower, // ARRL DX: report, state or power
    NoReport,     // Sweepstakes, NAQP, Field Day: no report at all
};

// The form of a contest by its Cabrillo name ("CQ-WW-CW", "CQ-WPX-SSB", ...).
ExchangeForm exchangeFormOf(std::string_view contest);

struct ExchangeParts {
    std::string rst;  // the report in digits ("5NN" -> "599"); empty when none
    std::string rest; // the exchange after it, blanks trimmed
};
ExchangeParts splitExchange(std::string_view exchange, ExchangeForm form = ExchangeForm::Any);

// Whether the rest is a serial number a contest log counts (ADIF STX/SRX).
bool isSerial(std::string_view rest, ExchangeForm form);

// The serial in a sent exchange: every "#" becomes the serial, at least three digits.
std::string expandSentExchange(std::string_view pattern, int serial);

} // namespace tamrel

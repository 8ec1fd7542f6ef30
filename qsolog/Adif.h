#pragma once
// ADIF: the log interchange format of confirmation services, award programs
// and other loggers, as ADI text or ADX (ADIF XML), version 3.1.
//
// An ADI file is an optional header and then records. The header is any text
// that does not begin with "<", with header fields, ended by <EOH> (read
// here: a file without <EOH> has no header; a UTF-8 byte-order mark is
// skipped). A field is
//   <NAME:LENGTH>DATA   or   <NAME:LENGTH:TYPE>DATA
// names and the tags <EOR> and <EOH> are case-insensitive; text between
// fields is ignored. A record ends with <EOR>. ADIF's LENGTH counts the
// characters of DATA, which in ADI are ASCII, one byte each.
//
// What we write: a header with ADIF_VER, PROGRAMID "Tamrel", PROGRAMVERSION
// and CREATED_TIMESTAMP, and one record per QSO (times in UTC, see
// LogClock.h):
//   CALL, QSO_DATE (YYYYMMDD), TIME_ON (HHMMSS), BAND ("40m"), FREQ (MHz,
//   exact to the Hz), MODE ("CW", "SSB" with SUBMODE "USB"/"LSB", "RTTY", or
//   a mode the radio lacks with its SUBMODE: "MFSK"+"FT4"), APP_TAMREL_MODE
//   "CWR"/"RTTYR" for the reverse modes, RST_SENT (his sig: the report he was
//   given), RST_RCVD (my sig), NAME, QTH, COMMENT, QSL_SENT and QSL_RCVD
//   ("Y"/"N"), STATION_CALLSIGN; contest QSOs RST_RCVD and SRX_STRING (the
//   received exchange after the report), SRX when that is a serial, RST_SENT,
//   STX_STRING and STX from the sent exchange, CONTEST_ID when set
//   (ContestExchange.h tells the report from the rest).
// A QSO without call, date or a mode ADIF knows is not written; the export
// names it.
//
// Texts are UTF-8 (an 8-bit text that is not UTF-8 is read as Latin-1). ADI:
// a text outside ASCII is written whole, its LENGTH in bytes and followed by
// as many blanks as it has bytes beyond its characters, so that readers
// counting bytes and readers counting characters both read it whole (the
// second with blanks after it); no _INTL fields, which ADI does not have.
// ADX: NAME, QTH and COMMENT are plain ASCII (accents dropped, other
// characters "?") and the whole text is in NAME_INTL, QTH_INTL, COMMENT_INTL.
//
// Reading: LENGTH is taken as bytes; when that leaves the rest of a text
// before the next tag, or splits a UTF-8 character, and counting characters
// ends cleanly at a tag, the characters are read (files of programs that
// count characters).

#include "ContestExchange.h"
#include "LogClock.h"
#include "QSORecord.h"

#include "radio/BandTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

inline constexpr char kAdifVersion[] = "3.1.4";

// ---- writing

enum class AdifForm { Adi, Adx };

struct AdifExportOptions {
    AdifForm form = AdifForm::Adi;
    std::string programVersion;
    std::string stationCallsign; // empty: no STATION_CALLSIGN
    LogClock clock;
    // Contest QSOs only.
    std::string contestId;    // empty: no CONTEST_ID
    std::string sentExchange; // empty: nothing sent is written; "#" stands for the serial
    int firstSerial = 1;      // the serial of the first QSO in the log, counting up
    std::string sentRst;      // when the sent exchange has no report
};

struct AdifExport {
    std::string text;
    std::size_t written = 0;
    std::vector<std::string> problems; // QSOs not written, and why
};

// `createdUtc`: seconds since 1970, the CREATED_TIMESTAMP.
AdifExport writeAdif(std::span<const QSORecord> records, const AdifExportOptions& options,
                     int64_t createdUtc);

// Plain ASCII of an 8-bit text (UTF-8, else Latin-1): accents dropped,
// other characters "?".
std::string asciiText(std::string_view text);

// "14.025000" for 14025000 Hz.
std::string adifFrequency(int32_t hz);
// The Hz of an ADIF frequency in MHz (at most 9 decimals, rounded to the Hz);
// none when it is not a number or does not fit.
std::optional<int32_t> hzOfAdifFrequency(std::string_view mhz);
// "10m" .. "160m" for the band indices 0..8; empty otherwise.
std::string_view adifBand(int band);
// The band index of an ADIF band name (any case), or -1.
int bandOfAdif(std::string_view name);

// ---- reading

struct AdifField {
    std::string name; // upper case
    std::string value;
};

struct AdifRecord {
    std::vector<AdifField> fields;
    std::size_t offset = 0; // of its first field
    int64_t line = 1;       // of its first field, from 1
    // The value of a field by upper-case name; the last one when repeated.
    const std::string* find(std::string_view name) const;
};

struct AdifProblem {
    std::size_t offset = 0;
    int64_t line = 1;
    std::string reason;
};

struct AdifData {
    std::vector<AdifField> header;
    std::vector<AdifRecord> records;
    std::vector<AdifProblem> problems; // records skipped whole, in file order
};

// Splits a file into its header and records. A record with a broken tag, a
// length past the end of the file, or no <EOR> at the end of the file is
// reported and skipped whole; reading goes on after its <EOR>.
AdifData readAdif(std::string_view text);

// ---- records

enum class UnknownAdifFields { Ignore, KeepInComment };

struct AdifImportOptions {
    QsoKind kind = QsoKind::Normal; // of the log taking the QSOs
    LogClock clock;
    UnknownAdifFields unknown = UnknownAdifFields::Ignore;
    BandTable bands = defaultBandTable(); // a band from the frequency when BAND names none of ours
};

struct AdifQso {
    std::optional<QSORecord> record;
    std::string error;      // when there is no record
    bool shortened = false; // a text was cut to fit its field
};

// The QSO of one record; an error when it lacks a CALL, a QSO_DATE or a
// TIME_ON, or one of them, FREQ or the time is not a real one.
AdifQso qsoFromAdif(const AdifRecord& record, const AdifImportOptions& options);

} // namespace tamrel

#pragma once
// QSORecord: one QSO as the logging windows and the log file see it, in one of
// two kinds: a normal QSO (type 0) or a contest QSO (type 1). Records travel
// to and from the log worker as values in its requests and results and are
// never stored as bytes; the log file holds them as text lines (QsoLine.h).
//
// Each text field has the capacity of its place in the record layout the
// program has always used, counted with a terminating NUL: a text holds at
// most capacity - 1 bytes. The fields of the other kind stay empty.
//
//   field      normal  contest
//   call         20      20
//   name         20      -
//   qth          40      -
//   his sig      20      -
//   my sig       20      -
//   exchange     -       80
//   comment      80      100

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

enum class QsoKind : int32_t { Normal = 0, Contest = 1 };

enum class QsoText { Call, Name, Qth, HisSig, MySig, Exchange, Comment };

// Bytes the field holds, the terminating NUL counted; 0 when the kind has no such field.
constexpr std::size_t textCapacity(QsoKind kind, QsoText field) {
    const bool normal = kind == QsoKind::Normal;
    switch (field) {
    case QsoText::Call:
        return 20;
    case QsoText::Name:
    case QsoText::HisSig:
    case QsoText::MySig:
        return normal ? 20 : 0;
    case QsoText::Qth:
        return normal ? 40 : 0;
    case QsoText::Exchange:
        return normal ? 0 : 80;
    case QsoText::Comment:
        return normal ? 80 : 100;
    }
    return 0;
}

inline constexpr int kQslStates = 4; // "None", "Sent", "Received", "Exchanged"

struct QSORecord {
    QsoKind type = QsoKind::Normal;
    int64_t time = 0; // seconds since 1970
    std::string call;
    int32_t frequency = 0; // Hz
    int32_t band = 0;      // 0..8 (10M..160M), -1 when no band
    int32_t mode = 0;      // MD code; 0 or -1 when no mode
    // A mode the radio lacks, by its ADIF name ("FT8", "FT4", "FM"; AdifModes.h),
    // when mode is 0; whatever a line held there, kept as it was.
    std::string adifMode;
    int32_t qsl = 0; // 0..3
    // normal QSOs
    std::string name;
    std::string qth;
    std::string hisSig;
    std::string mySig;
    // contest QSOs
    std::string exchange;
    std::string comment;

    std::string& text(QsoText field);
    const std::string& text(QsoText field) const;

    // Every text fits its field and holds no character that the line format
    // cannot carry; the other kind's fields are empty.
    bool fits() const;
    // A copy that fits: each text made fit with fitText, the other kind's fields emptied.
    QSORecord fitted() const;

    friend bool operator==(const QSORecord&, const QSORecord&) = default;
};

inline constexpr QsoText kAllTexts[] = {QsoText::Call,   QsoText::Name,  QsoText::Qth,
                                        QsoText::HisSig, QsoText::MySig, QsoText::Exchange,
                                        QsoText::Comment};

// A typed text made fit for a field of the given capacity: ";", "\r", "\n" and
// NUL are dropped (they would split the line or the field), then the text is
// cut to capacity - 1 bytes without splitting a UTF-8 character.
std::string fitText(std::string_view text, std::size_t capacity);

// The band's name as the log writes it ("  10M" .. "  160M"), empty outside 0..8.
std::string_view bandName(int band);
// The band index of a name, exactly as written, or -1.
int bandOfName(std::string_view name);
// The mode's name, empty for a code not in the mode table.
std::string_view modeName(int code);
// The MD code of a mode name, exactly as written, or -1.
int modeOfName(std::string_view name);
// The mode a QSO shows: the radio's mode name, else its ADIF mode.
std::string_view qsoModeName(const QSORecord& record);
// The capacity of adifMode, counted like the texts'.
inline constexpr std::size_t kModeCapacity = 20;
// "None", "Sent", "Received", "Exchanged"; empty outside 0..3.
std::string_view qslName(int qsl);

// A broken-down local time as the log and the windows show it.
struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

inline constexpr int kFirstYear = 1900;
inline constexpr int kLastYear = 9999;

// The local time of a time value; nothing outside the years 1900..9999.
std::optional<LocalTime> toLocalTime(int64_t time);
// The time value of a local time; nothing unless it is a real one: a date that
// exists (not 02/30), a time of day that is not skipped by a daylight-saving
// change, years 1900..9999.
std::optional<int64_t> fromLocalTime(const LocalTime& local);

} // namespace tamrel

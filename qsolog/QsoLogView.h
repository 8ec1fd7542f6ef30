#pragma once
// What the QSO windows show and build, without the widgets: the columns and
// row texts of the log list (1221), the statistics, the record completed from
// the radio's state, the time stamp of a new QSO, and the logic
// of the "Edit QSO Log" dialogs (opening from a record, the spins, Modify).

#include "QSORecord.h"

#include "radio/BandTable.h"
#include "radio/K2RadioState.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tamrel {

struct QsoColumn {
    std::string_view title;
    int width; // pixels
};

// The 13 columns of a normal log or the 10 of a contest log.
std::span<const QsoColumn> logColumns(QsoKind kind);

// The texts of one row, column by column: the row number (from 1) "%4d", date
// MM/DD/YYYY and time hh:mm:ss in local time, band name, kHz "%10.2f", mode
// name, the texts, the QSL status by name.
std::vector<std::string> rowTexts(const QSORecord& record, std::size_t rowNumber);

// Hz as kHz with two decimals, right-aligned in ten places ("  14025.00").
std::string kiloHertz(int32_t hz);

// "%4d"
std::string countText(int64_t count);

// The control ids of the QSO count and of the nine band counts (10M..160M).
inline constexpr int kQsoCountId = 1255;
inline constexpr std::array<int, kBandCount> kBandCountIds = {1256, 1257, 1258, 1260, 1263,
                                                              1266, 1269, 1272, 1275};

// The QSO count and the count of each band; a QSO without a band (or with an
// index outside 0..8) counts only in the total.
class QsoStatistics {
public:
    void clear() { *this = {}; }
    void add(const QSORecord& record);
    void remove(const QSORecord& record);
    void recount(std::span<const QSORecord> records);
    int64_t total() const { return total_; }
    int64_t band(int index) const;

private:
    int64_t total_ = 0;
    std::array<int64_t, kBandCount> bands_{};
};

// A typed record completed with the radio's state as the model has it: the
// frequency of the transmitting VFO (VFO B when the transmit word is not 0),
// the band, the mode, and QSL status 0.
QSORecord completeQso(QSORecord pending, const K2RadioState& state);

// The time stored for a QSO logged at `now` (seconds since 1970): with "Use
// UTC in Log" set, the one shown as the system clock's UTC, whatever the
// "Offset from UTC" says (that offset only tells what local-time logs mean).
int64_t qsoTimeStamp(int64_t now, bool useUtc);

// Mode and QSL spins: delta >= 0 steps back, wrapping from the first to the
// last; delta < 0 steps forward, wrapping from the last to the first. A mode
// index outside the table steps to the first (forward) or the last (back).
int stepModeIndex(int index, int delta);
int stepQsl(int qsl, int delta);

// The fields of the edit dialog as the operator sees and types them.
struct QsoEditFields {
    std::string call;
    std::string name;
    std::string qth;
    std::string hisSig; // "RSTS": the report sent
    std::string mySig;  // "RSTR": the report received
    std::string exchange;
    std::string comment;
    std::string date;      // MM/DD/YYYY
    std::string time;      // hh:mm:ss
    std::string band;      // shown only; Modify takes the band from the frequency
    std::string frequency; // Hz
    int modeIndex = -1;    // 0..5 in the mode table, -1 for none
    int qsl = 0;
    friend bool operator==(const QsoEditFields&, const QsoEditFields&) = default;
};

// The dialog's fields for a record, from the record itself (never from the
// row's texts: kHz with two decimals would lose the last Hz digit).
QsoEditFields editFieldsOf(const QSORecord& record);

// "Modify": the record with the fields taken back, texts made fit, the call
// upper-cased, and the band of the band edges that hold the frequency (the
// record's band when none does). A date or time that is not a real one, or a
// frequency that is not a positive whole number of Hz, gives the operator's
// message naming that field instead, and nothing changes.
std::variant<QSORecord, std::string> modifyQso(const QSORecord& original,
                                               const QsoEditFields& fields, const BandTable& bands);

} // namespace tamrel

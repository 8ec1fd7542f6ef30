#pragma once
// QsoDupeIndex: the log's QSOs by call, so that the callsign being typed is
// checked against the whole log without a rescan (one hash look-up per key
// press), and an import finds its dupes the same way.
//
// Modes are compared by kind: CW and CW reverse are one, so are RTTY and
// RTTY reverse, and both sidebands are SSB.
//
// Threads: a value of the thread that owns the log or the list it indexes;
// the log worker builds one with a load and hands it over.

#include "QSORecord.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tamrel {

// 1 SSB (LSB, USB), 3 CW (CW, CWR), 6 RTTY (RTTY, RTTYR), 0 for no mode.
int modeFamily(int code);
// The same for a record; a mode the radio lacks is a family of its own name
// (FT8 and FT4 are two).
int modeFamily(const QSORecord& record);

struct DupeCheck {
    int64_t worked = 0;       // earlier QSOs with the call, any band and mode
    int64_t sameBandMode = 0; // of those, on the band and mode asked for
    bool dupe = false;        // normal log: same band and mode; contest log: any
};

class QsoDupeIndex {
public:
    void clear() { byCall_.clear(); }
    void rebuild(std::span<const QSORecord> records);
    void add(const QSORecord& record);
    // Takes out one entry of the record (its call, time, band and mode kind).
    void remove(const QSORecord& record);

    // The call as typed (ASCII letters are upper-cased).
    DupeCheck check(std::string_view call, int band, int mode, QsoKind kind) const;

    // An earlier QSO with the record's call, band and mode kind within
    // `seconds` of its time.
    bool hasNear(const QSORecord& record, int64_t seconds) const;

private:
    struct Entry {
        int64_t time;
        int32_t band;
        int32_t family;
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    std::unordered_map<std::string, std::vector<Entry>, Hash, std::equal_to<>> byCall_;
};

// The information window's line for a check: empty when the call was not
// worked, else e.g. "DUPE: XX0XX worked 2 times, on this band and mode".
std::string dupeText(std::string_view call, const DupeCheck& check, QsoKind kind);

} // namespace tamrel

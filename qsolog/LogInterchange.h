#pragma once
// Moving QSOs between the log and other programs' files: ADIF import into
// the current log, ADIF export of a log file (what `tamrel --export-adif`
// runs), and whole-file writes that survive a kill.

#include "Adif.h"
#include "Cabrillo.h"
#include "QsoLogFile.h"

#include "settings/CRigControlRegistry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

// Two QSOs with the same call, band and mode kind this close are one.
inline constexpr int64_t kImportDupeSeconds = 120;

struct AdifImportReport {
    std::size_t records = 0;  // records the file holds, read or not
    std::size_t imported = 0; // QSOs now in the log
    std::size_t dupes = 0;    // skipped: already in the log, or twice in the file
    std::size_t shortened = 0;
    std::vector<AdifProblem> malformed; // skipped whole, in file order
    LogWrite write;                     // the rewrite; nothing imported unless written
    std::string fileError;              // the file could not be read
    // The log owns no file (after New): the QSOs are listed, for a save under a name.
    bool listedOnly() const { return write.status == LogWrite::Status::NotWritten && imported > 0; }
    // For the operator: what came in, what did not and why.
    std::string message(const std::string& source) const;
};

// Imports the QSOs of an ADIF text into the log in one rewrite with ".Bak".
// The QSOs take the kind of the log (or options.kind while it has none);
// a QSO whose call, band and mode kind are already in the log (or earlier in
// the file) within two minutes is a dupe and skipped.
AdifImportReport importAdif(QsoLogFile& log, std::string_view text,
                            const AdifImportOptions& options);
AdifImportReport importAdifFile(QsoLogFile& log, const std::string& path,
                                const AdifImportOptions& options);

// Reads a whole file of at most 256 MiB; empty error on success.
struct TextFile {
    std::string content;
    std::string error;
};
TextFile readTextFile(const std::string& path);

// Writes a whole file through a temporary file renamed into place; empty on
// success, else the reason. The old file stays until the new one is complete.
std::string writeTextFile(const std::string& path, std::string_view content);

// Contest QSOs carry the contest and the sent exchange of the last Cabrillo
// answers, once a contest has been named there.
void takeContestAnswers(AdifExportOptions& options, const CabrilloSettings& answers);

// The operator's station as the exports write it. A value still at its
// first-run default (callsign ZZ9ZZ, name "Opname", QTH "Hometown, ST", grid
// AA00aa) is nobody's data: it is left out, and named in `leftOut`.
struct StationData {
    CabrilloStation station;
    std::vector<std::string> leftOut; // "callsign ZZ9ZZ", ...
};
StationData stationData(CRigControlRegistry& settings);
// For the operator: what was left out and where to set it; empty when nothing.
std::string leftOutNote(const std::vector<std::string>& leftOut);

// The ADIF export's options from the settings (the station callsign unless
// it is the default, the UTC rule, the last Cabrillo answers); ADX when
// `path` ends in ".adx".
AdifExportOptions adifExportOptions(CRigControlRegistry& settings, const std::string& path,
                                    const StationData& station);

struct FileExport {
    bool ok = false;
    std::size_t written = 0;
    std::string message;
};

// The ADIF file of a log file, as the command line writes it. Kept lines
// and the QSOs the export cannot write are named in the message.
FileExport exportAdifFile(const std::string& logPath, const std::string& outPath,
                          const AdifExportOptions& options, int64_t nowUtc);

// The Cabrillo file of a contest log file. A log of normal QSOs has no
// exchanges and is refused; so is a log with a QSO that cannot be sent
// (Cabrillo.h), and nothing is written then.
FileExport exportCabrilloFile(const std::string& logPath, const std::string& outPath,
                              const CabrilloSettings& settings, const CabrilloStation& station,
                              const LogClock& clock, std::string_view createdBy, int64_t nowUtc);

} // namespace tamrel

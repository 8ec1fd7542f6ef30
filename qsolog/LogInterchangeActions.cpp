#include "LogInterchangeActions.h"
#include "tamrel_version.h"

#include "LogInterchange.h"

#include "settings/CRigControlRegistry.h"

#include <ctime>

namespace tamrel {

namespace {
std::string WroteQsos(std::size_t count, const std::string& path) {
    return "Wrote " + std::to_string(count) + (count == 1 ? " QSO" : " QSOs") + " to " + path + ".";
}
} // namespace

LogInterchangeActions::LogInterchangeActions(QsoLogFile& log, CRigControlRegistry& registry,
                                             Prompter& prompter)
    : log_(log), registry_(registry), prompter_(prompter) {}

LogClock LogInterchangeActions::clock() {
    UtcSettings utc{1, 0};
    registry_.GetUtcSettings(utc);
    return LogClock{utc.useUtc != 0, utc.offset};
}

bool LogInterchangeActions::exportAdif(const std::string& path) {
    if (log_.records().empty()) {
        prompter_.tell("Log is empty!", PromptIcon::Warning);
        return false;
    }
    StationData station = stationData(registry_);
    const AdifExportOptions options = adifExportOptions(registry_, path, station);
    const AdifExport adif =
        writeAdif(log_.records(), options, static_cast<int64_t>(std::time(nullptr)));
    if (std::string why = writeTextFile(path, adif.text); !why.empty()) {
        prompter_.tell("Unable to write " + path + ": " + why + ".", PromptIcon::Error);
        return false;
    }
    std::string message = WroteQsos(adif.written, path);
    for (const std::string& p : adif.problems)
        message += " " + p;
    // Only the callsign goes into an ADIF file.
    std::erase_if(station.leftOut, [](const std::string& s) { return !s.starts_with("callsign"); });
    if (std::string note = leftOutNote(station.leftOut); !note.empty())
        message += " " + note;
    prompter_.tell(message, adif.problems.empty() && station.leftOut.empty()
                                ? PromptIcon::Information
                                : PromptIcon::Warning);
    return true;
}

bool LogInterchangeActions::importAdif(const std::string& path, UnknownAdifFields unknown) {
    AdifImportOptions options;
    options.kind = (registry_.GetQsoLoggingMode() & 1) ? QsoKind::Contest : QsoKind::Normal;
    options.clock = clock();
    BandTable bands = defaultBandTable();
    registry_.LoadBandInfo(bands);
    options.bands = bands;
    options.unknown = unknown;
    const AdifImportReport report = importAdifFile(log_, path, options);
    const bool imported = report.imported > 0;
    const bool clean = report.fileError.empty() && report.malformed.empty() &&
                       (report.imported == 0 || report.write.written());
    prompter_.tell(report.message(path), clean ? PromptIcon::Information : PromptIcon::Warning);
    return imported;
}

bool LogInterchangeActions::exportCabrillo(const std::string& path,
                                           const CabrilloSettings& answers) {
    if (log_.kind() != QsoKind::Contest) {
        prompter_.tell(log_.records().empty() ? "Log is empty!" : kCabrilloNeedsContest,
                       PromptIcon::Warning);
        return false;
    }
    (void)registry_.SetCabrilloSettings(answers);

    const StationData station = stationData(registry_);
    const CabrilloExport cabrillo =
        writeCabrillo(log_.records(), answers, station.station, clock(), "Tamrel " TAMREL_VERSION);
    if (!cabrillo.ok()) {
        std::string message = "Nothing is written to " + path + ":";
        for (const std::string& p : cabrillo.problems)
            message += " " + p;
        prompter_.tell(message, PromptIcon::Error);
        return false;
    }
    if (std::string why = writeTextFile(path, cabrillo.text); !why.empty()) {
        prompter_.tell("Unable to write " + path + ": " + why + ".", PromptIcon::Error);
        return false;
    }
    std::string message = WroteQsos(log_.records().size(), path);
    if (std::string note = leftOutNote(station.leftOut); !note.empty())
        message += " " + note;
    prompter_.tell(message,
                   station.leftOut.empty() ? PromptIcon::Information : PromptIcon::Warning);
    return true;
}

} // namespace tamrel

#include "LogInterchange.h"
#include "tamrel_version.h"

#include "settings/RegistryDefaults.h"

#include "platform/DurableFile.h"

namespace tamrel {

namespace {

constexpr std::size_t kMaxFileBytes = 256u << 20;
constexpr std::size_t kMaxNamedProblems = 20;

} // namespace

TextFile readTextFile(const std::string& path) {
    TextFile f;
    file::Contents c = file::ReadWhole(path, kMaxFileBytes);
    switch (c.status) {
    case file::Contents::Status::Ok:
        f.content = std::move(c.bytes);
        break;
    case file::Contents::Status::TooLarge:
        f.error = "larger than 256 MiB";
        break;
    default:
        f.error = c.error;
        break;
    }
    return f;
}

std::string writeTextFile(const std::string& path, std::string_view content) {
    return file::WriteWhole(path, content).error;
}

AdifImportReport importAdif(QsoLogFile& log, std::string_view text,
                            const AdifImportOptions& options) {
    AdifImportReport report;
    AdifImportOptions o = options;
    o.kind = log.kind().value_or(options.kind);

    AdifData data = readAdif(text);
    report.records = data.records.size() + data.problems.size();
    report.malformed = std::move(data.problems);

    std::vector<QSORecord> incoming;
    incoming.reserve(data.records.size());
    QsoDupeIndex batch;
    for (const AdifRecord& r : data.records) {
        AdifQso q = qsoFromAdif(r, o);
        if (!q.record) {
            report.malformed.push_back({r.offset, r.line, q.error + "; the record is skipped"});
            continue;
        }
        // The log holds texts as they fit; compare what will be stored.
        QSORecord fitted = q.record->fitted();
        if (log.dupeIndex().hasNear(fitted, kImportDupeSeconds) ||
            batch.hasNear(fitted, kImportDupeSeconds)) {
            ++report.dupes;
            continue;
        }
        if (q.shortened)
            ++report.shortened;
        batch.add(fitted);
        incoming.push_back(std::move(fitted));
    }
    std::sort(report.malformed.begin(), report.malformed.end(),
              [](const AdifProblem& a, const AdifProblem& b) { return a.offset < b.offset; });
    if (incoming.empty())
        return report;
    const std::size_t count = incoming.size();
    const std::size_t listed = log.records().size();
    report.write = log.addAll(std::move(incoming));
    if (log.records().size() == listed + count)
        report.imported = count;
    return report;
}

AdifImportReport importAdifFile(QsoLogFile& log, const std::string& path,
                                const AdifImportOptions& options) {
    TextFile f = readTextFile(path);
    if (!f.error.empty()) {
        AdifImportReport report;
        report.fileError = f.error;
        return report;
    }
    return importAdif(log, f.content, options);
}

std::string AdifImportReport::message(const std::string& source) const {
    if (!fileError.empty())
        return "Unable to read " + source + ": " + fileError + ". Nothing is imported.";
    auto qsos = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " QSO" : " QSOs"); };
    std::string text = source + " holds " + std::to_string(records) +
                       (records == 1 ? " record" : " records") + ": ";
    if (listedOnly())
        text += qsos(imported) + " taken into the list, not into a file: " + write.message;
    else if (imported > 0)
        text += qsos(imported) + " imported.";
    else
        text += "no QSO imported." + (write.message.empty() ? "" : " " + write.message);
    if (dupes > 0)
        text += " " + std::to_string(dupes) + (dupes == 1 ? " dupe" : " dupes") +
                " (already in the log, or twice in the file) skipped.";
    if (shortened > 0)
        text += " " + std::to_string(shortened) +
                (shortened == 1 ? " QSO had a text" : " QSOs had texts") + " cut to fit.";
    if (!malformed.empty()) {
        text += " " + std::to_string(malformed.size()) +
                (malformed.size() == 1 ? " record could not be taken:"
                                       : " records could not be taken:");
        for (std::size_t i = 0; i < malformed.size() && i < kMaxNamedProblems; ++i)
            text += " record at line " + std::to_string(malformed[i].line) + " (byte " +
                    std::to_string(malformed[i].offset) + "): " + malformed[i].reason + ".";
        if (malformed.size() > kMaxNamedProblems)
            text += " And " + std::to_string(malformed.size() - kMaxNamedProblems) + " more.";
    }
    return text;
}

void takeContestAnswers(AdifExportOptions& options, const CabrilloSettings& answers) {
    if (answers.contest.empty())
        return;
    options.contestId = answers.contest;
    options.sentExchange = answers.sentExchange;
    options.firstSerial = answers.firstSerial;
    options.sentRst = answers.sentRst;
}

StationData stationData(CRigControlRegistry& settings) {
    SystemConfig config;
    settings.GetSystemConfig(config);
    StationSettings station;
    settings.GetStationSettings(station);
    StationData d;
    auto take = [&d](const std::string& value, const char* placeholder, const char* what) {
        if (value != placeholder)
            return value;
        d.leftOut.push_back(std::string(what) + " \"" + value + "\"");
        return std::string{};
    };
    d.station.callsign = take(config.callsign, kDefaultCallsign, "callsign");
    d.station.name = take(config.name, kDefaultName, "name");
    d.station.address = take(config.qth, kDefaultQth, "QTH");
    d.station.gridLocator = take(station.gridSquare, kDefaultGridSquare, "grid square");
    return d;
}

std::string leftOutNote(const std::vector<std::string>& leftOut) {
    if (leftOut.empty())
        return {};
    std::string list;
    for (std::size_t i = 0; i < leftOut.size(); ++i)
        list += (i == 0 ? "" : i + 1 == leftOut.size() ? " and " : ", ") + leftOut[i];
    return "Left out: the " + list + (leftOut.size() == 1 ? " is" : " are") +
           " still the first-run example, not yours; set " + (leftOut.size() == 1 ? "it" : "them") +
           " on the configuration sheet's first page.";
}

AdifExportOptions adifExportOptions(CRigControlRegistry& settings, const std::string& path,
                                    const StationData& station) {
    AdifExportOptions options;
    const std::string lower = QString::fromStdString(path).toLower().toStdString();
    options.form = lower.ends_with(".adx") ? AdifForm::Adx : AdifForm::Adi;
    options.programVersion = TAMREL_VERSION;
    options.stationCallsign = station.station.callsign;
    UtcSettings utc{1, 0};
    settings.GetUtcSettings(utc);
    options.clock = LogClock{utc.useUtc != 0, utc.offset};
    CabrilloSettings answers;
    settings.GetCabrilloSettings(answers);
    takeContestAnswers(options, answers);
    return options;
}

FileExport exportAdifFile(const std::string& logPath, const std::string& outPath,
                          const AdifExportOptions& options, int64_t nowUtc) {
    FileExport result;
    TextFile in = readTextFile(logPath);
    if (!in.error.empty()) {
        result.message = "Unable to read the log " + logPath + ": " + in.error + ".";
        return result;
    }
    const LogText log = readLogText(in.content, nowUtc);
    AdifExport adif = writeAdif(log.records, options, nowUtc);
    if (std::string why = writeTextFile(outPath, adif.text); !why.empty()) {
        result.message = "Unable to write " + outPath + ": " + why + ".";
        return result;
    }
    result.ok = true;
    result.written = adif.written;
    result.message = "Wrote " + std::to_string(adif.written) +
                     (adif.written == 1 ? " QSO" : " QSOs") + " to " + outPath + ".";
    std::size_t kept = 0;
    for (const PassLine& p : log.passLines)
        if (p.fault)
            ++kept;
    if (kept > 0)
        result.message += " " + std::to_string(kept) +
                          (kept == 1 ? " line of the log is" : " lines of the log are") +
                          " not QSOs and not exported.";
    for (const std::string& p : adif.problems)
        result.message += " " + p;
    return result;
}

FileExport exportCabrilloFile(const std::string& logPath, const std::string& outPath,
                              const CabrilloSettings& settings, const CabrilloStation& station,
                              const LogClock& clock, std::string_view createdBy, int64_t nowUtc) {
    FileExport result;
    TextFile in = readTextFile(logPath);
    if (!in.error.empty()) {
        result.message = "Unable to read the log " + logPath + ": " + in.error + ".";
        return result;
    }
    const LogText log = readLogText(in.content, nowUtc);
    if (log.kind != QsoKind::Contest) {
        result.message = logPath + (log.kind ? " is not a contest log" : " holds no QSOs") +
                         "; nothing is written.";
        return result;
    }
    const CabrilloExport cabrillo = writeCabrillo(log.records, settings, station, clock, createdBy);
    if (!cabrillo.ok()) {
        result.message = "Nothing is written to " + outPath + ":";
        for (const std::string& p : cabrillo.problems)
            result.message += " " + p;
        return result;
    }
    if (std::string why = writeTextFile(outPath, cabrillo.text); !why.empty()) {
        result.message = "Unable to write " + outPath + ": " + why + ".";
        return result;
    }
    result.ok = true;
    result.written = log.records.size();
    result.message = "Wrote " + std::to_string(result.written) +
                     (result.written == 1 ? " QSO" : " QSOs") + " to " + outPath + ".";
    return result;
}

} // namespace tamrel

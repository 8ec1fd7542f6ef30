#pragma once
// LogInterchangeActions: what the logging window's menu entries do once the
// operator has chosen a file: "Export ADIF", "Import ADIF" and "Export
// Cabrillo" on the log the log worker keeps. Settings come from the
// store at each call (callsign, name, QTH, grid square, "Use UTC in Log",
// "Offset from UTC", the remembered Cabrillo answers); every outcome is told
// through the prompter.
//
// Threads: the thread that owns the log (the log worker's). The window asks
// its questions (what to do with unknown fields, the contest's answers) on
// its own thread first; only tells reach the prompter here.

#include "Adif.h"
#include "Cabrillo.h"
#include "QsoLogFile.h"

#include "platform/Prompter.h"

#include <string>

namespace tamrel {

inline constexpr char kUnknownFieldsQuestion[] =
    "Keep the fields this log has no place for (such as the grid square) in the comment?\n"
    "No leaves them out.";
inline constexpr char kCabrilloNeedsContest[] =
    "This log holds normal QSOs: a Cabrillo log needs the exchanges of a contest log.";

class CRigControlRegistry;

class LogInterchangeActions {
public:
    LogInterchangeActions(QsoLogFile& log, CRigControlRegistry& registry, Prompter& prompter);

    // Each returns true when the file (or the log) was written.
    bool exportAdif(const std::string& path);
    // `unknown`: what becomes of fields the log has no place for.
    bool importAdif(const std::string& path, UnknownAdifFields unknown);
    // `answers` are remembered for the next export.
    bool exportCabrillo(const std::string& path, const CabrilloSettings& answers);

private:
    LogClock clock();

    QsoLogFile& log_;
    CRigControlRegistry& registry_;
    Prompter& prompter_;
};

} // namespace tamrel

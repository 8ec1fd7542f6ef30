#pragma once
// LogInterchangeActions: what the logging window's menu entries do once the
// operator has chosen a file: "Export ADIF", "Import ADIF" and "Export
// Cabrillo" on the log the logger thread keeps. Settings come from the
// store at each call (callsign, name, QTH, grid square, "Use UTC in Log",
// "Offset from UTC", the remembered Cabrillo answers); every outcome is told
// through the prompter.
//
// Threads: the thread that owns the log (the logger thread); the question
// for the Cabrillo answers is a callback, so that the window asks on its
// own thread.

#include "CQSOLogFile.h"
#include "Cabrillo.h"

#include "platform/Prompter.h"

#include <functional>
#include <optional>
#include <string>

namespace tamrel {

class CRigControlRegistry;

class LogInterchangeActions {
public:
    // Given the remembered answers: the new ones, or none when cancelled.
    using AskCabrillo = std::function<std::optional<CabrilloSettings>(const CabrilloSettings&)>;

    LogInterchangeActions(CQSOLogFile& log, CRigControlRegistry& registry, Prompter& prompter);

    // Each returns true when the file (or the log) was written.
    bool exportAdif(const std::string& path);
    // Asks whether fields the log has no place for go into the comment.
    bool importAdif(const std::string& path);
    bool exportCabrillo(const std::string& path, const AskCabrillo& ask);

private:
    LogClock clock();

    CQSOLogFile& log_;
    CRigControlRegistry& registry_;
    Prompter& prompter_;
};

} // namespace tamrel

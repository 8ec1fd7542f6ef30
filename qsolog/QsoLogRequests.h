#pragma once
// What the GUI thread asks of the log worker (QsoLogWorker.h), and what comes
// back. A request names what it expects of the log (the record at a row);
// a result says what the worker's log did, which the GUI-side list
// (QsoLogStore) then does too, and carries the texts for the operator.

#include "Adif.h"
#include "Cabrillo.h"
#include "QSORecord.h"
#include "QsoDupeIndex.h"

#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tamrel {

namespace logreq {
// The named file, or the one of "Current Log File Name" (`fallback` when
// that name cannot be used). `mode` is "QSO Logging Mode" as the GUI follows
// it; with `switchOnMismatch` a file of the other kind switches it.
struct Load {
    std::optional<std::string> name;
    std::string fallback;
    uint8_t mode = 0;
    bool switchOnMismatch = false;
};
struct Append {
    QSORecord record;
};
struct Replace {
    std::size_t row = 0;
    QSORecord original;
    QSORecord updated;
};
struct Remove {
    std::size_t row = 0;
    QSORecord original;
};
// Save under a chosen name.
struct Save {
    std::string name;
};
// A new, empty log in the file of that name, written at once.
struct StartNew {
    std::string name;
};
struct ExportAdif {
    std::string path;
};
struct ImportAdif {
    std::string path;
    UnknownAdifFields unknown = UnknownAdifFields::Ignore;
};
struct ExportCabrillo {
    std::string path;
    CabrilloSettings answers;
};
// A QSO another program logged (WSJT-X), as its ADIF record: mapped as an
// import is, by the logging mode and the UTC rule the GUI follows, and
// appended unless it is a dupe (the same call, band and mode within two
// minutes: WSJT-X announces each QSO twice).
struct LogFromProgram {
    AdifRecord record;
    std::string program;
    uint8_t mode = 0;
    LogClock clock;
};
} // namespace logreq

using LogRequest = std::variant<logreq::Load, logreq::Append, logreq::Replace, logreq::Remove,
                                logreq::Save, logreq::StartNew, logreq::ExportAdif,
                                logreq::ImportAdif, logreq::ExportCabrillo, logreq::LogFromProgram>;

namespace logres {
// The list anew (a load, New). A load of the other kind may switch the mode.
struct Listed {
    std::vector<QSORecord> records;
    QsoDupeIndex dupes;
    std::optional<uint8_t> switchMode;
};
// A new QSO at the end of the list; `inFile` when the file took it,
// `wholeList` when the file took every listed QSO with it.
struct Appended {
    QSORecord record;
    bool inFile = false;
    bool wholeList = false;
};
// A change at a row; `rewritten` when the file now holds the whole list.
// A change the file refused is not made, unless the log owns no file yet.
struct Replaced {
    std::size_t row = 0;
    QSORecord record;
    bool rewritten = false;
};
struct Removed {
    std::size_t row = 0;
    bool rewritten = false;
};
// QSOs at the end of the list, written with the whole file (an import), or
// only listed while the log owns no file.
struct Imported {
    std::vector<QSORecord> records;
    bool inFile = true;
};
// The file now holds every listed QSO.
struct Saved {};
// The list is as it was.
struct Unchanged {};
} // namespace logres

struct LogNote {
    std::string text;
    PromptIcon icon = PromptIcon::Information;
};

struct LogResult {
    std::variant<logres::Unchanged, logres::Listed, logres::Appended, logres::Replaced,
                 logres::Removed, logres::Imported, logres::Saved>
        change;
    std::string path;           // of the log's file, where the file dialogs start
    std::vector<LogNote> notes; // for the operator, in order
    LogNote status;             // for the status line, when not empty
};

} // namespace tamrel

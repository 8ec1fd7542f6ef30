#pragma once
// QsoDialogs: what the logging window asks the operator outside itself: the
// file dialogs, the edit dialog on a row and the Cabrillo questions.
// QtQsoDialogs (QtQsoDialogs.h) shows the real dialogs; tests script one.
//
// Thread: the GUI thread; each call returns once the operator has answered.

#include "QSORecord.h"

#include "radio/BandTable.h"
#include "settings/CRigControlRegistry.h"

#include <optional>
#include <string>

namespace tamrel {

struct FileQuestion {
    bool save = false; // a save dialog asks before replacing a file
    std::string title;
    std::string start;  // the file or folder it opens at
    std::string filter; // as Qt spells one: "Log Files (*.QSO.Log)"
    std::string suffix; // added to a name typed without one
};

struct QsoEdit {
    enum class Outcome { Cancelled, Modified, Deleted } outcome = Outcome::Cancelled;
    QSORecord record; // Modified only
};

class QsoDialogs {
public:
    virtual ~QsoDialogs() = default;
    // The file chosen; nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const FileQuestion& question) = 0;
    // "Edit QSO Log" (or "Edit Contest QSO Log") on a row's record.
    virtual QsoEdit edit(const QSORecord& record, const BandTable& bands) = 0;
    // The Cabrillo questions, opened with the remembered answers; nothing
    // when cancelled.
    virtual std::optional<CabrilloSettings> askCabrillo(const CabrilloSettings& remembered) = 0;
};

} // namespace tamrel

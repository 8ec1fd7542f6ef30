#pragma once
// WsjtxLogging: WSJT-X's and JTDX's logged QSOs into the QSO log, as the
// program runs it. It listens where "WSJT-X Listen" says (following the
// settings store as it announces a change) or, for one run, where the command
// line's --wsjtx says; each QSO goes to the log (QsoLog::LogFromProgram),
// which says on the status line whether it was logged or a dupe.
//
// Thread: the GUI thread (WsjtxListener.h).

#include "QsoLog.h"
#include "WsjtxListener.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

namespace tamrel {

class CRigControlRegistry;

class WsjtxLogging final : public QObject {
public:
    using Status = std::function<void(const std::string& text, bool error)>;
    // `log` gives the log, started (the front panel opens it the first time),
    // or null when there is none to take a QSO (the program is ending).
    WsjtxLogging(CRigControlRegistry& settings, std::function<QsoLog*()> log, Status status,
                 std::optional<std::string> forRun = std::nullopt);

    const WsjtxListener& Listener() const { return listener_; }

private:
    void Follow();

    CRigControlRegistry& settings_;
    std::function<QsoLog*()> log_;
    Status status_;
    std::optional<std::string> forRun_;
    std::string where_;
    WsjtxListener listener_;
};

} // namespace tamrel

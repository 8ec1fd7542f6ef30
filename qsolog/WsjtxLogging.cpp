#include "WsjtxLogging.h"

#include "settings/CRigControlRegistry.h"

#include <cstdio>

namespace tamrel {

WsjtxLogging::WsjtxLogging(CRigControlRegistry& settings, std::function<QsoLog*()> log,
                           Status status, std::optional<std::string> forRun)
    : settings_(settings), log_(std::move(log)), status_(std::move(status)),
      forRun_(std::move(forRun)), listener_([this](wsjtx::LoggedQso&& q) {
          const std::string program = q.id.empty() ? "WSJT-X" : q.id;
          if (QsoLog* log = log_())
              log->LogFromProgram(std::move(q.record), program);
          else
              status_(program + ": the log is closed; a QSO is not taken", true);
      }) {
    if (!forRun_)
        connect(&settings_, &CRigControlRegistry::wsjtxListenChanged, this, [this] { Follow(); });
    Follow();
}

void WsjtxLogging::Follow() {
    const std::string where = forRun_ ? *forRun_ : settings_.GetWsjtxListen();
    if (where == where_ && listener_.Listening())
        return;
    where_ = where;
    if (const std::string why = listener_.Listen(where); !why.empty()) {
        std::fprintf(stderr, "tamrel: WSJT-X Listen %s: %s\n", where.c_str(), why.c_str());
        status_("WSJT-X: cannot listen on " + where + ": " + why, true);
    } else if (listener_.Listening()) {
        status_("WSJT-X: listening on " + where, false);
    }
}

} // namespace tamrel

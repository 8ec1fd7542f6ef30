#pragma once
// One Tamrel per user: a copy started while another runs hands over to it.
//
// The running copy listens on the control socket; a new copy that can connect
// there asks it to come to the front and ends. A socket file left by a crash
// has nobody behind it, so the connection fails and this copy starts (the
// control server then replaces the stale file).

#include <QString>

namespace tamrel {

// True when a running copy answered on socketPath and was asked to come to
// the front; false when none runs there (start normally).
bool HandOverToRunningCopy(const QString& socketPath, int waitMs = 1000);

} // namespace tamrel

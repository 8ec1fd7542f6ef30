#include "app/SingleInstance.h"

#include "remote/ControlFrame.h"

#include "platform/Paths.h"

#include <QFileInfo>
#include <QLocalSocket>

#include <cstdio>
#include <span>

namespace tamrel {

bool HandOverToRunningCopy(const QString& socketPath, int waitMs) {
    // A socket in a folder others can write may be theirs: never talk to it.
    const std::string folder = QFileInfo(socketPath).absolutePath().toStdString();
    if (QFileInfo::exists(socketPath))
        if (const std::string why = paths::privateFolderProblem(folder); !why.empty()) {
            std::fprintf(stderr, "tamrel: not looking for a running copy: %s\n", why.c_str());
            return false;
        }
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(waitMs))
        return false;
    const std::vector<uint8_t> frame =
        control::encodeFrame(control::OP_BRING_TO_FRONT, std::span<const uint8_t>());
    socket.write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(waitMs))
            return false; // it took the connection but not the frame: not a working copy
    socket.disconnectFromServer();
    return true;
}

} // namespace tamrel

#include "app/SingleInstance.h"

#include "remote/ControlFrame.h"

#include <QLocalSocket>

#include <span>

namespace tamrel {

bool HandOverToRunningCopy(const QString& socketPath, int waitMs) {
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

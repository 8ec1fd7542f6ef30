#pragma once
// The QSOs that WSJT-X and JTDX announce over UDP, read from their datagrams
// (WSJT-X's NetworkMessage protocol): a big-endian header of magic 0xadbccbda
// and schema (2 or 3), then the message type and its fields as Qt's
// QDataStream writes them (texts as UTF-8 byte arrays: a quint32 length, or
// 0xffffffff for none; QDateTime as qint64 Julian day, quint32 ms of the day,
// quint8 time spec and, for an offset, its qint32 seconds).
//
// Two messages carry a logged QSO:
//   5  "QSO Logged": id, time off, DX call, DX grid, Tx frequency (Hz, quint64),
//      mode, report sent, report received, Tx power, comments, name, time on,
//      operator, my call, my grid, exchange sent, exchange received,
//      propagation mode (older programs end after the name or earlier fields)
//  12  "Logged ADIF": id, an ADIF text of one record
// Both come back as the ADIF record of the QSO, for the same mapping as an
// import (Adif.h). Every other datagram, one of another program, and a
// message cut short or holding a field that does not fit is none.
//
// Pure: no sockets, no Qt classes; any bytes are safe to give it.

#include "Adif.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel::wsjtx {

inline constexpr uint32_t kMagic = 0xadbccbda;
inline constexpr uint32_t kQsoLogged = 5;
inline constexpr uint32_t kLoggedAdif = 12;

struct LoggedQso {
    std::string id; // the sending program's name ("WSJT-X", "JTDX")
    AdifRecord record;
};

std::optional<LoggedQso> readLoggedQso(std::string_view datagram);

} // namespace tamrel::wsjtx

#pragma once
// WSJT-X datagrams as WSJT-X writes them, made here from the published field
// layout of its NetworkMessage protocol with Qt's own QDataStream (big-endian;
// schema 2 is QDataStream::Qt_5_2, schema 3 Qt_5_4), nothing of ours.

#include <QByteArray>
#include <QDataStream>
#include <QDateTime>
#include <QIODevice>

#include <cstdint>
#include <functional>

namespace tamrel::test {

inline QByteArray wsjtxDatagram(uint32_t type, int schema,
                                const std::function<void(QDataStream&)>& fields,
                                uint32_t magic = 0xadbccbda, const char* id = "WSJT-X") {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(schema == 2 ? QDataStream::Qt_5_2 : QDataStream::Qt_5_4);
    out << quint32(magic) << quint32(schema) << quint32(type) << QByteArray(id);
    fields(out);
    return bytes;
}

struct LoggedFields {
    QDateTime off;
    QByteArray call, grid;
    quint64 hz = 0;
    QByteArray mode, sent, received, power, comments, name;
    QDateTime on;
    QByteArray op, myCall, myGrid, exchangeSent, exchangeReceived, propagation;
};

// "QSO Logged" (5); `full` false: the layout of older programs, which ends after the name.
inline QByteArray qsoLogged(const LoggedFields& f, int schema = 3, bool full = true) {
    return wsjtxDatagram(5, schema, [&](QDataStream& out) {
        out << f.off << f.call << f.grid << f.hz << f.mode << f.sent << f.received << f.power
            << f.comments << f.name;
        if (full)
            out << f.on << f.op << f.myCall << f.myGrid << f.exchangeSent << f.exchangeReceived
                << f.propagation;
    });
}

// "Logged ADIF" (12).
inline QByteArray loggedAdif(const QByteArray& adif, int schema = 3) {
    return wsjtxDatagram(12, schema, [&](QDataStream& out) { out << adif; });
}

inline QDateTime utc(int y, int mo, int d, int h, int mi, int s) {
    // Spec Qt::UTC, as WSJT-X sends it; a QTimeZone would be written as a zone.
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

} // namespace tamrel::test

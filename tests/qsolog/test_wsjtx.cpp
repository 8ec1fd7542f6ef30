// WSJT-X's and JTDX's logged QSOs: the datagram reader, and the listener
// taking them over UDP into the log file and the logging window.

#include "QsoWindowFixture.h"
#include "WsjtxDatagrams.h"

#include "qsolog/WsjtxLogging.h"
#include "qsolog/WsjtxMessage.h"

#include <QUdpSocket>

#include <random>

namespace tamrel {
namespace {

using test::LoggedFields;
using test::utc;

LoggedFields ft8Qso() {
    LoggedFields f;
    f.off = utc(2024, 6, 1, 12, 1, 30);
    f.on = utc(2024, 6, 1, 12, 0, 15);
    f.call = "K1ABC";
    f.grid = "FN42";
    f.hz = 14074000;
    f.mode = "FT8";
    f.sent = "-10";
    f.received = "+02";
    f.power = "5";
    f.name = "Jo\xC3\xABl";
    f.myCall = "DL1XYZ";
    f.exchangeSent = "-10 JO62";
    f.exchangeReceived = "+02 FN42";
    return f;
}

std::optional<wsjtx::LoggedQso> read(const QByteArray& b) {
    return wsjtx::readLoggedQso({b.constData(), static_cast<std::size_t>(b.size())});
}

// "Logged ADIF" is read by WsjtxUdp.LoggedQsosReachTheFileAndTheWindowAndNothingElseDoes.
TEST(WsjtxMessage, QsoLoggedGivesTheQsoAsAdifFieldsInEachLayout) {
    const struct {
        int schema;
        bool full;
        const char* timeOn; // the time on when sent, else the time off
    } cases[] = {
        {3, true, "120015"}, {2, true, "120015"}, {3, false, "120130"}, {2, false, "120130"}};
    for (const auto& c : cases) {
        const std::optional<wsjtx::LoggedQso> q = read(test::qsoLogged(ft8Qso(), c.schema, c.full));
        ASSERT_TRUE(q) << c.schema << c.full;
        EXPECT_EQ(q->id, "WSJT-X");
        std::set<std::string> fields = {"CALL=K1ABC",      "QSO_DATE=20240601",
                                        "FREQ=14.074000",  "MODE=FT8",
                                        "RST_SENT=-10",    "RST_RCVD=+02",
                                        "TX_PWR=5",        "NAME=Jo\xC3\xABl",
                                        "GRIDSQUARE=FN42", "TIME_ON=" + std::string(c.timeOn)};
        if (c.full) // the fields of the newer layout
            fields.insert(
                {"STATION_CALLSIGN=DL1XYZ", "STX_STRING=-10 JO62", "SRX_STRING=+02 FN42"});
        EXPECT_EQ(test::fieldsOf(q->record), fields);
    }
}

TEST(WsjtxMessage, EverythingElseIsNone) {
    const QByteArray logged = test::qsoLogged(ft8Qso());
    const QByteArray older = test::qsoLogged(ft8Qso(), 3, false);
    const QByteArray cases[] = {
        test::wsjtxDatagram(
            5, 3, [](QDataStream&) {}, 0xdeadbeef), // foreign magic
        test::qsoLogged(ft8Qso(), 1),               // schema 1
        test::qsoLogged(ft8Qso(), 4),               // schema 4
        test::wsjtxDatagram(1, 3, [](QDataStream& out) { out << quint64(14074000); }), // status
        test::loggedAdif("<call:4>W1AW<EOR><call:4>W2AW<EOR>"), // two records
        logged.left(logged.size() - 2),                         // the last field cut short
    };
    for (const QByteArray& d : cases)
        EXPECT_FALSE(read(d)) << d.toHex().toStdString();
    // Cut anywhere before the end of the oldest layout, down to nothing: none.
    for (qsizetype size = 0; size < older.size(); ++size)
        ASSERT_FALSE(read(logged.left(size))) << size;
    std::mt19937 random(30);
    for (int i = 0; i < 2000; ++i) {
        QByteArray noise = logged;
        noise[std::uniform_int_distribution<qsizetype>(12, noise.size() - 1)(random)] =
            char(random());
        if (std::optional<wsjtx::LoggedQso> q = read(noise)) {
            const std::string* date = q->record.find("QSO_DATE");
            EXPECT_TRUE(date && date->size() == 8); // a real date, or no QSO at all
        }
    }
}

class WsjtxUdp : public test::QsoWindowFixture {
protected:
    static quint16 freePort() {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        return probe.localPort();
    }
    void send(const QByteArray& datagram) {
        ASSERT_EQ(sender_.writeDatagram(datagram, QHostAddress::LocalHost, port_), datagram.size());
    }
    std::vector<std::string> statusLines() const {
        std::vector<std::string> lines;
        for (const std::string& s : panel_.asked)
            if (s.starts_with("status: WSJT-X") || s.starts_with("error: WSJT-X"))
                lines.push_back(s);
        return lines;
    }

    quint16 port_ = freePort();
    QUdpSocket sender_;
};

TEST_F(WsjtxUdp, LoggedQsosReachTheFileAndTheWindowAndNothingElseDoes) {
    open();
    WsjtxLogging wsjtx(
        *registry_, [this] { return &windows_->Log(); },
        [this](const std::string& text, bool error) { panel_.ShowStatus(text, error); });
    EXPECT_FALSE(wsjtx.Listener().Listening()); // off until set
    ASSERT_TRUE(registry_->SetWsjtxListen("127.0.0.1:" + std::to_string(port_)));
    ASSERT_TRUE(wsjtx.Listener().Listening());

    send("garbage"); // the rest not taken: WsjtxMessage.EverythingElseIsNone
    send(test::qsoLogged(ft8Qso()));
    // WSJT-X announces the same QSO once more as ADIF: a dupe.
    send(test::loggedAdif("<call:5>K1ABC <qso_date:8>20240601 <time_on:6>120015 "
                          "<freq:9>14.074000 <mode:3>FT8 <EOR>"));

    ASSERT_TRUE(test::waitFor([this] { return statusLines().size() == 3; }));
    EXPECT_EQ(statusLines(), (std::vector<std::string>{
                                 "status: WSJT-X: listening on 127.0.0.1:" + std::to_string(port_),
                                 "status: WSJT-X: K1ABC FT8 20m logged",
                                 "status: WSJT-X: K1ABC FT8 20m is in the log already"}));
    EXPECT_EQ(wsjtx.Listener().Ignored(), 1u);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 1), "K1ABC");
    // Times in UTC ("Use UTC in Log"); His Sig is the report sent.
    EXPECT_EQ(logText(), "0;1;K1ABC;06012024120015;  20M;14074000;FT8;Jo\xC3\xABl;;+02;-10;0;;\n");

    // Switched off: nothing more is taken.
    ASSERT_TRUE(registry_->SetWsjtxListen(""));
    EXPECT_FALSE(wsjtx.Listener().Listening());
}

} // namespace
} // namespace tamrel

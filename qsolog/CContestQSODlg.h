#pragma once
// CContestQSODlg: "Contest QSO Information", the information window of
// contest logging: the other station's call, the exchange received and a
// comment (QsoInfoWindow). The serial number sent is the keyboard window's
// ~SN; nothing here reads or changes the counter.

#include "QsoInfoWindow.h"

class QLineEdit;

namespace tamrel {

namespace qsoctl {
inline constexpr int kContestDialog = 158;
inline constexpr int kContestCall = 1231, kContestExchange = 1233, kContestComment = 1234;
inline constexpr int kContestLogIt = 1236, kContestClear = 1237, kContestSetMacro = 1238;
inline constexpr int kContestDupeLine = 1239;
} // namespace qsoctl

class CContestQSODlg final : public QsoInfoWindow {
public:
    explicit CContestQSODlg(const QsoWiring& wiring, QWidget* parent = nullptr);

    // Call, exchange and comment of an earlier QSO.
    void fill(const QSORecord& record) override;

protected:
    // Enter in the call box with no exchange yet moves on to the exchange.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSORecord typed() const override;
    // The three fields; "Clear" empties ~HC with them and asks nothing.
    void clearFields() override;

    QLineEdit* call_ = nullptr;
    QLineEdit* exchange_ = nullptr;
    QLineEdit* comment_ = nullptr;
};

} // namespace tamrel

#pragma once
// CQSOInfoDlg: "QSO Information", where the operator types the other
// station's data and logs it (QsoInfoWindow).

#include "QsoInfoWindow.h"

class QLineEdit;

namespace tamrel {

namespace qsoctl {
inline constexpr int kInfoDialog = 139;
inline constexpr int kHisCall = 1100, kHisName = 1103, kHisSigEdit = 1106, kMySigEdit = 1108;
inline constexpr int kHisQth = 1110, kInfoComment = 1113;
inline constexpr int kLogIt = 1119, kClear = 1117, kSetMacro = 1115;
inline constexpr int kDupeLine = 1121;
} // namespace qsoctl

class CQSOInfoDlg final : public QsoInfoWindow {
public:
    explicit CQSOInfoDlg(const QsoWiring& wiring, QWidget* parent = nullptr);

    void fill(const QSORecord& record) override;

private:
    QSORecord typed() const override;
    // Every field; "Clear" asks first and empties the macros with them.
    void clearFields() override;

    QLineEdit* call_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* hisSig_ = nullptr;
    QLineEdit* mySig_ = nullptr;
    QLineEdit* qth_ = nullptr;
    QLineEdit* comment_ = nullptr;
};

} // namespace tamrel

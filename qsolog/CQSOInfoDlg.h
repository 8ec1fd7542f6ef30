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

inline constexpr char kClearQuestion[] = "Clearing All Variable?";

class CQSOInfoDlg final : public QsoInfoWindow {
public:
    CQSOInfoDlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread, Post toPanel,
                QWidget* parent = nullptr);

    void fill(const QSORecord& record) override;
    void logIt() override;
    // Asks first, then empties every field and the macros with them.
    void clear() override;
    void setMacro() override;

private:
    QLineEdit* call_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* hisSig_ = nullptr;
    QLineEdit* mySig_ = nullptr;
    QLineEdit* qth_ = nullptr;
    QLineEdit* comment_ = nullptr;
};

} // namespace tamrel

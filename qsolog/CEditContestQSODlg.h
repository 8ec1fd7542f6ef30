#pragma once
// CEditContestQSODlg: "Edit Contest QSO Log" on a row of a contest log
// (QsoEditDialog).

#include "QsoEditDialog.h"

namespace tamrel {

class Prompter;

namespace qsoctl {
inline constexpr int kEditContestDialog = 160;
inline constexpr int kContestEditCall = 1246, kContestEditExchange = 1247;
inline constexpr int kContestEditComment = 1248, kContestEditDate = 1249, kContestEditTime = 1250;
inline constexpr int kContestEditBand = 1251, kContestEditFrequency = 1252;
inline constexpr int kContestEditMode = 1253, kContestEditModeSpin = 1254;
inline constexpr int kContestEditQsl = 1338, kContestEditQslSpin = 1340;
inline constexpr int kContestEditModify = 1, kContestEditCancel = 2, kContestEditDelete = 3;
} // namespace qsoctl

class CEditContestQSODlg final : public QsoEditDialog {
public:
    CEditContestQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                       QWidget* parent = nullptr);
};

} // namespace tamrel

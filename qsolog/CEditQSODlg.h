#pragma once
// CEditQSODlg: "Edit QSO Log" on a row of a normal log (QsoEditDialog);
// contest rows have CEditContestQSODlg.

#include "QsoEditDialog.h"

namespace tamrel {

class Prompter;

namespace qsoctl {
inline constexpr int kEditDialog = 159;
inline constexpr int kCall = 1330, kName = 1331, kQth = 1332, kHisSig = 1333, kMySig = 1334;
inline constexpr int kComment = 1335, kDate = 1336, kTime = 1240, kBand = 1241, kFrequency = 1242;
inline constexpr int kModeSpin = 1243, kMode = 1245, kQslSpin = 1339, kQsl = 1337;
inline constexpr int kModify = 1, kCancel = 2, kDelete = 1244;
} // namespace qsoctl

class CEditQSODlg final : public QsoEditDialog {
public:
    CEditQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                QWidget* parent = nullptr);
};

} // namespace tamrel

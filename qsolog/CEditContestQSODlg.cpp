#include "CEditContestQSODlg.h"

namespace tamrel {

CEditContestQSODlg::CEditContestQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                                       QWidget* parent)
    : QsoEditDialog(record, bands, prompter,
                    {qsoctl::kEditContestDialog,
                     QStringLiteral("Edit Contest QSO Log"),
                     {{qsoctl::kContestEditCall, QStringLiteral("Call"), QsoText::Call},
                      {qsoctl::kContestEditExchange, QStringLiteral("Exchange"), QsoText::Exchange},
                      {qsoctl::kContestEditComment, QStringLiteral("Comment"), QsoText::Comment}},
                     qsoctl::kContestEditDate,
                     qsoctl::kContestEditTime,
                     qsoctl::kContestEditBand,
                     qsoctl::kContestEditFrequency,
                     qsoctl::kContestEditMode,
                     qsoctl::kContestEditModeSpin,
                     qsoctl::kContestEditQsl,
                     qsoctl::kContestEditQslSpin,
                     qsoctl::kContestEditModify,
                     qsoctl::kContestEditCancel,
                     qsoctl::kContestEditDelete},
                    parent) {}

} // namespace tamrel

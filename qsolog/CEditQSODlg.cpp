#include "CEditQSODlg.h"

namespace tamrel {

CEditQSODlg::CEditQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                         QWidget* parent)
    : QsoEditDialog(record, bands, prompter,
                    {qsoctl::kEditDialog,
                     QStringLiteral("Edit QSO Log"),
                     {{qsoctl::kCall, QStringLiteral("Call"), QsoText::Call},
                      {qsoctl::kName, QStringLiteral("Name"), QsoText::Name},
                      {qsoctl::kQth, QStringLiteral("QTH"), QsoText::Qth},
                      // His sig is the report sent.
                      {qsoctl::kHisSig, QStringLiteral("RSTS"), QsoText::HisSig},
                      {qsoctl::kMySig, QStringLiteral("RSTR"), QsoText::MySig},
                      {qsoctl::kComment, QStringLiteral("Comment"), QsoText::Comment}},
                     qsoctl::kDate,
                     qsoctl::kTime,
                     qsoctl::kBand,
                     qsoctl::kFrequency,
                     qsoctl::kMode,
                     qsoctl::kModeSpin,
                     qsoctl::kQsl,
                     qsoctl::kQslSpin,
                     qsoctl::kModify,
                     qsoctl::kCancel,
                     qsoctl::kDelete},
                    parent) {}

} // namespace tamrel

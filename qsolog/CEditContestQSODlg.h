#pragma once
// CEditContestQSODlg: "Edit Contest QSO Log", opened modal on a row of a
// contest log's list with the row's record (never with its texts read back).
// "Modify" takes the fields back through modifyQso and refuses, naming the
// field, a date or time that is not real and a frequency that is not a
// positive whole number of Hz; the dialog then stays open. "Delete" asks for
// the row to go; "Cancel" changes nothing.
//
// The spins step with their wrap rules (stepModeIndex, stepQsl): the up
// arrow (delta -1) steps forward, the down arrow (delta +1) back.

#include "CEditQSODlg.h"
#include "QSORecord.h"
#include "QsoLogView.h"

#include "radio/BandTable.h"

#include <QDialog>

#include <optional>

class QLineEdit;

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

class CEditContestQSODlg final : public QDialog {
public:
    using Outcome = CEditQSODlg::Outcome;

    CEditContestQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                       QWidget* parent = nullptr);

    Outcome outcome() const { return outcome_; }
    // The record "Modify" made; only with Outcome::Modified.
    const std::optional<QSORecord>& modified() const { return modified_; }

    void stepMode(int delta);
    void stepQsl(int delta);

private:
    void modify();
    void showSpins();

    QSORecord original_;
    BandTable bands_;
    Prompter& prompter_;
    QsoEditFields fields_;
    Outcome outcome_ = Outcome::Cancelled;
    std::optional<QSORecord> modified_;
    QLineEdit* call_ = nullptr;
    QLineEdit* exchange_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QLineEdit* date_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* mode_ = nullptr;
    QLineEdit* qsl_ = nullptr;
};

} // namespace tamrel

#pragma once
// CEditQSODlg: "Edit QSO Log", opened modal on a row of a normal log's list
// with the row's record (never with its texts read back); contest rows have
// CEditContestQSODlg. "Modify" takes the fields
// back through modifyQso and refuses what is not a real date, time or
// frequency; "Delete" asks for the row to go; "Cancel" changes nothing.
//
// The spins step with their wrap rules (stepModeIndex, stepQsl): the up
// arrow (delta -1) steps forward (LSB to USB, "None" to "Sent"), the down
// arrow (delta +1) back.

#include "QSORecord.h"
#include "QsoLogView.h"

#include "radio/BandTable.h"

#include <QDialog>

#include <cstddef>
#include <functional>
#include <optional>

class QLineEdit;

namespace tamrel {

class Prompter;

namespace qsoctl {
inline constexpr int kEditDialog = 159;
inline constexpr int kCall = 1330, kName = 1331, kQth = 1332, kHisSig = 1333, kMySig = 1334;
inline constexpr int kComment = 1335, kDate = 1336, kTime = 1240, kBand = 1241, kFrequency = 1242;
inline constexpr int kModeSpin = 1243, kMode = 1245, kQslSpin = 1339, kQsl = 1337;
inline constexpr int kModify = 1, kCancel = 2, kDelete = 1244;
} // namespace qsoctl

class CEditQSODlg final : public QDialog {
public:
    enum class Outcome { Cancelled, Modified, Deleted };

    CEditQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                QWidget* parent = nullptr);

    Outcome outcome() const { return outcome_; }
    // The record "Modify" made; only with Outcome::Modified.
    const std::optional<QSORecord>& modified() const { return modified_; }

    // The spins' steps, as an arrow click gives them.
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
    QLineEdit* name_ = nullptr;
    QLineEdit* qth_ = nullptr;
    QLineEdit* hisSig_ = nullptr;
    QLineEdit* mySig_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QLineEdit* date_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* band_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* mode_ = nullptr;
    QLineEdit* qsl_ = nullptr;
};

// A field for a record's text: ";", "\r" and "\n" cannot be typed or pasted
// in (they would shift every later field of the line). With a capacity (the
// field's, NUL counted) the text is cut to capacity - 1 bytes as it is typed
// or pasted, never inside a character.
QLineEdit* MakeQsoTextEdit(QWidget& parent, int id, const QString& label, std::size_t capacity = 0);

// A spin as two arrows; each click calls `step` with -1 (up) or +1 (down).
QWidget* MakeStepSpin(QWidget& parent, int id, std::function<void(int delta)> step);

} // namespace tamrel

#pragma once
// QsoEditDialog: "Edit QSO Log" and "Edit Contest QSO Log", opened modal on a
// row of the list with the row's record (never with its texts read back).
// Each kind names its own text rows; the date, time, band and frequency rows,
// the mode and QSL spins and the buttons are the same for both. "Modify" takes
// the fields back through modifyQso and refuses, naming the field, a date or
// time that is not real and a frequency that is not a positive whole number
// of Hz; the dialog then stays open. "Delete" asks for the row to go;
// "Cancel" changes nothing.
//
// The spins step with their wrap rules (stepModeIndex, stepQsl): the up
// arrow (delta -1) steps forward (LSB to USB, "None" to "Sent"), the down
// arrow (delta +1) back. Texts are cut to their fields as they are typed.

#include "QSORecord.h"
#include "QsoLogView.h"

#include "radio/BandTable.h"

#include <QDialog>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QLineEdit;

namespace tamrel {

class Prompter;

class QsoEditDialog : public QDialog {
public:
    enum class Outcome { Cancelled, Modified, Deleted };

    Outcome outcome() const { return outcome_; }
    // The record "Modify" made; only with Outcome::Modified.
    const std::optional<QSORecord>& modified() const { return modified_; }

    // The spins' steps, as an arrow click gives them.
    void stepMode(int delta);
    void stepQsl(int delta);

protected:
    struct TextRow {
        int id;
        QString label;
        QsoText field;
    };
    // The controls' ids and the kind's own text rows, in their order.
    struct Layout {
        int dialog;
        QString title;
        std::vector<TextRow> texts;
        int date, time, band, frequency, mode, modeSpin, qsl, qslSpin;
        int modify, cancel, del;
    };

    QsoEditDialog(const QSORecord& record, BandTable bands, Prompter& prompter,
                  const Layout& layout, QWidget* parent);

private:
    void modify();
    void showSpins();

    QSORecord original_;
    BandTable bands_;
    Prompter& prompter_;
    QsoEditFields fields_;
    Outcome outcome_ = Outcome::Cancelled;
    std::optional<QSORecord> modified_;
    std::vector<std::pair<QsoText, QLineEdit*>> texts_;
    QLineEdit* date_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* mode_ = nullptr;
    QLineEdit* qsl_ = nullptr;
};

// A caption as a control's name: "His Call: " names "His Call".
QString CaptionName(const QString& caption);

// A field for a record's text, named by its label: ";", "\r" and "\n" cannot be typed or pasted
// in (they would shift every later field of the line). With a capacity (the
// field's, NUL counted) the text is cut to capacity - 1 bytes as it is typed
// or pasted, never inside a character.
QLineEdit* MakeQsoTextEdit(QWidget& parent, int id, const QString& label, std::size_t capacity = 0);

// What the report fields hold, whatever their captions say: "His Sig" is the
// report given to the other station, "My Sig" the one he gave.
void SetReportToolTip(QLineEdit& edit, QsoText field);

// A spin as two arrows; each click calls `step` with -1 (up) or +1 (down).
QWidget* MakeStepSpin(QWidget& parent, int id, const QString& name,
                      std::function<void(int delta)> step);

} // namespace tamrel

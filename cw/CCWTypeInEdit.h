#pragma once
// CCWTypeInEdit: the keyboard CW window's type-in line. Each word the
// operator finishes (with a break character) is handed over at once to the
// keyboard window, which queues it for the transmitting thread and shows it
// as pending. Characters that would break the KY command (";", control
// characters) are refused with a beep; so is Backspace into text already
// handed over. Enter is a break: it hands over the last word with a space.

#include "cw/TypeInText.h"

#include <QLineEdit>

namespace tamrel {

class CCWTypeInEdit final : public QLineEdit {
public:
    // Takes a finished piece, or refuses it (the pending text full): the
    // line then keeps it.
    CCWTypeInEdit(cw::TypeInText::HandOver handOver, QWidget* parent);

    void Reset();
    std::size_t SentCount() const { return logic_.Sent(); }
    // Beeps counted (tests; the offscreen platform makes no sound).
    int Beeps() const { return beeps_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Beep();
    void Type(const QString& text);
    bool TypeOne(QChar c);

    cw::TypeInText logic_;
    const cw::TypeInText::HandOver handOver_;
    int beeps_ = 0;
};

} // namespace tamrel

#include "cw/CCWTypeInEdit.h"

#include "cw/CwText.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace tamrel {

CCWTypeInEdit::CCWTypeInEdit(cw::TypeInText::HandOver handOver, QWidget* parent)
    : QLineEdit(parent), handOver_(std::move(handOver)) {
    // Text arrives only through the keys below, where each character is checked.
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setAcceptDrops(false);
}

void CCWTypeInEdit::Reset() {
    logic_.Reset();
    clear();
    setCursorPosition(0);
}

void CCWTypeInEdit::Beep() {
    ++beeps_;
    QApplication::beep();
}

void CCWTypeInEdit::keyPressEvent(QKeyEvent* event) {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    if (event->key() == Qt::Key_Backspace) {
        if (logic_.MayDeleteBefore(std::size_t(start)))
            QLineEdit::keyPressEvent(event);
        else
            Beep();
        return;
    }
    if (event->key() == Qt::Key_Delete || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        // Only what has not been handed over may go.
        if (std::size_t(start) >= logic_.Sent() && !event->matches(QKeySequence::Undo) &&
            !event->matches(QKeySequence::Redo))
            QLineEdit::keyPressEvent(event);
        else
            Beep();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Enter ends the word as a space would: the last word goes out now.
        if (std::size_t(text().size()) > logic_.Sent()) {
            end(false);
            TypeOne(u' ');
        }
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Type(QApplication::clipboard()->text());
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || event->key() == Qt::Key_Escape ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Moves, selections and keys for the window (F-keys, Esc).
        QLineEdit::keyPressEvent(event);
        return;
    }
    Type(text);
}

void CCWTypeInEdit::Type(const QString& text) {
    for (QChar c : text)
        if (!TypeOne(c))
            return;
}

bool CCWTypeInEdit::TypeOne(QChar c) {
    const QByteArray bytes = QString(c).toLatin1();
    if (c.unicode() > 0xff || bytes.size() != 1 || !cw::IsKeyable(bytes[0])) {
        Beep();
        return false;
    }
    // Typing goes on after the handed-over text, never into it.
    if (std::size_t(hasSelectedText() ? selectionStart() : cursorPosition()) < logic_.Sent()) {
        deselect();
        end(false);
    }
    const QString before = this->text();
    const int caret = cursorPosition();
    setUpdatesEnabled(false);
    insert(QString(c));
    const cw::TypeInText::Outcome out =
        logic_.AfterInput(this->text().toLatin1().toStdString(), handOver_);
    if (out.refused) {
        setText(before);
        setCursorPosition(caret);
        setUpdatesEnabled(true);
        Beep();
        return false;
    }
    if (out.replaced) {
        setText(QString::fromLatin1(out.text));
        setCursorPosition(int(out.caret));
    }
    setUpdatesEnabled(true);
    update();
    return true;
}

} // namespace tamrel

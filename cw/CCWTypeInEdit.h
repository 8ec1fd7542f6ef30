#pragma once
// CCWTypeInEdit: the keyboard CW window's type-in line. Each word the
// operator finishes (with a break character) is handed over at once, to the
// transmitting thread and to the window that shows it as pending. Characters
// that would break the KY command (";", control characters) are refused with
// a beep; so is Backspace into text already handed over.

#include "cw/TypeInText.h"
#include "platform/Messages.h"

#include <QLineEdit>

#include <functional>

namespace tamrel {

class CCWTypeInEdit final : public QLineEdit {
public:
    // Where a piece goes besides the thread: the keyboard window, which may
    // refuse it (its pending text full).
    using Echo = std::function<bool(const std::string& piece)>;

    explicit CCWTypeInEdit(QWidget* parent = nullptr);

    void SetThread(Handle thread) { thread_ = thread; }
    void SetEcho(Echo echo) { echo_ = std::move(echo); }
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
    Handle thread_ = 0;
    Echo echo_;
    int beeps_ = 0;
};

} // namespace tamrel

#include "GuiPrompter.h"
#include "SignalWatcher.h"

#include <QApplication>
#include <QMessageBox>

namespace tamrel {

namespace {
QMessageBox::Icon toIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}
} // namespace

// Once the program is asked to end, no box waits for a click.
void GuiPrompter::tell(const std::string& text, PromptIcon icon) {
    if (StopRequested())
        return;
    QMessageBox box(toIcon(icon), QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

bool GuiPrompter::ask(const std::string& text, PromptIcon icon) {
    if (StopRequested())
        return false;
    QMessageBox box(toIcon(icon), QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace tamrel

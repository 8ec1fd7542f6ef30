#include "MemoryDialogRunner.h"

#include "memory/CEditMemoryDlg.h"
#include "memory/CRecallMemoryDlg.h"
#include "memory/CSaveMemoryDlg.h"
#include "memory/MemoryDialogLook.h"

#include <QApplication>

namespace tamrel {

MemoryDialogRunner::MemoryDialogRunner(QWidget* mainWindow, Prompter& prompter,
                                       std::function<WindowRect()> savedRect)
    : mainWindow_(mainWindow), prompter_(prompter), savedRect_(std::move(savedRect)) {}

QWidget* MemoryDialogRunner::Parent() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return mainWindow_;
}

WindowRect MemoryDialogRunner::SavedRect() const {
    return savedRect_ ? savedRect_() : WindowRect{};
}

bool MemoryDialogRunner::RunSaveDialog(SaveMemoryForm& form) {
    CSaveMemoryDlg dlg(form, prompter_, Parent());
    memui::PlaceDialog(dlg, SavedRect());
    return dlg.exec() == QDialog::Accepted;
}

std::optional<std::string> MemoryDialogRunner::RunRecallDialog(RecallMemoryList& list) {
    CRecallMemoryDlg dlg(list, Parent());
    memui::PlaceDialog(dlg, SavedRect());
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.SelectedName();
}

void MemoryDialogRunner::RunEditDialog(EditMemoryList& list) {
    CEditMemoryDlg dlg(list, Parent());
    memui::PlaceDialog(dlg, SavedRect());
    dlg.exec();
}

} // namespace tamrel

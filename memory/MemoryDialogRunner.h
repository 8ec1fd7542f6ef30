#pragma once
// MemoryDialogRunner: runs the three memory dialogs modally for
// MemoryCommands, over the front panel (or over the dialog already open, for
// the save dialog opened from the edit dialog), each placed under the main
// window's saved rectangle.

#include "memory/MemoryCommands.h"
#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

#include <functional>

class QWidget;

namespace tamrel {

class MemoryDialogRunner : public MemoryDialogs {
public:
    // `savedRect` gives the main window's saved screen rectangle (the
    // settings' "Window Size"); an empty one centres the dialogs.
    MemoryDialogRunner(QWidget* mainWindow, Prompter& prompter,
                       std::function<WindowRect()> savedRect);

    bool RunSaveDialog(SaveMemoryForm& form) override;
    std::optional<std::string> RunRecallDialog(RecallMemoryList& list) override;
    void RunEditDialog(EditMemoryList& list) override;

private:
    QWidget* Parent() const;
    WindowRect SavedRect() const;

    QWidget* mainWindow_;
    Prompter& prompter_;
    std::function<WindowRect()> savedRect_;
};

} // namespace tamrel

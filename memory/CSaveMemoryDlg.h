#pragma once
// CSaveMemoryDlg: saves or edits one memory. It only shows a SaveMemoryForm
// and hands every change back to it; "Save" closes the dialog when the form
// accepts, and otherwise tells why through the prompter and stays open.

#include "memory/SaveMemoryForm.h"
#include "platform/Prompter.h"

#include <QDialog>

#include <array>

class CEditEx;
class CShadedButton;
class QComboBox;
class QLabel;

namespace tamrel {

class CSaveMemoryDlg : public QDialog {
public:
    CSaveMemoryDlg(SaveMemoryForm& form, Prompter& prompter, QWidget* parent = nullptr);

    CShadedButton& SaveButton() const { return *save_; }

private:
    void OnSave();
    void ShowAntenna();

    SaveMemoryForm& form_;
    Prompter& prompter_;
    std::array<CEditEx*, static_cast<std::size_t>(SaveMemoryForm::Text::Count)> texts_{};
    std::array<QComboBox*, static_cast<std::size_t>(SaveMemoryForm::List::Count)> lists_{};
    QLabel* antenna_ = nullptr;
    CShadedButton* save_ = nullptr;
};

} // namespace tamrel

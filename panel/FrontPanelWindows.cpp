// The front panel's tool windows and menus: the keyboard CW window, the QSO
// windows, the switch panel, the configuration sheet, the popup menu.

#include "CFrontPanelDlg.h"
#include "tamrel_version.h"

#include "cw/CCWKeyboardDlg.h"
#include "memory/MemoryCommands.h"
#include "panel/FrontPanelServices.h"
#include "panel/FrontPanelView.h"
#include "panel/KeyboardTuning.h"
#include "platform/Prompter.h"
#include "qsolog/QsoLoggingWindows.h"
#include "qsolog/QtQsoDialogs.h"
#include "settings/CRigControlRegistry.h"
#include "settings/CTamrelCfg.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>

namespace tamrel {

namespace {
constexpr int kCmdQsoLogging = 155;
} // namespace

void CFrontPanelDlg::ConfirmExit() {
    presenter_.ClearStatus();
    Refresh();
    std::string question = kExitQuestion;
    PromptIcon icon = PromptIcon::Information;
    if (const std::size_t n = UnsavedQsos(); n > 0) {
        question = std::to_string(n) + (n == 1 ? " QSO is" : " QSOs are") +
                   " not in the log file and will be lost. Save the log under a name "
                   "first.\n\n" +
                   question;
        icon = PromptIcon::Warning;
    }
    if (!prompter_.ask(question, icon))
        return;
    CloseKeyboard();
    if (qso_)
        qso_->Shutdown();
    accept();
}

std::size_t CFrontPanelDlg::UnsavedQsos() const {
    return qso_ && qso_->Started() ? qso_->Log().store().notInFileCount() : 0;
}

void CFrontPanelDlg::ToggleKeyboard() {
    if (keyboard_ && !keyboard_->Closing())
        CloseKeyboard();
    else
        OpenKeyboard();
}

void CFrontPanelDlg::OpenKeyboard() {
    // An open window keeps its place and the focus stays where the key was.
    if (shutDown_ || (keyboard_ && !keyboard_->Closing()))
        return;
    if (!keyboard_) {
        keyboard_ = std::make_unique<CCWKeyboardDlg>(registry_, cwThread_, Commands(), this);
        // Queued: the window announces from inside its slide's timer.
        connect(
            keyboard_.get(), &CCWKeyboardDlg::closed, this,
            [this] {
                if (keyboard_ && keyboard_->Closing() && keyboard_->isHidden())
                    keyboard_.reset();
            },
            Qt::QueuedConnection);
    }
    keyboard_->Open(); // a window on its way in turns round
}

void CFrontPanelDlg::CloseKeyboard() {
    if (!keyboard_)
        return;
    // An ending panel takes it along at once; otherwise it slides in first.
    if (shutDown_)
        keyboard_.reset();
    else
        keyboard_->CloseWindow();
}

bool CFrontPanelDlg::ForwardCwKey(QKeyEvent* key) {
    if (!keyboard_ || keyboard_->Closing() || key->isAutoRepeat())
        return false;
    const int k = key->key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F11 && (key->modifiers() & ~Qt::KeypadModifier) == 0) {
        keyboard_->OnKey(uint64_t(k - Qt::Key_F1));
        return true;
    }
    if (k == Qt::Key_Escape) {
        keyboard_->OnKey(cw::kKeyAbort);
        return true;
    }
    return false;
}

void CFrontPanelDlg::OpenQsoLogging() {
    PrepareQsoLogging();
    qso_->Open();
}

void CFrontPanelDlg::PrepareQsoLogging() {
    std::string home;
    registry_.GetHomeDir(home);
    // Made ahead and not opened yet: a home folder changed meanwhile counts.
    if (qso_ && !qso_->LoggingWindow() && home != qsoHome_)
        qso_.reset();
    if (!qso_) {
        qsoHome_ = home;
        // Owned by the panel: it runs modally and would block windows of their own.
        qso_ = std::make_unique<QsoLoggingWindows>(registry_, prompter_, radio_.Model(), Commands(),
                                                   std::make_unique<QtQsoDialogs>(prompter_, this),
                                                   home, this);
    }
}

void CFrontPanelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        presenter_.ClearStatus();
        Refresh();
        ShowPopupMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CFrontPanelDlg::ShowPopupMenu(const QPoint& globalPos) {
    if (!popup_) {
        popup_ = std::make_unique<QMenu>(this);
        if (memoryCommands_)
            for (const MemoryMenuEntry& entry : kMemoryMenuEntries)
                popup_->addAction(entry.label, this,
                                  [this, id = entry.id] { memoryCommands_->Run(id); });
        popup_->addAction("QSO Logging (ALT+L)", this, [this] { OpenQsoLogging(); })
            ->setData(kCmdQsoLogging);
        popup_->addAction("Keyboard Shortcuts...", this, [this] { ShowShortcuts(); });
        // The system menu's two entries, which Linux has no menu for.
        popup_->addSeparator();
        popup_->addAction("System Config", this, [this] { ShowSystemConfig(); });
        popup_->addSeparator();
        popup_->addAction("&About Tamrel...", this, [this] { ShowAbout(); });
    }
    popup_->popup(globalPos);
}

void CFrontPanelDlg::ShowSystemConfig() {
    CTamrelCfg sheet(registry_, prompter_, this);
    // An exit while the sheet is open (SIGTERM, request 9) discards it, so
    // that the panel's own loop can end.
    connect(this, &QDialog::finished, &sheet, &QDialog::reject);
    sheet.exec();
}

void CFrontPanelDlg::ShowAbout() {
    QMessageBox::about(
        this, "About Tamrel",
        QStringLiteral("<b>Tamrel</b><br>Version %1<br><br>A front panel for the Elecraft K2 "
                       "transceiver, driven over its serial line.")
            .arg(TAMREL_VERSION));
}

void CFrontPanelDlg::OpenSwitchPanel() {
    presenter_.ClearStatus();
    if (!switchPanel_)
        switchPanel_ = std::make_unique<CKeySwitchEmulationPanelsPropSheet>(registry_, radio_,
                                                                            *commands_, this);
    switchPanel_->ShowPanel();
}

void CFrontPanelDlg::ShowShortcuts() {
    QString rows;
    for (const Shortcut& s : KeyboardShortcuts())
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>&nbsp;&nbsp;%2</td></tr>")
                    .arg(QString::fromStdString(s.keys).toHtmlEscaped(),
                         QString::fromStdString(s.action).toHtmlEscaped());
    QMessageBox box(QMessageBox::NoIcon, "Keyboard Shortcuts",
                    QStringLiteral("<table>%1</table>").arg(rows), QMessageBox::Ok, this);
    box.setObjectName("keyboardShortcuts");
    box.exec();
}

} // namespace tamrel

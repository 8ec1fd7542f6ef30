#pragma once
// CMemoryKeyPanelDlg: edits, saves and sends the eleven stored CW messages
// and an unsaved "TypeIn" one; docked right of the front panel, opened and
// closed by the keyboard window's "Define Memory Keys".
//
// A row is read-only until its edit button is pressed; a changed row is saved
// ("F1".."F11" in "Transmit Memory Keys") when its edit button is pressed
// again, when it loses the focus, or on Enter; the store announces it, and
// the keyboard window and this panel follow. Esc throws away every change not
// saved. The front panel's keys (ALT+F1..ALT+F4, ALT+T, ALT+X) work here
// through the keyboard window, its parent.

#include "cw/CwDocking.h"
#include "cw/CwKeyboard.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

namespace tamrel {

class CCWKeyboardDlg;
class CRigControlRegistry;
class PanelCommands;

inline constexpr int kPanelRows = cw::kMemoryKeys + 1; // F1..F11, TypeIn
inline constexpr int kTypeInRow = cw::kMemoryKeys;
inline constexpr int kNotEditing = 12;
inline constexpr int kMemoryEditIds[kPanelRows] = {1019, 1023, 1027, 1029, 1031, 1034,
                                                   1036, 1039, 1042, 1045, 1048, 1109};
inline constexpr int kMemoryEditButtonIds[kPanelRows] = {1052, 1055, 1058, 1060, 1062, 1064,
                                                         1066, 1068, 1070, 1072, 1074, 1345};
inline constexpr int kMemoryTxButtonIds[kPanelRows] = {1076, 1078, 1081, 1084, 1087, 1090,
                                                       1093, 1096, 1099, 1102, 1105, 1112};
inline constexpr int kMemoryTextLimit = 253;

inline constexpr char kMemoryPanelTitle[] = "CW Memory Keys";

class CMemoryKeyPanelDlg final : public QDialog {
    Q_OBJECT
public:
    // A tool window of `keyboard`, whose shortcuts serve it too.
    CMemoryKeyPanelDlg(CRigControlRegistry& registry, CCWKeyboardDlg& keyboard,
                       const PanelCommands& panel);
    ~CMemoryKeyPanelDlg() override;

    // Slides out beside the front panel; one on its way in turns round.
    void Open();
    // Slides in and hides, then announces closed(); the owner destroys it.
    void CloseWindow();
    bool Closing() const { return slide_.GoingIn(); }
    bool Sliding() const { return slide_.Running(); }
    void Follow() { slide_.Follow(); }

    void OnEditButton(int row);
    void OnTx(int row);
    void Save(int row);
    void DiscardChanges();
    int Editing() const { return editing_; }
    QLineEdit* Edit(int row) const { return edits_[std::size_t(row)]; }

    void accept() override; // Enter saves the first changed row
    void reject() override; // Esc throws changes away and aborts the CW

Q_SIGNALS:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnMemoryKeyChanged(int key);

    CRigControlRegistry& registry_;
    CCWKeyboardDlg& keyboard_;
    // The stored texts, as the store last announced them.
    std::array<std::string, cw::kMemoryKeys> saved_;
    std::array<QLineEdit*, kPanelRows> edits_{};
    std::array<bool, cw::kMemoryKeys> modified_{};
    int editing_ = kNotEditing;
    bool loading_ = false;
    DockSlide slide_;
};

} // namespace tamrel

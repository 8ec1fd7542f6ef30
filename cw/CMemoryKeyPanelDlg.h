#pragma once
// CMemoryKeyPanelDlg: edits, saves and sends the eleven stored CW messages
// and an unsaved "TypeIn" one; docked right of the front panel, opened and
// closed by the keyboard window's "Define Memory Keys".
//
// A row is read-only until its edit button is pressed; a changed row is saved
// ("F1".."F11" in "Transmit Memory Keys") when its edit button is pressed
// again, when it loses the focus, or on Enter, and the keyboard window then
// shows the new text. Esc throws away every change not saved.

#include "cw/CwDocking.h"
#include "cw/CwKeyboard.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

namespace tamrel {

class CCWKeyboardDlg;
class CRigControlRegistry;
struct CwKeyboardHost;

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

class CMemoryKeyPanelDlg final : public QDialog {
public:
    CMemoryKeyPanelDlg(CRigControlRegistry& registry, CCWKeyboardDlg& keyboard,
                       const CwKeyboardHost& host, QWidget* parent = nullptr);
    ~CMemoryKeyPanelDlg() override;

    void SetSlideDelay(int ms) { slideDelay_ = ms; }
    void Open();
    void CloseWindow();
    void Follow();

    void OnEditButton(int row);
    void OnTx(int row);
    void Save(int row);
    void DiscardChanges();
    int Editing() const { return editing_; }
    QLineEdit* Edit(int row) const { return edits_[std::size_t(row)]; }

    void accept() override; // Enter saves the first changed row
    void reject() override {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Slide(bool out);

    CRigControlRegistry& registry_;
    CCWKeyboardDlg& keyboard_;
    const CwKeyboardHost& host_;
    std::array<std::string, cw::kMemoryKeys> saved_;
    std::array<QLineEdit*, kPanelRows> edits_{};
    std::array<bool, cw::kMemoryKeys> modified_{};
    int editing_ = kNotEditing;
    int slideDelay_ = 12;
    bool loading_ = false;
};

} // namespace tamrel

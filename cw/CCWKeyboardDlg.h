#pragma once
// CCWKeyboardDlg: the operator's CW console, docked below the front panel.
// The type-in line, F1..F11 for the stored messages, "Abort TX!", the memory
// key panel, autoplay, and a right-click menu for the report, logging and
// the serial counter. What it does lives in cw::CwKeyboard; this is the
// window around it.
//
// It keeps no copy of what the settings store holds: the memory texts follow
// the store's announcements, and the macro variables and the serial counter
// are read when a text needs them. The front panel's keys (ALT+F1..ALT+F4,
// ALT+T, ALT+X), "QSO Logging" and refusals go to the panel's commands.
//
// Threads: GUI thread. Everything this window sends goes to the transmitting
// thread as CwText or CwAbort; the thread's progress comes back to the
// window's inbox. The front panel calls OnKey and OnCwText directly.

#include "cw/CCWMsgTransmittingThread.h"
#include "cw/CwDocking.h"
#include "cw/CwKeyboard.h"
#include "platform/Inbox.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QPlainTextEdit;
class QPushButton;
class CColorButton;
class CShadedButton;
class CStaticEx;

namespace tamrel {

class CCWTypeInEdit;
class CMemoryKeyPanelDlg;
class CRigControlRegistry;
class PanelCommands;

inline constexpr char kKeyboardTitle[] = "CW Keyboard";
inline constexpr int kCwButtonIds[cw::kMemoryKeys] = {1174, 1178, 1182, 1185, 1188, 1192,
                                                      1196, 1200, 1204, 1207, 1210};
inline constexpr int kAutoplayTimer = 323;
inline constexpr int kSerialButton = 1902; // "Serial No": the counter dialog

class CCWKeyboardDlg final : public QDialog {
    Q_OBJECT
public:
    CCWKeyboardDlg(CRigControlRegistry& registry, CwQueue& cwThread, PanelCommands& panel,
                   QWidget* parent = nullptr);
    ~CCWKeyboardDlg() override;

    const cw::CwKeyboard& Logic() const { return logic_; }
    CCWTypeInEdit* TypeIn() const { return typeIn_; }
    CMemoryKeyPanelDlg* MemoryPanel() const { return panel_.get(); }

    // Slides out below the front panel and shows; a window on its way in
    // turns round.
    void Open();
    // Closes the memory panel, slides in and hides; then announces closed(),
    // and the owner destroys the window (queued: the slide's timer is still
    // on the stack when it is announced).
    void CloseWindow();
    bool Closing() const { return closing_; }
    bool Sliding() const { return slide_.Running(); }
    // The front panel moved: place again at once.
    void Follow();

    // 0..10 memory F1..F11, 27 abort.
    void OnKey(uint64_t code);
    // A text to send, a space added.
    void OnCwText(const std::string& text);
    void OnProgress(const cw::CwProgress& progress);
    void Abort();
    void ToggleMemoryPanel();
    void OnAutoplay();
    void OnAutoplayRepeat();
    // Runs the autoplay dialog; tests replace it.
    std::function<std::optional<cw::AutoplaySettings>(const std::array<bool, cw::kMemoryKeys>&,
                                                      const cw::AutoplaySettings&)>
        autoplayDialog;

    void accept() override {} // Enter never closes this window
    void reject() override {} // nor does Esc

Q_SIGNALS:
    void closed();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The logic's way out: the transmitting thread, the store, the status line.
    class Services final : public cw::KeyboardServices {
    public:
        Services(CRigControlRegistry& registry, CwQueue& thread, PanelCommands& panel)
            : registry_(registry), thread_(thread), panel_(panel) {}
        void QueueText(const std::string& text) override;
        void AbortQueue() override;
        cw::MacroVariables Variables() override;
        cw::SerialCounter Counter() override;
        void StoreCounter(const cw::SerialCounter& counter) override;
        void Refused(const std::string& text) override;

    private:
        CRigControlRegistry& registry_;
        CwQueue& thread_;
        PanelCommands& panel_;
    };

    void OnMemoryKeyChanged(int key);
    void OnMemoryPanelClosed();
    void Show();
    void ShowMemory(int i);
    void StartAutoplay();
    void AutoplayChanged();
    // The autoplay timer runs only between plays: from the end of one to the next.
    void ArmAutoplayTimer();
    void ShowMenu(const QPoint& globalPos);

    CRigControlRegistry& registry_;
    CwQueue& thread_;
    PanelCommands& commands_;
    Services services_;
    cw::CwKeyboard logic_;
    QPlainTextEdit* pending_ = nullptr;
    CCWTypeInEdit* typeIn_ = nullptr;
    std::array<QPushButton*, cw::kMemoryKeys> keys_{};
    CColorButton* abort_ = nullptr;
    CShadedButton* define_ = nullptr;
    CShadedButton* autoplayButton_ = nullptr;
    CShadedButton* repeat_ = nullptr;
    CStaticEx* indicator_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<CMemoryKeyPanelDlg> panel_;
    DockSlide slide_;
    bool closing_ = false;
    // Last: closed first, so no progress reaches a half-destroyed window.
    Inbox<cw::CwProgress> inbox_;
};

} // namespace tamrel

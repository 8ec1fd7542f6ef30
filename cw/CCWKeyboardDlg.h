#pragma once
// CCWKeyboardDlg: the operator's CW console, docked below the front panel.
// The type-in line, F1..F11 for the stored messages, "Abort TX!", the memory
// key panel, autoplay, and a right-click menu for the report, logging and
// the serial counter. What it does lives in cw::CwKeyboard; this is the
// window around it.
//
// Threads: GUI thread. The transmitting thread posts WM_K2_CW_NOTIFY to
// WindowHandle(); everything this window sends goes to that thread as
// WM_K2_CW_QUEUE.

#include "cw/CwDocking.h"
#include "cw/CwKeyboard.h"
#include "platform/WindowMailbox.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class CColorButton;
class CShadedButton;
class CStaticEx;

namespace tamrel {

class CCWTypeInEdit;
class CMemoryKeyPanelDlg;
class CRigControlRegistry;

// What the keyboard window asks of the front panel.
struct CwKeyboardHost {
    QWidget* panel = nullptr; // placement
    // WM_COMMAND ids: 146..149 memory commands, 1015 this window on/off, 1 exit.
    std::function<void(int command)> panelCommand;
    std::function<void()> openLogging;                    // empty while logging does not exist
    std::function<void(const std::string& text)> refused; // status line, error style
};

inline constexpr char kKeyboardTitle[] = "CW Keyboard";
inline constexpr int kCwButtonIds[cw::kMemoryKeys] = {1174, 1178, 1182, 1185, 1188, 1192,
                                                      1196, 1200, 1204, 1207, 1210};
inline constexpr int kAutoplayTimer = 323;

class CCWKeyboardDlg final : public QDialog {
public:
    CCWKeyboardDlg(CRigControlRegistry& registry, Handle cwThread, CwKeyboardHost host,
                   QWidget* parent = nullptr);
    ~CCWKeyboardDlg() override;

    Handle WindowHandle() const { return mailbox_.handle(); }
    const cw::CwKeyboard& Logic() const { return logic_; }
    CCWTypeInEdit* TypeIn() const { return typeIn_; }
    CMemoryKeyPanelDlg* MemoryPanel() const { return panel_.get(); }
    int SlideDelay() const { return slideDelay_; }
    void SetSlideDelay(int ms) { slideDelay_ = ms; }

    // Slides out below the front panel and shows.
    void Open();
    // Closes the memory panel, slides in and hides; the owner then destroys it.
    void CloseWindow();
    // The front panel moved: place again at once.
    void Follow();

    // WM_K2_CW_KEY: 0..10 memory F1..F11, 27 abort.
    void OnKey(uint64_t code);
    // WM_K2_CW_TEXT: a text to send, a space added.
    void OnCwText(const std::string& text);
    void OnMemoryChanged(int index, const std::string& text);
    void OnNotify(uint64_t code, const std::string* chunk);
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnMessage(Message&& m);
    void Show();
    void ShowMemory(int i);
    void StartAutoplay();
    void AutoplayChanged();
    void ShowMenu(const QPoint& globalPos);
    void SaveCounter();
    void Slide(bool out);
    bool OurKey(QObject* watched) const;

    CRigControlRegistry& registry_;
    Handle thread_;
    CwKeyboardHost host_;
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
    DockSide side_ = DockSide::Below;
    int slideDelay_ = 12;
    // Last: removed first, so no message reaches a half-destroyed window.
    WindowMailbox mailbox_;
};

} // namespace tamrel

#pragma once
// CKeySwitchEmulationPanel1Dlg: the page "Basic" of the switch panel, an
// on-screen copy of the radio's keys. A click posts the key's switch code to
// the front panel (request 15), which sends it; the page never writes to the
// radio itself. What each key shows and sends comes from KeySwitchMenus.
//
// Thread: the GUI thread.

#include "platform/Messages.h"
#include "switchpanel/SwitchKeys.h"

#include <QWidget>

#include <map>

class CShadedButton;

namespace tamrel {

class CKeySwitchEmulationPanel1Dlg final : public QWidget {
public:
    // mainWindow: the front panel's mailbox; 0 sends nowhere.
    explicit CKeySwitchEmulationPanel1Dlg(Handle mainWindow, QWidget* parent = nullptr);

    const switchpanel::KeySwitchMenus& Menus() const { return menus_; }
    CShadedButton* Key(int id) const;

private:
    void OnKey(int id);
    void ShowFaces();

    Handle mainWindow_;
    switchpanel::KeySwitchMenus menus_;
    std::map<int, CShadedButton*> keys_; // children of the page
};

} // namespace tamrel

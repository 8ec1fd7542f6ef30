#pragma once
// CKeySwitchEmulationPanel1Dlg: the page "Basic" of the switch panel, an
// on-screen copy of the radio's keys. A click taps the key's switch code
// through the radio operations. What each key shows and sends comes from
// KeySwitchMenus.
//
// Thread: the GUI thread.

#include "switchpanel/SwitchKeys.h"

#include <QWidget>

#include <map>

class CShadedButton;

namespace tamrel {

class RadioOperations;

class CKeySwitchEmulationPanel1Dlg final : public QWidget {
public:
    explicit CKeySwitchEmulationPanel1Dlg(RadioOperations& radio, QWidget* parent = nullptr);

    const switchpanel::KeySwitchMenus& Menus() const { return menus_; }
    CShadedButton* Key(int id) const;

private:
    void OnKey(int id);
    void ShowFaces();

    RadioOperations& radio_;
    switchpanel::KeySwitchMenus menus_;
    std::map<int, CShadedButton*> keys_; // children of the page
};

} // namespace tamrel

#pragma once
// CTamrelCfg: the modal "System Configuration" sheet with its four pages.
// Built anew at each opening, on the first page with its first edit focused.
// OK (the default button) and Apply apply every page shown in this run, or
// none while one holds a value it will not take; Cancel and Escape discard.
//
// Threads: GUI thread only; the pages' announcements are posted.

#include "settings/ConfigPages.h"

#include <QDialog>

#include <filesystem>

class QPushButton;
class QTabWidget;

namespace tamrel {

class CSystemCfgDlg;
class CK2CommPortCfgDlg;
class CHAMBandInfoCFGDlg;
class CTransmitMemoryCFGDlg;

class CTamrelCfg final : public QDialog {
public:
    CTamrelCfg(CRigControlRegistry& registry, Prompter& prompter, QWidget* parent = nullptr,
               std::filesystem::path devRoot = "/dev");
    ~CTamrelCfg() override;

    ConfigSheet& Logic() { return sheet_; }
    QTabWidget* Tabs() const { return tabs_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* ApplyButton() const { return apply_; }

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnPageChanged(int index);
    // Applies; false (and the page with the value shown) when not applied.
    bool ApplyAll();
    void ShowControl(int page, int controlId);
    void RefreshPage(int page);
    void UpdateApply();

    ConfigSheet sheet_;
    QTabWidget* tabs_ = nullptr;
    CSystemCfgDlg* system_ = nullptr;
    CK2CommPortCfgDlg* port_ = nullptr;
    CHAMBandInfoCFGDlg* bands_ = nullptr;
    CTransmitMemoryCFGDlg* keys_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* apply_ = nullptr;
    int current_ = 0;
};

} // namespace tamrel

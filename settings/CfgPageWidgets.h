#pragma once
// The configuration sheet's four pages on screen. Each shows its page logic
// (ConfigPages.h) and hands every edit, click and spin step to it; nothing is
// decided here. Controls carry their ids as object names ("id1026") and
// their labels as accessible names, for tests and screen readers.

#include "settings/ConfigPages.h"

#include <QAbstractSpinBox>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tamrel {

// An up-down arrow pair without a text of its own: the value lives in the
// page. The up arrow (and the Up key, and the wheel turned up) is "next".
class CfgSpinButton final : public QAbstractSpinBox {
public:
    CfgSpinButton(std::function<void(bool next)> step, QWidget* parent = nullptr);
    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    std::function<void(bool)> step_;
};

// The control of a page by its id (object name "id<id>"), or null.
QWidget* FindControl(QWidget* page, int id);

// Called after every change the user makes on a page.
using PageChanged = std::function<void()>;

class CSystemCfgDlg final : public QWidget {
public:
    CSystemCfgDlg(SystemCfgPage& page, PageChanged changed, QWidget* parent = nullptr);
    // Shows the page's values.
    void Refresh();
    QLineEdit* FirstEdit() const { return edits_[0]; }

private:
    SystemCfgPage& page_;
    PageChanged changed_;
    std::array<QLineEdit*, SystemCfgPage::kTextCount> edits_{};
    QLabel* style_ = nullptr;
    QCheckBox* useUtc_ = nullptr;
    QCheckBox* cut_ = nullptr;
};

class CK2CommPortCfgDlg final : public QWidget {
public:
    CK2CommPortCfgDlg(CommPortCfgPage& page, PageChanged changed, QWidget* parent = nullptr);
    void Refresh();

private:
    void FillDevices();
    void ShowTexts();

    CommPortCfgPage& page_;
    PageChanged changed_;
    QLabel* port_ = nullptr;
    QLabel* speed_ = nullptr;
    QLabel* parity_ = nullptr;
    QLabel* stopBit_ = nullptr;
    QLabel* amplifier_ = nullptr;
    QComboBox* device_ = nullptr;
    QLabel* nextStart_ = nullptr;
};

class CHAMBandInfoCFGDlg final : public QWidget {
public:
    CHAMBandInfoCFGDlg(BandInfoCfgPage& page, PageChanged changed, QWidget* parent = nullptr);
    void Refresh();

private:
    BandInfoCfgPage& page_;
    PageChanged changed_;
    std::array<std::array<QLineEdit*, 2>, kBandCount> edits_{};
};

class CTransmitMemoryCFGDlg final : public QWidget {
public:
    CTransmitMemoryCFGDlg(MemoryKeyCfgPage& page, PageChanged changed, QWidget* parent = nullptr);
    void Refresh();

private:
    MemoryKeyCfgPage& page_;
    PageChanged changed_;
    std::array<QLineEdit*, kMemoryKeyCount> edits_{};
};

} // namespace tamrel

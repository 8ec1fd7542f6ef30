#include "settings/CTamrelCfg.h"

#include "settings/CfgPageWidgets.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tamrel {

CTamrelCfg::CTamrelCfg(CRigControlRegistry& registry, Prompter& prompter, QWidget* parent,
                       std::filesystem::path devRoot)
    : QDialog(parent), sheet_(registry, prompter, std::move(devRoot)) {
    setWindowTitle(ConfigSheet::kCaption);
    const PageChanged changed = [this] { UpdateApply(); };
    tabs_ = new QTabWidget;
    // Every page's caption in full: the sheet grows to hold them.
    tabs_->setUsesScrollButtons(false);
    tabs_->tabBar()->setElideMode(Qt::ElideNone);
    system_ = new CSystemCfgDlg(sheet_.System(), changed);
    port_ = new CK2CommPortCfgDlg(sheet_.Port(), changed);
    bands_ = new CHAMBandInfoCFGDlg(sheet_.Bands(), changed);
    keys_ = new CTransmitMemoryCFGDlg(sheet_.Keys(), changed);
    const std::array<QWidget*, ConfigSheet::kPageCount> pages = {system_, port_, bands_, keys_};
    for (int i = 0; i < ConfigSheet::kPageCount; ++i)
        tabs_->addTab(pages[std::size_t(i)], QString::fromLatin1(ConfigSheet::PageCaption(i)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Apply);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    apply_ = buttons->button(QDialogButtonBox::Apply);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTamrelCfg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTamrelCfg::reject);
    connect(apply_, &QPushButton::clicked, this, [this] { ApplyAll(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);

    sheet_.Show(0);
    RefreshPage(0);
    // Load for the bands and memory texts happened at construction; shown
    // now so that a page brought up later shows the values as loaded.
    bands_->Refresh();
    keys_->Refresh();
    UpdateApply();
    connect(tabs_, &QTabWidget::currentChanged, this, &CTamrelCfg::OnPageChanged);
    system_->FirstEdit()->setFocus();
}

CTamrelCfg::~CTamrelCfg() = default;

void CTamrelCfg::RefreshPage(int page) {
    switch (page) {
    case 0:
        system_->Refresh();
        break;
    case 1:
        port_->Refresh();
        break;
    case 2:
        bands_->Refresh();
        break;
    default:
        keys_->Refresh();
        break;
    }
}

void CTamrelCfg::OnPageChanged(int index) {
    if (index == current_)
        return;
    // A page is not left while it holds a value it will not take.
    if (!sheet_.Leave(current_)) {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(current_);
        return;
    }
    const bool first = !sheet_.Shown(index);
    sheet_.Show(index);
    if (first)
        RefreshPage(index);
    current_ = index;
    UpdateApply();
}

void CTamrelCfg::UpdateApply() {
    apply_->setEnabled(sheet_.AnyModified());
}

void CTamrelCfg::ShowControl(int page, int controlId) {
    if (page < 0 || page >= ConfigSheet::kPageCount)
        return;
    {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(page);
        current_ = page;
    }
    if (QWidget* control = controlId ? FindControl(tabs_->widget(page), controlId) : nullptr) {
        control->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
    }
}

bool CTamrelCfg::ApplyAll() {
    const ConfigSheet::Outcome outcome = sheet_.Apply();
    UpdateApply();
    if (!outcome.applied)
        ShowControl(outcome.page, outcome.controlId);
    return outcome.applied;
}

void CTamrelCfg::accept() {
    if (ApplyAll())
        QDialog::accept();
}

void CTamrelCfg::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab and Ctrl+Shift+Tab move between pages wherever the focus is.
    if (event->modifiers() & Qt::ControlModifier &&
        (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        const int n = tabs_->count();
        const bool back = event->key() == Qt::Key_Backtab || event->modifiers() & Qt::ShiftModifier;
        tabs_->setCurrentIndex((tabs_->currentIndex() + (back ? n - 1 : 1)) % n);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tamrel

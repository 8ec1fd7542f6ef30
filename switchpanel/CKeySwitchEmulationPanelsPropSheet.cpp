#include "CKeySwitchEmulationPanelsPropSheet.h"

#include "controls/PanelCommands.h"
#include "controls/ToolPlacement.h"
#include "settings/CRigControlRegistry.h"
#include "settings/WindowPlacement.h"
#include "switchpanel/CKeySwitchEmulationPanel1Dlg.h"
#include "switchpanel/CKeySwitchEmulationPanel2Dlg.h"

#include <QKeyEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tamrel {

CKeySwitchEmulationPanelsPropSheet::CKeySwitchEmulationPanelsPropSheet(
    CRigControlRegistry& registry, RadioOperations& radio, PanelCommands& panel, QWidget* parent)
    : QDialog(parent), registry_(registry), panel_(panel) {
    setWindowTitle(kSwitchPanelTitle);
    setObjectName("switchPanel");
    setModal(false);
    StandAlone(*this);
    tabs_ = new QTabWidget(this);
    basic_ = new CKeySwitchEmulationPanel1Dlg(radio, tabs_);
    advance_ = new CKeySwitchEmulationPanel2Dlg(registry, radio, panel, tabs_);
    tabs_->addTab(basic_, "Basic");
    tabs_->addTab(advance_, "Advance");
    tabs_->setCurrentIndex(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tabs_);
    resize(sizeHint());
}

void CKeySwitchEmulationPanelsPropSheet::PlaceUnderMainWindow() {
    WindowRect main;
    registry_.GetWindowRect(main);
    // Positions are the frame's, sizes the inside's. The test is against the
    // panel's own size, not the width an earlier placement stretched it to.
    const QSize frameExtra = FrameSizeOf(*this) - size();
    const QSize own = sizeHint().expandedTo(minimumSizeHint());
    const std::optional<QRect> to = PlaceBelow(main, QSize(own.width(), height()) + frameExtra);
    // Under the panel when that is on its screen and free; else wherever
    // beside it there is room. Before the panel was ever moved nothing is
    // saved, and the window goes beside where the panel is.
    const QRect panel = panel_.PanelFrame();
    const QRect screen = ScreenRoomOf(panel);
    const std::vector<QRect> taken = OtherWindowFrames(this);
    QRect frame = to.value_or(QRect(QPoint(), QSize(own.width(), height()) + frameExtra));
    if (!to || !FreeSpot(frame, panel, screen, taken))
        frame = PlaceBeside(panel, frame.size(), screen, taken,
                            {Beside::Below, Beside::Above, Beside::Right, Beside::Left});
    resize(frame.width() - frameExtra.width(), height());
    move(frame.topLeft());
}

void CKeySwitchEmulationPanelsPropSheet::ShowPanel() {
    // Placed before it is shown: a window moved after it is mapped but
    // before the window manager has framed it lands a title bar too high.
    if (!placed_) {
        placed_ = true;
        PlaceUnderMainWindow();
    }
    show();
    raise();
    activateWindow();
}

void CKeySwitchEmulationPanelsPropSheet::keyPressEvent(QKeyEvent* event) {
    // Enter hides the panel, as Escape and the close box do, wherever the focus is.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tamrel

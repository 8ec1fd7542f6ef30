#include "QsoInfoWindow.h"

#include "controls/ControlSupport.h"
#include "controls/PanelKeys.h"
#include "controls/ToolPlacement.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

namespace tamrel {

QsoInfoWindow::QsoInfoWindow(QsoKind kind, const QsoWiring& wiring, QWidget* parent)
    : QDialog(parent), wiring_(wiring),
      presenter_(kind, *this, wiring.log, wiring.radio, wiring.settings, wiring.prompter) {
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    StandAlone(*this);
}

QsoInfoWindow::~QsoInfoWindow() = default;

void QsoInfoWindow::finish(QGridLayout& grid, int row, QLineEdit& call, const ButtonIds& ids) {
    call_ = &call;
    auto button = [&](int id, const QString& caption, int column, std::function<void()> act) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [act] { act(); });
        grid.addWidget(b, row, column);
        return b;
    };
    // Found without knowing of the right click; made first, so that Tab
    // takes the row from the left.
    button(qsoctl::kSearchLogButton, QStringLiteral("Search Log"), 0, [this] { searchLog(); });
    button(ids.logIt, QStringLiteral("Log It"), 1, [this] { logIt(); })->setDefault(true);
    button(ids.clear, QStringLiteral("Clear"), 2, [this] { clear(); });
    button(ids.setMacro, QStringLiteral("Set Macro"), 3, [this] { setMacro(); });

    dupe_ = new QLabel(this);
    setControlId(*dupe_, ids.dupeLine, QStringLiteral("Dupe check"));
    dupe_->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    grid.addWidget(dupe_, row + 1, 0, 1, 4);
    connect(call_, &QLineEdit::textChanged, this, [this] { presenter_.refreshDupeLine(); });

    InstallPanelKeys(*this, wiring_.panel, PanelKey::Memory | PanelKey::Windows | PanelKey::Cw);
    auto* logKey = new QShortcut(QKeyCombination(Qt::AltModifier, Qt::Key_L), this);
    logKey->setContext(Qt::WindowShortcut);
    logKey->setAutoRepeat(false);
    connect(logKey, &QShortcut::activated, this, [this] { logIt(); });
}

std::string QsoInfoWindow::typedCall() const {
    return call_ ? call_->text().toStdString() : std::string();
}

void QsoInfoWindow::showDupeLine(const std::string& text) {
    if (dupe_)
        dupe_->setText(QString::fromStdString(text));
}

void QsoInfoWindow::logIt() {
    presenter_.logIt(typed());
}

void QsoInfoWindow::clear() {
    if (!presenter_.confirmClear())
        return;
    clearFields();
    setMacro();
}

void QsoInfoWindow::setMacro() {
    presenter_.setMacros(typed());
}

void QsoInfoWindow::searchLog() {
    presenter_.searchLog(typedCall());
}

void QsoInfoWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!menu_) {
        menu_ = std::make_unique<QMenu>(this);
        QAction* search = menu_->addAction(QStringLiteral("Search Log"));
        search->setData(qsoctl::kSearchLogCommand);
        connect(search, &QAction::triggered, this, [this] { searchLog(); });
    }
    menu_->popup(event->globalPos());
}

void QsoInfoWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
}

} // namespace tamrel

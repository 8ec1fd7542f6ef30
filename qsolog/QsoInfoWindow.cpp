#include "QsoInfoWindow.h"

#include "CQSOLogFile.h"
#include "DupeLabel.h"
#include "QsoMessages.h"
#include "QsoWindowKeys.h"

#include "controls/ControlSupport.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace tamrel {

QsoInfoWindow::QsoInfoWindow(CRigControlRegistry& settings, Prompter& prompter, Post toThread,
                             Post toPanel, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), toThread_(std::move(toThread)),
      toPanel_(std::move(toPanel)) {
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

QsoInfoWindow::~QsoInfoWindow() = default;

void QsoInfoWindow::finish(QGridLayout& grid, int row, QLineEdit& call, QsoKind kind,
                           const ButtonIds& ids) {
    call_ = &call;
    kind_ = kind;
    auto button = [&](int id, const QString& caption, int column, std::function<void()> act) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [act] { act(); });
        grid.addWidget(b, row, column);
        return b;
    };
    button(ids.logIt, QStringLiteral("Log It"), 1, [this] { logIt(); })->setDefault(true);
    button(ids.clear, QStringLiteral("Clear"), 2, [this] { clear(); });
    button(ids.setMacro, QStringLiteral("Set Macro"), 3, [this] { setMacro(); });

    dupe_ = new DupeLabel(call, kind, toThread_, this);
    setControlId(*dupe_, ids.dupeLine);
    grid.addWidget(dupe_, row + 1, 0, 1, 4);

    new QsoWindowKeys(
        *this, [this](uint64_t code, int64_t arg) { toPanel_(panelRequest(code, arg)); },
        [this] { logIt(); });
}

std::optional<std::string> QsoInfoWindow::callToLog() const {
    std::string call =
        upperCall(fitText(call_->text().toStdString(), textCapacity(kind_, QsoText::Call)));
    if (call.find_first_not_of(' ') == std::string::npos) {
        prompter_.tell(kCallsignEmpty, PromptIcon::Error);
        return std::nullopt;
    }
    return call;
}

void QsoInfoWindow::searchLog() {
    const std::string call = call_->text().toStdString();
    if (!call.empty())
        toThread_(infomsg::search(call));
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

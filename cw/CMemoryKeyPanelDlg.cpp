#include "cw/CMemoryKeyPanelDlg.h"

#include "controls/ControlSupport.h"
#include "cw/CCWKeyboardDlg.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace tamrel {

CMemoryKeyPanelDlg::CMemoryKeyPanelDlg(CRigControlRegistry& registry, CCWKeyboardDlg& keyboard,
                                       const PanelCommands& panel)
    : QDialog(&keyboard), registry_(registry), keyboard_(keyboard),
      slide_(*this, panel, {DockSide::Right, DockSide::Left}, true, [this] { Q_EMIT closed(); }) {
    setWindowTitle(kMemoryPanelTitle);
    setAccessibleName(kMemoryPanelTitle);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(2);
    MemoryKeyTexts texts;
    registry_.GetTransmitMemoryKeys(texts);
    // ";" and control characters would break the KY command.
    const QRegularExpression keyable(QStringLiteral("[^;\\x00-\\x1f\\x7f]*"));
    loading_ = true;
    for (int row = 0; row < kPanelRows; ++row) {
        const bool typeIn = row == kTypeInRow;
        const QString name = typeIn ? QStringLiteral("TypeIn") : QStringLiteral("F%1").arg(row + 1);
        grid->addWidget(new QLabel(name, this), row, 0);
        auto* edit = new QLineEdit(this);
        setControlId(*edit, kMemoryEditIds[row], name + " text");
        edit->setMaxLength(kMemoryTextLimit);
        edit->setValidator(new QRegularExpressionValidator(keyable, edit));
        edit->setMinimumWidth(260);
        edits_[std::size_t(row)] = edit;
        auto* editButton = new QPushButton(typeIn ? "Clear" : "Edit", this);
        setControlId(*editButton, kMemoryEditButtonIds[row], editButton->text() + " " + name);
        editButton->setToolTip(typeIn ? QStringLiteral("TX Clear TypeIn Memory")
                                      : QStringLiteral("Edit %1 Memory").arg(name));
        auto* tx = new QPushButton("TX", this);
        setControlId(*tx, kMemoryTxButtonIds[row], "Send " + name);
        tx->setToolTip(QStringLiteral("TX %1 Memory").arg(name));
        for (QPushButton* b : {editButton, tx}) {
            b->setAutoDefault(false);
            b->setFocusPolicy(Qt::TabFocus);
            b->setMaximumWidth(48);
        }
        grid->addWidget(edit, row, 1);
        grid->addWidget(editButton, row, 2);
        grid->addWidget(tx, row, 3);
        connect(tx, &QPushButton::clicked, this, [this, row] { OnTx(row); });
        if (typeIn) {
            connect(editButton, &QPushButton::clicked, edit, &QLineEdit::clear);
            continue;
        }
        saved_[std::size_t(row)] = cw::KeyableText(texts[std::size_t(row)]);
        edit->setText(QString::fromLatin1(saved_[std::size_t(row)]));
        edit->setReadOnly(true);
        connect(edit, &QLineEdit::textChanged, this, [this, row] {
            if (!loading_)
                modified_[std::size_t(row)] = true;
        });
        connect(editButton, &QPushButton::clicked, this, [this, row] { OnEditButton(row); });
    }
    loading_ = false;
    connect(&registry_, &CRigControlRegistry::memoryKeyChanged, this,
            [this](int key) { OnMemoryKeyChanged(key); });
    // F1..F11 and the front panel's keys are the keyboard window's shortcuts:
    // Qt keeps a tool window's parent's shortcuts working, and the same keys
    // here as well would be ambiguous, so neither would fire. Esc is this
    // window's first (see eventFilter).
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

CMemoryKeyPanelDlg::~CMemoryKeyPanelDlg() = default;

void CMemoryKeyPanelDlg::Open() {
    if (isHidden())
        adjustSize();
    slide_.Out();
}

void CMemoryKeyPanelDlg::CloseWindow() {
    slide_.In();
}

void CMemoryKeyPanelDlg::OnMemoryKeyChanged(int key) {
    if (key < 0 || key >= cw::kMemoryKeys)
        return;
    MemoryKeyTexts texts;
    registry_.GetTransmitMemoryKeys(texts);
    saved_[std::size_t(key)] = cw::KeyableText(texts[std::size_t(key)]);
    if (modified_[std::size_t(key)])
        return; // the operator's change in the row stays until saved or thrown away
    loading_ = true;
    edits_[std::size_t(key)]->setText(QString::fromLatin1(saved_[std::size_t(key)]));
    loading_ = false;
}

void CMemoryKeyPanelDlg::OnEditButton(int row) {
    if (row < 0 || row >= cw::kMemoryKeys)
        return;
    if (editing_ == row) {
        // Pressing the button again ends editing; the edit's focus loss that
        // saves it does not come when the button takes no focus.
        editing_ = kNotEditing;
        Save(row);
        return;
    }
    editing_ = row;
    if (modified_[std::size_t(row)]) {
        Save(row);
        return;
    }
    edits_[std::size_t(row)]->setReadOnly(false);
    edits_[std::size_t(row)]->setFocus();
}

void CMemoryKeyPanelDlg::Save(int row) {
    if (row < 0 || row >= cw::kMemoryKeys)
        return;
    QLineEdit* edit = edits_[std::size_t(row)];
    if (modified_[std::size_t(row)]) {
        const std::string text = cw::KeyableText(edit->text().toLatin1().toStdString());
        modified_[std::size_t(row)] = false;
        saved_[std::size_t(row)] = text;
        // Announced by the store: the keyboard window's key follows.
        registry_.SetTransmitMemoryKey(row, text);
    }
    edit->setReadOnly(true);
}

void CMemoryKeyPanelDlg::DiscardChanges() {
    loading_ = true;
    for (int row = 0; row < cw::kMemoryKeys; ++row) {
        edits_[std::size_t(row)]->setText(QString::fromLatin1(saved_[std::size_t(row)]));
        edits_[std::size_t(row)]->setReadOnly(true);
        modified_[std::size_t(row)] = false;
    }
    loading_ = false;
    editing_ = kNotEditing;
}

void CMemoryKeyPanelDlg::OnTx(int row) {
    for (int r = 0; r < cw::kMemoryKeys; ++r)
        edits_[std::size_t(r)]->setReadOnly(true);
    const std::string text = row == kTypeInRow
                                 ? edits_[std::size_t(row)]->text().toLatin1().toStdString()
                                 : saved_[std::size_t(row)];
    if (!text.empty())
        keyboard_.OnCwText(text);
}

void CMemoryKeyPanelDlg::accept() {
    for (int row = 0; row < cw::kMemoryKeys; ++row)
        if (modified_[std::size_t(row)]) {
            Save(row);
            return;
        }
}

bool CMemoryKeyPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        for (int row = 0; row < cw::kMemoryKeys; ++row)
            if (watched == edits_[std::size_t(row)] && modified_[std::size_t(row)])
                Save(row);
        return false;
    }
    // Esc here throws changes away before it aborts: the keyboard window's
    // own Esc must not take it first.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CMemoryKeyPanelDlg::reject() {
    DiscardChanges();
    keyboard_.OnKey(cw::kKeyAbort);
}

} // namespace tamrel

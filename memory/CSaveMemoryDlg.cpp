#include "CSaveMemoryDlg.h"

#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/ControlSupport.h"
#include "memory/MemoryDialogLook.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QToolTip>

namespace tamrel {

namespace {

using Text = SaveMemoryForm::Text;
using List = SaveMemoryForm::List;

template <class E> std::size_t at(E e) {
    return static_cast<std::size_t>(e);
}

// The label names its control for a screen reader (a list is otherwise
// read by its value).
QLabel* BoldLabel(QWidget& parent, const char* text, QWidget* control) {
    auto* l = new QLabel(QString::fromLatin1(text), &parent);
    l->setBuddy(control);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

CSaveMemoryDlg::CSaveMemoryDlg(SaveMemoryForm& form, Prompter& prompter, QWidget* parent)
    : QDialog(parent), form_(form), prompter_(prompter) {
    setControlId(*this, memctl::kSaveDialog);
    setWindowTitle(form_.Caption());
    setModal(true);

    for (Text t : {Text::Name, Text::VfoA, Text::VfoB}) {
        const auto& ctl = SaveMemoryForm::ControlOf(t);
        texts_[at(t)] = memui::MakeBigEdit(*this, ctl.controlId, QString::fromLatin1(ctl.label));
    }
    for (Text t : {Text::CwSpeed, Text::Power}) {
        const auto& ctl = SaveMemoryForm::ControlOf(t);
        auto* e = new CEditEx(this);
        setControlId(*e, ctl.controlId, QString::fromLatin1(ctl.label));
        e->setMaximumWidth(90);
        texts_[at(t)] = e;
    }
    CEditEx& name = *texts_[at(Text::Name)];
    name.setMaxLength(static_cast<int>(K2MemoryRecord::kMaxNameLength));
    name.setCharFilter([&name](QChar c) {
        const bool ok = SaveMemoryForm::NameCharAllowed(c);
        if (!ok)
            QToolTip::showText(name.mapToGlobal(QPoint(0, name.height())),
                               QStringLiteral("Memory names take printable Latin-1 characters "
                                              "only, at most 79 of them."),
                               &name);
        return ok;
    });
    if (form_.EditMode()) {
        name.setReadOnly(true);
        name.setBackgroundColour(QColor(192, 192, 192));
    }
    texts_[at(Text::CwSpeed)]->setCharFilter([](QChar c) { return c.isDigit(); });
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        const auto t = static_cast<Text>(i);
        texts_[i]->setText(form_.TextOf(t));
        connect(texts_[i], &QLineEdit::textChanged, this,
                [this, t](const QString& text) { form_.SetText(t, text); });
    }

    for (std::size_t i = 0; i < lists_.size(); ++i) {
        const auto l = static_cast<List>(i);
        const auto& ctl = SaveMemoryForm::ControlOf(l);
        auto* combo = new QComboBox(this);
        setControlId(*combo, ctl.controlId, QString::fromLatin1(ctl.label));
        for (const ValueEntry& e : ctl.entries)
            combo->addItem(QString::fromLatin1(e.text));
        combo->setCurrentIndex(form_.PositionOf(l));
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, l](int pos) { form_.SetPosition(l, pos); });
        lists_[i] = combo;
    }

    antenna_ = new QLabel(this);
    setControlId(*antenna_, memctl::kAntennaText);
    antenna_->setMinimumWidth(50);
    auto* spin = new QWidget(this);
    setControlId(*spin, memctl::kAntennaSpin, QStringLiteral("ANT"));
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (auto arrow : {Qt::UpArrow, Qt::DownArrow}) {
        auto* b = new QToolButton(spin);
        b->setObjectName(arrow == Qt::UpArrow ? "ctl1179up" : "ctl1179down");
        b->setArrowType(arrow);
        b->setAccessibleName(arrow == Qt::UpArrow ? QStringLiteral("Antenna up")
                                                  : QStringLiteral("Antenna down"));
        b->setFixedSize(18, 11);
        connect(b, &QToolButton::clicked, this, [this] {
            form_.ClickAntennaSpin();
            ShowAntenna();
        });
        spinLayout->addWidget(b);
    }
    ShowAntenna();

    save_ = memui::MakeButton(*this, memctl::kOk, QStringLiteral("Save"));
    CShadedButton* cancel = memui::MakeButton(*this, memctl::kCancel, QStringLiteral("Cancel"));
    connect(save_, &QAbstractButton::clicked, this, [this] { OnSave(); });
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(BoldLabel(*this, "Memory Name", &name), 0, 0);
    grid->addWidget(&name, 0, 1, 1, 3);
    grid->addWidget(BoldLabel(*this, "VFOA", texts_[at(Text::VfoA)]), 1, 0);
    grid->addWidget(texts_[at(Text::VfoA)], 1, 1);
    grid->addWidget(BoldLabel(*this, "VFOB", texts_[at(Text::VfoB)]), 1, 2);
    grid->addWidget(texts_[at(Text::VfoB)], 1, 3);
    const List pairs[][2] = {{List::TxVfo, List::RxVfo},
                             {List::Mode, List::Xfil},
                             {List::Afil, List::Agc},
                             {List::Nb, List::Preamp},
                             {List::Att, List::Rit}};
    int row = 2;
    for (const auto& pair : pairs) {
        for (int side = 0; side < 2; ++side) {
            grid->addWidget(BoldLabel(*this, SaveMemoryForm::ControlOf(pair[side]).label,
                                      lists_[at(pair[side])]),
                            row, 2 * side);
            grid->addWidget(lists_[at(pair[side])], row, 2 * side + 1);
        }
        ++row;
    }
    grid->addWidget(BoldLabel(*this, "XIT", lists_[at(List::Xit)]), row, 0);
    grid->addWidget(lists_[at(List::Xit)], row, 1);
    grid->addWidget(BoldLabel(*this, "ANT", spin), row, 2);
    auto* ant = new QHBoxLayout;
    ant->addWidget(antenna_);
    ant->addWidget(spin);
    ant->addStretch();
    grid->addLayout(ant, row, 3);
    ++row;
    grid->addWidget(BoldLabel(*this, "CW Speed", texts_[at(Text::CwSpeed)]), row, 0);
    grid->addWidget(texts_[at(Text::CwSpeed)], row, 1);
    grid->addWidget(BoldLabel(*this, "Power", texts_[at(Text::Power)]), row, 2);
    grid->addWidget(texts_[at(Text::Power)], row, 3);
    ++row;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row, 0, 1, 4);

    new memui::DialogKeys(*this, *save_);
}

void CSaveMemoryDlg::ShowAntenna() {
    antenna_->setText(form_.AntennaText());
}

void CSaveMemoryDlg::OnSave() {
    if (const auto problem = form_.Accept()) {
        prompter_.tell(problem->toStdString(), PromptIcon::Warning);
        return;
    }
    accept();
}

} // namespace tamrel

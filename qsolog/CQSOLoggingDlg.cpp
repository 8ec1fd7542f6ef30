#include "CQSOLoggingDlg.h"

#include "QsoLogTableModel.h"

#include "controls/ControlSupport.h"
#include "controls/PanelKeys.h"
#include "controls/ToolPlacement.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace tamrel {

namespace {
constexpr std::array<const char*, kBandCount> kBandLabels = {"10M", "12M", "15M", "17M", "20M",
                                                             "30M", "40M", "80M", "160M"};
} // namespace

CQSOLoggingDlg::CQSOLoggingDlg(QsoKind kind, const QsoWiring& wiring,
                               std::function<void()> toggleInfo, QWidget* parent)
    : QDialog(parent), log_(wiring.log),
      presenter_(wiring.log, wiring.dialogs, wiring.prompter, wiring.settings, wiring.radio) {
    const QString title = QStringLiteral("QSO Logging");
    setControlId(*this, qsoctl::kLoggingDialog, title);
    setWindowTitle(title);
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    StandAlone(*this);

    model_ = new QsoLogTableModel(kind, log_.store(), this);
    list_ = new QTableView(this);
    setControlId(*list_, qsoctl::kLogList, QStringLiteral("QSO log"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    // The columns' pixel widths are made for a small face.
    QFont small = list_->font();
    small.setPointSize(8);
    list_->setFont(small);
    list_->horizontalHeader()->setFont(small);
    // One height for every row: the view never measures 100,000 of them.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setStretchLastSection(true);
    const std::span<const QsoColumn> columns = logColumns(kind);
    // No column narrower than its title or its widest fixed-format value in
    // the face in use (fonts differ in width from those the table was made for).
    const QFontMetrics face(small);
    const int pad = list_->style()->pixelMetric(QStyle::PM_HeaderMargin) * 2 + 8;
    auto widest = [](std::string_view title) -> QString {
        if (title == "Date")
            return QStringLiteral("12/31/2026");
        if (title == "Time")
            return QStringLiteral("23:59:59");
        if (title == "Freq (KHz)")
            return QStringLiteral("  28999.99");
        if (title == "Band")
            return QStringLiteral("  160M");
        if (title == "Mode")
            return QStringLiteral("RTTYR");
        return {};
    };
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const QString title = QString::fromLatin1(columns[c].title);
        const int fit = std::max(face.horizontalAdvance(title),
                                 face.horizontalAdvance(widest(columns[c].title))) +
                        pad;
        list_->setColumnWidth(int(c), std::max(columns[c].width, fit));
    }
    connect(list_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { presenter_.editRow(std::size_t(index.row())); });

    auto button = [&](int id, const QString& caption, std::function<void()> act) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [act] { act(); });
        return b;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        button(qsoctl::kLoad, QStringLiteral("Load"), [this] { presenter_.load(); }));
    buttons->addWidget(
        button(qsoctl::kNew, QStringLiteral("New"), [this] { presenter_.startNew(); }));
    buttons->addWidget(
        button(qsoctl::kSave, QStringLiteral("Save"), [this] { presenter_.save(); }));
    buttons->addWidget(button(qsoctl::kLogInfo, QStringLiteral("LogInfo"), std::move(toggleInfo)));
    buttons->addStretch();

    auto* group = new QGroupBox(QStringLiteral("Statistics"), this);
    auto* counts = new QGridLayout(group);
    auto countLabel = [&](int id, const QString& caption, int column) {
        counts->addWidget(new QLabel(caption, group), 0, column, Qt::AlignHCenter);
        auto* value = new QLabel(group);
        setControlId(*value, id, caption);
        value->setFont(QFont(QStringLiteral("Liberation Mono")));
        counts->addWidget(value, 1, column, Qt::AlignHCenter);
        return value;
    };
    total_ = countLabel(kQsoCountId, QStringLiteral("QSOs"), 0);
    for (int b = 0; b < kBandCount; ++b)
        bandCounts_[std::size_t(b)] =
            countLabel(kBandCountIds[std::size_t(b)], kBandLabels[std::size_t(b)], b + 1);

    search_ = new QListWidget(this);
    setControlId(*search_, qsoctl::kSearchList, QStringLiteral("Search results"));
    search_->setMaximumHeight(90);
    connect(search_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { presenter_.recallSearchLine(search_->row(item)); });

    auto* menus = new QMenuBar(this);
    // The bar lies on the window's colour but writes in the buttons' text
    // colour, which is made for their light faces.
    QPalette bar = menus->palette();
    bar.setColor(QPalette::ButtonText, ReadableTextOn(bar.color(QPalette::Window)));
    menus->setPalette(bar);
    QMenu* file = menus->addMenu(QStringLiteral("&File"));
    connect(file->addAction(QStringLiteral("Export ADIF...")), &QAction::triggered, this,
            [this] { presenter_.exportAdif(); });
    connect(file->addAction(QStringLiteral("Import ADIF...")), &QAction::triggered, this,
            [this] { presenter_.importAdif(); });
    file->addSeparator();
    connect(file->addAction(QStringLiteral("Export Cabrillo...")), &QAction::triggered, this,
            [this] { presenter_.exportCabrillo(); });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(group);
    layout->addWidget(search_);
    resize(900, 420);
    showStatistics();
    showSearch();

    listWatch_ = log_.store().Observe([this](const LogChange& c) {
        showStatistics();
        if (c.kind == LogChange::Kind::Appended)
            list_->scrollToBottom();
    });
    logWatch_ = log_.Observe([this](uint32_t events) {
        if (events & QsoLog::kSearched)
            showSearch();
    });
    InstallPanelKeys(*this, wiring.panel, PanelKey::Memory | PanelKey::Windows | PanelKey::Cw);
}

CQSOLoggingDlg::~CQSOLoggingDlg() = default;

QsoKind CQSOLoggingDlg::kind() const {
    return model_->kind();
}

void CQSOLoggingDlg::showStatistics() {
    const QsoStatistics& stats = log_.store().statistics();
    total_->setText(QString::fromStdString(countText(stats.total())));
    for (int b = 0; b < kBandCount; ++b)
        bandCounts_[std::size_t(b)]->setText(QString::fromStdString(countText(stats.band(b))));
}

void CQSOLoggingDlg::showSearch() {
    search_->clear();
    for (const std::string& line : log_.searchLines())
        search_->addItem(QString::fromStdString(line));
}

void CQSOLoggingDlg::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
}

} // namespace tamrel

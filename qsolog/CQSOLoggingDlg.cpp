#include "CQSOLoggingDlg.h"

#include "CCabrilloExportDlg.h"
#include "CEditContestQSODlg.h"
#include "CEditQSODlg.h"
#include "CQSOLogFile.h"
#include "LogInterchangeActions.h"
#include "QsoLogTableModel.h"
#include "QsoWindowKeys.h"

#include "controls/ControlSupport.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tamrel {

namespace {
constexpr std::array<const char*, kBandCount> kBandLabels = {"10M", "12M", "15M", "17M", "20M",
                                                             "30M", "40M", "80M", "160M"};
} // namespace

CQSOLoggingDlg::CQSOLoggingDlg(QsoKind kind, Prompter& prompter, std::function<BandTable()> bands,
                               Post toThread, LoggingDlgHooks hooks, QWidget* parent)
    : QDialog(parent), prompter_(prompter), bands_(std::move(bands)),
      toThread_(std::move(toThread)), hooks_(std::move(hooks)) {
    setControlId(*this, qsoctl::kLoggingDialog);
    setWindowTitle(QStringLiteral("QSO Logging"));
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    model_ = new QsoLogTableModel(kind, this);
    list_ = new QTableView(this);
    setControlId(*list_, qsoctl::kLogList);
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
    for (std::size_t c = 0; c < columns.size(); ++c)
        list_->setColumnWidth(int(c), columns[c].width);
    connect(list_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { editRow(index.row()); });

    auto button = [&](int id, const QString& caption, std::function<void()> act) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [act] { act(); });
        return b;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button(qsoctl::kLoad, QStringLiteral("Load"), [this] { load(); }));
    buttons->addWidget(button(qsoctl::kNew, QStringLiteral("New"), [this] { startNew(); }));
    buttons->addWidget(button(qsoctl::kSave, QStringLiteral("Save"), [this] { save(); }));
    buttons->addWidget(button(qsoctl::kLogInfo, QStringLiteral("LogInfo"),
                              [this] { toThread_(loggermsg::showInfo()); }));
    buttons->addStretch();

    auto* group = new QGroupBox(QStringLiteral("Statistics"), this);
    auto* counts = new QGridLayout(group);
    auto countLabel = [&](int id, const QString& caption, int column) {
        counts->addWidget(new QLabel(caption, group), 0, column, Qt::AlignHCenter);
        auto* value = new QLabel(group);
        setControlId(*value, id);
        value->setFont(QFont(QStringLiteral("Liberation Mono")));
        counts->addWidget(value, 1, column, Qt::AlignHCenter);
        return value;
    };
    total_ = countLabel(kQsoCountId, QStringLiteral("QSOs"), 0);
    for (int b = 0; b < kBandCount; ++b)
        bandCounts_[std::size_t(b)] =
            countLabel(kBandCountIds[std::size_t(b)], kBandLabels[std::size_t(b)], b + 1);

    search_ = new QListWidget(this);
    setControlId(*search_, qsoctl::kSearchList);
    search_->setMaximumHeight(90);
    connect(search_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { recallSearchRow(search_->row(item)); });

    auto* menus = new QMenuBar(this);
    QMenu* file = menus->addMenu(QStringLiteral("&File"));
    connect(file->addAction(QStringLiteral("Export ADIF...")), &QAction::triggered, this,
            [this] { exportAdif(); });
    connect(file->addAction(QStringLiteral("Import ADIF...")), &QAction::triggered, this,
            [this] { importAdif(); });
    file->addSeparator();
    connect(file->addAction(QStringLiteral("Export Cabrillo...")), &QAction::triggered, this,
            [this] { exportCabrillo(); });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(group);
    layout->addWidget(search_);
    resize(900, 420);
    showStatistics();

    new QsoWindowKeys(*this, [this](uint64_t code, int64_t arg) {
        toThread_(loggermsg::panelRequest(code, arg));
    });
}

CQSOLoggingDlg::~CQSOLoggingDlg() = default;

QsoKind CQSOLoggingDlg::kind() const {
    return model_->kind();
}

void CQSOLoggingDlg::setListing(LogListing listing) {
    path_ = std::move(listing.path);
    stats_.recount(listing.records);
    model_->setRecords(std::move(listing.records));
    showStatistics();
}

void CQSOLoggingDlg::addRow(QSORecord record) {
    stats_.add(record);
    model_->append(std::move(record));
    showStatistics();
    list_->scrollToBottom();
}

void CQSOLoggingDlg::setSearch(SearchResult result) {
    searchCall_ = std::move(result.call);
    search_->clear();
    for (const std::string& line : result.lines)
        search_->addItem(QString::fromStdString(line));
}

void CQSOLoggingDlg::showStatistics() {
    total_->setText(QString::fromStdString(countText(stats_.total())));
    for (int b = 0; b < kBandCount; ++b)
        bandCounts_[std::size_t(b)]->setText(QString::fromStdString(countText(stats_.band(b))));
}

namespace {
std::optional<std::string> fileDialog(QWidget* parent, bool save, const std::string& start) {
    QFileDialog dialog(parent, save ? QStringLiteral("Save Log") : QStringLiteral("Load Log"),
                       QString::fromStdString(start), QString::fromLatin1(kLogFileFilter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("log"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}
} // namespace

void CQSOLoggingDlg::load() {
    std::optional<std::string> path =
        hooks_.chooseFile ? hooks_.chooseFile(false, path_) : fileDialog(this, false, path_);
    if (!path)
        return;
    if (std::optional<std::string> why = checkLogName(*path)) {
        prompter_.tell(*why, PromptIcon::Error);
        return;
    }
    toThread_(loggermsg::load(std::move(*path), true));
}

void CQSOLoggingDlg::startNew() {
    if (prompter_.ask(kNewLogQuestion, PromptIcon::Question))
        toThread_(loggermsg::startNew());
}

void CQSOLoggingDlg::save() {
    if (model_->rowCount() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    std::optional<std::string> path =
        hooks_.chooseFile ? hooks_.chooseFile(true, path_) : fileDialog(this, true, path_);
    if (!path)
        return;
    if (std::optional<std::string> why = checkLogName(*path)) {
        prompter_.tell(*why, PromptIcon::Error);
        return;
    }
    toThread_(loggermsg::save(std::move(*path)));
}

namespace {
template <class Dialog>
LoggingDlgHooks::Edit runEditDialog(const QSORecord& original, BandTable bands, Prompter& prompter,
                                    QWidget* parent) {
    Dialog dialog(original, bands, prompter, parent);
    dialog.exec();
    LoggingDlgHooks::Edit edit;
    using O = CEditQSODlg::Outcome;
    if (dialog.outcome() == O::Modified && dialog.modified())
        edit = {LoggingDlgHooks::Edit::Outcome::Modified, *dialog.modified()};
    else if (dialog.outcome() == O::Deleted)
        edit.outcome = LoggingDlgHooks::Edit::Outcome::Deleted;
    return edit;
}
} // namespace

void CQSOLoggingDlg::editRow(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    const QSORecord original = model_->records()[std::size_t(row)];
    LoggingDlgHooks::Edit edit;
    if (hooks_.edit) {
        edit = hooks_.edit(original);
    } else if (original.type == QsoKind::Contest) {
        edit = runEditDialog<CEditContestQSODlg>(original, bands_(), prompter_, this);
    } else {
        edit = runEditDialog<CEditQSODlg>(original, bands_(), prompter_, this);
    }
    switch (edit.outcome) {
    case LoggingDlgHooks::Edit::Outcome::Modified:
        toThread_(loggermsg::replace(std::size_t(row), original, std::move(edit.record)));
        break;
    case LoggingDlgHooks::Edit::Outcome::Deleted:
        toThread_(loggermsg::remove(std::size_t(row), original));
        break;
    case LoggingDlgHooks::Edit::Outcome::Cancelled:
        break;
    }
}

std::optional<std::string> CQSOLoggingDlg::chooseInterchangeFile(bool save, const char* suffix,
                                                                 const char* filter) {
    // Beside the log, named after it: "K2XX.QSO.Log" -> "K2XX.adi".
    std::string start = path_;
    if (const std::size_t cut = start.find(".QSO.Log"); cut != std::string::npos)
        start.erase(cut);
    else if (const std::size_t dot = start.rfind('.');
             dot != std::string::npos && start.find('/', dot) == std::string::npos)
        start.erase(dot);
    if (!start.empty())
        start += suffix;
    if (hooks_.chooseInterchangeFile)
        return hooks_.chooseInterchangeFile(save, start, filter);
    QFileDialog dialog(this, save ? QStringLiteral("Export") : QStringLiteral("Import"),
                       QString::fromStdString(start), QString::fromLatin1(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromLatin1(suffix + 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void CQSOLoggingDlg::exportAdif() {
    if (model_->rowCount() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    if (std::optional<std::string> path = chooseInterchangeFile(true, ".adi", kAdifFileFilter))
        toThread_(loggermsg::interchange(
            {InterchangeRequest::What::ExportAdif, std::move(*path), {}, {}}));
}

void CQSOLoggingDlg::importAdif() {
    std::optional<std::string> path = chooseInterchangeFile(false, ".adi", kAdifFileFilter);
    if (!path)
        return;
    const UnknownAdifFields unknown = prompter_.ask(kUnknownFieldsQuestion, PromptIcon::Question)
                                          ? UnknownAdifFields::KeepInComment
                                          : UnknownAdifFields::Ignore;
    toThread_(loggermsg::interchange(
        {InterchangeRequest::What::ImportAdif, std::move(*path), unknown, {}}));
}

void CQSOLoggingDlg::exportCabrillo() {
    if (model_->rowCount() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    if (kind() != QsoKind::Contest) {
        prompter_.tell(kCabrilloNeedsContest, PromptIcon::Warning);
        return;
    }
    std::optional<std::string> path = chooseInterchangeFile(true, ".cbr", kCabrilloFileFilter);
    if (!path)
        return;
    const CabrilloSettings remembered =
        hooks_.cabrilloAnswers ? hooks_.cabrilloAnswers() : CabrilloSettings{};
    std::optional<CabrilloSettings> answers;
    if (hooks_.askCabrillo) {
        answers = hooks_.askCabrillo(remembered);
    } else {
        CCabrilloExportDlg dialog(remembered, this);
        if (dialog.exec() == QDialog::Accepted)
            answers = dialog.settings();
    }
    if (answers)
        toThread_(loggermsg::interchange(
            {InterchangeRequest::What::ExportCabrillo, std::move(*path), {}, std::move(*answers)}));
}

void CQSOLoggingDlg::recallSearchRow(int row) {
    if (row >= 0 && !searchCall_.empty())
        toThread_(loggermsg::recall(row, searchCall_));
}

void CQSOLoggingDlg::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
}

} // namespace tamrel

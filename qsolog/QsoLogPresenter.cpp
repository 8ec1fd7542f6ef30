#include "QsoLogPresenter.h"

#include "LogInterchangeActions.h"
#include "QsoLogFile.h"

#include "platform/Prompter.h"
#include "radio/K2RadioModel.h"
#include "settings/CRigControlRegistry.h"

namespace tamrel {

QsoLogPresenter::QsoLogPresenter(QsoLog& log, QsoDialogs& dialogs, Prompter& prompter,
                                 CRigControlRegistry& settings, const K2RadioModel& radio)
    : log_(log), dialogs_(dialogs), prompter_(prompter), settings_(settings), radio_(radio) {}

std::optional<std::string> QsoLogPresenter::chooseLogFile(bool save) {
    std::optional<std::string> path = dialogs_.chooseFile(
        {save, save ? "Save Log" : "Load Log", log_.path(), kLogFileFilter, "log"});
    if (!path)
        return std::nullopt;
    if (std::optional<std::string> why = checkLogName(*path)) {
        prompter_.tell(*why, PromptIcon::Error);
        return std::nullopt;
    }
    return path;
}

void QsoLogPresenter::load() {
    if (std::optional<std::string> path = chooseLogFile(false))
        log_.Load(std::move(*path));
}

void QsoLogPresenter::startNew() {
    if (!prompter_.ask(kNewLogQuestion, PromptIcon::Question))
        return;
    // The name first: the new log is on disk before its first QSO.
    if (std::optional<std::string> path = chooseLogFile(true))
        log_.StartNew(std::move(*path));
}

void QsoLogPresenter::save() {
    if (log_.store().size() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    if (std::optional<std::string> path = chooseLogFile(true))
        log_.Save(std::move(*path));
}

void QsoLogPresenter::editRow(std::size_t row) {
    if (row >= log_.store().size())
        return;
    // A copy: the list may change while the dialog is open.
    const QSORecord original = log_.store().records()[row];
    QsoEdit edit = dialogs_.edit(original, radio_.Bands());
    switch (edit.outcome) {
    case QsoEdit::Outcome::Modified:
        log_.Replace(row, original, std::move(edit.record));
        break;
    case QsoEdit::Outcome::Deleted:
        log_.Remove(row, original);
        break;
    case QsoEdit::Outcome::Cancelled:
        break;
    }
}

void QsoLogPresenter::recallSearchLine(int n) {
    if (n >= 0 && !log_.searchedCall().empty())
        log_.Recall(n);
}

std::optional<std::string> QsoLogPresenter::chooseInterchangeFile(bool save, const char* suffix,
                                                                  const char* filter) {
    // Beside the log, named after it: "K2XX.QSO.Log" -> "K2XX.adi".
    std::string start = log_.path();
    if (const std::size_t cut = start.find(".QSO.Log"); cut != std::string::npos)
        start.erase(cut);
    else if (const std::size_t dot = start.rfind('.');
             dot != std::string::npos && start.find('/', dot) == std::string::npos)
        start.erase(dot);
    if (!start.empty())
        start += suffix;
    return dialogs_.chooseFile({save, save ? "Export" : "Import", start, filter, suffix + 1});
}

void QsoLogPresenter::exportAdif() {
    if (log_.store().size() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    if (std::optional<std::string> path = chooseInterchangeFile(true, ".adi", kAdifExportFilter))
        log_.ExportAdif(std::move(*path));
}

void QsoLogPresenter::importAdif() {
    std::optional<std::string> path = chooseInterchangeFile(false, ".adi", kAdifFileFilter);
    if (!path)
        return;
    const UnknownAdifFields unknown = prompter_.ask(kUnknownFieldsQuestion, PromptIcon::Question)
                                          ? UnknownAdifFields::KeepInComment
                                          : UnknownAdifFields::Ignore;
    log_.ImportAdif(std::move(*path), unknown);
}

void QsoLogPresenter::exportCabrillo() {
    if (log_.store().size() == 0) {
        prompter_.tell(kLogEmpty, PromptIcon::Warning);
        return;
    }
    if (log_.store().kind() != QsoKind::Contest) {
        prompter_.tell(kCabrilloNeedsContest, PromptIcon::Warning);
        return;
    }
    std::optional<std::string> path = chooseInterchangeFile(true, ".cbr", kCabrilloFileFilter);
    if (!path)
        return;
    CabrilloSettings remembered;
    settings_.GetCabrilloSettings(remembered);
    if (std::optional<CabrilloSettings> answers = dialogs_.askCabrillo(remembered))
        log_.ExportCabrillo(std::move(*path), std::move(*answers));
}

} // namespace tamrel

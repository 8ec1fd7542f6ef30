#include "QsoLogWorker.h"

#include "LogInterchange.h"
#include "LogInterchangeActions.h"

#include "settings/CRigControlRegistry.h"

namespace tamrel {

QsoLogWorker::QsoLogWorker(CRigControlRegistry& settings, std::string homeDir,
                           Inbox<LogResult>& results)
    : Worker(kThreadName), settings_(settings), log_(settings, std::move(homeDir)),
      results_(results) {}

namespace {

// The actions' texts become the result's notes. Their questions were asked
// on the GUI thread before the request was made.
class NotePrompter final : public Prompter {
public:
    explicit NotePrompter(std::vector<LogNote>& notes) : notes_(notes) {}
    void tell(const std::string& text, PromptIcon icon) override {
        if (!text.empty())
            notes_.push_back({text, icon});
    }
    bool ask(const std::string&, PromptIcon) override { return false; }

private:
    std::vector<LogNote>& notes_;
};

void note(std::vector<LogNote>& notes, const LogWrite& write) {
    if (write.message.empty())
        return; // told already
    if (write.status == LogWrite::Status::Failed)
        notes.push_back({write.message, PromptIcon::Error});
    else if (write.status == LogWrite::Status::NotWritten)
        notes.push_back({write.message, PromptIcon::Warning});
}

// Made in the list: written, or kept there because the log owns no file.
bool made(const LogWrite& write) {
    return write.status == LogWrite::Status::Written ||
           write.status == LogWrite::Status::NotWritten;
}

} // namespace

LogResult QsoLogWorker::load(logreq::Load& request) {
    LogResult out;
    const bool current = !request.name;
    LogLoad loaded = log_.load(std::move(request.name), request.mode, request.switchOnMismatch);
    // A current name that cannot be used (empty, too long) gives way to the
    // operator's own log.
    if (loaded.refused && current && !request.fallback.empty())
        loaded = log_.load(request.fallback, request.mode, request.switchOnMismatch);
    if (!loaded.refused)
        out.change = logres::Listed{log_.records(), log_.dupeIndex(), loaded.switchMode};
    const PromptIcon icon =
        loaded.refused || !loaded.read ? PromptIcon::Error : PromptIcon::Warning;
    for (std::string& text : loaded.messages)
        out.notes.push_back({std::move(text), icon});
    return out;
}

LogResult QsoLogWorker::interchange(const LogRequest& request) {
    LogResult out;
    NotePrompter prompter(out.notes);
    LogInterchangeActions actions(log_, settings_, prompter);
    if (const auto* r = std::get_if<logreq::ExportAdif>(&request)) {
        actions.exportAdif(r->path);
    } else if (const auto* r = std::get_if<logreq::ExportCabrillo>(&request)) {
        actions.exportCabrillo(r->path, r->answers);
    } else if (const auto* r = std::get_if<logreq::ImportAdif>(&request)) {
        const std::size_t before = log_.records().size();
        actions.importAdif(r->path, r->unknown);
        const std::vector<QSORecord>& all = log_.records();
        if (all.size() > before)
            out.change = logres::Imported{{all.begin() + std::ptrdiff_t(before), all.end()},
                                          !log_.unsaved()};
    }
    return out;
}

LogResult QsoLogWorker::fromProgram(logreq::LogFromProgram& r) {
    LogResult out;
    AdifImportOptions options;
    options.kind = (r.mode & 1) ? QsoKind::Contest : QsoKind::Normal;
    options.clock = r.clock;
    BandTable bands = defaultBandTable();
    settings_.LoadBandInfo(bands);
    options.bands = bands;
    AdifQso q = qsoFromAdif(r.record, options);
    if (!q.record) {
        out.status = {r.program + ": a logged QSO is not taken: " + q.error, PromptIcon::Error};
        return out;
    }
    const QSORecord fitted = q.record->fitted();
    const std::string what = r.program + ": " + fitted.call + " " +
                             std::string(qsoModeName(fitted)) + " " +
                             std::string(adifBand(fitted.band));
    if (log_.dupeIndex().hasNear(fitted, kImportDupeSeconds)) {
        out.status = {what + " is in the log already", PromptIcon::Information};
        return out;
    }
    const LogWrite w = log_.add(fitted);
    note(out.notes, w);
    out.change = logres::Appended{log_.records().back(), w.written(), w.wholeList};
    out.status = {what + (w.written() ? " logged" : " listed, not in the file"),
                  w.written() ? PromptIcon::Information : PromptIcon::Warning};
    return out;
}

void QsoLogWorker::onMessage(LogRequest& request) {
    LogResult result = std::visit(
        Overloaded{
            [this](logreq::Load& r) { return load(r); },
            [this](logreq::Append& r) {
                LogResult out;
                const LogWrite w = log_.add(std::move(r.record));
                note(out.notes, w);
                out.change = logres::Appended{log_.records().back(), w.written(), w.wholeList};
                return out;
            },
            [this](logreq::Replace& r) {
                LogResult out;
                const LogWrite w = log_.replace(r.row, r.original, std::move(r.updated));
                note(out.notes, w);
                if (made(w))
                    out.change = logres::Replaced{r.row, log_.records()[r.row], w.written()};
                return out;
            },
            [this](logreq::Remove& r) {
                LogResult out;
                const LogWrite w = log_.remove(r.row, r.original);
                note(out.notes, w);
                if (made(w))
                    out.change = logres::Removed{r.row, w.written()};
                return out;
            },
            [this](logreq::Save& r) {
                LogResult out;
                const LogWrite w = log_.rewrite(std::move(r.name));
                note(out.notes, w);
                if (w.written())
                    out.change = logres::Saved{};
                return out;
            },
            [this](logreq::LogFromProgram& r) { return fromProgram(r); },
            [this](logreq::StartNew& r) {
                log_.startNew();
                // On disk at once: no QSO is ever logged into a log without a file.
                LogResult out{logres::Listed{}, {}, {}, {}};
                note(out.notes, log_.rewrite(std::move(r.name)));
                return out;
            },
            [this, &request](auto&) { return interchange(request); },
        },
        request);
    result.path = log_.path();
    results_.post(std::move(result));
}

} // namespace tamrel

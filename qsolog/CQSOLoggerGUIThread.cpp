#include "CQSOLoggerGUIThread.h"

#include "LogInterchangeActions.h"

#include "settings/CRigControlRegistry.h"

namespace tamrel {

CQSOLoggerGUIThread::CQSOLoggerGUIThread(CRigControlRegistry& settings, std::string homeDir)
    : MessageLoopWorker(kThreadName), settings_(settings), log_(settings, std::move(homeDir)) {}

namespace {
// The actions' texts go to the window, like every text of this thread. The
// window asked its questions before the request was posted.
class WindowPrompter final : public Prompter {
public:
    using Tell = std::function<void(const std::string&, PromptIcon)>;
    explicit WindowPrompter(Tell tell) : tell_(std::move(tell)) {}
    void tell(const std::string& text, PromptIcon icon) override { tell_(text, icon); }
    bool ask(const std::string&, PromptIcon) override { return false; }

private:
    Tell tell_;
};
} // namespace

QsoKind CQSOLoggerGUIThread::modeKind() {
    return (settings_.GetQsoLoggingMode() & 1) ? QsoKind::Contest : QsoKind::Normal;
}

void CQSOLoggerGUIThread::tell(const std::string& text, PromptIcon icon) {
    if (!text.empty())
        Mailboxes::post(setup_.window, qsowin::tell(text, icon));
}

void CQSOLoggerGUIThread::told(const LogWrite& write) {
    if (write.status == LogWrite::Status::Failed)
        tell(write.message, PromptIcon::Error);
    else if (write.status == LogWrite::Status::NotWritten)
        tell(write.message, PromptIcon::Warning);
}

void CQSOLoggerGUIThread::sendListing(bool recreate) {
    Mailboxes::post(setup_.window,
                    qsowin::listing({modeKind(), log_.records(), recreate, log_.path()}));
}

void CQSOLoggerGUIThread::load(std::optional<std::string> name, bool switchOnMismatch) {
    const bool current = !name;
    LogLoad result = log_.load(std::move(name), settings_.GetQsoLoggingMode(), switchOnMismatch);
    // A current name that cannot be used (empty, too long) gives way to the
    // operator's own log.
    if (result.refused && current && !setup_.fileName.empty())
        result = log_.load(setup_.fileName, settings_.GetQsoLoggingMode(), switchOnMismatch);
    if (result.switchMode) {
        settings_.SetQsoLoggingMode(*result.switchMode);
        Mailboxes::post(setup_.info, infomsg::loggingMode(*result.switchMode));
    }
    if (!result.refused)
        sendListing(result.recreateWindow);
    for (const std::string& text : result.messages)
        tell(text, result.refused || !result.read ? PromptIcon::Error : PromptIcon::Warning);
}

void CQSOLoggerGUIThread::interchange(const InterchangeRequest& request) {
    WindowPrompter prompter([this](const std::string& text, PromptIcon icon) { tell(text, icon); });
    LogInterchangeActions actions(log_, settings_, prompter);
    switch (request.what) {
    case InterchangeRequest::What::ExportAdif:
        actions.exportAdif(request.path);
        break;
    case InterchangeRequest::What::ImportAdif:
        if (actions.importAdif(request.path, request.unknown))
            sendListing(false);
        break;
    case InterchangeRequest::What::ExportCabrillo:
        actions.exportCabrillo(request.path, request.cabrillo);
        break;
    }
}

void CQSOLoggerGUIThread::onMessage(Message& m) {
    switch (m.id) {
    case msg::WM_K2_THREAD_SETUP:
        if (LoggerSetup* s = m.payload.get<LoggerSetup>()) {
            setup_ = std::move(*s);
            Mailboxes::post(setup_.window, qsowin::show());
            load(std::nullopt, true);
        }
        break;
    case msg::WM_K2_QSO_RECORD:
        if (QSORecord* r = m.payload.get<QSORecord>(); r && m.wParam == kQsoNew) {
            LogWrite write = log_.add(std::move(*r));
            Mailboxes::post(setup_.window, qsowin::rowAdded(log_.records().back()));
            told(write);
        }
        break;
    case msg::WM_K2_LOG_LOAD: {
        const std::string* name = m.payload.get<std::string>();
        load(name ? std::optional<std::string>(*name) : std::nullopt, m.wParam == 1);
        break;
    }
    case msg::WM_K2_LOG_SAVE: {
        const std::string* name = m.payload.get<std::string>();
        LogWrite write = log_.rewrite(name ? std::optional<std::string>(*name) : std::nullopt);
        told(write);
        break;
    }
    case msg::WM_K2_LOG_NEW:
        log_.startNew();
        sendListing(false);
        break;
    case msg::WM_K2_LOG_REPLACE:
    case msg::WM_K2_LOG_DELETE:
        if (RowChange* c = m.payload.get<RowChange>()) {
            LogWrite write = m.id == msg::WM_K2_LOG_REPLACE
                                 ? log_.replace(m.wParam, c->original, std::move(c->updated))
                                 : log_.remove(m.wParam, c->original);
            sendListing(false);
            told(write);
        }
        break;
    case msg::WM_K2_SHOW_INFO:
        Mailboxes::post(setup_.info, infomsg::showInfo());
        break;
    case msg::WM_K2_PANEL_REQUEST:
        if (const int64_t* argument = m.payload.get<int64_t>())
            Mailboxes::post(setup_.panel, panelRequest(m.wParam, *argument));
        else
            Mailboxes::post(setup_.panel, panelRequest(m.wParam, 0));
        break;
    case msg::WM_K2_LOG_SEARCH:
        if (const std::string* call = m.payload.get<std::string>())
            Mailboxes::post(setup_.window,
                            qsowin::searchResult({upperCall(*call), log_.search(*call)}));
        break;
    case msg::WM_K2_LOG_RECALL:
        if (const std::string* call = m.payload.get<std::string>())
            if (std::optional<QSORecord> r = log_.recall(*call, int(m.wParam)))
                Mailboxes::post(setup_.info, infomsg::recalled(std::move(*r)));
        break;
    case msg::WM_K2_FOLLOW_MOVE:
        Mailboxes::post(setup_.window, qsowin::place());
        break;
    case msg::WM_K2_LOG_INTERCHANGE:
        if (const InterchangeRequest* r = m.payload.get<InterchangeRequest>())
            interchange(*r);
        break;
    case msg::WM_K2_DUPE_CHECK:
        if (const QSORecord* r = m.payload.get<QSORecord>()) {
            // An empty log has no kind, and nothing in it is a dupe.
            const QsoKind kind = log_.kind().value_or(QsoKind::Normal);
            const DupeCheck check = log_.dupeIndex().check(r->call, r->band, r->mode, kind);
            Mailboxes::post(setup_.info,
                            infomsg::dupeLine({r->call, dupeText(r->call, check, kind)}));
        }
        break;
    default:
        break;
    }
}

} // namespace tamrel

#include "QsoInfoPresenter.h"

#include "QsoLogFile.h"
#include "QsoLogView.h"

#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

#include <ctime>

namespace tamrel {

namespace {
bool blank(const std::string& call) {
    return call.find_first_not_of(' ') == std::string::npos;
}
} // namespace

QsoInfoPresenter::QsoInfoPresenter(QsoKind kind, QsoInfoView& view, QsoLog& log,
                                   K2RadioModel& radio, CRigControlRegistry& settings,
                                   Prompter& prompter)
    : kind_(kind), view_(view), log_(log), radio_(radio), settings_(settings), prompter_(prompter) {
    radioWatch_ = radio_.Observe([this](uint32_t changes) {
        if (changes & (radio_change::kBand | radio_change::kMode))
            refreshDupeLine();
    });
    // The call just logged is worked now; a list loaded anew may hold it.
    listWatch_ = log_.store().Observe([this](const LogChange&) { refreshDupeLine(); });
}

bool QsoInfoPresenter::logIt(QSORecord typed) {
    typed.type = kind_;
    QSORecord r = typed.fitted();
    r.call = upperCall(r.call);
    if (blank(r.call)) {
        prompter_.tell(kCallsignEmpty, PromptIcon::Error);
        return false;
    }
    const LogClock& clock = log_.clock();
    r.time = qsoTimeStamp(int64_t(std::time(nullptr)), clock.logInUtc);
    log_.Append(completeQso(std::move(r), radio_.Snapshot()));
    return true;
}

std::string QsoInfoPresenter::dupeLine(std::string_view typed) const {
    const std::string call = upperCall(fitText(typed, textCapacity(kind_, QsoText::Call)));
    if (blank(call))
        return {};
    const K2RadioState state = radio_.Snapshot();
    const QsoLogStore& list = log_.store();
    const DupeCheck check = list.check(call, int(state.bandIndex), int(state.mode));
    return dupeText(call, check, list.kind());
}

void QsoInfoPresenter::refreshDupeLine() {
    view_.showDupeLine(dupeLine(view_.typedCall()));
}

bool QsoInfoPresenter::confirmClear() {
    return kind_ == QsoKind::Contest || prompter_.ask(kClearQuestion, PromptIcon::Question);
}

void QsoInfoPresenter::setMacros(const QSORecord& typed) {
    settings_.SetMacroVariable(5, typed.call);
    if (kind_ == QsoKind::Contest)
        return;
    settings_.SetMacroVariable(6, typed.name);
    settings_.SetMacroVariable(7, typed.qth);
    settings_.SetMacroVariable(8, typed.hisSig);
    settings_.SetMacroVariable(4, typed.mySig);
}

void QsoInfoPresenter::searchLog(std::string_view call) {
    if (!call.empty())
        log_.Search(call);
}

} // namespace tamrel

#include "CQSOInfoGUIThread.h"

#include "QsoLogView.h"

#include "settings/CRigControlRegistry.h"

#include <ctime>

namespace tamrel {

CQSOInfoGUIThread::CQSOInfoGUIThread(CRigControlRegistry& settings)
    : MessageLoopWorker(kThreadName), settings_(settings),
      now_([] { return int64_t(std::time(nullptr)); }) {}

void CQSOInfoGUIThread::askState() {
    if (stateAsked_)
        return; // the answer on its way serves every request
    stateAsked_ =
        Mailboxes::post(setup_.panel, {msg::WM_K2_STATE_REQUEST, 1, Payload::of(handle())});
    // Nobody to answer: nothing may stay pending for ever.
    if (!stateAsked_) {
        pending_.reset();
        dupeCall_.reset();
    }
}

void CQSOInfoGUIThread::onMessage(Message& m) {
    switch (m.id) {
    case msg::WM_K2_THREAD_SETUP:
        if (const InfoSetup* s = m.payload.get<InfoSetup>()) {
            setup_ = *s;
            mode_ = settings_.GetQsoLoggingMode();
            UtcSettings utc{1, 0};
            settings_.GetUtcSettings(utc);
            useUtc_ = utc.useUtc != 0;
            utcOffset_ = utc.offset;
            Mailboxes::post(setup_.window, qsowin::infoMode(mode_));
        }
        break;
    case msg::WM_K2_SET_PEER:
        if (const Handle* h = m.payload.get<Handle>())
            logger_ = *h;
        break;
    case msg::WM_K2_QSO_RECORD:
        if (QSORecord* r = m.payload.get<QSORecord>(); r && m.wParam == kQsoLogIt) {
            if (pending_)
                break; // the front panel has not answered the last one yet
            r->time = qsoTimeStamp(now_(), useUtc_, utcOffset_);
            pending_ = std::move(*r);
            askState();
        }
        break;
    case msg::WM_K2_STATE_REPLY:
        stateAsked_ = false;
        if (const K2RadioState* state = m.payload.get<K2RadioState>()) {
            if (pending_) {
                QSORecord done = completeQso(std::move(*pending_), *state);
                pending_.reset();
                Mailboxes::post(logger_, loggermsg::record(std::move(done), true));
            }
            if (dupeCall_) {
                QSORecord typed;
                typed.call = std::move(*dupeCall_);
                dupeCall_.reset();
                Mailboxes::post(logger_,
                                loggermsg::dupeCheck(completeQso(std::move(typed), *state)));
            }
        }
        break;
    case msg::WM_K2_DUPE_CHECK:
        if (std::string* call = m.payload.get<std::string>(); call && m.wParam == 0) {
            dupeCall_ = std::move(*call);
            askState();
        } else if (DupeLine* line = m.payload.get<DupeLine>()) {
            Mailboxes::post(setup_.window, qsowin::dupeLine(std::move(*line)));
        }
        break;
    case msg::WM_K2_LOG_MODE:
        mode_ = uint8_t(m.wParam);
        Mailboxes::post(setup_.window, qsowin::infoMode(mode_));
        break;
    case msg::WM_K2_SHOW_INFO:
        Mailboxes::post(setup_.window, qsowin::toggle());
        break;
    case msg::WM_K2_PANEL_REQUEST:
        if (m.wParam == msg::REQ_USE_UTC)
            if (const int64_t* on = m.payload.get<int64_t>())
                useUtc_ = *on != 0;
        break;
    case msg::WM_K2_LOG_SEARCH:
        if (std::string* call = m.payload.get<std::string>())
            Mailboxes::post(logger_, loggermsg::search(std::move(*call)));
        break;
    case msg::WM_K2_LOG_RECALL:
        if (QSORecord* r = m.payload.get<QSORecord>())
            Mailboxes::post(setup_.window, qsowin::fill(std::move(*r)));
        break;
    case msg::WM_K2_FOLLOW_MOVE:
        Mailboxes::post(setup_.window, qsowin::place());
        break;
    default:
        break;
    }
}

} // namespace tamrel

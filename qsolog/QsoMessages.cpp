#include "QsoMessages.h"

namespace tamrel {

namespace {
Message bare(uint32_t id, uint64_t wParam = 0) {
    return Message{id, wParam, {}};
}
template <class T> Message with(uint32_t id, uint64_t wParam, T value) {
    return Message{id, wParam, Payload::of(std::move(value))};
}
} // namespace

namespace loggermsg {
Message setup(LoggerSetup setup) {
    return with(msg::WM_K2_THREAD_SETUP, 0, std::move(setup));
}
Message record(QSORecord record, bool isNew) {
    return with(msg::WM_K2_QSO_RECORD, isNew ? kQsoNew : kQsoLoaded, std::move(record));
}
Message load(std::optional<std::string> name, bool switchOnMismatch) {
    Message m = bare(msg::WM_K2_LOG_LOAD, switchOnMismatch ? 1 : 0);
    if (name)
        m.payload = Payload::of(std::move(*name));
    return m;
}
Message save(std::optional<std::string> name) {
    Message m = bare(msg::WM_K2_LOG_SAVE, name ? 80 : 0);
    if (name)
        m.payload = Payload::of(std::move(*name));
    return m;
}
Message startNew() {
    return bare(msg::WM_K2_LOG_NEW);
}
Message replace(std::size_t row, QSORecord original, QSORecord updated) {
    return with(msg::WM_K2_LOG_REPLACE, row, RowChange{std::move(original), std::move(updated)});
}
Message remove(std::size_t row, QSORecord original) {
    return with(msg::WM_K2_LOG_DELETE, row, RowChange{std::move(original), {}});
}
Message showInfo() {
    return bare(msg::WM_K2_SHOW_INFO);
}
Message panelRequest(uint64_t code, int64_t argument) {
    return tamrel::panelRequest(code, argument);
}
Message search(std::string call) {
    return with(msg::WM_K2_LOG_SEARCH, kSearchWParam, std::move(call));
}
Message recall(int n, std::string call) {
    return with(msg::WM_K2_LOG_RECALL, uint64_t(n), std::move(call));
}
Message followMove() {
    return bare(msg::WM_K2_FOLLOW_MOVE);
}
Message interchange(InterchangeRequest request) {
    return with(msg::WM_K2_LOG_INTERCHANGE, 0, std::move(request));
}
Message dupeCheck(QSORecord record) {
    return with(msg::WM_K2_DUPE_CHECK, 0, std::move(record));
}
} // namespace loggermsg

namespace infomsg {
Message setup(InfoSetup setup) {
    return with(msg::WM_K2_THREAD_SETUP, 0, setup);
}
Message setPeer(Handle logger) {
    return with(msg::WM_K2_SET_PEER, 0, logger);
}
Message logIt(QSORecord record) {
    return with(msg::WM_K2_QSO_RECORD, kQsoLogIt, std::move(record));
}
Message loggingMode(uint8_t mode) {
    return bare(msg::WM_K2_LOG_MODE, mode);
}
Message showInfo() {
    return bare(msg::WM_K2_SHOW_INFO);
}
Message useUtc(bool on) {
    return tamrel::panelRequest(msg::REQ_USE_UTC, on ? 1 : 0);
}
Message search(std::string call) {
    return with(msg::WM_K2_LOG_SEARCH, kSearchWParam, std::move(call));
}
Message recalled(QSORecord record) {
    return with(msg::WM_K2_LOG_RECALL, kSearchWParam, std::move(record));
}
Message followMove() {
    return bare(msg::WM_K2_FOLLOW_MOVE);
}
Message dupeCheck(std::string call) {
    return with(msg::WM_K2_DUPE_CHECK, 0, std::move(call));
}
Message dupeLine(DupeLine line) {
    return with(msg::WM_K2_DUPE_CHECK, 1, std::move(line));
}
} // namespace infomsg

namespace qsowin {
Message show() {
    return bare(msg::WM_K2_THREAD_SETUP);
}
Message place() {
    return bare(msg::WM_K2_FOLLOW_MOVE);
}
Message tell(std::string text, PromptIcon icon) {
    return with(kOperatorText, 0, OperatorText{std::move(text), icon});
}
Message listing(LogListing listing) {
    return with(msg::WM_K2_LOG_LOAD, 0, std::move(listing));
}
Message rowAdded(QSORecord record) {
    return with(msg::WM_K2_QSO_RECORD, kQsoNew, std::move(record));
}
Message searchResult(SearchResult result) {
    return with(msg::WM_K2_LOG_SEARCH, kSearchWParam, std::move(result));
}
Message infoMode(uint8_t mode) {
    return bare(msg::WM_K2_LOG_MODE, mode);
}
Message toggle() {
    return bare(msg::WM_K2_SHOW_INFO);
}
Message fill(QSORecord record) {
    return with(msg::WM_K2_LOG_RECALL, 0, std::move(record));
}
Message dupeLine(DupeLine line) {
    return with(msg::WM_K2_DUPE_CHECK, 1, std::move(line));
}
} // namespace qsowin

Message panelRequest(uint64_t code, int64_t argument) {
    return with(msg::WM_K2_PANEL_REQUEST, code, argument);
}

} // namespace tamrel

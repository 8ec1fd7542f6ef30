#include "QsoLog.h"

#include "QsoLogFile.h"

#include "platform/Prompter.h"
#include "platform/Worker.h"
#include "settings/CRigControlRegistry.h"

namespace tamrel {

QsoLog::QsoLog(CRigControlRegistry& settings, Prompter& prompter, std::string homeDir,
               StatusSink status)
    : settings_(settings), prompter_(prompter), statusSink_(std::move(status)),
      mode_(settings.GetQsoLoggingMode()), store_(modeKind()),
      inbox_([this](LogResult&& r) { Apply(std::move(r)); }),
      worker_(settings, std::move(homeDir), inbox_) {
    ReadClock();
    connect(&settings_, &CRigControlRegistry::utcChanged, this, [this] { ReadClock(); });
    // Queued: the configuration sheet stores the log's name after the mode.
    connect(
        &settings_, &CRigControlRegistry::loggingModeChanged, this, [this] { FollowMode(); },
        Qt::QueuedConnection);
}

QsoLog::~QsoLog() {
    Shutdown();
}

std::string QsoLog::FallbackName() const {
    const std::string call = settings_.GetMacroVariable(1).value_or("");
    return call.empty() ? std::string(kDefaultLogName) : call + ".QSO.Log";
}

void QsoLog::Start() {
    if (worker_.running())
        return;
    worker_.start();
    Send(logreq::Load{std::nullopt, FallbackName(), mode_, true});
}

void QsoLog::ReadClock() {
    UtcSettings utc{1, 0};
    settings_.GetUtcSettings(utc);
    clock_ = LogClock{utc.useUtc != 0, utc.offset};
}

void QsoLog::FollowMode() {
    const uint8_t mode = settings_.GetQsoLoggingMode();
    if (mode == mode_)
        return;
    mode_ = mode;
    events_.Announce(kModeChanged);
    if (worker_.running())
        Send(logreq::Load{std::nullopt, FallbackName(), mode_, false});
}

void QsoLog::Send(LogRequest request) {
    if (!worker_.post(std::move(request)))
        prompter_.tell("The log is closed: nothing is read or written.", PromptIcon::Error);
}

void QsoLog::Append(QSORecord record) {
    Send(logreq::Append{std::move(record)});
}
void QsoLog::Load(std::string name) {
    Send(logreq::Load{std::move(name), {}, mode_, true});
}
void QsoLog::Save(std::string name) {
    Send(logreq::Save{std::move(name)});
}
void QsoLog::StartNew(std::string name) {
    Send(logreq::StartNew{std::move(name)});
}
void QsoLog::Replace(std::size_t row, QSORecord original, QSORecord updated) {
    Send(logreq::Replace{row, std::move(original), std::move(updated)});
}
void QsoLog::Remove(std::size_t row, QSORecord original) {
    Send(logreq::Remove{row, std::move(original)});
}
void QsoLog::ExportAdif(std::string path) {
    Send(logreq::ExportAdif{std::move(path)});
}
void QsoLog::ImportAdif(std::string path, UnknownAdifFields unknown) {
    Send(logreq::ImportAdif{std::move(path), unknown});
}
void QsoLog::ExportCabrillo(std::string path, CabrilloSettings answers) {
    Send(logreq::ExportCabrillo{std::move(path), std::move(answers)});
}

void QsoLog::LogFromProgram(AdifRecord record, std::string program) {
    Send(logreq::LogFromProgram{std::move(record), std::move(program), mode_, clock_});
}

void QsoLog::Search(std::string_view call) {
    searchedCall_ = upperCall(call);
    searchLines_ = store_.search(call);
    events_.Announce(kSearched);
}

void QsoLog::Recall(int n) {
    if (std::optional<QSORecord> r = store_.recall(searchedCall_, n)) {
        recalled_ = std::move(*r);
        events_.Announce(kRecalled);
    }
}

void QsoLog::Apply(LogResult&& result) {
    path_ = std::move(result.path);
    uint32_t events = 0;
    std::visit(Overloaded{
                   [](logres::Unchanged&) {},
                   [&](logres::Listed& l) {
                       if (l.switchMode && *l.switchMode != mode_) {
                           // Ours first: the store's announcement then finds it so.
                           mode_ = *l.switchMode;
                           (void)settings_.SetQsoLoggingMode(mode_);
                           events |= kModeChanged;
                       }
                       store_.reset(modeKind(), std::move(l.records), std::move(l.dupes));
                       events |= kListed;
                   },
                   [&](logres::Appended& a) {
                       store_.append(std::move(a.record), a.inFile);
                       if (a.wholeList)
                           store_.markAllInFile();
                   },
                   [&](logres::Replaced& c) {
                       store_.replace(c.row, std::move(c.record), c.rewritten);
                       if (c.rewritten)
                           store_.markAllInFile();
                   },
                   [&](logres::Removed& c) {
                       store_.remove(c.row);
                       if (c.rewritten)
                           store_.markAllInFile();
                   },
                   [&](logres::Imported& i) {
                       if (i.inFile) {
                           store_.appendWritten(std::move(i.records));
                           return;
                       }
                       for (QSORecord& r : i.records)
                           store_.append(std::move(r), false);
                   },
                   [&](logres::Saved&) { store_.markAllInFile(); },
               },
               result.change);
    // The search list shows the log as it is now: a QSO deleted or changed
    // leaves it, or changes in it, at once.
    if (!searchedCall_.empty() && !std::holds_alternative<logres::Unchanged>(result.change)) {
        searchLines_ = store_.search(searchedCall_);
        events |= kSearched;
    }
    if (events != 0)
        events_.Announce(events);
    if (!result.status.text.empty())
        statusSink_(result.status.text, result.status.icon == PromptIcon::Error);
    for (const LogNote& note : result.notes)
        prompter_.tell(note.text, note.icon);
}

} // namespace tamrel

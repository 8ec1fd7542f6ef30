#pragma once
// QsoLog: the QSO log as the GUI thread has it. It holds the list the windows
// show (QsoLogStore), follows the settings logging depends on ("QSO Logging
// Mode", "Use UTC in Log", "Offset from UTC") as the settings store
// announces them, and hands every file operation to the one log worker
// (QsoLogWorker.h): a request goes over when it is made, and its result comes
// back through an inbox and changes the list as the worker's log changed;
// the worker's texts for the operator are told then. Nothing here waits on
// the worker.
//
// A mode changed on the configuration sheet reloads the current log in that
// mode (a log of the other kind is then not listed); a log of the other kind
// loaded with Load switches the mode. Either is announced (kModeChanged), so
// that the windows of the mode are made; a new list is announced as kListed.
//
// The last search and the QSO recalled from it are kept here for the two
// windows: the information window searches, the logging window lists the
// lines (kSearched), and a double click on one recalls its QSO into the
// information window (kRecalled).
//
// Thread: the GUI thread. The worker runs from Start() to Shutdown().

#include "LogClock.h"
#include "QsoLogRequests.h"
#include "QsoLogStore.h"
#include "QsoLogWorker.h"

#include "platform/Announcer.h"
#include "platform/Inbox.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamrel {

class CRigControlRegistry;
class Prompter;

class QsoLog final : public QObject {
public:
    enum Event : uint32_t { kModeChanged = 1, kListed = 2, kSearched = 4, kRecalled = 8 };
    using Subscription = Announcer<uint32_t>::Subscription;

    // Where the outcome of LogFromProgram goes (the front panel's status line).
    using StatusSink = std::function<void(const std::string& text, bool error)>;

    // Relative log names lie in `homeDir`.
    QsoLog(CRigControlRegistry& settings, Prompter& prompter, std::string homeDir,
           StatusSink status);
    ~QsoLog() override;

    // Starts the worker and loads the current log; a file of the other kind
    // switches the mode.
    void Start();
    bool Started() const { return worker_.running(); }
    // Ends the worker once the requests made have been carried out.
    void Shutdown() { worker_.quitAndJoin(); }

    const QsoLogStore& store() const { return store_; }
    // "QSO Logging Mode" (bit 0: contest) and its kind.
    uint8_t mode() const { return mode_; }
    QsoKind modeKind() const { return (mode_ & 1) ? QsoKind::Contest : QsoKind::Normal; }
    // How a QSO logged now is stamped.
    const LogClock& clock() const { return clock_; }
    // The log's file.
    const std::string& path() const { return path_; }

    [[nodiscard]] Subscription Observe(Announcer<uint32_t>::Observer observer) {
        return events_.Subscribe(std::move(observer));
    }

    // Requests to the worker; the list changes when it has done them.
    void Append(QSORecord record);
    void Load(std::string name); // a file of the other kind switches the mode
    void Save(std::string name);
    void StartNew(std::string name);
    void Replace(std::size_t row, QSORecord original, QSORecord updated);
    void Remove(std::size_t row, QSORecord original);
    void ExportAdif(std::string path);
    void ImportAdif(std::string path, UnknownAdifFields unknown);
    void ExportCabrillo(std::string path, CabrilloSettings answers);
    // A QSO another program logged (WSJT-X), as its ADIF record; appended
    // unless it is in the log already. The outcome goes to the status sink.
    void LogFromProgram(AdifRecord record, std::string program);

    // The QSOs with the call, as lines; the n-th line's QSO.
    void Search(std::string_view call);
    const std::string& searchedCall() const { return searchedCall_; }
    const std::vector<std::string>& searchLines() const { return searchLines_; }
    void Recall(int n);
    const QSORecord& recalled() const { return recalled_; }

private:
    void Send(LogRequest request);
    void Apply(LogResult&& result);
    void FollowMode();
    void ReadClock();
    // The operator's own log when "Current Log File Name" cannot be used.
    std::string FallbackName() const;

    CRigControlRegistry& settings_;
    Prompter& prompter_;
    const StatusSink statusSink_;
    uint8_t mode_;
    QsoLogStore store_;
    LogClock clock_;
    std::string path_;
    std::string searchedCall_;
    std::vector<std::string> searchLines_;
    QSORecord recalled_;
    Announcer<uint32_t> events_;
    Inbox<LogResult> inbox_;
    // Last: the worker ends before the inbox it posts to goes.
    QsoLogWorker worker_;
};

} // namespace tamrel

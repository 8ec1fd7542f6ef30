#pragma once
// QsoLogWorker: the one thread that reads and writes the log file. It owns
// the log (QsoLogFile: the file, the list it holds, the sequence counter)
// and takes the GUI thread's requests in order (QsoLogRequests.h); each
// request gives one result, posted to the inbox the GUI thread reads.
//
// Settings are the store's, read when a request needs them ("Current Log
// File Name", the operator's data and the UTC rule of the exports); the
// logging mode comes with the request, as the GUI thread follows it.
//
// Threads: constructed, started and ended by the GUI thread; everything else
// runs on the worker thread.

#include "QsoLogFile.h"
#include "QsoLogRequests.h"

#include "platform/Inbox.h"
#include "platform/Worker.h"

#include <string>

namespace tamrel {

class CRigControlRegistry;

class QsoLogWorker final : public Worker<LogRequest> {
public:
    static constexpr const char* kThreadName = "tamrel-qsolog";

    // Relative log names lie in `homeDir`.
    QsoLogWorker(CRigControlRegistry& settings, std::string homeDir, Inbox<LogResult>& results);
    ~QsoLogWorker() { quitAndJoin(); }

private:
    void onMessage(LogRequest& request) override;
    LogResult load(logreq::Load& request);
    LogResult interchange(const LogRequest& request);
    LogResult fromProgram(logreq::LogFromProgram& request);

    // Worker-thread state.
    CRigControlRegistry& settings_;
    QsoLogFile log_;
    Inbox<LogResult>& results_;
};

} // namespace tamrel

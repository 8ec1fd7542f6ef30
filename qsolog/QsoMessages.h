#pragma once
// The messages of the two QSO threads and of the windows they serve, with the
// payloads they carry. Senders build them here so that no sender spells a
// wParam or guesses a payload type.
//
// The windows live on the GUI thread; each thread posts to its own window
// through the window's mailbox. The messages to the windows reuse the
// thread messages' numbers for the same event ("a QSO was added" is
// WM_K2_QSO_RECORD both ways); only the operator's texts have a number of
// their own, as no thread message carries them.

#include "Adif.h"
#include "Cabrillo.h"
#include "QSORecord.h"

#include "platform/Messages.h"
#include "platform/Prompter.h"
#include "radio/K2RadioState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamrel {

// wParam of WM_K2_QSO_RECORD
inline constexpr uint64_t kQsoLoaded = 0;
inline constexpr uint64_t kQsoNew = 1;       // completed: list it and append it
inline constexpr uint64_t kQsoLogIt = 224;   // from "Log It": stamp it and ask the radio
inline constexpr uint64_t kSearchWParam = 4; // WM_K2_LOG_SEARCH
inline constexpr uint64_t kStateReplyWParam = 4;

// The key index of Esc in request 10 (F1..F11 are 0..10).
inline constexpr int64_t kEscapeKeyIndex = 27;

// The setup of the logger thread.
struct LoggerSetup {
    Handle panel = 0;  // the front panel window
    Handle info = 0;   // the information thread
    Handle window = 0; // the logging window
    // The name used when "Current Log File Name" holds none that can be used:
    // the operator's callsign with ".QSO.Log", or "Tamrel.QSO.Log".
    std::string fileName;
};

// The setup of the information thread.
struct InfoSetup {
    Handle panel = 0;
    Handle window = 0; // the information window
};

// A change to the record at a row, naming the record expected there.
struct RowChange {
    QSORecord original;
    QSORecord updated; // replace only
};

// What the logging window lists: every QSO in order, in the columns of a kind.
struct LogListing {
    QsoKind kind = QsoKind::Normal;
    std::vector<QSORecord> records;
    bool recreate = false; // the window is made anew (the mode changed)
    std::string path;      // of the current log, where the file dialogs start
};

// The lines of one search, and the call they were found for.
struct SearchResult {
    std::string call;
    std::vector<std::string> lines;
};

// A menu entry of the logging window, with the file and answers chosen.
struct InterchangeRequest {
    enum class What { ExportAdif, ImportAdif, ExportCabrillo } what = What::ExportAdif;
    std::string path;
    UnknownAdifFields unknown = UnknownAdifFields::Ignore; // import
    CabrilloSettings cabrillo;                             // Cabrillo export
};

// The dupe line for a callsign: empty text when it was not worked.
struct DupeLine {
    std::string call;
    std::string text;
};

struct OperatorText {
    std::string text;
    PromptIcon icon = PromptIcon::Error;
};

// Messages to CQSOLoggerGUIThread.
namespace loggermsg {
Message setup(LoggerSetup setup);
// A QSO to list; a new one is appended to the file too.
Message record(QSORecord record, bool isNew);
// Load the named file, or the current one. With `switchOnMismatch` a file of
// the other kind switches the logging mode.
Message load(std::optional<std::string> name, bool switchOnMismatch);
Message save(std::optional<std::string> name);
Message startNew();
Message replace(std::size_t row, QSORecord original, QSORecord updated);
Message remove(std::size_t row, QSORecord original);
Message showInfo();
// A request for the front panel (exit, function key), passed on to it.
Message panelRequest(uint64_t code, int64_t argument);
Message search(std::string call);
// The n-th (from 0) earlier QSO with the call.
Message recall(int n, std::string call);
Message followMove();
Message interchange(InterchangeRequest request);
// A QSO as it would be logged now (call, band, mode): is it a dupe?
Message dupeCheck(QSORecord record);
} // namespace loggermsg

// Messages to CQSOInfoGUIThread.
namespace infomsg {
Message setup(InfoSetup setup);
Message setPeer(Handle logger);
// From "Log It": the typed fields; stamped and completed by the thread.
Message logIt(QSORecord record);
Message loggingMode(uint8_t mode);
Message showInfo();
Message useUtc(bool on);
Message search(std::string call);
// An earlier QSO to fill the window from.
Message recalled(QSORecord record);
Message followMove();
// The callsign typed so far: checked with the radio's band and mode now.
Message dupeCheck(std::string call);
// The logger's answer, passed on to the window.
Message dupeLine(DupeLine line);
} // namespace infomsg

// Messages from the threads to their windows.
namespace qsowin {
inline constexpr uint32_t kOperatorText = msg::WM_USER + 0xa0;
// Both windows.
Message show();
Message place();
Message tell(std::string text, PromptIcon icon);
// The logging window.
Message listing(LogListing listing);
Message rowAdded(QSORecord record);
Message searchResult(SearchResult result);
// The information window.
Message infoMode(uint8_t mode);
Message toggle();
Message fill(QSORecord record);
Message dupeLine(DupeLine line);
} // namespace qsowin

// Requests to the front panel (window message 0x480).
Message panelRequest(uint64_t code, int64_t argument);

} // namespace tamrel

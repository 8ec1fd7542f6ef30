#pragma once
// CQSOLoggingDlg: "QSO Logging", the list of the log with its statistics, its
// file buttons and the results of a search. It lives on the GUI thread; the
// log itself is the logger thread's, which it asks by posted messages and
// which sends it what to show.

#include "QSORecord.h"
#include "QsoLogView.h"
#include "QsoMessages.h"

#include "radio/BandTable.h"
#include "settings/CRigControlRegistry.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QTableView;

namespace tamrel {

class Prompter;
class QsoLogTableModel;

namespace qsoctl {
inline constexpr int kLoggingDialog = 154;
inline constexpr int kLogList = 1221, kSearchList = 1279;
inline constexpr int kLoad = 1229, kNew = 1230, kSave = 1232, kLogInfo = 1235;
} // namespace qsoctl

inline constexpr char kNewLogQuestion[] = "Ok to Start a New Log?";
inline constexpr char kLogEmpty[] = "Log is empty!";
inline constexpr char kLogFileFilter[] = "Log Files (*.QSO.Log) (*.log)";
inline constexpr char kAdifFileFilter[] = "ADIF Files (*.adi *.adif)";
inline constexpr char kCabrilloFileFilter[] = "Cabrillo Files (*.cbr *.log)";

// What the window asks of the operator outside itself, so that tests can answer.
struct LoggingDlgHooks {
    // A file dialog: nothing when cancelled. `save` asks before replacing.
    std::function<std::optional<std::string>(bool save, const std::string& start)> chooseFile;
    // "Edit QSO Log" on a record: what the operator did with it.
    struct Edit {
        enum class Outcome { Cancelled, Modified, Deleted } outcome = Outcome::Cancelled;
        QSORecord record; // Modified only
    };
    std::function<Edit(const QSORecord& record)> edit;
    // A file dialog for an ADIF or Cabrillo file, `filter` as Qt spells one.
    std::function<std::optional<std::string>(bool save, const std::string& start,
                                             const std::string& filter)>
        chooseInterchangeFile;
    // The Cabrillo questions, opened with the remembered answers: nothing
    // when cancelled.
    std::function<std::optional<CabrilloSettings>(const CabrilloSettings&)> askCabrillo;
    // Where the remembered Cabrillo answers come from (the settings).
    std::function<CabrilloSettings()> cabrilloAnswers;
};

class CQSOLoggingDlg final : public QDialog {
public:
    using Post = std::function<void(Message)>;

    // `toThread` posts to the logger thread. Hooks left empty use the real dialogs.
    CQSOLoggingDlg(QsoKind kind, Prompter& prompter, std::function<BandTable()> bands,
                   Post toThread, LoggingDlgHooks hooks = {}, QWidget* parent = nullptr);
    ~CQSOLoggingDlg() override;

    QsoKind kind() const;
    void setListing(LogListing listing);
    void addRow(QSORecord record);
    void setSearch(SearchResult result);

    const QsoStatistics& statistics() const { return stats_; }
    QTableView& list() const { return *list_; }

    void load();
    void startNew();
    void save();
    void editRow(int row);
    void recallSearchRow(int row);
    // The "File" menu's entries.
    void exportAdif();
    void importAdif();
    void exportCabrillo();

protected:
    void reject() override {} // Esc is a function key here, never a close
    // The title bar's close hides the window; "QSO Logging" shows it again.
    void closeEvent(QCloseEvent* event) override;

private:
    void showStatistics();
    std::optional<std::string> chooseInterchangeFile(bool save, const char* suffix,
                                                     const char* filter);

    Prompter& prompter_;
    std::function<BandTable()> bands_;
    Post toThread_;
    LoggingDlgHooks hooks_;
    QsoLogTableModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QListWidget* search_ = nullptr;
    QLabel* total_ = nullptr;
    std::array<QLabel*, kBandCount> bandCounts_{};
    QsoStatistics stats_;
    std::string path_;
    std::string searchCall_;
};

} // namespace tamrel

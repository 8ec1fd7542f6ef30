#pragma once
// CQSOLoggingDlg: "QSO Logging", the list of the log with its statistics, its
// file buttons and the results of a search. The list and the statistics
// follow the GUI-side list (QsoLogStore); what the buttons and the File menu
// do is the presenter's (QsoLogPresenter.h).
//
// Keys, wherever the focus is in the window: F1..F11 and Esc go to the
// keyboard CW window (Esc never closes the window), ALT+X asks to exit,
// ALT+T opens or closes the keyboard window, ALT+F1..ALT+F4 are the memory
// commands.

#include "QSORecord.h"
#include "QsoLog.h"
#include "QsoLogPresenter.h"
#include "QsoWiring.h"

#include "radio/BandTable.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QListWidget;
class QTableView;

namespace tamrel {

class QsoLogTableModel;

namespace qsoctl {
inline constexpr int kLoggingDialog = 154;
inline constexpr int kLogList = 1221, kSearchList = 1279;
inline constexpr int kLoad = 1229, kNew = 1230, kSave = 1232, kLogInfo = 1235;
} // namespace qsoctl

class CQSOLoggingDlg final : public QDialog {
public:
    // The columns of `kind`. "LogInfo" calls `toggleInfo` (the information
    // window shown or hidden).
    CQSOLoggingDlg(QsoKind kind, const QsoWiring& wiring, std::function<void()> toggleInfo,
                   QWidget* parent = nullptr);
    ~CQSOLoggingDlg() override;

    QsoKind kind() const;
    QTableView& list() const { return *list_; }
    QsoLogPresenter& presenter() { return presenter_; }

protected:
    void reject() override {} // Esc is a function key here, never a close
    // The title bar's close hides the window; "QSO Logging" shows it again.
    void closeEvent(QCloseEvent* event) override;

private:
    void showStatistics();
    void showSearch();

    QsoLog& log_;
    QsoLogPresenter presenter_;
    QsoLogTableModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QListWidget* search_ = nullptr;
    QLabel* total_ = nullptr;
    std::array<QLabel*, kBandCount> bandCounts_{};
    QsoLogStore::Subscription listWatch_;
    QsoLog::Subscription logWatch_;
};

} // namespace tamrel

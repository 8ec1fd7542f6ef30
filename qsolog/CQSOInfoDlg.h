#pragma once
// CQSOInfoDlg: "QSO Information", where the operator types the other
// station's data and logs it. It lives on the GUI thread and sends what it
// does to the information thread (Log It, Search Log) and to the front panel
// (keys) by posted messages.

#include "QSORecord.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QLineEdit;
class QMenu;

namespace tamrel {

class CRigControlRegistry;
class Prompter;
class DupeLabel;
struct Message;

namespace qsoctl {
inline constexpr int kInfoDialog = 139;
inline constexpr int kHisCall = 1100, kHisName = 1103, kHisSigEdit = 1106, kMySigEdit = 1108;
inline constexpr int kHisQth = 1110, kInfoComment = 1113;
inline constexpr int kLogIt = 1119, kClear = 1117, kSetMacro = 1115;
inline constexpr int kSearchLogCommand = 143;
inline constexpr int kDupeLine = 1121;
} // namespace qsoctl

inline constexpr char kCallsignEmpty[] = "Callsign is empty!";
inline constexpr char kClearQuestion[] = "Clearing All Variable?";

class CQSOInfoDlg final : public QDialog {
public:
    using Post = std::function<void(Message)>;

    // `toThread` posts to the information thread, `toPanel` to the front panel.
    CQSOInfoDlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread, Post toPanel,
                QWidget* parent = nullptr);
    ~CQSOInfoDlg() override;

    // Filled from an earlier QSO (a recall).
    void fill(const QSORecord& record);
    // Whether the call typed was worked before.
    DupeLabel& dupeLine() const { return *dupe_; }

    void logIt();
    void clear();
    void setMacro();
    void searchLog();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override {} // Esc is a function key here, never a close
    // The title bar's close hides the window; "QSO Logging" shows it again.
    void closeEvent(QCloseEvent* event) override;

private:
    CRigControlRegistry& settings_;
    Prompter& prompter_;
    Post toThread_;
    Post toPanel_;
    QLineEdit* call_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* hisSig_ = nullptr;
    QLineEdit* mySig_ = nullptr;
    QLineEdit* qth_ = nullptr;
    QLineEdit* comment_ = nullptr;
    DupeLabel* dupe_ = nullptr;
    std::unique_ptr<QMenu> menu_;
};

} // namespace tamrel

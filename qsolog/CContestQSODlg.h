#pragma once
// CContestQSODlg: "Contest QSO Information", the information window of
// contest logging: the other station's call, the exchange received and a
// comment. Like the normal window it lives on the GUI thread and sends what it
// does to the information thread (Log It, Search Log) and to the front panel
// (keys) by posted messages. The serial number sent is the keyboard window's
// ~SN; nothing here reads or changes the counter.

#include "QSORecord.h"

#include <QDialog>

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
inline constexpr int kContestDialog = 158;
inline constexpr int kContestCall = 1231, kContestExchange = 1233, kContestComment = 1234;
inline constexpr int kContestLogIt = 1236, kContestClear = 1237, kContestSetMacro = 1238;
inline constexpr int kContestDupeLine = 1239;
} // namespace qsoctl

class CContestQSODlg final : public QDialog {
public:
    using Post = std::function<void(Message)>;

    // `toThread` posts to the information thread, `toPanel` to the front panel.
    CContestQSODlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread, Post toPanel,
                   QWidget* parent = nullptr);
    ~CContestQSODlg() override;

    // Filled from an earlier QSO (a recall): call, exchange, comment.
    void fill(const QSORecord& record);
    // Whether the call typed was worked in this contest.
    DupeLabel& dupeLine() const { return *dupe_; }

    void logIt();
    // Empties the three fields at once and ~HC with them; the contest pace
    // has no room for a question.
    void clear();
    // ~HC := the call as typed.
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
    QLineEdit* exchange_ = nullptr;
    QLineEdit* comment_ = nullptr;
    DupeLabel* dupe_ = nullptr;
    std::unique_ptr<QMenu> menu_;
};

} // namespace tamrel

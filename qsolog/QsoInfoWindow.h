#pragma once
// QsoInfoWindow: what the two information windows share ("QSO Information"
// and "Contest QSO Information"): the Log It, Clear and Set Macro buttons,
// the dupe line under them, the keys, the "Search Log" menu, and the title
// bar's close that only hides. Each kind lays out its own fields first. The
// windows live on the GUI thread and send what they do to the information
// thread and to the front panel by posted messages.

#include "QSORecord.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QGridLayout;
class QLineEdit;
class QMenu;

namespace tamrel {

class CRigControlRegistry;
class DupeLabel;
class Prompter;
struct Message;

namespace qsoctl {
inline constexpr int kSearchLogCommand = 143;
} // namespace qsoctl

inline constexpr char kCallsignEmpty[] = "Callsign is empty!";

class QsoInfoWindow : public QDialog {
public:
    using Post = std::function<void(Message)>;

    ~QsoInfoWindow() override;

    // Filled from an earlier QSO (a recall).
    virtual void fill(const QSORecord& record) = 0;
    virtual void logIt() = 0;
    virtual void clear() = 0;
    virtual void setMacro() = 0;
    void searchLog();

    // Whether the call typed was worked before.
    DupeLabel& dupeLine() const { return *dupe_; }

protected:
    // `toThread` posts to the information thread, `toPanel` to the front panel.
    QsoInfoWindow(CRigControlRegistry& settings, Prompter& prompter, Post toThread, Post toPanel,
                  QWidget* parent);

    struct ButtonIds {
        int logIt, clear, setMacro, dupeLine;
    };
    // Last in the kind's constructor: the buttons on `row` of the grid, the
    // dupe line under them, and the keys.
    void finish(QGridLayout& grid, int row, QLineEdit& call, QsoKind kind, const ButtonIds& ids);
    // The call typed, fitted and upper-cased; none (and the operator told)
    // when it is empty.
    std::optional<std::string> callToLog() const;

    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override {} // Esc is a function key here, never a close
    // The title bar's close hides the window; "QSO Logging" shows it again.
    void closeEvent(QCloseEvent* event) override;

    CRigControlRegistry& settings_;
    Prompter& prompter_;
    Post toThread_;
    Post toPanel_;

private:
    QLineEdit* call_ = nullptr;
    QsoKind kind_ = QsoKind::Normal;
    DupeLabel* dupe_ = nullptr;
    std::unique_ptr<QMenu> menu_;
};

} // namespace tamrel

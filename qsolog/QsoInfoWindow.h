#pragma once
// QsoInfoWindow: what the two information windows share ("QSO Information"
// and "Contest QSO Information"): the Log It, Clear and Set Macro buttons,
// the dupe line under them, the keys, the "Search Log" menu, and the title
// bar's close that only hides. Each kind lays out its own fields first. The
// logic is the presenter's (QsoInfoPresenter.h); the window shows it and
// hands it the fields as typed.
//
// Keys, wherever the focus is in the window: F1..F11 and Esc go to the
// keyboard CW window (Esc never closes the window), ALT+X asks to exit,
// ALT+T opens or closes the keyboard window, ALT+F1..ALT+F4 are the memory
// commands, ALT+L is "Log It". A dialog opened from here keeps its own keys.

#include "QSORecord.h"
#include "QsoInfoPresenter.h"
#include "QsoWiring.h"

#include <QDialog>

#include <memory>
#include <string>

class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;

namespace tamrel {

namespace qsoctl {
inline constexpr int kSearchLogCommand = 143;
// The button beside "Log It" that does what the right-click "Search Log" does.
inline constexpr int kSearchLogButton = 1901;
} // namespace qsoctl

class QsoInfoWindow : public QDialog, private QsoInfoView {
public:
    ~QsoInfoWindow() override;

    // Filled from an earlier QSO (a recall).
    virtual void fill(const QSORecord& record) = 0;
    void logIt();
    void clear();
    void setMacro();
    void searchLog();

    // Whether the call typed was worked before.
    QLabel& dupeLine() const { return *dupe_; }

protected:
    QsoInfoWindow(QsoKind kind, const QsoWiring& wiring, QWidget* parent);

    struct ButtonIds {
        int logIt, clear, setMacro, dupeLine;
    };
    // Last in the kind's constructor: the buttons on `row` of the grid, the
    // dupe line under them, and the keys.
    void finish(QGridLayout& grid, int row, QLineEdit& call, const ButtonIds& ids);
    // The kind's fields as typed, and emptied.
    virtual QSORecord typed() const = 0;
    virtual void clearFields() = 0;

    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override {} // Esc is a function key here, never a close
    // The title bar's close hides the window; "QSO Logging" shows it again.
    void closeEvent(QCloseEvent* event) override;

private:
    std::string typedCall() const override;
    void showDupeLine(const std::string& text) override;

    QsoWiring wiring_;
    QsoInfoPresenter presenter_;
    QLineEdit* call_ = nullptr;
    QLabel* dupe_ = nullptr;
    std::unique_ptr<QMenu> menu_;
};

} // namespace tamrel

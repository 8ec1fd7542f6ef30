#pragma once
// What the three memory dialogs share: their buttons and big edits, their
// report lists, Enter and Escape wherever the focus is, and their placement
// under the main window.

#include "memory/MemoryLists.h"
#include "memory/MemoryTables.h"
#include "settings/CRigControlRegistry.h"

#include <QObject>

#include <optional>
#include <span>
#include <vector>

class CEditEx;
class CShadedButton;
class QAbstractButton;
class QDialog;
class QTableWidget;
class QWidget;

namespace tamrel::memui {

// A green shaded push button with the dialogs' caption font and colour.
CShadedButton* MakeButton(QWidget& parent, int id, const QString& caption);
// A name or frequency box: bold Times New Roman, blue text on white.
CEditEx* MakeBigEdit(QWidget& parent, int id, const QString& label);

// A report-style list: full-row selection, grid lines, the given columns.
QTableWidget* MakeReportList(QWidget& parent, int id, std::span<const ListColumn> columns,
                             bool singleSelection);
// Deletes every row, then adds the given ones.
void FillReportList(QTableWidget& list, const std::vector<MemoryRow>& rows);
// The first selected row in list order, or -1.
int FirstSelectedRow(const QTableWidget& list);

// Enter presses button 1 and Escape cancels, whichever control has the focus.
// Install after all controls exist.
class DialogKeys : public QObject {
public:
    DialogKeys(QDialog& dialog, QAbstractButton& ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDialog& dialog_;
    QAbstractButton& ok_;
};

// Moves the dialog under the main window's saved rectangle when it is large
// enough; otherwise leaves it to be centred over its parent.
void PlaceDialog(QDialog& dialog, const WindowRect& mainWindow);

} // namespace tamrel::memui

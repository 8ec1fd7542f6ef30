#include "MemoryDialogLook.h"

#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/ControlSupport.h"
#include "controls/ToolPlacement.h"
#include "settings/WindowPlacement.h"

#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

#include <algorithm>

namespace tamrel::memui {

CShadedButton* MakeButton(QWidget& parent, int id, const QString& caption) {
    auto* b = new CShadedButton(caption, &parent);
    setControlId(*b, id, caption);
    b->setFontDescription({"Tahoma", 12, 400});
    b->setTextColour(QColor(0, 99, 0));
    b->setShade(ShadeParams{8, 8, 10, 5, QColor(55, 255, 55)});
    b->setMinimumSize(80, 26);
    return b;
}

CEditEx* MakeBigEdit(QWidget& parent, int id, const QString& label) {
    auto* e = new CEditEx(&parent);
    setControlId(*e, id, label);
    e->setFontDescription({"Times New Roman", -20, 700}); // character height 20
    e->setTextColour(QColor(0, 0, 255));
    e->setBackgroundColour(Qt::white);
    return e;
}

QTableWidget* MakeReportList(QWidget& parent, int id, std::span<const ListColumn> columns,
                             bool singleSelection) {
    auto* list = new QTableWidget(0, static_cast<int>(columns.size()), &parent);
    setControlId(*list, id, QStringLiteral("Memories"));
    QStringList titles;
    for (const ListColumn& c : columns)
        titles << QString::fromLatin1(c.title);
    list->setHorizontalHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        list->setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setHighlightSections(false);
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(singleSelection ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    int width = 4;
    for (const ListColumn& c : columns)
        width += c.width;
    list->setMinimumWidth(width);
    return list;
}

void FillReportList(QTableWidget& list, const std::vector<MemoryRow>& rows) {
    list.clearContents();
    list.setRowCount(0);
    list.setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList& cells = rows[static_cast<std::size_t>(r)].cells;
        for (int c = 0; c < cells.size() && c < list.columnCount(); ++c)
            list.setItem(r, c, new QTableWidgetItem(cells[c]));
    }
}

int FirstSelectedRow(const QTableWidget& list) {
    const QList<QTableWidgetSelectionRange> ranges = list.selectedRanges();
    int first = -1;
    for (const QTableWidgetSelectionRange& range : ranges)
        if (first < 0 || range.topRow() < first)
            first = range.topRow();
    return first;
}

DialogKeys::DialogKeys(QDialog& dialog, QAbstractButton& ok)
    : QObject(&dialog), dialog_(dialog), ok_(ok) {
    dialog.installEventFilter(this);
    for (QWidget* w : dialog.findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool DialogKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    // A combo box's open list is a window of its own: its keys are its own.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &dialog_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ok_.isEnabled())
            ok_.click();
        return true;
    case Qt::Key_Escape:
        dialog_.reject();
        return true;
    default:
        return false;
    }
}

void PlaceDialog(QDialog& dialog, const WindowRect& mainWindow) {
    dialog.adjustSize();
    // The saved rectangle is the main window's frame; so is the one placed:
    // moved before it exists, a window's position is its frame's. (Placed by
    // its inside, a dialog not framed yet would be framed above the spot, over
    // the panel.)
    const QSize frame = FrameSizeOf(dialog);
    if (const auto rect = PlaceBelow(mainWindow, frame)) {
        dialog.resize(rect->size() - (frame - dialog.size()));
        dialog.move(rect->topLeft());
    }
}

} // namespace tamrel::memui

#pragma once

#include "controls/ControlSupport.h"

#include <QColor>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

#include <functional>

// A line edit with its own font, background and text colours, an optional context menu and an
// optional filter that refuses typed characters (a refused character is dropped with a beep).
class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    using CharFilter = std::function<bool(QChar)>;

    explicit CEditEx(QWidget* parent = nullptr);

    void setFontDescription(const tamrel::FontDescription& desc);
    QColor setBackgroundColour(const QColor& colour); // returns the previous colour
    QColor setTextColour(const QColor& colour);       // returns the previous colour
    QColor backgroundColour() const;
    QColor textColour() const;

    // The menu shown on right-click; it stays owned by the caller. Null = default menu.
    void setContextMenu(QMenu* menu) { menu_ = menu; }
    void setCharFilter(CharFilter filter) { filter_ = std::move(filter); }

    int refusedChars() const { return refused_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointer<QMenu> menu_;
    CharFilter filter_;
    int refused_ = 0;
};

#pragma once

#include "controls/ControlSupport.h"
#include "controls/Shade.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>

#include <optional>

// A button painted with a shaded face (see Shade.h), an optional icon, a hover highlight and a
// tooltip that can differ while checked. It works as a push button, a check box (toggles on
// click) or a radio button: checking a radio clears every other radio of the same parent with
// the same group key.
class CShadedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { Push, Check, Radio };

    explicit CShadedButton(const QString& text = {}, QWidget* parent = nullptr,
                           Kind kind = Kind::Push);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    void setGroupKey(int key) { m_groupKey = key; }
    int groupKey() const { return m_groupKey; }

    void setFlat(bool flat);
    bool isFlat() const { return m_flat; }
    bool isHovered() const { return m_hover; }
    void setBorderWidth(int width);
    void setDrawFocus(bool draw) { m_drawFocus = draw; }
    void setTextAlignment(Qt::Alignment alignment);

    // False (and the old font kept) when the description is out of range.
    bool setFontDescription(const tamrel::FontDescription& desc);
    QColor setTextColour(const QColor& colour); // returns the previous colour
    QColor textColour() const { return m_textColour; }

    // Builds the shaded faces; they are rebuilt whenever the width changes.
    void setShade(const tamrel::ShadeParams& params);
    bool hasShade() const { return m_shade.has_value(); }
    const std::optional<tamrel::ShadeParams>& shade() const { return m_shade; }
    const tamrel::ShadeFaces& shadeFaces() const { return m_faces; }

    // Icons by value; `pressed` and `highlight` are used in those states when not null.
    void setIcons(const QIcon& normal, Qt::Alignment alignment, const QIcon& pressed = {},
                  const QIcon& highlight = {});
    // Same, from icon resource names (":/icons/exit.png"); a missing resource leaves no icon.
    void setIcons(const QString& normal, Qt::Alignment alignment, const QString& pressed = {},
                  const QString& highlight = {});

    void setTooltipText(const QString& normal, const QString& checked = {});
    const QString& tooltipText() const { return m_tip; }

    // Unchecks a checked button, puts its normal tooltip back and repaints; sent to the others
    // of a radio group when one of them is checked.
    void clearGroupCheck();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void nextCheckState() override;

private:
    void rebuildFaces();
    void placeIcon();
    void updateTooltip();
    void onToggled(bool checked);

    Kind m_kind;
    int m_groupKey = 0;
    bool m_flat = false;
    bool m_hover = false;
    bool m_drawFocus = true;
    int m_border = 4;
    Qt::Alignment m_align = Qt::AlignCenter;
    QColor m_textColour;

    std::optional<tamrel::ShadeParams> m_shade;
    tamrel::ShadeFaces m_faces;
    QPixmap m_normalTile, m_hoverTile, m_pressedTile;

    QIcon m_icon, m_iconPressed, m_iconHighlight;
    Qt::Alignment m_iconAlign = Qt::AlignCenter;
    QRect m_iconRect; // placed on resize
    QString m_tip, m_tipChecked;
};

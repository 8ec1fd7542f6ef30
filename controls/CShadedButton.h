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

    Kind kind() const { return kind_; }
    void setKind(Kind kind);
    void setGroupKey(int key) { groupKey_ = key; }
    int groupKey() const { return groupKey_; }

    void setFlat(bool flat);
    bool isFlat() const { return flat_; }
    bool isHovered() const { return hover_; }
    void setBorderWidth(int width);
    void setDrawFocus(bool draw) { drawFocus_ = draw; }
    void setTextAlignment(Qt::Alignment alignment);

    // False (and the old font kept) when the description is out of range.
    bool setFontDescription(const tamrel::FontDescription& desc);
    QColor setTextColour(const QColor& colour); // returns the previous colour
    QColor textColour() const { return textColour_; }

    // Builds the shaded faces; they are rebuilt whenever the width changes.
    void setShade(const tamrel::ShadeParams& params);
    bool hasShade() const { return shade_.has_value(); }
    const std::optional<tamrel::ShadeParams>& shade() const { return shade_; }
    const tamrel::ShadeFaces& shadeFaces() const { return faces_; }

    // Icons by value; `pressed` and `highlight` are used in those states when not null.
    void setIcons(const QIcon& normal, Qt::Alignment alignment, const QIcon& pressed = {},
                  const QIcon& highlight = {});
    // Same, from icon resource names (":/icons/exit.png"); a missing resource leaves no icon.
    void setIcons(const QString& normal, Qt::Alignment alignment, const QString& pressed = {},
                  const QString& highlight = {});

    void setTooltipText(const QString& normal, const QString& checked = {});
    const QString& tooltipText() const { return tip_; }

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

    Kind kind_;
    int groupKey_ = 0;
    bool flat_ = false;
    bool hover_ = false;
    bool drawFocus_ = true;
    int border_ = 4;
    Qt::Alignment align_ = Qt::AlignCenter;
    QColor textColour_;

    std::optional<tamrel::ShadeParams> shade_;
    tamrel::ShadeFaces faces_;
    QPixmap normalTile_, hoverTile_, pressedTile_;

    QIcon icon_, iconPressed_, iconHighlight_;
    Qt::Alignment iconAlign_ = Qt::AlignCenter;
    QRect iconRect_; // placed on resize
    QString tip_, tipChecked_;
};

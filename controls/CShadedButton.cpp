#include "controls/CShadedButton.h"

#include "controls/AccessibleControls.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include <algorithm>

namespace {
constexpr QSize kDefaultIconSize(16, 16);
constexpr int kIconGap = 2;
} // namespace

CShadedButton::CShadedButton(const QString& text, QWidget* parent, Kind kind)
    : QAbstractButton(parent), kind_(Kind::Push),
      textColour_(palette().color(QPalette::ButtonText)) {
    tamrel::InstallAccessibleControls();
    setText(text);
    setAccessibleName(text);
    setFocusPolicy(Qt::StrongFocus);
    setKind(kind);
    connect(this, &QAbstractButton::toggled, this, &CShadedButton::onToggled);
}

void CShadedButton::setKind(Kind kind) {
    kind_ = kind;
    setCheckable(kind != Kind::Push);
}

void CShadedButton::setFlat(bool flat) {
    if (flat != flat_) {
        flat_ = flat;
        update();
    }
}

void CShadedButton::setBorderWidth(int width) {
    border_ = std::max(0, width);
    placeIcon();
    update();
}

void CShadedButton::setTextAlignment(Qt::Alignment alignment) {
    align_ = alignment;
    update();
}

bool CShadedButton::setFontDescription(const tamrel::FontDescription& desc) {
    if (!tamrel::isValidFontDescription(desc))
        return false;
    setFont(tamrel::fontFromDescription(desc, font()));
    return true;
}

QColor CShadedButton::setTextColour(const QColor& colour) {
    const QColor old = textColour_;
    if (colour != old) {
        textColour_ = colour;
        update();
    }
    return old;
}

void CShadedButton::setShade(const tamrel::ShadeParams& params) {
    shade_ = params;
    rebuildFaces();
    update();
}

void CShadedButton::rebuildFaces() {
    if (!shade_)
        return;
    faces_ = tamrel::makeShadeFaces(*shade_, std::max(width(), 1), palette().color(QPalette::Dark),
                                    palette().color(QPalette::Button));
    normalTile_ = QPixmap::fromImage(faces_.normal);
    hoverTile_ = QPixmap::fromImage(faces_.hover);
    pressedTile_ = QPixmap::fromImage(faces_.pressed);
}

void CShadedButton::setIcons(const QIcon& normal, Qt::Alignment alignment, const QIcon& pressed,
                             const QIcon& highlight) {
    icon_ = normal;
    iconPressed_ = pressed;
    iconHighlight_ = highlight;
    iconAlign_ = alignment & Qt::AlignHorizontal_Mask;
    placeIcon();
    update();
}

void CShadedButton::setIcons(const QString& normal, Qt::Alignment alignment, const QString& pressed,
                             const QString& highlight) {
    auto load = [](const QString& name) { return name.isEmpty() ? QIcon() : QIcon(name); };
    setIcons(load(normal), alignment, load(pressed), load(highlight));
}

void CShadedButton::placeIcon() {
    iconRect_ = {};
    if (icon_.isNull())
        return;
    const QRect inner = rect().adjusted(border_, border_, -border_, -border_);
    const QList<QSize> sizes = icon_.availableSizes();
    QSize size = sizes.isEmpty() ? kDefaultIconSize : sizes.first();
    size = size.boundedTo(inner.size());
    int x = inner.center().x() - size.width() / 2;
    if (iconAlign_ & Qt::AlignLeft)
        x = inner.left();
    else if (iconAlign_ & Qt::AlignRight)
        x = inner.right() - size.width() + 1;
    iconRect_ = QRect(QPoint(x, inner.center().y() - size.height() / 2), size);
}

void CShadedButton::setTooltipText(const QString& normal, const QString& checked) {
    tip_ = normal;
    tipChecked_ = checked;
    updateTooltip();
}

void CShadedButton::updateTooltip() {
    const QString& tip = isChecked() && !tipChecked_.isEmpty() ? tipChecked_ : tip_;
    // Rich text lets long tips wrap instead of running across the screen.
    setToolTip(
        tip.isEmpty()
            ? QString()
            : QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(tip.toHtmlEscaped()));
}

void CShadedButton::nextCheckState() {
    if (kind_ == Kind::Radio)
        setChecked(true); // clicking a checked radio leaves it checked
    else
        QAbstractButton::nextCheckState();
}

void CShadedButton::onToggled(bool checked) {
    updateTooltip();
    if (checked && kind_ == Kind::Radio && parentWidget()) {
        const auto siblings =
            parentWidget()->findChildren<CShadedButton*>(Qt::FindDirectChildrenOnly);
        for (CShadedButton* other : siblings) {
            if (other != this && other->kind_ == Kind::Radio && other->groupKey_ == groupKey_)
                other->clearGroupCheck();
        }
    }
}

void CShadedButton::clearGroupCheck() {
    if (!isChecked())
        return;
    setChecked(false); // the toggled handler puts the normal tooltip back
    update();
}

QSize CShadedButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    int w = text.width() + 2 * border_ + 8;
    if (!icon_.isNull())
        w += kDefaultIconSize.width() + kIconGap;
    return {w, std::max(text.height(), kDefaultIconSize.height()) + 2 * border_};
}

void CShadedButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    if (shade_ && faces_.normal.width() != width())
        rebuildFaces();
    placeIcon();
}

void CShadedButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CShadedButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CShadedButton::focusOutEvent(QFocusEvent* event) {
    if (isDown())
        setDown(false); // losing focus ends a press in progress
    QAbstractButton::focusOutEvent(event);
}

void CShadedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const bool enabled = isEnabled();
    const bool hover = hover_ && enabled;
    const bool pushed = isDown() || isChecked();

    if (!shade_)
        p.fillRect(r, palette().color(QPalette::Button));
    else
        p.drawTiledPixmap(r, hover && !isDown() ? hoverTile_ : pushed ? pressedTile_ : normalTile_);

    QRect textRect = r.adjusted(border_, border_, -border_, -border_);
    if (!iconRect_.isNull()) {
        const QIcon& icon = isDown() && !iconPressed_.isNull()  ? iconPressed_
                            : hover && !iconHighlight_.isNull() ? iconHighlight_
                                                                : icon_;
        const QRect at = isDown() ? iconRect_.translated(1, 1) : iconRect_;
        icon.paint(&p, at, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
        if (iconAlign_ & Qt::AlignLeft)
            textRect.setLeft(iconRect_.right() + kIconGap);
        else if (iconAlign_ & Qt::AlignRight)
            textRect.setRight(iconRect_.left() - kIconGap);
    }

    if (!text().isEmpty()) {
        if (isDown())
            textRect.translate(1, 1);
        const int flags = int(align_) | Qt::TextShowMnemonic;
        p.setFont(font());
        if (enabled) {
            p.setPen(textColour_);
        } else {
            p.setPen(palette().color(QPalette::Light));
            p.drawText(textRect.translated(1, 1), flags, text());
            p.setPen(palette().color(QPalette::Dark));
        }
        p.drawText(textRect, flags, text());
    }

    if (flat_) {
        if (hover)
            qDrawShadeRect(&p, r, palette(), isDown(), 1);
    } else if (pushed) {
        qDrawWinPanel(&p, r, palette(), true);
    } else {
        qDrawWinButton(&p, r, palette(), false);
    }

    if (hasFocus() && drawFocus_ && border_ > 0) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = r.adjusted(border_ - 1, border_ - 1, 1 - border_, 1 - border_);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

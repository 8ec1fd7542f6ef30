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
    : QAbstractButton(parent), m_kind(Kind::Push),
      m_textColour(palette().color(QPalette::ButtonText)) {
    tamrel::InstallAccessibleControls();
    setText(text);
    setAccessibleName(text);
    setFocusPolicy(Qt::StrongFocus);
    setKind(kind);
    connect(this, &QAbstractButton::toggled, this, &CShadedButton::onToggled);
}

void CShadedButton::setKind(Kind kind) {
    m_kind = kind;
    setCheckable(kind != Kind::Push);
}

void CShadedButton::setFlat(bool flat) {
    if (flat != m_flat) {
        m_flat = flat;
        update();
    }
}

void CShadedButton::setBorderWidth(int width) {
    m_border = std::max(0, width);
    placeIcon();
    update();
}

void CShadedButton::setTextAlignment(Qt::Alignment alignment) {
    m_align = alignment;
    update();
}

bool CShadedButton::setFontDescription(const tamrel::FontDescription& desc) {
    if (!tamrel::isValidFontDescription(desc))
        return false;
    setFont(tamrel::fontFromDescription(desc, font()));
    return true;
}

QColor CShadedButton::setTextColour(const QColor& colour) {
    const QColor old = m_textColour;
    if (colour != old) {
        m_textColour = colour;
        update();
    }
    return old;
}

void CShadedButton::setShade(const tamrel::ShadeParams& params) {
    m_shade = params;
    rebuildFaces();
    update();
}

void CShadedButton::rebuildFaces() {
    if (!m_shade)
        return;
    m_faces =
        tamrel::makeShadeFaces(*m_shade, std::max(width(), 1), palette().color(QPalette::Dark),
                               palette().color(QPalette::Button));
    m_normalTile = QPixmap::fromImage(m_faces.normal);
    m_hoverTile = QPixmap::fromImage(m_faces.hover);
    m_pressedTile = QPixmap::fromImage(m_faces.pressed);
}

void CShadedButton::setIcons(const QIcon& normal, Qt::Alignment alignment, const QIcon& pressed,
                             const QIcon& highlight) {
    m_icon = normal;
    m_iconPressed = pressed;
    m_iconHighlight = highlight;
    m_iconAlign = alignment & Qt::AlignHorizontal_Mask;
    placeIcon();
    update();
}

void CShadedButton::setIcons(const QString& normal, Qt::Alignment alignment, const QString& pressed,
                             const QString& highlight) {
    auto load = [](const QString& name) { return name.isEmpty() ? QIcon() : QIcon(name); };
    setIcons(load(normal), alignment, load(pressed), load(highlight));
}

void CShadedButton::placeIcon() {
    m_iconRect = {};
    if (m_icon.isNull())
        return;
    const QRect inner = rect().adjusted(m_border, m_border, -m_border, -m_border);
    const QList<QSize> sizes = m_icon.availableSizes();
    QSize size = sizes.isEmpty() ? kDefaultIconSize : sizes.first();
    size = size.boundedTo(inner.size());
    int x = inner.center().x() - size.width() / 2;
    if (m_iconAlign & Qt::AlignLeft)
        x = inner.left();
    else if (m_iconAlign & Qt::AlignRight)
        x = inner.right() - size.width() + 1;
    m_iconRect = QRect(QPoint(x, inner.center().y() - size.height() / 2), size);
}

void CShadedButton::setTooltipText(const QString& normal, const QString& checked) {
    m_tip = normal;
    m_tipChecked = checked;
    updateTooltip();
}

void CShadedButton::updateTooltip() {
    const QString& tip = isChecked() && !m_tipChecked.isEmpty() ? m_tipChecked : m_tip;
    // Rich text lets long tips wrap instead of running across the screen.
    setToolTip(
        tip.isEmpty()
            ? QString()
            : QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(tip.toHtmlEscaped()));
}

void CShadedButton::nextCheckState() {
    if (m_kind == Kind::Radio)
        setChecked(true); // clicking a checked radio leaves it checked
    else
        QAbstractButton::nextCheckState();
}

void CShadedButton::onToggled(bool checked) {
    updateTooltip();
    if (checked && m_kind == Kind::Radio && parentWidget()) {
        const auto siblings =
            parentWidget()->findChildren<CShadedButton*>(Qt::FindDirectChildrenOnly);
        for (CShadedButton* other : siblings) {
            if (other != this && other->m_kind == Kind::Radio && other->m_groupKey == m_groupKey)
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
    int w = text.width() + 2 * m_border + 8;
    if (!m_icon.isNull())
        w += kDefaultIconSize.width() + kIconGap;
    return {w, std::max(text.height(), kDefaultIconSize.height()) + 2 * m_border};
}

void CShadedButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    if (m_shade && m_faces.normal.width() != width())
        rebuildFaces();
    placeIcon();
}

void CShadedButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CShadedButton::leaveEvent(QEvent* event) {
    m_hover = false;
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
    const bool hover = m_hover && enabled;
    const bool pushed = isDown() || isChecked();

    if (!m_shade)
        p.fillRect(r, palette().color(QPalette::Button));
    else
        p.drawTiledPixmap(r, hover && !isDown() ? m_hoverTile
                             : pushed           ? m_pressedTile
                                                : m_normalTile);

    QRect textRect = r.adjusted(m_border, m_border, -m_border, -m_border);
    if (!m_iconRect.isNull()) {
        const QIcon& icon = isDown() && !m_iconPressed.isNull()  ? m_iconPressed
                            : hover && !m_iconHighlight.isNull() ? m_iconHighlight
                                                                 : m_icon;
        const QRect at = isDown() ? m_iconRect.translated(1, 1) : m_iconRect;
        icon.paint(&p, at, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
        if (m_iconAlign & Qt::AlignLeft)
            textRect.setLeft(m_iconRect.right() + kIconGap);
        else if (m_iconAlign & Qt::AlignRight)
            textRect.setRight(m_iconRect.left() - kIconGap);
    }

    if (!text().isEmpty()) {
        if (isDown())
            textRect.translate(1, 1);
        const int flags = int(m_align) | Qt::TextShowMnemonic;
        p.setFont(font());
        if (enabled) {
            p.setPen(m_textColour);
        } else {
            p.setPen(palette().color(QPalette::Light));
            p.drawText(textRect.translated(1, 1), flags, text());
            p.setPen(palette().color(QPalette::Dark));
        }
        p.drawText(textRect, flags, text());
    }

    if (m_flat) {
        if (hover)
            qDrawShadeRect(&p, r, palette(), isDown(), 1);
    } else if (pushed) {
        qDrawWinPanel(&p, r, palette(), true);
    } else {
        qDrawWinButton(&p, r, palette(), false);
    }

    if (hasFocus() && m_drawFocus && m_border > 0) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = r.adjusted(m_border - 1, m_border - 1, 1 - m_border, 1 - m_border);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

#include "controls/ControlSupport.h"

#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tamrel {

namespace {
constexpr int kMaxHeight = 1000;
}

bool isValidFontDescription(const FontDescription& desc) {
    return desc.weight >= 0 && desc.weight <= 1000 && std::abs(desc.height) <= kMaxHeight;
}

QFont fontFromDescription(const FontDescription& desc, const QFont& base) {
    QFont font = base;
    if (!desc.face.isEmpty())
        font.setFamily(desc.face.left(kMaxFaceLength));
    // Qt's weight scale matches the 100..900 one; 0 means "don't care".
    font.setWeight(desc.weight == 0 ? QFont::Normal
                                    : static_cast<QFont::Weight>(std::clamp(desc.weight, 1, 1000)));
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    if (desc.height < 0) {
        font.setPixelSize(-desc.height);
    } else if (desc.height > 0) {
        // A cell height includes the leading above the characters: measure the face at the
        // given em size and scale so that ascent + descent comes out at the requested height.
        font.setPixelSize(desc.height);
        const qreal cell = QFontMetricsF(font).height();
        if (cell > 0)
            font.setPixelSize(
                std::max(1, static_cast<int>(std::lround(desc.height * desc.height / cell))));
    }
    return font;
}

void setControlId(QWidget& widget, int id, const QString& caption) {
    const QString name = QStringLiteral("ctl%1").arg(id);
    widget.setProperty("controlId", id);
    widget.setObjectName(name);
    // The id is for tests, never what a screen reader says: without a
    // caption the control keeps the name Qt gives it (a window's title, a
    // button's text) or the one its label gives.
    if (!caption.isEmpty())
        widget.setAccessibleName(caption);
}

QWidget* findControl(const QWidget& root, int id) {
    return root.findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

QColor ReadableTextOn(const QColor& back) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double lum = 0.2126 * linear(back.redF()) + 0.7152 * linear(back.greenF()) +
                       0.0722 * linear(back.blueF());
    // Equal contrast with black and white where (L + 0.05)^2 = 1.05 * 0.05.
    return lum < 0.179 ? Qt::white : Qt::black;
}

} // namespace tamrel

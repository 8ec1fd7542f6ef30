#include "KeyLooks.h"

namespace tamrel::switchpanel {

ShadeParams KeyShadeParams(KeyShade shade) {
    return ShadeParams{8, 8, 10, 5, shade == KeyShade::Red ? kKeyRed : kKeyGreen};
}

FontDescription KeyFont(int id) {
    if (id == kNextKeyMenuId)
        return {"Tahoma", 14, 600};
    if (id == kNextConfigMenuId)
        return {"Tahoma", 12, 600};
    return {"Tahoma", 12, 400};
}

CShadedButton* MakeKey(QWidget& parent, int id, const QString& caption) {
    auto* b = new CShadedButton(caption, &parent); // owned by its parent
    setControlId(*b, id, caption);
    b->setFontDescription(KeyFont(id));
    b->setTextColour(kKeyCaption);
    b->setShade(KeyShadeParams(KeyShade::Green));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setMinimumWidth(56);
    return b;
}

void Relabel(CShadedButton& key, const QString& caption) {
    if (key.text() == caption)
        return;
    key.setText(caption);
    key.setAccessibleName(caption);
}

} // namespace tamrel::switchpanel

#pragma once

#include <QColor>
#include <QPushButton>

// A push button painted in one solid face colour with a caption colour: the Rx/Tx, RIT/XIT and
// S-meter buttons show state by colour alone. The frame follows the classic 3D look, drawn from
// the palette's four frame colours.
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit CColorButton(const QString& text = {}, QWidget* parent = nullptr);

    // Stores both colours and re-reads the pressed face colour; repaints only on change.
    void setColours(const QColor& caption, const QColor& face);
    QColor captionColour() const { return caption_; }
    QColor faceColour() const { return face_; }

    // Colours of the disabled caption: a white relief one pixel down-right under grey text.
    static constexpr QRgb kDisabledRelief = 0xffffffff;
    static constexpr QRgb kDisabledText = 0xff808080;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor caption_;
    QColor face_;
    QColor pressedFace_;
};

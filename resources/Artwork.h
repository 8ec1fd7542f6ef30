#pragma once
// The program's pictures, drawn in code so that they scale and need no binary
// assets: the splash, the window icon and the small button icons.

#include <QIcon>
#include <QPixmap>

namespace tamrel::artwork {

// The 500 x 333 splash picture.
QPixmap splash();
// The program's icon (also shown in the minimised window).
QIcon appIcon();

enum class ButtonIcon {
    Exit,        // the front panel's exit button
    InitialData, // "Getting Initial Data from Radio"
    Tune,        // "TUNE Transmitter"
    ArrowLeft,   // "RIT/XIT Down 10Hz"
    ArrowRight,  // "RIT/XIT Up 10Hz"
};
QIcon buttonIcon(ButtonIcon which);

} // namespace tamrel::artwork

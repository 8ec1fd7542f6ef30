#pragma once
// What a screen reader hears of the drawn controls: the segment displays, the
// labels used as lamps and read-outs, the shaded and solid-colour buttons and
// the S-meter. Qt only knows these as plain widgets, so each gets an
// accessible interface with a role, its name, its value as text and its
// state (pressed, checked, disabled).
//
// The window showing a value that the widget itself cannot tell (a lamp's
// colour, the S-meter's lit segments) puts it into the widget's property
// kSpokenValue as text; kLit marks a lamp or solid button as lit (checked).

class QSlider;
class QWidget;

namespace tamrel {

inline constexpr char kSpokenValue[] = "spokenValue";
inline constexpr char kLit[] = "lit";
// A container shown as one reading (the S-meter's segments): its children stay
// out of the tree.
inline constexpr char kOneReading[] = "signalMeter";

// A small window that shows a read-out for a moment: a notification to a
// screen reader, which speaks it as it appears.
inline constexpr char kNotification[] = "notification";

// A window whose description is what it last read out on request (a key
// asking for the frequencies): set before the window's title.
inline constexpr char kReadOut[] = "readOut";

// A slider whose position a person would not read as it stands (the tuning
// slider counts tens of hertz, the power slider runs upside down): a screen
// reader gets (position - origin) * scale in `unit` as its value, "14060.01
// kHz" rather than 1406001.
void SpeakSliderAs(QSlider& slider, int origin, double scale, const char* unit);

// Installs the interfaces' factory; the controls' constructors call it, so a
// control never meets a screen reader without it.
void InstallAccessibleControls();

} // namespace tamrel

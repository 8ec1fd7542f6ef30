#pragma once
// The front panel's widgets: built, styled and laid out like the radio's own
// panel (frequency read-outs large at the top, the display echo and S-meter
// beside them, the control groups below), each tagged with its control id.
// The widgets only show; FrontPanelView copies the model's view into them and
// the dialog connects their signals to the control handlers.

#include "panel/PanelView.h"

#include <QColor>
#include <QString>

#include <array>

class CEditEx;
class CStaticEx;
class CColorButton;
class CShadedButton;
class CSegmentDisplay;
class CScrollingSegmentDisplay;
class QCheckBox;
class QComboBox;
class QSlider;
class QWidget;

namespace tamrel {

// Control ids of the front panel.
namespace ctl {
inline constexpr int kExit = 1, kInitialQuery = 1000, kBandCombo = 1002, kVfoLock = 1003,
                     kTune = 1005, kTuningRange = 1008, kSwitchPanel = 1009, kKeyboardCw = 1015;
inline constexpr int kRxA = 1050, kTxA = 1054, kRxB = 1059, kTxB = 1061, kBToA = 1056, kAToB = 1063,
                     kDisplay = 1057, kVfoAEdit = 1065, kVfoBEdit = 1067;
inline constexpr int kUp10 = 1092, kDown10 = 1095, kUp50 = 1098, kDown50 = 1101, kUp1k = 1104,
                     kDown1k = 1111, kUp20 = 1153, kDown20 = 1154, kBandUp = 1114, kBandDown = 1116,
                     kTuningSlider = 1107, kTuningEdit = 1120;
inline constexpr int kOffsetEdit = 1121, kRit = 1122, kXit = 1123, kClear = 1124, kBandwidth = 1138,
                     kPowerSlider = 1144, kSpeedSlider = 1145, kSquelchSlider = 1146,
                     kPowerEdit = 1147, kSpeedEdit = 1148, kStatusLine = 1149, kSquelchEdit = 1151,
                     kEnterA = 1155, kEnterB = 1156, kPortText = 1158;
inline constexpr int kFirstLamp = 1259, kFirstMeter = 1318, kOffsetSlider = 1328,
                     kOffsetSliderText = 1329, kOffsetDown = 1343, kOffsetUp = 1344, kAfil = 1346,
                     kNb = 1347, kAnt = 1348;
inline constexpr int kCw = 1349, kLsb = 1350, kUsb = 1351, kCwr = 1352, kRtty = 1353, kRttyr = 1354,
                     kAgcFast = 1355, kAgcSlow = 1356, kAgcOff = 1357, kPre = 1358, kAtt = 1359,
                     kFirstXfil = 1360;
// Beyond the ids the panel has always had.
inline constexpr int kLinkLamp = 1400, kTxLamp = 1401, kTuneStep = 1402;
} // namespace ctl

struct FrontPanelWidgets {
    CEditEx* vfoA = nullptr;
    CEditEx* vfoB = nullptr;
    CEditEx* tuningEdit = nullptr;
    CEditEx* offsetEdit = nullptr;
    CEditEx* offsetSliderText = nullptr;
    CEditEx* powerEdit = nullptr;
    CEditEx* speedEdit = nullptr;
    CEditEx* squelchEdit = nullptr;
    CStaticEx* portText = nullptr;
    CStaticEx* linkLamp = nullptr; // beside "Connect to:"; its tooltip tells the state
    CStaticEx* txLamp = nullptr;
    QComboBox* tuneStep = nullptr; // step of keys and wheel
    CStaticEx* bandwidth = nullptr;
    std::array<CStaticEx*, 7> lamps{};
    CColorButton* rxA = nullptr;
    CColorButton* txA = nullptr;
    CColorButton* rxB = nullptr;
    CColorButton* txB = nullptr;
    CColorButton* rit = nullptr;
    CColorButton* xit = nullptr;
    std::array<CColorButton*, 2> enter{}; // ">>" of VFO A, B
    std::array<CColorButton*, 10> meter{};
    CSegmentDisplay* display = nullptr;
    CScrollingSegmentDisplay* status = nullptr;
    QSlider* tuning = nullptr;
    QSlider* power = nullptr;
    QSlider* speed = nullptr;
    QSlider* squelch = nullptr;
    QSlider* offset = nullptr;
    QComboBox* band = nullptr;
    QComboBox* tuningRange = nullptr;
    QCheckBox* vfoLock = nullptr;
    // Tuning steps by direction (0 down, 1 up) and step 1..4 (index 0..3).
    std::array<std::array<CShadedButton*, 4>, 2> steps{};
    CShadedButton* bandUp = nullptr;
    CShadedButton* bandDown = nullptr;
    CShadedButton* aToB = nullptr;
    CShadedButton* bToA = nullptr;
    CShadedButton* clear = nullptr;
    CShadedButton* offsetDown = nullptr;
    CShadedButton* offsetUp = nullptr;
    std::array<CShadedButton*, 6> modes{}; // mode table order: LSB USB CW RTTY CWR RTTYR
    std::array<CShadedButton*, 3> agc{};   // Fast, Slow, Off
    std::array<CShadedButton*, 4> xfil{};
    CShadedButton* pre = nullptr;
    CShadedButton* att = nullptr;
    CShadedButton* afil = nullptr;
    CShadedButton* nb = nullptr;
    CShadedButton* ant = nullptr;
    CShadedButton* tune = nullptr;
    CShadedButton* initialQuery = nullptr;
    CShadedButton* keyboardCw = nullptr;
    CShadedButton* switchPanel = nullptr;
    CShadedButton* exit = nullptr;
};

// Builds every widget as a child of `panel` with its start look and the
// application colour as background.
FrontPanelWidgets BuildFrontPanel(QWidget& panel, const QColor& appColour);

// What the S-meter's lit segments read, as a screen reader says it ("7 of 10, S9").
QString MeterReading(const std::array<Rgb, 10>& segments);

// The two styles of the mode, AGC, filter, PRE and ATT buttons.
void StyleSelected(CShadedButton& button, bool selected, bool keepFont = false);

} // namespace tamrel

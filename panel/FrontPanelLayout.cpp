#include "FrontPanelLayout.h"

#include "controls/AccessibleControls.h"
#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "controls/ToolPlacement.h"
#include "panel/FrontPanelPresenter.h"
#include "panel/KeyboardTuning.h"
#include "radio/BandTable.h"
#include "resources/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace tamrel {

namespace {

const QColor kSilver(192, 192, 192);

FontDescription times(int height, int weight = 700) {
    return {"Times New Roman", height, weight};
}
FontDescription tahoma(int height, int weight) {
    return {"Tahoma", height, weight};
}

ShadeParams shade(int style, int granularity, int highlight, int colouring, QColor base) {
    return ShadeParams{style, granularity, highlight, colouring, base};
}
const ShadeParams kSelectedShade = shade(6, 8, 10, 5, QColor(255, 192, 192));
const ShadeParams kUnselectedShade = shade(0, 8, 20, 5, QColor(55, 55, 255));
const ShadeParams kGreenMetal = shade(8, 8, 10, 5, QColor(55, 255, 55));
const ShadeParams kRedMetal = shade(8, 8, 10, 5, QColor(255, 55, 55));
const ShadeParams kPinkBump = shade(6, 8, 10, 5, QColor(255, 192, 192));
const ShadeParams kGreenNoise = shade(0, 8, 10, 5, QColor(55, 255, 55));

// Creation helpers: every control gets its id (object name "ctl<id>").
CShadedButton* shaded(QWidget& parent, int id, const QString& caption, const QString& tip,
                      const ShadeParams& params) {
    auto* b = new CShadedButton(caption, &parent);
    setControlId(*b, id, caption);
    b->setShade(params);
    b->setTooltipText(tip, QString());
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

CShadedButton* stepButton(QWidget& parent, int id, const QString& caption, const QString& tip) {
    CShadedButton* b = shaded(parent, id, caption, tip, kGreenMetal);
    b->setFontDescription(tahoma(12, 400));
    b->setTextColour(QColor(0, 99, 0));
    b->setMinimumWidth(46);
    return b;
}

CShadedButton* stateButton(QWidget& parent, int id, const QString& caption, const QString& tip) {
    CShadedButton* b = shaded(parent, id, caption, tip, kUnselectedShade);
    b->setFontDescription(tahoma(12, 600));
    b->setMinimumWidth(52);
    return b;
}

CColorButton* solid(QWidget& parent, int id, const QString& caption) {
    auto* b = new CColorButton(caption, &parent);
    setControlId(*b, id, caption.isEmpty() ? QString() : caption);
    b->setColours(Qt::black, kSilver);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

CEditEx* edit(QWidget& parent, int id, const FontDescription& font, int minChars) {
    auto* e = new CEditEx(&parent);
    setControlId(*e, id);
    e->setFontDescription(font);
    e->setBackgroundColour(kSilver);
    e->setTextColour(Qt::black);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setReadOnly(true);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QString(minChars, '0')) + 12);
    return e;
}

QSlider* slider(QWidget& parent, int id, Qt::Orientation o, int min, int max) {
    auto* s = new QSlider(o, &parent);
    setControlId(*s, id);
    s->setRange(min, max);
    s->setTracking(true);
    return s;
}

// Black or white, whichever reads on the panel's own colour.
QColor PanelText(const QWidget& inside) {
    return ReadableTextOn(inside.window()->palette().color(QPalette::Window));
}

// Labels and check boxes inside a group keep the panel's text colour.
void UsePanelTextColour(QWidget& w) {
    QPalette p = w.palette();
    p.setColor(QPalette::WindowText, PanelText(w));
    w.setPalette(p);
}

QGroupBox* group(QWidget& parent, const QString& title) {
    auto* g = new QGroupBox(title, &parent);
    // The sheet hides the panel's colours from the group: its title and
    // labels take the text colour of the panel's background themselves.
    g->setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; color: %1; }")
                         .arg(PanelText(parent).name()));
    return g;
}

QLabel* label(QWidget& parent, const QString& text, int pixelSize = 12, bool bold = true) {
    auto* l = new QLabel(text, &parent);
    UsePanelTextColour(*l);
    QFont f = l->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

// The VFO row: label, big read-out, ">>", Rx and Tx.
QHBoxLayout* vfoRow(QWidget& panel, FrontPanelWidgets& w, int vfo) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(panel, vfo == 0 ? "VFO A" : "VFO B", 14));
    CEditEx* e = edit(panel, vfo == 0 ? ctl::kVfoAEdit : ctl::kVfoBEdit, times(-36), 10);
    KeepClear(*e);
    e->setBackgroundColour(vfo == 0 ? QColor(166, 202, 240) : kSilver);
    e->setToolTip(vfo == 0 ? "VFO A: click to type a frequency in kHz"
                           : "VFO B: click to type a frequency in kHz");
    e->setMaximumWidth(300);
    (vfo == 0 ? w.vfoA : w.vfoB) = e;
    row->addWidget(e, 1);
    w.enter[vfo] = solid(panel, vfo == 0 ? ctl::kEnterA : ctl::kEnterB, ">>");
    w.enter[vfo]->setToolTip("Send the typed frequency");
    w.enter[vfo]->setFixedWidth(34);
    w.enter[vfo]->setEnabled(false);
    row->addWidget(w.enter[vfo]);
    CColorButton* rx = solid(panel, vfo == 0 ? ctl::kRxA : ctl::kRxB, "Rx");
    CColorButton* tx = solid(panel, vfo == 0 ? ctl::kTxA : ctl::kTxB, "Tx");
    rx->setToolTip(vfo == 0 ? "Receive on VFO A" : "Receive on VFO B");
    tx->setToolTip(vfo == 0 ? "Transmit on VFO A" : "Transmit on VFO B");
    for (CColorButton* b : {rx, tx}) {
        b->setFixedWidth(38);
        row->addWidget(b);
    }
    (vfo == 0 ? w.rxA : w.rxB) = rx;
    (vfo == 0 ? w.txA : w.txB) = tx;
    return row;
}

QWidget* frequencyGroup(QWidget& panel, FrontPanelWidgets& w) {
    QGroupBox* g = group(panel, "Frequency Control");
    auto* grid = new QGridLayout(g);
    struct Step {
        int id;
        const char* caption;
        const char* tip;
    };
    const Step down[4] = {{ctl::kDown10, "-10Hz", "Down 10Hz"},
                          {ctl::kDown20, "-20Hz", "Down 20Hz"},
                          {ctl::kDown50, "-50Hz", "Down 50Hz"},
                          {ctl::kDown1k, "-1KHz", "Down 1KHz"}};
    const Step up[4] = {{ctl::kUp10, "+10Hz", "Up 10Hz"},
                        {ctl::kUp20, "+20Hz", "Up 20Hz"},
                        {ctl::kUp50, "+50Hz", "Up 50Hz"},
                        {ctl::kUp1k, "+1KHz", "Up 1KHz"}};
    for (int i = 0; i < 4; ++i) {
        w.steps[0][i] = stepButton(*g, down[i].id, down[i].caption, down[i].tip);
        w.steps[1][i] = stepButton(*g, up[i].id, up[i].caption, up[i].tip);
    }
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(w.steps[0][3 - i], 0, i); // -1KHz at the far left
        grid->addWidget(w.steps[1][i], 0, 4 + i); // +1KHz at the far right
    }
    w.tuningEdit = edit(*g, ctl::kTuningEdit, times(-12), 10);
    w.tuningEdit->setAlignment(Qt::AlignCenter);
    w.tuningEdit->setMaximumWidth(100);
    w.tuningEdit->setToolTip("Tuning frequency (right-click the slider for release tuning)");
    w.tuning = slider(*g, ctl::kTuningSlider, Qt::Horizontal, 0, 1);
    SpeakSliderAs(*w.tuning, 0, 0.01, "kHz"); // positions are tens of hertz
    w.tuning->setToolTip("Tune (right-click: tune on release)");
    w.tuning->setPageStep(10);
    grid->addWidget(w.tuning, 1, 0, 1, 6);
    grid->addWidget(w.tuningEdit, 1, 6, 1, 2);

    auto* bottom = new QHBoxLayout;
    QLabel* bandLabel = label(*g, "BAND");
    bottom->addWidget(bandLabel);
    w.band = new QComboBox(g);
    bandLabel->setBuddy(w.band);
    setControlId(*w.band, ctl::kBandCombo);
    for (std::string_view name : kBandNames)
        w.band->addItem("  " + QString::fromLatin1(name.data(), int(name.size())));
    bottom->addWidget(w.band);
    w.bandDown = shaded(*g, ctl::kBandDown, "BAND-", "Change Band Down", kRedMetal);
    w.bandUp = shaded(*g, ctl::kBandUp, "BAND+", "Change Band Up", kRedMetal);
    for (CShadedButton* b : {w.bandDown, w.bandUp}) {
        b->setFontDescription(tahoma(12, 600));
        b->setTextColour(QColor(0, 80, 0)); // darker than the steps' green: the face is lighter
        bottom->addWidget(b);
    }
    bottom->addSpacing(12);
    QLabel* rangeLabel = label(*g, "Range");
    bottom->addWidget(rangeLabel);
    w.tuningRange = new QComboBox(g);
    rangeLabel->setBuddy(w.tuningRange);
    setControlId(*w.tuningRange, ctl::kTuningRange);
    for (std::string_view r : kTuningRangeLabels)
        w.tuningRange->addItem(QString::fromLatin1(r.data(), int(r.size())));
    w.tuningRange->setToolTip("Span of the tuning slider");
    bottom->addWidget(w.tuningRange);
    bottom->addSpacing(8);
    QLabel* stepLabel = label(*g, "Step");
    bottom->addWidget(stepLabel);
    w.tuneStep = new QComboBox(g);
    stepLabel->setBuddy(w.tuneStep);
    setControlId(*w.tuneStep, ctl::kTuneStep);
    for (std::string_view r : kTuneStepLabels)
        w.tuneStep->addItem(QString::fromLatin1(r.data(), int(r.size())));
    w.tuneStep->setToolTip("Tuning step of the arrow keys, Page Up/Down and the wheel");
    bottom->addWidget(w.tuneStep);
    bottom->addStretch(1);
    w.vfoLock = new QCheckBox("VFO Lock", g);
    UsePanelTextColour(*w.vfoLock);
    setControlId(*w.vfoLock, ctl::kVfoLock, "VFO Lock");
    bottom->addWidget(w.vfoLock);
    grid->addLayout(bottom, 2, 0, 1, 8);
    return g;
}

QWidget* ritGroup(QWidget& panel, FrontPanelWidgets& w) {
    QGroupBox* g = group(panel, "RIT/XIT Control");
    auto* grid = new QGridLayout(g);
    w.rit = solid(*g, ctl::kRit, "RIT");
    w.xit = solid(*g, ctl::kXit, "XIT");
    w.rit->setToolTip("Receiver incremental tuning");
    w.xit->setToolTip("Transmitter incremental tuning");
    w.clear = shaded(*g, ctl::kClear, "CLR", "Clear RIT/XIT offset", kGreenNoise);
    w.clear->setFontDescription(tahoma(12, 600));
    w.clear->setMaximumWidth(60);
    w.offsetEdit = edit(*g, ctl::kOffsetEdit, times(-18), 5);
    w.offsetEdit->setToolTip("RIT/XIT offset in Hz");
    w.offsetEdit->setMaximumWidth(90);
    for (CColorButton* b : {w.rit, w.xit})
        b->setMaximumWidth(56);
    grid->addWidget(w.rit, 0, 0);
    grid->addWidget(w.xit, 0, 1);
    grid->addWidget(w.clear, 0, 2);
    grid->addWidget(w.offsetEdit, 0, 3);
    w.offsetDown = shaded(*g, ctl::kOffsetDown, QString(), "RIT/XIT Down 10Hz", kGreenNoise);
    w.offsetDown->setIcons(artwork::buttonIcon(artwork::ButtonIcon::ArrowLeft), Qt::AlignLeft);
    w.offsetUp = shaded(*g, ctl::kOffsetUp, QString(), "RIT/XIT Up 10Hz", kGreenNoise);
    w.offsetUp->setIcons(artwork::buttonIcon(artwork::ButtonIcon::ArrowRight), Qt::AlignRight);
    for (CShadedButton* b : {w.offsetDown, w.offsetUp})
        b->setMaximumWidth(64);
    w.offset = slider(*g, ctl::kOffsetSlider, Qt::Horizontal, 0, 2000);
    SpeakSliderAs(*w.offset, 1000, 1, "Hz"); // the middle is no offset
    w.offset->setPageStep(50);
    w.offset->setSingleStep(10);
    w.offset->setToolTip("RIT/XIT offset");
    w.offsetSliderText = edit(*g, ctl::kOffsetSliderText, times(-14), 5);
    w.offsetSliderText->setAlignment(Qt::AlignCenter);
    w.offsetSliderText->setMaximumWidth(80);
    grid->addWidget(w.offsetDown, 1, 0);
    grid->addWidget(w.offset, 1, 1, 1, 2);
    grid->addWidget(w.offsetUp, 1, 3);
    grid->addWidget(w.offsetSliderText, 2, 1, 1, 2);
    return g;
}

QWidget* buttonGroup(QWidget& panel, const QString& title,
                     std::initializer_list<std::pair<QWidget*, int>> cells, int columns) {
    QGroupBox* g = group(panel, title);
    auto* grid = new QGridLayout(g);
    int i = 0;
    for (auto [widget, span] : cells) {
        widget->setParent(g);
        grid->addWidget(widget, i / columns, i % columns, 1, span);
        i += span;
    }
    return g;
}

// A level control: a slider with its value read-out below.
// A level control: a slider with its value read-out beside (or below) it.
QWidget* levelGroup(QWidget& panel, const QString& title, QSlider*& s, CEditEx*& e, int sliderId,
                    int editId, Qt::Orientation o, int min, int max, const QString& tip) {
    QGroupBox* g = group(panel, title);
    QBoxLayout* box = o == Qt::Vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(g))
                                        : static_cast<QBoxLayout*>(new QHBoxLayout(g));
    s = slider(*g, sliderId, o, min, max);
    s->setToolTip(tip);
    e = edit(*g, editId, times(-18), 4);
    e->setAlignment(Qt::AlignCenter);
    e->setMaximumWidth(90);
    box->addWidget(s, 1, o == Qt::Vertical ? Qt::AlignHCenter : Qt::Alignment());
    box->addWidget(e);
    return g;
}

QWidget* meterAndLamps(QWidget& panel, FrontPanelWidgets& w) {
    auto* box = new QWidget(&panel);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    w.display = new CSegmentDisplay("Elecraft", box);
    setControlId(*w.display, ctl::kDisplay, "Radio display");
    w.display->modifyStyle(0, 0x01 | 0x10);
    w.display->setText("Elecraft");
    w.display->setMinimumSize(280, 54);
    w.display->setMaximumWidth(420);
    v->addWidget(w.display);

    auto* lamps = new QHBoxLayout;
    const char* names[7] = {"NB", "ANT2", "PRE", "ATT", "VFOB", "RIT", "XIT"};
    for (int i = 0; i < 7; ++i) {
        auto* l = new CStaticEx(names[i], box);
        setControlId(*l, ctl::kFirstLamp + 3 * i, QString("%1 lamp").arg(names[i]));
        l->setProperty(kLit, false);
        l->setProperty(kSpokenValue, "off");
        l->setFontDescription(times(-10, 100));
        l->setBackgroundColour(kSilver);
        l->setTextColour(Qt::black);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(34);
        w.lamps[std::size_t(i)] = l;
        lamps->addWidget(l);
    }
    v->addLayout(lamps);

    // One reading for a screen reader, not ten coloured buttons: marked before
    // its title is set, as that makes its accessible interface.
    auto* meter = new QGroupBox(box);
    meter->setProperty(kOneReading, true);
    meter->setProperty(kSpokenValue, MeterReading({}));
    meter->setAccessibleName("S-meter");
    meter->setTitle("S Meter");
    meter->setStyleSheet(
        QStringLiteral("QGroupBox { font-weight: bold; color: %1; }").arg(PanelText(*box).name()));
    auto* grid = new QGridLayout(meter);
    grid->setHorizontalSpacing(2);
    const char* scale[10] = {"S1", "", "", "5", "", "", "9", "", "+20", "+40"};
    for (int i = 0; i < 10; ++i) {
        grid->addWidget(label(*meter, scale[i], 10), 0, i, Qt::AlignCenter);
        CColorButton* seg = solid(*meter, ctl::kFirstMeter + i, QString());
        seg->setFixedSize(22, 12);
        seg->setFocusPolicy(Qt::NoFocus);
        seg->setToolTip("S meter");
        w.meter[std::size_t(i)] = seg;
        grid->addWidget(seg, 1, i);
    }
    v->addWidget(meter);
    KeepClear(*box);
    return box;
}

// What a screen reader calls each control: its caption where that says what
// it is, else what it does.
void NameForScreenReaders(FrontPanelWidgets& w) {
    const std::pair<QWidget*, const char*> names[] = {
        {w.vfoA, "VFO A frequency"},
        {w.vfoB, "VFO B frequency"},
        {w.enter[0], "Send VFO A frequency"},
        {w.enter[1], "Send VFO B frequency"},
        {w.rxA, "Receive on VFO A"},
        {w.txA, "Transmit on VFO A"},
        {w.rxB, "Receive on VFO B"},
        {w.txB, "Transmit on VFO B"},
        {w.aToB, "Copy VFO A to VFO B"},
        {w.bToA, "Copy VFO B to VFO A"},
        {w.steps[0][0], "Tune down 10 Hz"},
        {w.steps[0][1], "Tune down 20 Hz"},
        {w.steps[0][2], "Tune down 50 Hz"},
        {w.steps[0][3], "Tune down 1 kHz"},
        {w.steps[1][0], "Tune up 10 Hz"},
        {w.steps[1][1], "Tune up 20 Hz"},
        {w.steps[1][2], "Tune up 50 Hz"},
        {w.steps[1][3], "Tune up 1 kHz"},
        {w.tuning, "Tuning"},
        {w.tuningEdit, "Tuning frequency"},
        {w.band, "Band"},
        {w.bandDown, "Band down"},
        {w.bandUp, "Band up"},
        {w.tuningRange, "Tuning range"},
        {w.tuneStep, "Tuning step"},
        {w.clear, "Clear RIT/XIT offset"},
        {w.offsetEdit, "RIT/XIT offset"},
        {w.offsetDown, "RIT/XIT down 10 Hz"},
        {w.offsetUp, "RIT/XIT up 10 Hz"},
        {w.offset, "RIT/XIT offset slider"},
        {w.offsetSliderText, "RIT/XIT slider setting"},
        {w.power, "Power"},
        {w.powerEdit, "Power setting"},
        {w.speed, "CW speed"},
        {w.speedEdit, "CW speed setting"},
        {w.squelch, "Squelch"},
        {w.squelchEdit, "Squelch setting"},
        {w.modes[4], "CW reverse"},
        {w.modes[5], "RTTY reverse"},
        {w.agc[0], "AGC fast"},
        {w.agc[1], "AGC slow"},
        {w.agc[2], "AGC off"},
        {w.pre, "Preamp"},
        {w.att, "Attenuator"},
        {w.afil, "Audio filter"},
        {w.nb, "Noise blanker"},
        {w.ant, "Antenna"},
        {w.tune, "Tune transmitter"},
        {w.bandwidth, "Filter bandwidth"},
        {w.initialQuery, "Get initial data from radio"},
        {w.keyboardCw, "Keyboard CW"},
        {w.switchPanel, "Switch panel"},
        {w.exit, "Exit"},
    };
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(QString::fromUtf8(name));
}

} // namespace

QString MeterReading(const std::array<Rgb, 10>& segments) {
    // The scale printed above the segments.
    static const char* const scale[10] = {"S1", "", "", "S5", "", "", "S9", "", "S9+20", "S9+40"};
    int lit = 0;
    for (int i = 0; i < 10; ++i)
        if (segments[std::size_t(i)] != colour::kSilver && segments[std::size_t(i)] != 0)
            lit = i + 1;
    QString reading = QString("%1 of 10").arg(lit);
    if (lit > 0 && *scale[lit - 1])
        reading += QString(", %1").arg(scale[lit - 1]);
    return reading;
}

void StyleSelected(CShadedButton& button, bool selected, bool keepFont) {
    if (!keepFont)
        button.setFontDescription(selected ? tahoma(14, 600) : tahoma(12, 600));
    button.setTextColour(selected ? QColor(0, 0, 128) : QColor(90, 90, 90));
    button.setShade(selected ? kSelectedShade : kUnselectedShade);
    button.update();
}

FrontPanelWidgets BuildFrontPanel(QWidget& panel, const QColor& appColour) {
    FrontPanelWidgets w;
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, appColour);
    // Labels and group titles stay readable on whatever colour the operator chose.
    pal.setColor(QPalette::WindowText, ReadableTextOn(appColour));
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);

    // Top: the two VFOs and the copy buttons, then the display echo and meter.
    auto* vfos = new QVBoxLayout;
    vfos->addLayout(vfoRow(panel, w, 0));
    auto* copies = new QHBoxLayout;
    w.aToB = shaded(panel, ctl::kAToB, "A>B", "Copy VFO A to VFO B", kGreenMetal);
    w.bToA = shaded(panel, ctl::kBToA, "B>A", "Copy VFO B to VFO A", kGreenMetal);
    for (CShadedButton* b : {w.aToB, w.bToA}) {
        b->setFontDescription(tahoma(12, 600));
        copies->addWidget(b);
    }
    copies->addStretch(1);
    vfos->addLayout(copies);
    vfos->addLayout(vfoRow(panel, w, 1));
    auto* top = new QHBoxLayout;
    top->addLayout(vfos, 3);
    top->addWidget(meterAndLamps(panel, w), 2);

    // Middle: frequency and RIT/XIT groups; below them the state buttons and
    // the power, then the keyer speed and squelch.
    auto* middle = new QHBoxLayout;
    middle->addWidget(frequencyGroup(panel, w), 3);
    middle->addWidget(ritGroup(panel, w), 2);
    QWidget* power = levelGroup(panel, "PWR", w.power, w.powerEdit, ctl::kPowerSlider,
                                ctl::kPowerEdit, Qt::Vertical, 0, 150, "Power");
    auto* knobs = new QHBoxLayout;
    knobs->addWidget(levelGroup(panel, "CW Speed", w.speed, w.speedEdit, ctl::kSpeedSlider,
                                ctl::kSpeedEdit, Qt::Horizontal, 9, 50, "Keyer speed (WPM)"));
    knobs->addWidget(levelGroup(panel, "Squelch", w.squelch, w.squelchEdit, ctl::kSquelchSlider,
                                ctl::kSquelchEdit, Qt::Horizontal, 0, 250, "Squelch"));
    // Position 0 (power 150) at the top, as the radio's knob turned up.
    w.power->setInvertedAppearance(true);
    w.power->setInvertedControls(true);
    w.power->setMinimumHeight(80);
    w.speed->setPageStep(5);
    w.squelch->setSingleStep(25);
    w.squelch->setPageStep(25);

    // Lower: the state buttons.
    const struct {
        int id;
        const char* caption;
        const char* tip;
    } modes[6] = {{ctl::kLsb, "LSB", "LSB"},        {ctl::kUsb, "USB", "USB"},
                  {ctl::kCw, "CW", "CW"},           {ctl::kRtty, "RTTY", "RTTY"},
                  {ctl::kCwr, "CWR", "CW Reverse"}, {ctl::kRttyr, "RTTYR", "RTTY Reverse"}};
    for (int i = 0; i < 6; ++i)
        w.modes[std::size_t(i)] = stateButton(panel, modes[i].id, modes[i].caption, modes[i].tip);
    w.agc = {stateButton(panel, ctl::kAgcFast, "Fast", "AGC Fast"),
             stateButton(panel, ctl::kAgcSlow, "Slow", "AGC Slow"),
             stateButton(panel, ctl::kAgcOff, "Off", "AGC Off")};
    for (int i = 0; i < 4; ++i)
        w.xfil[std::size_t(i)] =
            stateButton(panel, ctl::kFirstXfil + i, QString("XFIL %1").arg(i + 1),
                        QString("Crystal Filter # %1").arg(i + 1));
    w.pre = stateButton(panel, ctl::kPre, "PRE", "Preamp");
    w.att = stateButton(panel, ctl::kAtt, "ATT", "Attenuator");
    w.afil = shaded(panel, ctl::kAfil, "AFIL: OFF", "Audio Filter", kPinkBump);
    w.nb = shaded(panel, ctl::kNb, "NB: OFF", "Noise Blanker", kPinkBump);
    w.ant = shaded(panel, ctl::kAnt, "ANT: 1", "Antenna Position", kPinkBump);
    for (CShadedButton* b : {w.afil, w.nb, w.ant}) {
        b->setFontDescription(tahoma(12, 600));
        b->setMinimumWidth(66);
    }
    w.tune = shaded(panel, ctl::kTune, QString(), "TUNE Transmitter", kGreenMetal);
    w.tune->setIcons(artwork::buttonIcon(artwork::ButtonIcon::Tune), Qt::AlignCenter);
    w.bandwidth = new CStaticEx(QString(), &panel);
    setControlId(*w.bandwidth, ctl::kBandwidth, "Bandwidth");
    w.bandwidth->setFontDescription(times(-15));
    w.bandwidth->setBackgroundColour(kSilver);
    w.bandwidth->setTextColour(Qt::black);
    w.bandwidth->setAlignment(Qt::AlignCenter);
    w.bandwidth->setToolTip("Filter bandwidth");
    w.bandwidth->setMaximumHeight(26);

    auto* lower = new QHBoxLayout;
    lower->addWidget(buttonGroup(panel, "Operating Mode",
                                 {{w.modes[0], 1},
                                  {w.modes[1], 1},
                                  {w.modes[2], 1},
                                  {w.modes[4], 1},
                                  {w.modes[3], 1},
                                  {w.modes[5], 1}},
                                 3));
    lower->addWidget(buttonGroup(panel, "AGC", {{w.agc[0], 1}, {w.agc[1], 1}, {w.agc[2], 1}}, 1));
    lower->addWidget(buttonGroup(
        panel, "Crystal Filter",
        {{w.xfil[0], 1}, {w.xfil[1], 1}, {w.xfil[2], 1}, {w.xfil[3], 1}, {w.bandwidth, 2}}, 2));
    lower->addWidget(
        buttonGroup(panel, "Misc",
                    {{w.pre, 1}, {w.att, 1}, {w.tune, 1}, {w.afil, 1}, {w.nb, 1}, {w.ant, 1}}, 3));

    // Bottom: status line, port and the program's own buttons.
    auto* bottom = new QHBoxLayout;
    w.status = new CScrollingSegmentDisplay(QString(), &panel);
    setControlId(*w.status, ctl::kStatusLine, "Status line");
    w.status->setVisibleWidth(35);
    w.status->setScrollInterval(250);
    w.status->modifyStyle(0x02, 0x01 | 0x08);
    w.status->setColours(QColor(0, 52, 52), QColor(92, 252, 204));
    w.status->setMinimumSize(420, 30);
    KeepClear(*w.status);
    bottom->addWidget(w.status, 1);
    w.txLamp = new CStaticEx("TX", &panel);
    setControlId(*w.txLamp, ctl::kTxLamp, "TX lamp");
    w.txLamp->setProperty(kLit, false);
    w.txLamp->setProperty(kSpokenValue, "receiving");
    w.txLamp->setFontDescription(tahoma(14, 700));
    w.txLamp->setAlignment(Qt::AlignCenter);
    w.txLamp->setFixedSize(40, 26);
    w.txLamp->setToolTip("Lit while the radio transmits");
    knobs->addWidget(w.txLamp);
    knobs->addWidget(label(panel, "Connect to:"));
    w.linkLamp = new CStaticEx(QString(), &panel);
    setControlId(*w.linkLamp, ctl::kLinkLamp, "Link lamp");
    w.linkLamp->setProperty(kSpokenValue, "not connected");
    w.linkLamp->setFixedSize(16, 16);
    knobs->addWidget(w.linkLamp);
    w.portText = new CStaticEx("None", &panel);
    setControlId(*w.portText, ctl::kPortText, "Port");
    w.portText->setFontDescription(times(-18));
    w.portText->setBackgroundColour(appColour);
    w.portText->setTextColour(ReadableTextOn(appColour));
    w.portText->setMinimumWidth(80);
    knobs->addWidget(w.portText);
    w.initialQuery = shaded(panel, ctl::kInitialQuery, QString(), "Getting Initial Data from Radio",
                            kGreenMetal);
    w.initialQuery->setIcons(artwork::buttonIcon(artwork::ButtonIcon::InitialData),
                             Qt::AlignCenter);
    w.keyboardCw = shaded(panel, ctl::kKeyboardCw, "CW", "Transmit CW via Keyboard", kGreenMetal);
    w.switchPanel =
        shaded(panel, ctl::kSwitchPanel, "SW Panel", "Virtual Switch Panel", kGreenMetal);
    for (CShadedButton* b : {w.keyboardCw, w.switchPanel})
        b->setFontDescription({"Courier New", 16, 600});
    w.exit = shaded(panel, ctl::kExit, QString(), "Exit Tamrel", kGreenMetal);
    w.exit->setIcons(artwork::buttonIcon(artwork::ButtonIcon::Exit), Qt::AlignCenter);
    for (CShadedButton* b : {w.initialQuery, w.keyboardCw, w.switchPanel, w.exit}) {
        b->setMinimumSize(56, 34);
        bottom->addWidget(b);
    }

    for (CShadedButton* b : w.modes)
        StyleSelected(*b, false);
    for (CShadedButton* b : w.agc)
        StyleSelected(*b, false);
    for (CShadedButton* b : w.xfil)
        StyleSelected(*b, false);

    // The panel fits a 1024 x 768 screen, the largest placement the settings keep.
    auto* root = new QGridLayout(&panel);
    lower->addWidget(power);
    root->addLayout(top, 0, 0);
    root->addLayout(middle, 1, 0);
    root->addLayout(lower, 2, 0);
    root->addLayout(knobs, 3, 0);
    root->addLayout(bottom, 4, 0);
    NameForScreenReaders(w);

    // Tab reads each group as its rows go, left to right; the order the
    // widgets were made in is not that order in every group.
    const auto chain = [](std::initializer_list<QWidget*> order) {
        for (auto it = order.begin(); it + 1 != order.end(); ++it)
            QWidget::setTabOrder(*it, *(it + 1));
    };
    const auto& down = w.steps[0];
    const auto& up = w.steps[1];
    chain({down[3], down[2], down[1], down[0], up[0], up[1], up[2], up[3], w.tuning, w.tuningEdit});
    chain({w.modes[2], w.modes[4], w.modes[3], w.modes[5]}); // CW, then the row CWR RTTY RTTYR
    chain({w.att, w.tune, w.afil});                          // PRE ATT TUNE, AFIL NB ANT
    return w;
}

} // namespace tamrel

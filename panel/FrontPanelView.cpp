#include "FrontPanelView.h"

#include "controls/AccessibleControls.h"
#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "panel/SpokenValues.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace tamrel {

namespace {

// Tells a screen reader of a state only a colour shows, with the event it
// listens for when it changed.
void setSpoken(QWidget* w, const char* property, const QVariant& value) {
    if (w->property(property) == value)
        return;
    w->setProperty(property, value);
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(w, changed);
    SpokenValues::deliver(&event);
}

void setText(CEditEx* e, const std::string& text) {
    QString t = QString::fromStdString(text);
    if (e->text() != t)
        e->setText(t);
}

void setBack(CEditEx* e, Rgb c) {
    if (e->backgroundColour() != ToQColor(c))
        e->setBackgroundColour(ToQColor(c));
    // White on a dark background (split receive).
    const QColor text = ReadableTextOn(ToQColor(c));
    if (e->textColour() != text)
        e->setTextColour(text);
}

void setFace(CColorButton* b, Rgb c) {
    if (b->faceColour() != ToQColor(c))
        b->setColours(Qt::black, ToQColor(c));
    // A button that shows its state by colour says it: lit is checked.
    setSpoken(b, kLit, c != colour::kSilver);
}

void setCaption(CShadedButton* b, const std::string& caption) {
    QString t = QString::fromStdString(caption);
    if (b->text() != t)
        b->setText(t);
}

void setSlider(QSlider* s, const SliderView& v) {
    // The slider is the user's while its thumb is held.
    if (s->isSliderDown())
        return;
    QSignalBlocker block(s);
    if (s->minimum() != v.min || s->maximum() != v.max)
        s->setRange(v.min, v.max);
    if (s->value() != v.pos)
        s->setValue(v.pos);
}

void setSelected(CShadedButton* b, bool selected, bool keepFont = false) {
    // The button's checked state remembers which style it has.
    if (b->property("selectedStyle").isValid() && b->property("selectedStyle").toBool() == selected)
        return;
    b->setProperty("selectedStyle", selected);
    StyleSelected(*b, selected, keepFont);
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(b, changed);
    SpokenValues::deliver(&event);
}

} // namespace

namespace {

// In mode table order, as PanelView::modeSelected.
constexpr const char* kModeNames[6] = {"LSB", "USB", "CW", "RTTY", "CW reverse", "RTTY reverse"};

QString modeName(const PanelView& v) {
    for (std::size_t i = 0; i < v.modeSelected.size(); ++i)
        if (v.modeSelected[i])
            return kModeNames[i];
    return "mode unknown";
}

} // namespace

QString SpokenSummary(const PanelView& v) {
    auto khz = [](const std::string& text) {
        const QString t = QString::fromStdString(text).trimmed();
        return t.contains(QRegularExpression("[0-9]")) ? t + " kHz" : QString("unknown");
    };
    QString s =
        QString("VFO A %1, VFO B %2, %3").arg(khz(v.vfoAText), khz(v.vfoBText), modeName(v));
    if (!v.bandwidthText.empty())
        s += QString(", filter %1").arg(QString::fromStdString(v.bandwidthText).trimmed());
    return s;
}

void FollowSpokenValues(SpokenValues& spoken, const FrontPanelWidgets& w, const PanelView& v) {
    for (QWidget* c : std::initializer_list<QWidget*>{w.vfoA, w.vfoB, w.offsetEdit, w.bandwidth,
                                                      w.band, w.txLamp, w.linkLamp, w.status})
        spoken.Follow(c);
    spoken.Follow(w.meter[0]->parentWidget());
    // The mode as one value, on the group of its buttons.
    spoken.Follow(w.modes[0]->parentWidget(), [&v] { return modeName(v); });
}

void ShowView(FrontPanelWidgets& w, const PanelView& v, uint32_t changes) {
    if (changes & kChangeTexts) {
        // A box the operator is typing in keeps the typed text.
        if (!v.editing[0])
            setText(w.vfoA, v.vfoAText);
        if (!v.editing[1])
            setText(w.vfoB, v.vfoBText);
        setText(w.tuningEdit, v.tuningText);
        setText(w.powerEdit, v.powerText);
        setText(w.offsetEdit, v.offsetText);
        setText(w.offsetSliderText, v.offsetSliderText);
        setText(w.speedEdit, v.speedKnown ? std::to_string(v.cwSpeed) : "--");
        setText(w.squelchEdit, v.squelchKnown ? std::to_string(v.squelch) : "--");
        QString bw = QString::fromStdString(v.bandwidthText);
        if (w.bandwidth->text() != bw)
            w.bandwidth->setText(bw);
        QString port = QString::fromStdString(v.portText);
        if (w.portText->text() != port)
            w.portText->setText(port);
        setCaption(w.afil, v.afilCaption);
        setCaption(w.nb, v.nbCaption);
        setCaption(w.ant, v.antCaption);
    }
    if (changes & kChangeColours) {
        setBack(w.vfoA, v.editABack);
        setBack(w.vfoB, v.editBBack);
        setBack(w.offsetEdit, v.offsetEditBack);
        setBack(w.tuningEdit, v.tuningEditBack);
        setFace(w.rxA, v.rxA);
        setFace(w.txA, v.txA);
        setFace(w.rxB, v.rxB);
        setFace(w.txB, v.txB);
        setFace(w.rit, v.ritButton);
        setFace(w.xit, v.xitButton);
        for (int i = 0; i < 2; ++i) {
            setFace(w.enter[i], v.entryButton[i]);
            w.enter[i]->setEnabled(v.entryEnabled[i]);
        }
        w.vfoA->setReadOnly(!v.editWritable[0]);
        w.vfoB->setReadOnly(!v.editWritable[1]);
    }
    if (changes & kChangeSliders) {
        setSlider(w.tuning, v.tuning);
        setSlider(w.power, v.power);
        setSlider(w.speed, v.speed);
        setSlider(w.squelch, v.squelchSlider);
        setSlider(w.offset, v.offset);
    }
    if (changes & kChangeButtons) {
        for (std::size_t i = 0; i < w.modes.size(); ++i)
            setSelected(w.modes[i], v.modeSelected[i]);
        for (std::size_t i = 0; i < w.agc.size(); ++i)
            setSelected(w.agc[i], v.agcSelected[i]);
        for (std::size_t i = 0; i < w.xfil.size(); ++i)
            setSelected(w.xfil[i], v.xfilSelected[i]);
        setSelected(w.pre, v.preSelected, true);
        setSelected(w.att, v.attSelected, true);
        for (QWidget* c : {static_cast<QWidget*>(w.offsetDown), static_cast<QWidget*>(w.offsetUp),
                           static_cast<QWidget*>(w.offset)})
            c->setEnabled(v.ritXitControlsEnabled);
        {
            QSignalBlocker block(w.vfoLock);
            w.vfoLock->setChecked(v.vfoLock);
        }
        if (!w.band->view()->isVisible() && w.band->currentIndex() != v.bandIndex) {
            QSignalBlocker block(w.band);
            w.band->setCurrentIndex(v.bandIndex);
        }
        if (w.tuneStep->currentIndex() != v.tuneStepIndex) {
            QSignalBlocker block(w.tuneStep);
            w.tuneStep->setCurrentIndex(v.tuneStepIndex);
        }
        if (w.tuningRange->currentIndex() != v.tuningRangeIndex) {
            QSignalBlocker block(w.tuningRange);
            w.tuningRange->setCurrentIndex(v.tuningRangeIndex);
        }
    }
    if (changes & kChangeAnnunciators) {
        for (std::size_t i = 0; i < w.lamps.size(); ++i)
            if (w.lamps[i]->backgroundColour() != ToQColor(v.lamps[i])) {
                w.lamps[i]->setBackgroundColour(ToQColor(v.lamps[i]));
                const bool lit = v.lamps[i] != colour::kSilver;
                w.lamps[i]->setProperty(kSpokenValue, !lit ? "off"
                                                      : v.lamps[i] == colour::kLampBlink
                                                          ? "blinking"
                                                          : "on");
                setSpoken(w.lamps[i], kLit, lit);
            }
    }
    if (changes & kChangeMeter) {
        for (std::size_t i = 0; i < w.meter.size(); ++i)
            setFace(w.meter[i], v.meter[i]);
        w.meter[0]->parentWidget()->setProperty(kSpokenValue, MeterReading(v.meter));
    }
    if (changes & kChangeDisplay)
        w.display->setText(QString::fromStdString(v.displayText));
    if (changes & kChangeLink) {
        w.linkLamp->setBackgroundColour(ToQColor(v.linkLamp));
        w.linkLamp->setToolTip(QString::fromStdString(v.linkTip));
        w.linkLamp->setProperty(kSpokenValue, QString::fromStdString(v.linkTip));
        w.txLamp->setProperty(kSpokenValue, v.txLamp ? "transmitting" : "receiving");
        setSpoken(w.txLamp, kLit, v.txLamp);
        w.txLamp->setBackgroundColour(ToQColor(v.txLamp ? colour::kTxLit : colour::kTxDark));
        // Both readable at 4.5:1 or better, dark or lit.
        w.txLamp->setTextColour(v.txLamp ? Qt::white : QColor(200, 170, 170));
    }
    if (changes & kChangeStatus) {
        bool error = v.statusStyle == StatusStyle::Error;
        w.status->setScrolling(!v.statusText.empty());
        w.status->setColours(error ? QColor(52, 0, 0) : QColor(0, 52, 52),
                             error ? QColor(255, 0, 0) : QColor(92, 252, 204));
        w.status->setMessage(QString::fromStdString(v.statusText));
    }
}

} // namespace tamrel

// The front panel's input: its controls wired to their handlers, the keys
// and the wheel over its own widgets.

#include "CFrontPanelDlg.h"

#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/PanelKeys.h"
#include "memory/MemoryCommands.h"
#include "panel/FrontPanelView.h"
#include "panel/KeyboardTuning.h"
#include "radio/K2Commands.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QSlider>
#include <QWheelEvent>

#include <array>

namespace tamrel {

namespace {

// Trackbar notification of a slider action: what the radio's panel logic
// expects to see for keys, clicks on the groove and the wheel.
int sliderCode(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return kLineUp;
    case QAbstractSlider::SliderSingleStepAdd:
        return kLineDown;
    case QAbstractSlider::SliderPageStepSub:
        return kPageUp;
    case QAbstractSlider::SliderPageStepAdd:
        return kPageDown;
    case QAbstractSlider::SliderMove:
        return kThumbTrack;
    case QAbstractSlider::SliderToMinimum:
        return kTop;
    case QAbstractSlider::SliderToMaximum:
        return kBottom;
    default:
        return -1;
    }
}

bool IsEnterKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

int WheelNotches::Turn(QPoint angleDelta) {
    // A mostly horizontal movement (a tilt wheel, a touchpad's sideways swipe)
    // is no turn of the knob.
    if (angleDelta.y() == 0 || std::abs(angleDelta.x()) > std::abs(angleDelta.y()))
        return 0;
    pending_ += angleDelta.y();
    const int notches = pending_ / QWheelEvent::DefaultDeltasPerStep;
    pending_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    return notches;
}

void CFrontPanelDlg::ConnectSlider(QSlider* slider, std::function<void(int, int)> handler) {
    connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider, handler](int action) {
        int code = sliderCode(action);
        if (code < 0)
            return;
        // Keys, clicks and the wheel are whole moves: the radio hears the end
        // of each at once. A drag ends when the thumb is released.
        if (code == kThumbTrack && !slider->isSliderDown())
            code = kThumbPosition;
        handler(code, slider->sliderPosition());
        if (!slider->isSliderDown())
            handler(kEndScroll, slider->sliderPosition());
        Refresh();
    });
    connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider, handler] {
        handler(kThumbPosition, slider->sliderPosition());
        handler(kEndScroll, slider->sliderPosition());
        Refresh();
    });
}

void CFrontPanelDlg::ConnectControls() {
    auto onClick = [this](QAbstractButton* b, std::function<void()> f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] {
            f();
            Refresh();
        });
    };
    for (int up = 0; up < 2; ++up)
        for (int step = 1; step <= 4; ++step)
            onClick(w_.steps[up][step - 1], [this, up, step] { controls_.OnTuneStep(up, step); });
    onClick(w_.bandUp, [this] { controls_.OnBandStep(true); });
    onClick(w_.bandDown, [this] { controls_.OnBandStep(false); });
    onClick(w_.aToB, [this] { controls_.OnCopyAToB(); });
    onClick(w_.bToA, [this] { controls_.OnCopyBToA(); });
    onClick(w_.rxA, [this] { controls_.OnReceiveVfo(0); });
    onClick(w_.txA, [this] { controls_.OnTransmitVfo(0); });
    onClick(w_.rxB, [this] { controls_.OnReceiveVfo(1); });
    onClick(w_.txB, [this] { controls_.OnTransmitVfo(1); });
    onClick(w_.rit, [this] { controls_.OnRit(); });
    onClick(w_.xit, [this] { controls_.OnXit(); });
    onClick(w_.clear, [this] { controls_.OnClearOffset(); });
    onClick(w_.offsetDown, [this] { controls_.OnOffsetStep(false); });
    onClick(w_.offsetUp, [this] { controls_.OnOffsetStep(true); });
    for (std::size_t i = 0; i < w_.modes.size(); ++i)
        onClick(w_.modes[i], [this, i] { controls_.OnMode(kModes[i].code); });
    const int agcCodes[3] = {2, 4, 0};
    for (std::size_t i = 0; i < w_.agc.size(); ++i)
        onClick(w_.agc[i], [this, code = agcCodes[i]] { controls_.OnAgc(code); });
    for (std::size_t i = 0; i < w_.xfil.size(); ++i)
        onClick(w_.xfil[i], [this, i] { controls_.OnCrystalFilter(int(i) + 1); });
    onClick(w_.pre, [this] { controls_.OnPreamp(); });
    onClick(w_.att, [this] { controls_.OnAttenuator(); });
    onClick(w_.afil, [this] { controls_.OnAudioFilter(); });
    onClick(w_.nb, [this] { controls_.OnNoiseBlanker(); });
    onClick(w_.ant, [this] { controls_.OnAntenna(); });
    onClick(w_.tune, [this] { controls_.OnTune(); });
    onClick(w_.vfoLock, [this] { controls_.OnVfoLock(); });
    onClick(w_.initialQuery, [this] { SendInitialQuery(); });
    onClick(w_.exit, [this] { ConfirmExit(); });
    onClick(w_.switchPanel, [this] { OpenSwitchPanel(); });
    onClick(w_.keyboardCw, [this] { ToggleKeyboard(); });

    for (int v = 0; v < 2; ++v) {
        CEditEx* edit = v == 0 ? w_.vfoA : w_.vfoB;
        onClick(w_.enter[v],
                [this, v, edit] { controls_.OnEnterFrequency(v, edit->text().toStdString()); });
        connect(edit, &QLineEdit::textEdited, this, [this, v] {
            controls_.OnFrequencyEdited(v);
            Refresh();
        });
    }
    connect(w_.band, &QComboBox::activated, this, [this](int index) {
        controls_.OnBandSelected(index);
        Refresh();
    });
    connect(w_.tuneStep, &QComboBox::activated, this, [this](int index) {
        controls_.OnTuneStepSelected(index);
        Refresh();
    });
    connect(w_.tuningRange, &QComboBox::activated, this, [this](int index) {
        controls_.OnTuningRangeSelected(index);
        Refresh();
    });
    ConnectSlider(w_.power, [this](int c, int p) { controls_.OnPowerSlider(c, p); });
    ConnectSlider(w_.speed, [this](int c, int p) { controls_.OnSpeedSlider(c, p); });
    ConnectSlider(w_.squelch, [this](int c, int p) { controls_.OnSquelchSlider(c, p); });
    ConnectSlider(w_.offset, [this](int c, int p) { controls_.OnOffsetSlider(c, p); });
    ConnectSlider(w_.tuning, [this](int c, int p) { controls_.OnTuningSlider(c, p); });
}

bool CFrontPanelDlg::HandleTuningKey(QWidget* widget, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier)
        return false;
    const int64_t delta = KeyTuningDelta(key->key(), mods == Qt::ShiftModifier,
                                         TuneStepHz(presenter_.TuneStepIndex()));
    if (delta == 0)
        return false;
    // Text boxes being typed in keep their keys, and so do the level sliders,
    // which the keyboard has no other way to move. Whatever else on the panel
    // has the focus tunes: a button, or a combo just chosen from (its list
    // still opens with Alt+Down).
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && !edit->isReadOnly())
        return false;
    if (widget != w_.tuning && qobject_cast<QAbstractSlider*>(widget))
        return false;
    controls_.OnTuneBy(delta);
    Refresh();
    return true;
}

bool CFrontPanelDlg::HandleShortcut(QKeyEvent* key) {
    static constexpr std::array<int, 4> kMemoryCommands = {
        kCmdSaveStackingRegister, kCmdRecallStackingRegister, kCmdSaveMemory, kCmdRecallMemory};
    if (const int m = MemoryCommandOfKey(key->key(), key->modifiers()); m >= 0 && memoryCommands_) {
        const int c = kMemoryCommands[std::size_t(m)];
        // After the key event: a dialog opened from inside it would see the key.
        QMetaObject::invokeMethod(
            this, [this, c] { memoryCommands_->Run(c); }, Qt::QueuedConnection);
        return true;
    }
    if (key->modifiers() != Qt::AltModifier)
        return false;
    if (key->key() == Qt::Key_X) {
        QMetaObject::invokeMethod(
            this, [this] { ConfirmExit(); }, Qt::QueuedConnection);
        return true;
    }
    if (key->key() == Qt::Key_L) {
        QMetaObject::invokeMethod(
            this, [this] { OpenQsoLogging(); }, Qt::QueuedConnection);
        return true;
    }
    if (key->key() == Qt::Key_T) {
        ToggleKeyboard();
        return true;
    }
    if (key->key() == Qt::Key_R) {
        SpokenValues::Say(*this, SpokenSummary(presenter_.View()));
        return true;
    }
    return false;
}

int CFrontPanelDlg::EditIndex(const QObject* watched) const {
    return watched == w_.vfoA ? 0 : watched == w_.vfoB ? 1 : -1;
}

void CFrontPanelDlg::keyPressEvent(QKeyEvent* event) {
    // Enter that no frequency edit took is the dialog's OK: the exit question.
    if (IsEnterKey(event) && event->modifiers() == Qt::NoModifier) {
        ConfirmExit();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CFrontPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // Installed on the panel's own widgets only: the windows it owns later
    // (QSO windows, memory dialogs) keep their keys and wheel.
    auto ours = [&] { return widget && widget->window() == this; };
    switch (event->type()) {
    case QEvent::Wheel:
        // Over the panel the wheel is the tuning knob: every notch tunes one
        // step, wherever the pointer is, and moves nothing else (a slider or a
        // band list under the pointer would otherwise change too).
        if (ours() && widget->window() == this) {
            const int stepHz = TuneStepHz(presenter_.TuneStepIndex());
            for (int step = wheel_.Turn(static_cast<QWheelEvent*>(event)->angleDelta()); step != 0;
                 step -= step > 0 ? 1 : -1)
                controls_.OnTuneBy(step > 0 ? stepHz : -stepHz);
            Refresh();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (ours() && (HandleShortcut(static_cast<QKeyEvent*>(event)) ||
                       ForwardCwKey(static_cast<QKeyEvent*>(event))))
            return true;
        if (ours() && widget->window() == this &&
            HandleTuningKey(widget, static_cast<QKeyEvent*>(event)))
            return true;
        if (int v = EditIndex(watched); v >= 0) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (IsEnterKey(key)) {
                // Enter in a frequency edit only sets that frequency.
                if (w_.enter[v]->isEnabled())
                    w_.enter[v]->click();
                return true;
            }
            if (key->key() == Qt::Key_Escape && presenter_.View().editing[v]) {
                controls_.OnFrequencyEditCancelled(v);
                Refresh();
                return true;
            }
        }
        break;
    case QEvent::MouseButtonPress:
        if (watched == w_.tuning && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            controls_.ToggleReleaseTuning();
            Refresh();
            return true;
        }
        // A click into an edit that already has the focus opens it again
        // after an entry, as the first click did.
        if (int v = EditIndex(watched); v >= 0) {
            controls_.OnFrequencyEditFocus(v);
            Refresh();
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (int v = EditIndex(watched); v >= 0) {
            if (event->type() == QEvent::FocusIn)
                controls_.OnFrequencyEditFocus(v);
            else
                controls_.OnFrequencyEditFocusLost(v);
            Refresh();
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tamrel

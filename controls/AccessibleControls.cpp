#include "controls/AccessibleControls.h"

#include "controls/CColorButton.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QSlider>
#include <QTextDocumentFragment>

#include <cmath>

namespace tamrel {

namespace {

QString stripAmpersands(QString s) {
    return s.remove(QLatin1Char('&'));
}

// The value a drawn read-out shows, as text.
QString readoutValue(const QWidget* w) {
    const QVariant spoken = w->property(kSpokenValue);
    if (spoken.isValid())
        return spoken.toString();
    if (auto* scrolling = qobject_cast<const CScrollingSegmentDisplay*>(w))
        return scrolling->message().trimmed();
    if (auto* display = qobject_cast<const CSegmentDisplay*>(w))
        return display->text().trimmed();
    if (auto* label = qobject_cast<const CStaticEx*>(w))
        return label->text().trimmed();
    return {};
}

void addLitState(const QWidget* w, QAccessible::State& s) {
    const QVariant lit = w->property(kLit);
    if (lit.isValid()) {
        s.checkable = true;
        s.checked = lit.toBool();
    }
}

// A read-out: name from the caption given, value and text from what it shows.
class ReadoutAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    ReadoutAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return readoutValue(widget());
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = readoutValue(widget());
        return s;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        addLitState(widget(), s);
        return s;
    }
    // One reading: whatever draws it stays out of the tree.
    int childCount() const override {
        return widget()->property(kOneReading).toBool() ? 0 : QAccessibleWidget::childCount();
    }
    QAccessibleInterface* child(int index) const override {
        return widget()->property(kOneReading).toBool() ? nullptr : QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        return widget()->property(kOneReading).toBool() ? -1 : QAccessibleWidget::indexOfChild(c);
    }

    // Text: the value, read-only, no caret or selection.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        return readoutValue(widget()).mid(start, end < 0 ? -1 : end - start);
    }
    int characterCount() const override { return int(readoutValue(widget()).size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }
};

// A drawn button: pressable, named by its caption or, for an icon, its tip;
// a button that shows a state by its face says checked when it is lit.
class DrawnButtonAccessible final : public QAccessibleWidget {
public:
    explicit DrawnButtonAccessible(QAbstractButton* b) : QAccessibleWidget(b, roleOf(b)) {}

    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        // A button named for what it does says what its caption shows ("AFIL: ON").
        if (t == QAccessible::Value) {
            const QString caption = stripAmpersands(button()->text());
            return caption == QAccessibleWidget::text(QAccessible::Name) ? QString() : caption;
        }
        // The tooltip may be rich text (to wrap); a reader gets it plain.
        if (t == QAccessible::Description && Qt::mightBeRichText(s))
            s = QTextDocumentFragment::fromHtml(s).toPlainText();
        if (t == QAccessible::Name && s.isEmpty()) {
            s = stripAmpersands(button()->text());
            if (s.isEmpty())
                s = QTextDocumentFragment::fromHtml(button()->toolTip()).toPlainText();
        }
        return s;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isDown();
        if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
        }
        // The panel marks a chosen mode, filter or AGC button by its style.
        const QVariant selected = button()->property("selectedStyle");
        if (selected.isValid()) {
            s.checkable = true;
            s.checked = selected.toBool();
        }
        addLitState(button(), s);
        return s;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isEnabled())
            names.prepend(button()->isCheckable() ? toggleAction() : pressAction());
        return names;
    }
    void doAction(const QString& action) override {
        if (!button()->isEnabled())
            return;
        if (action == pressAction() || action == toggleAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
    static QAccessible::Role roleOf(const QAbstractButton* b) {
        if (auto* shaded = qobject_cast<const CShadedButton*>(b)) {
            if (shaded->kind() == CShadedButton::Kind::Check)
                return QAccessible::CheckBox;
            if (shaded->kind() == CShadedButton::Kind::Radio)
                return QAccessible::RadioButton;
        }
        return QAccessible::PushButton;
    }
};

// A window that reads out on request: its description is the last read-out.
class ReadOutWindowAccessible final : public QAccessibleWidget {
public:
    explicit ReadOutWindowAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Dialog) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description)
            return widget()->property(kReadOut).toString();
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return widget()->windowTitle();
        return QAccessibleWidget::text(t);
    }
};

// Shown, it is spoken: Orca reads a notification as it appears.
class NotificationAccessible final : public QAccessibleWidget {
public:
    explicit NotificationAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            if (auto* label = qobject_cast<QLabel*>(widget()))
                return label->text();
        return QAccessibleWidget::text(t);
    }
};

constexpr char kSliderOrigin[] = "spokenOrigin";
constexpr char kSliderScale[] = "spokenScale";
constexpr char kSliderUnit[] = "spokenUnit";

// A slider with its value in the units a person reads: numbers for the
// reader's value interface, and the same with the unit as its text.
class ScaledSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ScaledSliderAccessible(QSlider* s) : QAccessibleWidget(s, QAccessible::Slider) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                : QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        const int decimals = std::max(0, int(std::ceil(-std::log10(std::abs(Scale())))));
        return QString::number(Spoken(Slider()->value()), 'f', decimals) + QLatin1Char(' ') +
               Slider()->property(kSliderUnit).toString();
    }
    QVariant currentValue() const override { return Spoken(Slider()->value()); }
    void setCurrentValue(const QVariant& value) override {
        const double pos = Origin() + value.toDouble() / Scale();
        Slider()->setValue(
            int(std::lround(std::clamp<double>(pos, Slider()->minimum(), Slider()->maximum()))));
    }
    QVariant maximumValue() const override {
        return std::max(Spoken(Slider()->minimum()), Spoken(Slider()->maximum()));
    }
    QVariant minimumValue() const override {
        return std::min(Spoken(Slider()->minimum()), Spoken(Slider()->maximum()));
    }
    QVariant minimumStepSize() const override { return std::abs(Scale()); }

private:
    QSlider* Slider() const { return static_cast<QSlider*>(widget()); }
    int Origin() const { return Slider()->property(kSliderOrigin).toInt(); }
    double Scale() const { return Slider()->property(kSliderScale).toDouble(); }
    double Spoken(int pos) const { return (pos - Origin()) * Scale(); }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (className == QLatin1String("CShadedButton") || className == QLatin1String("CColorButton"))
        return new DrawnButtonAccessible(static_cast<QAbstractButton*>(w));
    if (className == QLatin1String("CSegmentDisplay") ||
        className == QLatin1String("CScrollingSegmentDisplay"))
        return new ReadoutAccessible(w, QAccessible::StaticText);
    if (className == QLatin1String("CStaticEx"))
        return new ReadoutAccessible(w, w->property(kLit).isValid() ? QAccessible::Indicator
                                                                    : QAccessible::StaticText);
    if (className == QLatin1String("QSlider") && w->property(kSliderScale).toDouble() != 0)
        return new ScaledSliderAccessible(static_cast<QSlider*>(w));
    if (w->property(kNotification).toBool())
        return new NotificationAccessible(w);
    if (w->isWindow() && w->property(kReadOut).isValid())
        return new ReadOutWindowAccessible(w);
    if (w->property(kOneReading).toBool())
        return new ReadoutAccessible(w, QAccessible::Indicator);
    return nullptr;
}

} // namespace

void SpeakSliderAs(QSlider& slider, int origin, double scale, const char* unit) {
    InstallAccessibleControls();
    slider.setProperty(kSliderOrigin, origin);
    slider.setProperty(kSliderScale, scale);
    slider.setProperty(kSliderUnit, QString::fromUtf8(unit));
}

void InstallAccessibleControls() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace tamrel

#pragma once
// What a screen reader finds in a window: walks the window's accessibility
// tree as Qt hands it to the desktop's bridge and lists every control it
// could not speak sensibly - no name, a bare id ("ctl1065") or an object
// name for a name, a name it shares with another control of the window (the
// group it sits in) or, for the panel's own drawn controls, no role or no
// value to read.

#include "controls/CColorButton.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"

#include <QAccessible>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace tamrel::test {

struct AccessibleAudit {
    int controls = 0;                 // interactive or drawn controls seen
    QMap<QString, QString> unnamed;   // no name a person understands: where, and the name
    QStringList mute;                 // drawn controls without a role or a value
    QMap<QString, QStringList> names; // who answers to each name

    QString unnamedList() const {
        QStringList lines;
        for (auto it = unnamed.cbegin(); it != unnamed.cend(); ++it)
            lines << it.key() + QStringLiteral(" ") + it.value();
        return lines.join(QStringLiteral("\n  "));
    }
};

inline bool IsInteractive(QAccessible::Role role) {
    using A = QAccessible;
    static constexpr QAccessible::Role kRoles[] = {
        A::PushButton, A::CheckBox,   A::RadioButton,   A::ComboBox, A::EditableText,
        A::Slider,     A::SpinBox,    A::PageTab,       A::List,     A::Table,
        A::Tree,       A::ButtonMenu, A::ButtonDropDown};
    return std::find(std::begin(kRoles), std::end(kRoles), role) != std::end(kRoles);
}

// A name a person can understand: some letter or digit in it, and neither
// the id the code finds the control by nor its object name.
inline bool IsHumanName(const QString& name, const QObject* object) {
    static const QRegularExpression letterOrDigit(QStringLiteral("[\\p{L}\\p{N}]"));
    static const QRegularExpression bareId(QStringLiteral("^ctl\\d+$"));
    const QString n = name.trimmed();
    if (n.isEmpty() || !n.contains(letterOrDigit) || bareId.match(n).hasMatch())
        return false;
    return !object || object->objectName().isEmpty() || n != object->objectName();
}

// The panel's own drawn controls: Qt knows nothing of what they show.
inline bool IsDrawnDisplay(const QObject* o) {
    return o && (dynamic_cast<const CSegmentDisplay*>(o) || dynamic_cast<const CStaticEx*>(o) ||
                 o->property("signalMeter").toBool());
}
inline bool IsDrawnButton(const QObject* o) {
    return o && (dynamic_cast<const CShadedButton*>(o) || dynamic_cast<const CColorButton*>(o));
}

inline void AuditNode(QAccessibleInterface* a, const QString& path, AccessibleAudit& audit,
                      int depth = 0) {
    if (!a || !a->isValid() || depth > 40)
        return;
    QObject* o = a->object();
    const QAccessible::Role role = a->role();
    const bool display = IsDrawnDisplay(o);
    const bool drawnButton = IsDrawnButton(o);
    const QString name = a->text(QAccessible::Name);
    const QString where =
        path + QStringLiteral("/") +
        (o && !o->objectName().isEmpty() ? o->objectName() : QString::number(int(role), 16));
    if (IsInteractive(role) || display || drawnButton) {
        ++audit.controls;
        if (qEnvironmentVariableIsSet("TAMREL_LIST_ACCESSIBLE"))
            std::printf("  %s role %x name \"%s\" value \"%s\"\n", qPrintable(where), int(role),
                        qPrintable(name), qPrintable(a->text(QAccessible::Value)));
        // A combo box "named" by its entry says nothing of what it is (Qt
        // does so on Linux, leaving its label to the label relation).
        QString heard = name;
        bool byValue = role == QAccessible::ComboBox && name == a->text(QAccessible::Value);
        if (byValue)
            for (const auto& [label, relation] : a->relations(QAccessible::Label))
                if (label && IsHumanName(label->text(QAccessible::Name), label->object())) {
                    byValue = false;
                    // Its own label, not the group around it, tells it from its neighbours.
                    if (label->object() && label->object()->inherits("QLabel"))
                        heard = label->text(QAccessible::Name);
                }
        if (!byValue)
            audit.names[heard.trimmed()] << where;
        if (!IsHumanName(heard, o) || byValue)
            audit.unnamed[where] = QStringLiteral("\"") + name + QStringLiteral("\"");
        const bool roleless = role == QAccessible::Client || role == QAccessible::NoRole;
        if (roleless || (display && !a->textInterface() && a->text(QAccessible::Value).isEmpty()))
            audit.mute << where;
    }
    // A list's rows and a combo box's entries are its own business.
    if (role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree ||
        role == QAccessible::ComboBox)
        return;
    for (int i = 0; i < a->childCount(); ++i)
        AuditNode(a->child(i), where, audit, depth + 1);
}

inline AccessibleAudit AuditWindow(QWidget& window) {
    AccessibleAudit audit;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&window);
    for (int i = 0; a && i < a->childCount(); ++i)
        AuditNode(a->child(i), QString(), audit);
    for (auto it = audit.names.cbegin(); it != audit.names.cend(); ++it)
        if (it.value().size() > 1)
            for (const QString& where : it.value())
                audit.unnamed[where] =
                    QStringLiteral("\"") + it.key() + QStringLiteral("\" (shared)");
    return audit;
}

// Where Tab goes against reading order: each step from one control to the
// next of the same group (same parent) should go right along its row, down
// to a later one, or up to the top of a column block further right. Lists
// the steps that go back, "from -> to".
inline QStringList TabStepsAgainstReading(QWidget& window) {
    QStringList back;
    const auto name = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : w->objectName();
    };
    QWidget* first = window.nextInFocusChain();
    QWidget* at = first;
    QWidget* last = nullptr;
    for (int guard = 0; guard < 1000; ++guard, at = at->nextInFocusChain()) {
        const bool takesTab = at->isVisible() && at->isEnabled() &&
                              (at->focusPolicy() & Qt::TabFocus) && at->window() == &window &&
                              !at->focusProxy();
        if (takesTab) {
            if (last && last->parentWidget() == at->parentWidget()) {
                const QPoint a = last->mapTo(&window, QPoint());
                const QPoint b = at->mapTo(&window, QPoint());
                const bool sameRow = std::abs(b.y() - a.y()) <= 10;
                const bool nextColumn = b.x() >= a.x() + last->width();
                if (sameRow ? b.x() < a.x() : b.y() < a.y() && !nextColumn)
                    back << name(last) + QStringLiteral(" -> ") + name(at);
            }
            last = at;
        }
        if (at->nextInFocusChain() == first)
            break;
    }
    return back;
}

} // namespace tamrel::test

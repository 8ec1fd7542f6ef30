#include "controls/PanelKeys.h"

#include <QShortcut>
#include <QWidget>

#include <functional>

namespace tamrel {

namespace {

void add(QWidget& window, QKeySequence keys, std::function<void()> action) {
    auto* s = new QShortcut(keys, &window);
    s->setContext(Qt::WindowShortcut);
    s->setAutoRepeat(false);
    QObject::connect(s, &QShortcut::activated, &window, std::move(action));
}

} // namespace

int MemoryCommandOfKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    modifiers &= ~Qt::KeypadModifier;
    if (qtKey < Qt::Key_F1 || qtKey > Qt::Key_F4)
        return -1;
    for (Qt::KeyboardModifier modifier : kMemoryKeyModifiers)
        if (modifiers == modifier)
            return qtKey - Qt::Key_F1;
    return -1;
}

void InstallPanelKeys(QWidget& window, PanelCommands& panel, PanelKeySet keys) {
    using M = PanelCommands::MemoryCommand;
    if (keys & PanelKey::Memory) {
        for (Qt::KeyboardModifier modifier : kMemoryKeyModifiers)
            for (int i = 0; i < 4; ++i)
                add(window, QKeyCombination(modifier, Qt::Key(Qt::Key_F1 + i)),
                    [&panel, i] { panel.RunMemoryCommand(M(i)); });
    }
    if (keys & PanelKey::Windows) {
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_T),
            [&panel] { panel.ToggleKeyboard(); });
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_X), [&panel] { panel.ConfirmExit(); });
    }
    if (keys & PanelKey::Logging)
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_L),
            [&panel] { panel.OpenQsoLogging(); });
    if (keys & PanelKey::Cw) {
        for (int i = 0; i < 11; ++i)
            add(window, Qt::Key_F1 + i, [&panel, i] { panel.CwKey(i); });
        add(window, Qt::Key_Escape, [&panel] { panel.CwKey(kCwAbortKey); });
    }
}

} // namespace tamrel

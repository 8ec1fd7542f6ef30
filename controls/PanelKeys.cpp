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

void InstallPanelKeys(QWidget& window, PanelCommands& panel, PanelKeySet keys) {
    using M = PanelCommands::MemoryCommand;
    if (keys & PanelKey::Memory) {
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_F1),
            [&panel] { panel.RunMemoryCommand(M::SaveStackingRegister); });
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_F2),
            [&panel] { panel.RunMemoryCommand(M::RecallStackingRegister); });
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_F3),
            [&panel] { panel.RunMemoryCommand(M::SaveMemory); });
        add(window, QKeyCombination(Qt::AltModifier, Qt::Key_F4),
            [&panel] { panel.RunMemoryCommand(M::RecallMemory); });
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

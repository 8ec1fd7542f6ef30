#include "SwitchKeys.h"

#include <algorithm>

namespace tamrel::switchpanel {

namespace {

template <class Table> auto find(const Table& table, int id) -> decltype(&table[0]) {
    auto it = std::find_if(table.begin(), table.end(), [id](const auto& k) { return k.id == id; });
    return it == table.end() ? nullptr : &*it;
}

std::string_view nextKeyMenuName(KeyMenu menu) {
    switch (menu) {
    case KeyMenu::Tap:
        return "Numeric";
    case KeyMenu::Numeric:
        return "Hold";
    case KeyMenu::Hold:
        break;
    }
    return "Tap";
}

} // namespace

std::optional<int> KeySwitchMenus::CodeOf(int id) const {
    if (const FunctionKey* k = find(kFunctionKeys, id))
        return key_ == KeyMenu::Hold ? k->tapCode + kHoldOffset : k->tapCode;
    if (const FixedKey* k = find(kFixedKeys, id))
        return k->code;
    if (const ConfigKey* k = find(kConfigKeys, id))
        return config_ == ConfigMenu::Menu3 ? k->code3 : k->code4;
    return std::nullopt;
}

std::optional<KeyFace> KeySwitchMenus::FaceOf(int id) const {
    if (const FunctionKey* k = find(kFunctionKeys, id)) {
        // Numeric is reached only from Tap: the keys without a digit keep their Tap label.
        if (key_ == KeyMenu::Numeric && !k->numeric.empty())
            return KeyFace{k->numeric, KeyShade::Red};
        return KeyFace{key_ == KeyMenu::Hold ? k->hold : k->tap, KeyShade::Green};
    }
    if (const FixedKey* k = find(kFixedKeys, id))
        return KeyFace{k->label, KeyShade::Green};
    const bool menu3 = config_ == ConfigMenu::Menu3;
    if (const ConfigKey* k = find(kConfigKeys, id))
        return menu3 ? KeyFace{k->menu3, KeyShade::Green} : KeyFace{k->menu4, KeyShade::Red};
    if (id == kNextKeyMenuId)
        return KeyFace{nextKeyMenuName(key_), KeyShade::Green};
    if (id == kNextConfigMenuId)
        return menu3 ? KeyFace{"2", KeyShade::Red} : KeyFace{"1", KeyShade::Green};
    return std::nullopt;
}

std::optional<int> KeySwitchMenus::Click(int id) {
    if (id == kNextKeyMenuId) {
        key_ = key_ == KeyMenu::Tap       ? KeyMenu::Numeric
               : key_ == KeyMenu::Numeric ? KeyMenu::Hold
                                          : KeyMenu::Tap;
        return std::nullopt;
    }
    if (id == kNextConfigMenuId) {
        config_ = config_ == ConfigMenu::Menu3 ? ConfigMenu::Menu4 : ConfigMenu::Menu3;
        return std::nullopt;
    }
    return CodeOf(id);
}

std::vector<int> KeySwitchMenus::AllIds() {
    std::vector<int> ids;
    for (const FunctionKey& k : kFunctionKeys)
        ids.push_back(k.id);
    for (const FixedKey& k : kFixedKeys)
        ids.push_back(k.id);
    for (const ConfigKey& k : kConfigKeys)
        ids.push_back(k.id);
    ids.push_back(kNextKeyMenuId);
    ids.push_back(kNextConfigMenuId);
    return ids;
}

} // namespace tamrel::switchpanel

#include "CKeySwitchEmulationPanel1Dlg.h"

#include "radio/RadioOperations.h"
#include "switchpanel/KeyLooks.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include <vector>

namespace tamrel {

using namespace switchpanel;

namespace {
QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

CKeySwitchEmulationPanel1Dlg::CKeySwitchEmulationPanel1Dlg(RadioOperations& radio, QWidget* parent)
    : QWidget(parent), radio_(radio) {
    for (int id : KeySwitchMenus::AllIds()) {
        CShadedButton* b = MakeKey(*this, id, qs(menus_.FaceOf(id)->label));
        connect(b, &QAbstractButton::clicked, this, [this, id] { OnKey(id); });
        keys_[id] = b;
    }
    keys_[kNextKeyMenuId]->setTooltipText(qs(kNextKeyMenuTip));
    keys_[kNextConfigMenuId]->setTooltipText(qs(kNextConfigMenuTip));

    // Five rows: the six function keys that never show a digit over the
    // menu key, the ten digit keys in pairs "0 1" to "8 9", the fixed keys.
    auto* keys = new QGridLayout;
    for (int i = 0; i < 6; ++i)
        keys->addWidget(keys_[kFunctionKeys[i].id], i / 2, i % 2);
    keys->addWidget(keys_[kNextKeyMenuId], 3, 0, 2, 2);
    keys_[kNextKeyMenuId]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    keys->setColumnMinimumWidth(2, 8);
    for (int i = 6; i < 16; ++i)
        keys->addWidget(keys_[kFunctionKeys[i].id], (i - 6) / 2, 3 + (i - 6) % 2);
    keys->setColumnMinimumWidth(5, 8);
    for (int i = 0; i < 5; ++i)
        keys->addWidget(keys_[kFixedKeys[i].id], i, 6);

    auto* config = new QGroupBox("Configuration", this);
    auto* grid = new QGridLayout(config);
    auto* title = new QHBoxLayout;
    title->addStretch(1);
    title->addWidget(keys_[kNextConfigMenuId]);
    keys_[kNextConfigMenuId]->setMinimumWidth(28);
    grid->addLayout(title, 0, 0, 1, 4);
    for (int i = 0; i < 16; ++i)
        grid->addWidget(keys_[kConfigKeys[i].id], 1 + i / 4, i % 4);

    // Tab goes along the rows of each block, block by block.
    std::vector<int> order;
    for (int i = 0; i < 6; ++i)
        order.push_back(kFunctionKeys[i].id);
    order.push_back(kNextKeyMenuId);
    for (int i = 6; i < 16; ++i)
        order.push_back(kFunctionKeys[i].id);
    for (const FixedKey& k : kFixedKeys)
        order.push_back(k.id);
    order.push_back(kNextConfigMenuId);
    for (const ConfigKey& k : kConfigKeys)
        order.push_back(k.id);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(keys_[order[i - 1]], keys_[order[i]]);

    auto* row = new QHBoxLayout(this);
    row->addLayout(keys, 7);
    row->addSpacing(8);
    row->addWidget(config, 4);
    ShowFaces();
}

CShadedButton* CKeySwitchEmulationPanel1Dlg::Key(int id) const {
    auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : it->second;
}

void CKeySwitchEmulationPanel1Dlg::OnKey(int id) {
    if (std::optional<int> code = menus_.Click(id)) {
        radio_.TapSwitch(*code);
        return;
    }
    ShowFaces();
}

void CKeySwitchEmulationPanel1Dlg::ShowFaces() {
    for (auto [id, key] : keys_) {
        const KeyFace face = *menus_.FaceOf(id);
        Relabel(*key, qs(face.label));
        const ShadeParams params = KeyShadeParams(face.shade);
        // Rebuilding a face costs a little; only a change of colour needs it.
        if (!key->shade() || key->shade()->base != params.base)
            key->setShade(params);
    }
}

} // namespace tamrel

#pragma once
// The front panel's presenter over a radio model and operations of its own,
// as the window has them, for tests that run without a window.

#include "panel/FrontPanelPresenter.h"
#include "radio/RadioOperations.h"

#include <functional>
#include <utility>

namespace tamrel::test {

struct RadioHolder {
    K2RadioModel radio;
    RadioOperations ops{radio};
};

class TestPanel : public RadioHolder, public FrontPanelPresenter {
public:
    explicit TestPanel(int tuningRange = 0) : FrontPanelPresenter(radio, tuningRange) {}

    void ApplyReply(int id, std::string_view text) { Present(ops.ApplyReply(id, text)); }
    K2RadioState Snapshot() const { return radio.Snapshot(); }
    uint64_t Revision() const { return radio.Revision(); }
    void ArmTuneGate(uint32_t hz) { radio.ArmTuneGate(hz); }
    bool TunePending() const { return radio.TunePending(); }
    K2RadioModel::Subscription WatchKeyer(std::function<void(int)> h) {
        return radio.Observe([this, h = std::move(h)](uint32_t c) {
            if (c & radio_change::kKeyer)
                h(radio.Fields().keyerState);
        });
    }
};

} // namespace tamrel::test

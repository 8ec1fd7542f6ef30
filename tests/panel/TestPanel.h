#pragma once
// The front panel's presenter over a radio model and its operations, without a
// window; and its controls on a line whose far end is a pseudo-terminal.

#include "panel/FrontPanelControls.h"
#include "panel/FrontPanelPresenter.h"
#include "radio/CK2CommChannel.h"
#include "radio/RadioOperations.h"
#include "radio/ReplyParser.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tamrel::test {

// An IF reply: frequency, offset, RIT, XIT, mode, receive VFO, split.
inline std::string IfReply(uint32_t hz, int offset, int rit, int xit, int mode, int vfo,
                           int split) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "IF%011u     %+05d%d%d 000%d%d0%d001 ", hz, offset, rit, xit,
                  mode, vfo, split);
    return buf;
}

struct RadioHolder {
    K2RadioModel radio;
    RadioOperations ops{radio};
};

class TestPanel : public RadioHolder, public FrontPanelPresenter {
public:
    explicit TestPanel(int tuningRange = 0) : FrontPanelPresenter(radio, tuningRange) {}

    void ApplyReply(int id, std::string_view text) { Present(ops.ApplyReply(id, text)); }
    // A reply under the id its name gives it.
    void Reply(std::string_view text) { ApplyReply(ReplyIdOf(text), text); }
};

// The panel's controls wired to a channel whose far end is a pseudo-terminal.
class PanelWire : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 4800, 8, 0, 2), K2_OK);
        model.ops.SetChannel(&channel);
    }
    // Everything written so far, ended by a marker command rather than a clock.
    std::vector<std::string> Sent() {
        EXPECT_EQ(channel.SendCommand("ZZ"), K2_OK);
        EXPECT_TRUE(
            peer.collectUntil([](const auto& c) { return !c.empty() && c.back().text == "ZZ"; }));
        std::vector<std::string> t = peer.texts();
        t.pop_back();
        peer.clear();
        return t;
    }

    PtyPeer peer;
    CK2CommChannel channel;
    TestPanel model;
    FrontPanelControls controls{model, model.ops, [this](int r) { savedRange = r; }};
    int savedRange = -1;
};

} // namespace tamrel::test

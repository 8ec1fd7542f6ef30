#pragma once
// The front panel window with the radio's end of its line on a pseudo-
// terminal, past the start-up query: what clicks, keys and drags put on the
// wire, and what the window shows of what the radio says.
//
// The start-up query is skipped through in a moment (SkipAheadClock); from
// then on the wire keeps real time, so its gaps can be checked.

#include "panel/CFrontPanelDlg.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "support/PtyPeer.h"
#include "support/SkipAheadClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tamrel::test {

class PanelOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        registry_ = std::make_unique<CRigControlRegistry>(prompter_);
        SystemConfig config;
        registry_->GetSystemConfig(config);
    }
    void TearDown() override {
        dlg_.reset();
        channel_.Close();
    }

    // The panel with its line, past the start-up query's fifteen commands.
    void Open() {
        using namespace std::chrono_literals;
        ASSERT_EQ(channel_.OpenDevice(peer_.device(), 0, 4800, 8, 0, 1), K2_OK);
        radio_ = std::make_unique<K2RadioModel>(RadioModelFromSettings(*registry_));
        ops_ = std::make_unique<RadioOperations>(*radio_);
        Reopen();
        ASSERT_TRUE(pumpUntil([&] {
            clock_.Skip(100ms);
            return peer_.commands().size() >= 15;
        }));
        peer_.clear();
    }
    // A new window on the same line and radio, as after a restart.
    void Reopen() {
        dlg_.reset();
        dlg_ = std::make_unique<CFrontPanelDlg>(*registry_, prompter_, *ops_, clock_);
        dlg_->SetChannel(&channel_);
        dlg_->show();
    }

    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(8)) {
        using namespace std::chrono_literals;
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > limit.count())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            peer_.collectFor(5ms);
        }
        return true;
    }
    void pumpFor(std::chrono::milliseconds time) {
        pumpUntil([] { return false; }, time);
    }
    // Lets whatever was sent arrive, then takes the commands since the last
    // call; status polls (DS, BG and, during a scan, FA) fall in between and
    // are not the panel's doing.
    std::vector<PtyPeer::Command>
    sentCommands(std::chrono::milliseconds settle = std::chrono::milliseconds(250)) {
        pumpFor(settle);
        auto commands = peer_.commands();
        peer_.clear();
        std::erase_if(commands, [](const auto& c) { return IsPoll(c.text); });
        return commands;
    }
    std::vector<std::string>
    sent(std::chrono::milliseconds settle = std::chrono::milliseconds(250)) {
        std::vector<std::string> texts;
        for (const auto& c : sentCommands(settle))
            texts.push_back(c.text);
        return texts;
    }
    // The radio reports something; wait until the panel has shown it.
    void radioSays(const std::string& reply, const std::function<bool()>& shown) {
        peer_.send(reply);
        ASSERT_TRUE(pumpUntil(shown)) << reply;
        sent(std::chrono::milliseconds(0));
    }
    const PanelView& view() const { return dlg_->Presenter().View(); }
    static bool IsPoll(const std::string& text) {
        return text == "DS" || text == "BG" || text == "FA";
    }

    QTemporaryDir dir_;
    PtyPeer peer_;
    RecordingPrompter prompter_{false};
    std::unique_ptr<CRigControlRegistry> registry_;
    SkipAheadClock clock_;
    CK2CommChannel channel_{0, clock_};
    std::unique_ptr<K2RadioModel> radio_;
    std::unique_ptr<RadioOperations> ops_;
    std::unique_ptr<CFrontPanelDlg> dlg_;
};

} // namespace tamrel::test

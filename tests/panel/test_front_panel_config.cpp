// The configuration sheet opened from the front panel's popup menu, and what
// the front panel takes from it at once: the band table and the PA option.

#include "panel/CFrontPanelDlg.h"
#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"
#include "settings/CTamrelCfg.h"
#include "settings/CfgPageWidgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace tamrel;

namespace {

class FrontPanelConfig : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        registry_ = std::make_unique<CRigControlRegistry>(prompter_);
        SystemConfig config;
        registry_->GetSystemConfig(config);
        radio_ = std::make_unique<K2RadioModel>(RadioModelFromSettings(*registry_));
        ops_ = std::make_unique<RadioOperations>(*radio_);
        dlg_ = std::make_unique<CFrontPanelDlg>(*registry_, prompter_, *ops_);
        dlg_->show();
        QApplication::processEvents();
    }

    // "System Config" from the popup menu of a right click on the panel: the
    // sheet runs modally, and act is given it once it is up.
    bool runSheet(const std::function<void(CTamrelCfg&)>& act) {
        const QPointF at(4, 4);
        QMouseEvent press(QEvent::MouseButtonPress, at, dlg_->mapToGlobal(at), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(dlg_.get(), &press);
        QMenu* menu = dlg_->findChild<QMenu*>();
        EXPECT_NE(menu, nullptr);
        if (!menu)
            return false;
        menu->hide();
        bool seen = false;
        QTimer::singleShot(0, dlg_.get(), [&] {
            auto* sheet = dynamic_cast<CTamrelCfg*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            seen = true;
            EXPECT_EQ(sheet->parentWidget(), dlg_.get());
            act(*sheet);
        });
        for (QAction* a : menu->actions())
            if (a->text() == "System Config")
                a->trigger();
        return seen;
    }

    QTemporaryDir dir_;
    RecordingPrompter prompter_;
    std::unique_ptr<CRigControlRegistry> registry_;
    std::unique_ptr<K2RadioModel> radio_;
    std::unique_ptr<RadioOperations> ops_;
    std::unique_ptr<CFrontPanelDlg> dlg_;
};

} // namespace

TEST_F(FrontPanelConfig, SheetFromThePopupUpdatesThePanelAtOnce) {
    EXPECT_FALSE(ops_->PaOption());
    ASSERT_TRUE(runSheet([&](CTamrelCfg& sheet) {
        sheet.Tabs()->setCurrentIndex(1);
        qobject_cast<QAbstractSpinBox*>(FindControl(sheet.Tabs()->widget(1), 1024))->stepUp();
        sheet.Tabs()->setCurrentIndex(2);
        auto* edge = qobject_cast<QLineEdit*>(FindControl(sheet.Tabs()->widget(2), 1219));
        edge->selectAll();
        QTest::keyClicks(edge, "3900000");
        sheet.OkButton()->click();
    }));
    // The band table is taken during the apply; the PA option is posted.
    EXPECT_EQ(radio_->Bands()[7].highHz, 3900000u);
    QApplication::processEvents();
    EXPECT_TRUE(ops_->PaOption());
    EXPECT_EQ(registry_->GetPaOption(), 1);
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(FrontPanelConfig, EndingThePanelDiscardsAnOpenSheet) {
    // Without the fix the sheet would stay open for good: close it then, so
    // the test fails instead of hanging.
    bool stillOpen = false;
    QTimer::singleShot(2000, dlg_.get(), [&] {
        if (auto* sheet = dynamic_cast<CTamrelCfg*>(QApplication::activeModalWidget())) {
            stillOpen = true;
            sheet->reject();
        }
    });
    ASSERT_TRUE(runSheet([&](CTamrelCfg& sheet) {
        auto* call = qobject_cast<QLineEdit*>(FindControl(sheet.Tabs()->widget(0), 1028));
        QTest::keyClicks(call, "X");
        dlg_->EndWithoutQuestion(); // as SIGTERM does
    }));
    EXPECT_FALSE(stillOpen);
    EXPECT_FALSE(dlg_->isVisible());
    SystemConfig config;
    registry_->GetSystemConfig(config);
    EXPECT_EQ(config.callsign, "ZZ9ZZ"); // discarded, not applied
}

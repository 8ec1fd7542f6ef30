// The configuration sheet through its real widgets, offscreen: focus,
// Apply's state, OK and Cancel, refusals, spins and the announcements.

#include "SettingsFixture.h"

#include "settings/CTamrelCfg.h"
#include "settings/CfgPageWidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace tamrel;
using reg::Value;

namespace {

class ConfigSheetWindow : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        OpenRegistry();
        ASSERT_TRUE(dev_.isValid());
    }

    std::unique_ptr<CTamrelCfg> open() {
        auto sheet =
            std::make_unique<CTamrelCfg>(*registry_, prompter_, nullptr, dev_.path().toStdString());
        sheet->show();
        sheet->activateWindow();
        QApplication::processEvents();
        return sheet;
    }

    template <class W = QWidget> static W* control(CTamrelCfg& sheet, int page, int id) {
        auto* w = qobject_cast<W*>(FindControl(sheet.Tabs()->widget(page), id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }

    static void type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir dev_;
};

} // namespace

TEST_F(ConfigSheetWindow, OpensOnPageOneEscapeWritesNothingAndOkAppliesTheShownPagesOnly) {
    {
        auto sheet = open();
        EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
        EXPECT_EQ(QApplication::focusWidget(), control(*sheet, 0, 1026));
        EXPECT_EQ(control<QLineEdit>(*sheet, 0, 1028)->text(), "ZZ9ZZ");
        EXPECT_TRUE(sheet->OkButton()->isDefault());
        EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
        sheet->reject();
    }
    // That opening read every page's group, which creates the values missing.
    const std::string before = fileBytes();
    {
        auto sheet = open();
        type(control<QLineEdit>(*sheet, 0, 1028), "K1ABC");
        EXPECT_TRUE(sheet->ApplyButton()->isEnabled());
        sheet->Tabs()->setCurrentIndex(2);
        type(control<QLineEdit>(*sheet, 2, 1219), "3900000");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(sheet->result(), QDialog::Rejected);
        EXPECT_FALSE(sheet->isVisible());
    }
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(announced().empty());

    // OK applies the pages shown only.
    auto sheet = open();
    type(control<QLineEdit>(*sheet, 0, 1028), "K1ABC");
    auto* useUtc = control<QCheckBox>(*sheet, 0, 1049);
    QTest::mouseClick(useUtc, Qt::LeftButton, {}, QPoint(8, useUtc->height() / 2));
    // Enter in an edit is the default button's.
    QTest::keyClick(control<QLineEdit>(*sheet, 0, 1028), Qt::Key_Return);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(stored("", "Callsign"), Value::ofText("K1ABC"));
    EXPECT_EQ(stored("", "Use UTC in Log"), Value::ofBinary({0}));
    // The port page was never shown: its values are as they were.
    EXPECT_EQ(announced(), (std::vector<std::string>{"operator", "utc"}));
    EXPECT_EQ(stored("", "PA Option"), Value::ofText("<missing>"));
}

TEST_F(ConfigSheetWindow, CtrlTabTurnsPagesApplyFollowsChangesAndRefusalsKeepTheSheetOpen) {
    auto sheet = open();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 1);
    EXPECT_EQ(control<QLabel>(*sheet, 1, 1001)->text(), " COM1 ");
    QTest::keyClick(sheet.get(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
    sheet->Tabs()->setCurrentIndex(2);
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
    QLineEdit* edge = control<QLineEdit>(*sheet, 2, 1219); // 80M upper edge
    type(edge, "3900000");
    EXPECT_TRUE(sheet->ApplyButton()->isEnabled());
    QTest::mouseClick(sheet->ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
    EXPECT_EQ(stored("HAM Band Info", "80M High Band Edge"), Value::ofDword(3900000));

    // A bad digits value on page 1 keeps the sheet open on page 1 (that
    // nothing is written is ConfigPages.RefusedValuesKeepEveryPageUnapplied's).
    sheet->Tabs()->setCurrentIndex(0);
    type(control<QLineEdit>(*sheet, 0, 1053), "6");
    sheet->Tabs()->setCurrentIndex(3);
    type(control<QLineEdit>(*sheet, 3, 1167), "CQ TEST");
    // Leaving page 1 was refused first.
    EXPECT_EQ(prompter_.texts(),
              std::vector<std::string>{"Please enter an integer between 0 and 5."});
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
    sheet->OkButton()->click();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), control(*sheet, 0, 1053));
    type(control<QLineEdit>(*sheet, 0, 1053), "4");
    sheet->OkButton()->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(stored("", "Output Mode"), Value::ofBinary({4}));
}

TEST_F(ConfigSheetWindow, SpinsDeviceAndMemoryTextsReachTheStoreAndAreAnnounced) {
    auto sheet = open();
    sheet->Tabs()->setCurrentIndex(1);
    auto* portSpin = control<QAbstractSpinBox>(*sheet, 1, 1004);
    auto* port = control<QLabel>(*sheet, 1, 1001);
    // One step each: the rings are ConfigPages.PortSpinsStepInTheirRingsFromTheStoredValues'.
    portSpin->setFocus();
    QTest::keyClick(portSpin, Qt::Key_Down);
    EXPECT_EQ(port->text(), " None ");
    EXPECT_TRUE(sheet->ApplyButton()->isEnabled());
    EXPECT_EQ(sheet->findChild<QLabel*>("nextStart")->text(),
              "The next start opens no radio (port None).");
    control<QAbstractSpinBox>(*sheet, 1, 1024)->stepUp();
    EXPECT_EQ(control<QLabel>(*sheet, 1, 1020)->text(), " Yes ");

    // A device typed in, and one a rescan finds.
    auto* device = control<QComboBox>(*sheet, 1, CommPortCfgPage::kDeviceId);
    EXPECT_EQ(device->currentText(), "(by port number)");
    std::ofstream(dev_.path().toStdString() + "/ttyUSB0") << "";
    for (QPushButton* b : sheet->findChildren<QPushButton*>())
        if (b->text() == "Rescan")
            b->click();
    ASSERT_EQ(device->count(), 2);
    device->setCurrentIndex(1);
    Q_EMIT device->activated(1);
    EXPECT_EQ(sheet->Logic().Port().Settings().device, dev_.path().toStdString() + "/ttyUSB0");

    sheet->Tabs()->setCurrentIndex(3);
    type(control<QLineEdit>(*sheet, 3, 1181), "5NN TU"); // F5
    QLineEdit* f11 = control<QLineEdit>(*sheet, 3, 1203);
    // Three bytes a character: cut at a whole one under 253 bytes.
    f11->selectAll();
    for (int i = 0; i < 90; ++i) {
        // Typed one by one: QTest types ASCII only.
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0x20AC)));
        QApplication::sendEvent(f11, &key);
    }
    EXPECT_EQ(f11->text(), QString(84, QChar(0x20AC)));

    sheet->OkButton()->click();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(announced(), std::vector<std::string>{"paOption"});
    const std::vector<std::pair<int, std::string>> changed = {
        {4, "5NN TU"}, {10, QString(84, QChar(0x20AC)).toStdString()}};
    EXPECT_EQ(keysAnnounced(), changed);
    EXPECT_EQ(test::read(*registry_, &CRigControlRegistry::GetCommPort),
              (CommPortSettings{0, 4800, 0, 1, dev_.path().toStdString() + "/ttyUSB0"}));
}

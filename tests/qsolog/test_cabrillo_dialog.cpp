// The Cabrillo dialog: opens with the remembered answers, gives back what is
// typed and chosen, and keeps the operator in until the contest is named.

#include "qsolog/CabrilloExportDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace tamrel {
namespace {

template <class W> W* byName(QWidget& parent, const char* name) {
    for (W* w : parent.findChildren<W*>())
        if (w->accessibleName() == QLatin1String(name))
            return w;
    ADD_FAILURE() << "no control " << name;
    return nullptr;
}

TEST(CabrilloDialog, OpensWithTheAnswersEvenOnesStoredByHandAndGivesBackTheNewOnes) {
    CabrilloSettings s;
    s.contest = "CQ-WW-CW";
    s.categoryPower = "QRP";
    s.categoryBand = "20M";
    s.sentRst = "5NN";
    s.sentExchange = "599 #";
    s.firstSerial = 12;
    s.categoryOperator = "SINGLE-OP-PORTABLE"; // stored by hand: not among the choices
    CabrilloExportDialog dialog(s);
    EXPECT_EQ(dialog.settings(), s);
    EXPECT_EQ(byName<QComboBox>(dialog, "Power")->currentText(), "QRP");

    QLineEdit* contest = byName<QLineEdit>(dialog, "Contest");
    contest->clear();
    QTest::keyClicks(contest, " ARRL-DX-CW ");
    byName<QComboBox>(dialog, "Mode")->setCurrentText("MIXED");
    byName<QSpinBox>(dialog, "First serial")->setValue(1);
    const CabrilloSettings back = dialog.settings();
    EXPECT_EQ(back.contest, "ARRL-DX-CW");
    EXPECT_EQ(back.categoryMode, "MIXED");
    EXPECT_EQ(back.firstSerial, 1);
    EXPECT_EQ(back.sentExchange, "599 #");
}

TEST(CabrilloDialog, ExportNeedsAContestNameAndEscapeCancels) {
    CabrilloSettings s;
    CabrilloExportDialog dialog(s);
    dialog.show();
    QLabel* problem = byName<QLabel>(dialog, "Problem");
    QTest::keyClick(byName<QLineEdit>(dialog, "Contest"), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(problem->isVisible());
    EXPECT_TRUE(problem->text().contains("contest's name"));

    QTest::keyClicks(byName<QLineEdit>(dialog, "Contest"), "CQ-WPX-CW");
    byName<QPushButton>(dialog, "Export")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CabrilloExportDialog second(s);
    second.show();
    QTest::keyClick(&second, Qt::Key_Escape);
    EXPECT_FALSE(second.isVisible());
    EXPECT_EQ(second.result(), QDialog::Rejected);
}

} // namespace
} // namespace tamrel

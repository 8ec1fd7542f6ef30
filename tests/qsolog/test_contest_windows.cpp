// Contest logging offscreen, driven through the widgets: the contest window
// in place of the normal one (and back), its Log It, Clear and Set Macro,
// Modify and Delete through the real edit dialog, and a mode change with a
// log of the other kind.
#include "QsoWindowFixture.h"

#include "qsolog/CEditContestQSODlg.h"
#include "qsolog/QsoLine.h"
#include "qsolog/QsoLogTableModel.h"
#include "qsolog/QtQsoDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace tamrel::test {
namespace {

class ContestWindows : public QsoWindowFixture {
protected:
    void SetUp() override {
        QsoWindowFixture::SetUp();
        tune(7012000); // 40 m CW
        CounterSettings made;
        registry_->GetCounterSettings(made); // makes the key
        registry_->SetCounterSettings({7, 3});
    }
    // Logging, modifying and deleting never touch the serial counter.
    void TearDown() override {
        CounterSettings counter;
        registry_->GetCounterSettings(counter);
        EXPECT_EQ(counter.counter, 7);
        QsoWindowFixture::TearDown();
    }

    // Answers the modal dialog the next double-click on a row opens.
    void onEditDialog(std::function<void(CEditContestQSODlg&)> act) {
        QTimer::singleShot(0, [act] {
            auto* d = dynamic_cast<CEditContestQSODlg*>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            act(*d);
        });
    }
};

TEST_F(ContestWindows, LogsOfTheOtherKindSwitchTheWindowsInPlaceAndAModeChangeLeavesTheFile) {
    const std::string contestLog = inHome("contest.QSO.Log");
    write(contestLog, formatLine(contestQso("DL2XY", local(2024, 6, 1, 12, 0, 0)), 1));
    const std::string normal = formatLine(normalQso("K1AA", local(2024, 6, 1, 12, 0, 0)), 1) +
                               "# kept\n" +
                               formatLine(normalQso("K2BB", local(2024, 6, 1, 13, 0, 0)), 2);
    write(inHome(kDefaultLogName), normal);
    open();
    ASSERT_TRUE(waitFor([&] { return rows() == 2; }));
    EXPECT_EQ(columns(), 13);
    info()->move(321, 123);
    const QPoint place = info()->frameGeometry().topLeft();
    const CQSOLoggingDlg* before = logging();

    // Both windows are made anew, the list with the contest columns.
    load(contestLog);
    ASSERT_TRUE(waitFor([&] { return contest() && rows() == 1 && columns() == 10; }));
    EXPECT_EQ(info(), nullptr);
    EXPECT_NE(logging(), before);
    EXPECT_TRUE(logging()->isVisible());
    EXPECT_EQ(contest()->frameGeometry().topLeft(), place);
    EXPECT_TRUE(contest()->isVisible());
    EXPECT_EQ(contest()->windowTitle(), "Contest QSO Information");
    EXPECT_EQ(accessibleName(contest()), "Contest QSO Information");
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1);

    load(inHome(kDefaultLogName));
    ASSERT_TRUE(waitFor([&] { return info() && rows() == 2 && columns() == 13; }));
    EXPECT_EQ(contest(), nullptr);
    EXPECT_EQ(info()->frameGeometry().topLeft(), place);
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 0);
    EXPECT_EQ(cell(0, 1), "K1AA");

    // What the configuration sheet stores on a change to contest logging: the
    // normal log stays as it is, and the contest list starts empty.
    ASSERT_TRUE(registry_->SetQsoLoggingMode(1));
    ASSERT_TRUE(registry_->SetCurrentLogFileName(kDefaultLogName));
    ASSERT_TRUE(waitFor([&] { return contest() && columns() == 10; }));
    EXPECT_EQ(contest()->frameGeometry().topLeft(), place);
    EXPECT_EQ(rows(), 0);
    ASSERT_TRUE(waitFor([&] { return !prompter_.texts().empty(); }));
    EXPECT_NE(prompter_.texts().back().find("is a normal log"), std::string::npos);
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1);

    // A contest QSO now is listed, not in the file, until saved under a name;
    // the notice comes once, not at every QSO.
    const std::size_t told = prompter_.texts().size();
    logIt("dl2xy", "599 12");
    logIt("dl3xy", "599 13");
    EXPECT_EQ(cell(0, 1, Qt::ToolTipRole).toString(), kNotInFileTip);
    QTest::qWait(50);
    EXPECT_EQ(prompter_.texts().size(), told + 1) << testing::PrintToString(prompter_.texts());
    EXPECT_NE(prompter_.texts().back().find(inHome(kDefaultLogName)), std::string::npos);
    EXPECT_EQ(logText(), normal);
}

TEST_F(ContestWindows, LogItKeysModifyDeleteSetMacroAndClearOfTheContestWindow) {
    ASSERT_TRUE(registry_->SetQsoLoggingMode(1));
    open(std::make_unique<QtQsoDialogs>(prompter_, nullptr));
    ASSERT_TRUE(contest());
    EXPECT_EQ(info(), nullptr);
    logIt("xx0xx", "599 05");
    EXPECT_EQ(cells(0, {1, 5, 7}), (std::vector<std::string>{"XX0XX", "   7012.00", "599 05"}));
    const std::string path = inHome(kDefaultLogName);
    const std::string stamp = read(path).substr(10, 14);
    EXPECT_EQ(read(path), "1;1;XX0XX;" + stamp + ";  40M;7012000;CW;599 05;0;;\n");

    // Enter in the call box with no exchange moves to the exchange; logs nothing.
    contest()->activateWindow();
    edit(qsoctl::kContestCall)->clear();
    edit(qsoctl::kContestExchange)->clear();
    edit(qsoctl::kContestCall)->setFocus();
    QTest::keyClicks(edit(qsoctl::kContestCall), "n5dx");
    QTest::keyClick(edit(qsoctl::kContestCall), Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(contest()->focusWidget(), edit(qsoctl::kContestExchange));
    QTest::keyClicks(edit(qsoctl::kContestExchange), "599 07");
    QTest::keyClick(edit(qsoctl::kContestExchange), Qt::Key_Return);
    ASSERT_TRUE(waitFor([this] { return rows() == 2; }));
    EXPECT_EQ(cell(1, 7), "599 07");

    // Modify and Delete through the real edit dialog rewrite the file with a backup.
    const std::string before = read(path);
    onEditDialog([this](CEditContestQSODlg& d) {
        EXPECT_EQ(accessibleName(&d), "Edit Contest QSO Log");
        EXPECT_EQ(control<QLineEdit>(&d, qsoctl::kContestEditCall)->text(), "N5DX");
        EXPECT_EQ(control<QLineEdit>(&d, qsoctl::kContestEditFrequency)->text(), "7012000");
        arrow(&d, qsoctl::kContestEditModeSpin, "down"); // CW to USB
        arrow(&d, qsoctl::kContestEditQslSpin, "up");
        // A time that does not exist is refused, and the dialog stays.
        auto* time = control<QLineEdit>(&d, qsoctl::kContestEditTime);
        const QString kept = time->text();
        time->setText("25:61:00");
        click(&d, qsoctl::kContestEditModify);
        EXPECT_TRUE(d.isVisible());
        EXPECT_NE(prompter_.texts().back().find("The time"), std::string::npos);
        time->setText(kept);
        control<QLineEdit>(&d, qsoctl::kContestEditExchange)->setText("579 07");
        control<QLineEdit>(&d, qsoctl::kContestEditFrequency)->setText("14012345");
        click(&d, qsoctl::kContestEditModify);
    });
    doubleClickRow(1);
    ASSERT_TRUE(waitFor([&] { return cell(1, 7) == "579 07"; }));
    EXPECT_EQ(cell(1, 4), "  20M");
    ASSERT_TRUE(waitFor([&] { return read(path + ".Bak") == before; }));
    const std::string modified = read(path);
    EXPECT_NE(modified.find(";  20M;14012345;USB;579 07;1;;\n"), std::string::npos) << modified;

    // Delete asks first; "No" keeps the QSO and the dialog.
    prompter_.setAnswer(false);
    onEditDialog([this](CEditContestQSODlg& d) {
        click(&d, qsoctl::kContestEditDelete);
        EXPECT_EQ(prompter_.texts().back().rfind("Deleting the QSO with ", 0), 0u);
        EXPECT_TRUE(d.isVisible());
        prompter_.setAnswer(true);
        click(&d, qsoctl::kContestEditDelete);
    });
    doubleClickRow(0);
    ASSERT_TRUE(waitFor([&] { return rows() == 1 && cell(0, 1) == "N5DX"; }));
    ASSERT_TRUE(waitFor([&] { return read(path + ".Bak") == modified; }));
    EXPECT_EQ(read(path).rfind("1;1;N5DX;", 0), 0u) << read(path);

    // Set Macro takes the call as typed; Clear asks nothing and empties ~HC too.
    edit(qsoctl::kContestCall)->setText("ok1xy");
    edit(qsoctl::kContestComment)->setText("loud");
    click(contest(), qsoctl::kContestSetMacro);
    EXPECT_EQ(registry_->GetMacroVariable(5), "ok1xy");
    const std::size_t told = prompter_.texts().size();
    click(contest(), qsoctl::kContestClear);
    EXPECT_EQ(prompter_.texts().size(), told);
    for (int id : {qsoctl::kContestCall, qsoctl::kContestExchange, qsoctl::kContestComment})
        EXPECT_TRUE(edit(id)->text().isEmpty()) << id;
    EXPECT_EQ(registry_->GetMacroVariable(5), "");

    // Texts are cut to their fields as they are typed, never inside a character.
    QLineEdit* call = edit(qsoctl::kContestCall);
    call->setFocus();
    QTest::keyClicks(call, "AB;C" + QString(15, 'x'));
    EXPECT_EQ(call->text(), "ABC" + QString(15, 'x')); // 18 bytes
    call->insert(QString::fromUtf8("\u0416"));         // two more in UTF-8 would be 20
    EXPECT_EQ(call->text(), "ABC" + QString(15, 'x'));
    call->insert(QString::fromUtf8("\u00e9")); // one byte in Windows-1252
    EXPECT_EQ(call->text(), "ABC" + QString(15, 'x') + QString::fromUtf8("\u00e9"));
    call->insert("y");
    EXPECT_EQ(call->text(), "ABC" + QString(15, 'x') + QString::fromUtf8("\u00e9"));
    edit(qsoctl::kContestExchange)->setText(QString(90, '5'));
    EXPECT_EQ(edit(qsoctl::kContestExchange)->text().size(), 79);
}

} // namespace
} // namespace tamrel::test

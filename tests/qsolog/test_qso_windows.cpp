// The QSO windows offscreen, normal and contest logging, driven through their
// widgets, with the log worker writing a real file; the edit and Cabrillo
// dialogs on their own.
#include "QsoWindowFixture.h"

#include "qsolog/CEditContestQSODlg.h"
#include "qsolog/CEditQSODlg.h"
#include "qsolog/CabrilloExportDialog.h"
#include "qsolog/LogClock.h"
#include "qsolog/LogInterchangeActions.h"
#include "qsolog/QsoLine.h"
#include "qsolog/QsoLogTableModel.h"
#include "qsolog/QtQsoDialogs.h"

#include "platform/Inbox.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include <chrono>
#include <ctime>
#include <thread>

namespace tamrel::test {
namespace {

using namespace std::chrono_literals;

// Counts what the log worker hands back to the GUI thread.
class InboxCount final : public QObject {
public:
    InboxCount() { qApp->installEventFilter(this); }
    ~InboxCount() override { qApp->removeEventFilter(this); }
    int deliveries = 0;

protected:
    bool eventFilter(QObject* watched, QEvent*) override {
        if (dynamic_cast<detail::InboxBase*>(watched))
            ++deliveries;
        return false;
    }
};

class QsoWindows : public QsoWindowFixture {
protected:
    void SetUp() override {
        QsoWindowFixture::SetUp();
        tune(14025000, 3, 14031230); // 20 m CW, transmitting split on VFO B
    }
};

TEST_F(QsoWindows, LogItWritesTheFileBeforeTheListTheDupeLineFollowsKeysAndTheSheetSetsTheClock) {
    open();
    QLineEdit* call = edit(qsoctl::kHisCall);
    call->setText("DL1ABC");
    edit(qsoctl::kHisName)->setText("Hans");
    InboxCount handedBack;
    click(info(), qsoctl::kLogIt);
    // The GUI thread's loop does not run: the request went to the worker as it was made.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (logText().find(";DL1ABC;") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(rows(), 0) << "listed before the worker answered";
    ASSERT_TRUE(waitFor([&] { return rows() == 1; }));
    EXPECT_EQ(handedBack.deliveries, 1);

    EXPECT_EQ(cells(0, {0, 1, 5, 6, 7}),
              (std::vector<std::string>{"   1", "DL1ABC", "  14031.23", "CW", "Hans"}));
    EXPECT_EQ(control<QLabel>(logging(), kBandCountIds[4])->text(), "   1"); // the band's count
    EXPECT_NE(logText().find(";  20M;14031230;CW;Hans;"), std::string::npos);

    // The QSO just logged is a dupe now. A key press: the line is right
    // before the event loop runs again, and nothing comes back from the worker.
    auto* line = control<QLabel>(info(), qsoctl::kDupeLine);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "DUPE: DL1ABC worked 1 time, on this band and mode");
    handedBack.deliveries = 0;
    call->setFocus();
    QTest::keyClick(call, Qt::Key_End);
    QTest::keyClick(call, Qt::Key_Backspace);
    EXPECT_EQ(line->text(), "");
    QTest::keyClick(call, Qt::Key_C);
    QTest::qWait(20);
    EXPECT_EQ(handedBack.deliveries, 0);
    tune(7031000); // 40 m: worked, but no dupe there
    EXPECT_EQ(line->text(), "Worked before: DL1ABC worked 1 time, not on this band and mode");

    // An empty call is told, and nothing goes to the worker.
    call->setText("   ");
    EXPECT_EQ(line->text(), "");
    click(info(), qsoctl::kLogIt);
    EXPECT_EQ(prompter_.texts(), std::vector<std::string>{kCallsignEmpty});
    QTest::qWait(50);
    EXPECT_EQ(rows(), 1);

    // Local time set on the sheet stamps the next QSO.
    StationSettings station;
    registry_->GetStationSettings(station);
    station.useUtc = 0;
    ASSERT_TRUE(registry_->SetStationSettings(station));
    logIt("K1A");
    const std::vector<QSORecord> r = qsosOf(logText());
    ASSERT_EQ(r.size(), 2u);
    const auto now = double(std::time(nullptr));
    // In UTC (the first run's choice): shown as the system clock's UTC.
    EXPECT_NEAR(double(civilSeconds(*toLocalTime(r[0].time))), now, 120);
    EXPECT_NEAR(double(r[1].time), now, 120); // local time: the clock as it is
}

TEST_F(QsoWindows, KeysGoToThePanelAndLogInfoAltLSetMacroAndClearWork) {
    open();
    click(logging(), qsoctl::kLogInfo);
    EXPECT_FALSE(info()->isVisible());
    click(logging(), qsoctl::kLogInfo);
    EXPECT_TRUE(info()->isVisible());

    // Keys go to the front panel; Escape leaves the windows open.
    QLineEdit* call = edit(qsoctl::kHisCall);
    activate(info());
    call->setFocus();
    QTest::keyClick(call, Qt::Key_Escape);
    QTest::keyClick(call, Qt::Key_X, Qt::AltModifier);
    activate(logging());
    logging()->list().setFocus();
    QTest::keyClick(&logging()->list(), Qt::Key_F11);
    EXPECT_EQ(panel_.asked, (std::vector<std::string>{"key 27", "exit", "key 10"}));
    EXPECT_TRUE(info()->isVisible());
    EXPECT_TRUE(logging()->isVisible());

    // ALT+L in the information window is "Log It".
    activate(info());
    call->setText("G4ABC");
    QTest::keyClick(call, Qt::Key_L, Qt::AltModifier);
    ASSERT_TRUE(waitFor([this] { return rows() == 1; }));
    EXPECT_EQ(cell(0, 1), "G4ABC");

    // Clear asks, then empties the fields and the macros Set Macro filled.
    call->setText("W1AW");
    edit(qsoctl::kMySigEdit)->setText("579");
    click(info(), qsoctl::kSetMacro);
    EXPECT_EQ(registry_->GetMacroVariable(4), "579");
    click(info(), qsoctl::kClear);
    EXPECT_EQ(prompter_.texts().back(), kClearQuestion);
    EXPECT_TRUE(call->text().isEmpty());
    EXPECT_EQ(registry_->GetMacroVariable(4), "");
}

TEST_F(QsoWindows, SearchLogRecallsAQsoAndADeletedRowRenumbersTheRest) {
    open();
    logIt("G3XYZ", "Ann");
    logIt("F5AB", "Luc");
    logIt("G3XYZ", "Bob");
    edit(qsoctl::kHisCall)->setText("g3xyz");
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                info()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(info(), &menuEvent);
    QMenu* menu = info()->findChild<QMenu*>();
    ASSERT_TRUE(menu && !menu->actions().empty());
    menu->actions()[0]->trigger(); // "Search Log"
    menu->hide();
    auto* results = control<QListWidget>(logging(), qsoctl::kSearchList);
    ASSERT_EQ(results->count(), 2);
    EXPECT_TRUE(results->item(0)->text().startsWith("G3XYZ CW QSO on "));

    edit(qsoctl::kHisName)->clear();
    Q_EMIT results->itemDoubleClicked(results->item(1));
    EXPECT_EQ(edit(qsoctl::kHisName)->text(), "Bob");

    // A QSO deleted leaves the list, renumbered from 1, the file and the search list.
    dialogs_->editAnswer.outcome = QsoEdit::Outcome::Deleted;
    doubleClickRow(0);
    ASSERT_EQ(dialogs_->edited.size(), 1u);
    EXPECT_EQ(dialogs_->edited[0].name, "Ann");
    ASSERT_TRUE(waitFor([this] { return rows() == 2; }));
    ASSERT_TRUE(waitFor([&] { return results->count() == 1; }));
    EXPECT_EQ(cells(1, {0, 1}), (std::vector<std::string>{"   2", "G3XYZ"}));
    const std::string file = logText();
    EXPECT_NE(file.find("0;2;G3XYZ;"), std::string::npos) << file;
    EXPECT_EQ(file.find("Ann"), std::string::npos);
}

TEST_F(QsoWindows, AQsoTheFileRefusesIsListedAsNotInTheFileUntilSavedAndNewAsksFirst) {
    open();
    click(logging(), qsoctl::kSave);
    EXPECT_EQ(prompter_.texts(), std::vector<std::string>{kLogEmpty});
    EXPECT_TRUE(dialogs_->asked.empty());

    // A folder in the log's place: the append cannot open it.
    std::filesystem::create_directories(inHome(kDefaultLogName));
    logIt("K9ZZ");
    ASSERT_TRUE(waitFor([&] { return prompter_.texts().size() == 2; }));
    EXPECT_NE(prompter_.texts().back().find(kDefaultLogName), std::string::npos);
    EXPECT_EQ(cell(0, 1, Qt::ToolTipRole).toString(), kNotInFileTip);

    const std::string saved = root_ + "/saved.QSO.Log";
    dialogs_->file = saved;
    click(logging(), qsoctl::kSave);
    ASSERT_EQ(dialogs_->asked.size(), 1u);
    EXPECT_TRUE(dialogs_->asked[0].save);
    EXPECT_EQ(dialogs_->asked[0].start, inHome(kDefaultLogName));
    ASSERT_TRUE(waitFor([&] { return read(saved).find("0;1;K9ZZ;") == 0; }));
    EXPECT_TRUE(waitFor([&] { return !cell(0, 1, Qt::ToolTipRole).isValid(); }));
    EXPECT_TRUE(waitFor([&] { return currentNameSetting() == saved; })) << currentNameSetting();

    // New asks first; "No" changes nothing.
    prompter_.setAnswer(false);
    click(logging(), qsoctl::kNew);
    EXPECT_EQ(prompter_.texts().back(), kNewLogQuestion);
    EXPECT_EQ(dialogs_->asked.size(), 1u);
    prompter_.setAnswer(true);
    const std::string fresh = root_ + "/fresh.QSO.Log";
    dialogs_->file = fresh;
    click(logging(), qsoctl::kNew);
    ASSERT_TRUE(waitFor([this] { return rows() == 0; }));
    EXPECT_NE(read(saved).find("K9ZZ"), std::string::npos); // the old log is left
    EXPECT_TRUE(std::filesystem::exists(fresh));            // the new one is on disk at once
}

TEST_F(QsoWindows, TheFileMenuExportsAndImportsAdifThroughTheWorker) {
    open();
    auto menuEntry = [this](const QString& text) {
        for (QAction* a : logging()->findChildren<QAction*>())
            if (a->text() == text)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    QAction* exportAdif = menuEntry("Export ADIF...");
    QAction* importAdif = menuEntry("Import ADIF...");
    QAction* exportCabrillo = menuEntry("Export Cabrillo...");
    ASSERT_TRUE(exportAdif && importAdif && exportCabrillo);
    logIt("DL1ABC", "Hans");
    const std::string out = root_ + "/out.adi";
    dialogs_->file = out;
    exportAdif->trigger();
    ASSERT_TRUE(waitFor([&] { return read(out).find("<CALL:6>DL1ABC") != std::string::npos; }));
    // The dialog opens beside the log, named after it; the worker's report is told.
    EXPECT_EQ(dialogs_->asked.back().start, inHome("Tamrel.adi"));
    ASSERT_TRUE(waitFor([&] {
        return !prompter_.texts().empty() &&
               prompter_.texts().back().starts_with("Wrote 1 QSO to " + out);
    }));
    // A normal log has nothing for a Cabrillo file, and nobody is asked for a name.
    const std::size_t asked = dialogs_->asked.size();
    exportCabrillo->trigger();
    EXPECT_EQ(prompter_.texts().back(), kCabrilloNeedsContest);
    EXPECT_EQ(dialogs_->asked.size(), asked);

    const std::string other = root_ + "/other.adi";
    dialogs_->file = other;
    write(other, "<call:4>W1AW<qso_date:8>20240101<time_on:4>1200<gridsquare:4>FN31<eor>\r\n");
    prompter_.setAnswer(false); // leave the grid square out
    importAdif->trigger();
    EXPECT_EQ(prompter_.texts().back(), kUnknownFieldsQuestion);
    ASSERT_TRUE(waitFor([&] { return rows() == 2; }));
    EXPECT_EQ(cell(1, 1), "W1AW");
    EXPECT_EQ(logText().find("FN31"), std::string::npos);
}

// Contest logging: the contest window in place of the normal one (and back),
// its keys, Modify and Delete through the real edit dialog.
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
    ASSERT_TRUE(waitFor([&] { return contest() && columns() == 10 && rows() == 0; }));
    ASSERT_TRUE(waitFor([&] { return !prompter_.texts().empty(); }));
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1);

    // A contest QSO now is listed, not in the file, until saved under a name;
    // the notice comes once, not at every QSO.
    const std::size_t told = prompter_.texts().size();
    logIt("dl2xy", "599 12");
    logIt("dl3xy", "599 13");
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

    // Modify and Delete through the real edit dialog rewrite the file.
    onEditDialog([](CEditContestQSODlg& d) {
        EXPECT_EQ(control<QLineEdit>(&d, qsoctl::kContestEditCall)->text(), "N5DX");
        arrow(&d, qsoctl::kContestEditModeSpin, "down"); // CW to USB
        control<QLineEdit>(&d, qsoctl::kContestEditExchange)->setText("579 07");
        control<QLineEdit>(&d, qsoctl::kContestEditFrequency)->setText("14012345");
        click(&d, qsoctl::kContestEditModify);
    });
    doubleClickRow(1);
    ASSERT_TRUE(waitFor([&] { return cell(1, 7) == "579 07"; }));
    EXPECT_EQ(cell(1, 4), "  20M");
    EXPECT_TRUE(waitFor([&] {
        return read(path).find(";  20M;14012345;USB;579 07;0;;\n") != std::string::npos;
    })) << read(path);

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
    EXPECT_TRUE(waitFor([&] { return read(path).rfind("1;1;N5DX;", 0) == 0; })) << read(path);

    // Clear asks nothing and empties the fields and ~HC, which Set Macro filled.
    edit(qsoctl::kContestCall)->setText("ok1xy");
    edit(qsoctl::kContestComment)->setText("loud");
    click(contest(), qsoctl::kContestSetMacro);
    const std::size_t told = prompter_.texts().size();
    click(contest(), qsoctl::kContestClear);
    EXPECT_EQ(prompter_.texts().size(), told);
    for (int id : {qsoctl::kContestCall, qsoctl::kContestExchange, qsoctl::kContestComment})
        EXPECT_TRUE(edit(id)->text().isEmpty()) << id;
    EXPECT_EQ(registry_->GetMacroVariable(5), "");

    // Texts are cut to their fields as they are typed, counted in the file's bytes.
    QLineEdit* call = edit(qsoctl::kContestCall);
    call->setFocus();
    QTest::keyClicks(call, "AB;C" + QString(15, 'x'));
    const QString kept = "ABC" + QString(15, 'x') + QString::fromUtf8("\u00e9");
    call->insert(QString::fromUtf8("\u00e9")); // one byte in Windows-1252: the 19th
    call->insert("y");
    EXPECT_EQ(call->text(), kept);
}

// The edit dialog on its own: its spins step the record (the wrap rules are
// QsoView's), and a refused Modify names the field and keeps the dialog.
class EditDialogs : public LocalZone {
protected:
    RecordingPrompter prompter_;
};

TEST_F(EditDialogs, TextsKeepTheirBytesUnlessChangedSpinsStepAndARefusedModifyStaysOpen) {
    QSORecord r = normalQso("K1A", local(2024, 6, 1, 10, 0, 0));
    r.frequency = 14031237;
    r.mode = 9; // RTTYR and "Exchanged": the last mode and QSL state
    r.qsl = 3;
    r.name = "Jos\xE9";           // Windows-1252, from an old log
    r.qth = "Z\xC3\xBCrich";      // UTF-8
    r.comment = "\x81\x80\x9F x"; // 0x81 has no character; euro; Y with diaeresis
    {
        CEditQSODlg dialog(r, defaultBandTable(), prompter_);
        EXPECT_EQ(control<QLineEdit>(&dialog, qsoctl::kName)->text(), QStringLiteral("Jos\u00E9"));
        EXPECT_EQ(control<QLineEdit>(&dialog, qsoctl::kQth)->text(), QStringLiteral("Z\u00FCrich"));
        click(&dialog, qsoctl::kModify);
        ASSERT_TRUE(dialog.modified());
        EXPECT_EQ(*dialog.modified(), r);
    }
    CEditQSODlg dialog(r, defaultBandTable(), prompter_);
    dialog.show();
    arrow(&dialog, qsoctl::kModeSpin, "up"); // to LSB
    arrow(&dialog, qsoctl::kQslSpin, "up");  // to None

    // A date that does not exist is refused, named as typed.
    auto* date = control<QLineEdit>(&dialog, qsoctl::kDate);
    const QString shown = date->text();
    date->setText("02/30/2024");
    click(&dialog, qsoctl::kModify);
    EXPECT_EQ(dialog.outcome(), CEditQSODlg::Outcome::Cancelled);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_NE(prompter_.texts()[0].find("02/30/2024"), std::string::npos);

    date->setText(shown);
    control<QLineEdit>(&dialog, qsoctl::kFrequency)->setText("7012345");
    control<QLineEdit>(&dialog, qsoctl::kName)->setText(QStringLiteral("Jos\u00E9 \u20AC"));
    control<QLineEdit>(&dialog, qsoctl::kQth)->setText(QStringLiteral("\u041C\u0438\u0440"));
    click(&dialog, qsoctl::kModify);
    ASSERT_EQ(dialog.outcome(), CEditQSODlg::Outcome::Modified);
    const QSORecord m = dialog.modified().value();
    EXPECT_EQ(std::tuple(m.band, m.mode, m.qsl, m.frequency), std::tuple(6, 1, 0, 7012345)); // 40M
    EXPECT_EQ(m.name, "Jos\xE9 \x80");            // Windows-1252
    EXPECT_EQ(m.qth, "\xD0\x9C\xD0\xB8\xD1\x80"); // none there: UTF-8
}

// The Cabrillo dialog keeps the operator in until the contest is named.
template <class W> W* byName(QWidget& parent, const char* name) {
    for (W* w : parent.findChildren<W*>())
        if (w->accessibleName() == QLatin1String(name))
            return w;
    ADD_FAILURE() << "no control " << name;
    return nullptr;
}

TEST(CabrilloDialog, OpensWithTheAnswersGivesBackTheNewOnesAndExportsOnlyWithAContest) {
    CabrilloSettings s;
    s.contest = "CQ-WW-CW";
    s.categoryPower = "QRP";
    s.sentExchange = "599 #";
    s.firstSerial = 12;
    s.categoryOperator = "SINGLE-OP-PORTABLE"; // stored by hand: not among the choices
    CabrilloExportDialog dialog(s);
    dialog.show();
    EXPECT_EQ(dialog.settings(), s);

    QLineEdit* contest = byName<QLineEdit>(dialog, "Contest");
    contest->clear();
    QLabel* problem = byName<QLabel>(dialog, "Problem");
    QTest::keyClick(contest, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(problem->isVisible());

    QTest::keyClicks(contest, " ARRL-DX-CW ");
    byName<QComboBox>(dialog, "Mode")->setCurrentText("MIXED");
    CabrilloSettings typed = s;
    typed.contest = "ARRL-DX-CW";
    typed.categoryMode = "MIXED";
    EXPECT_EQ(dialog.settings(), typed);
    byName<QPushButton>(dialog, "Export")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace tamrel::test

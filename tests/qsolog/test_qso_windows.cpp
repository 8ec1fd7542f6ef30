// The QSO windows offscreen, driven through their widgets, with the two
// threads running and a stand-in front panel answering the state requests.
#include "LogFileFixture.h"

#include "qsolog/CEditQSODlg.h"
#include "qsolog/LogInterchangeActions.h"
#include "qsolog/QsoLine.h"
#include "qsolog/QsoLoggingWindows.h"

#include "controls/ControlSupport.h"
#include "platform/WindowMailbox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <chrono>

namespace tamrel::test {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until the condition holds; fails only after a long time.
template <class F> bool waitFor(F condition) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Press, release, then the double click, as a window system delivers them.
void doubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &press);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &dbl);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, {}, {});
    QApplication::sendEvent(widget, &release);
}

template <class W = QWidget> W* control(const QWidget* root, int id) {
    return root ? qobject_cast<W*>(findControl(*root, id)) : nullptr;
}

class QsoWindows : public LogFileFixture {
protected:
    void SetUp() override {
        LogFileFixture::SetUp();
        state_.vfoA = 14025000;
        state_.vfoB = 14031230;
        state_.transmitVfo = 1;
        state_.mode = 3;
        state_.bandIndex = 4;
        panel_ = std::make_unique<WindowMailbox>([this](Message&& m) {
            if (m.id == msg::WM_K2_STATE_REQUEST) {
                ++stateRequests_;
                if (const Handle* to = m.payload.get<Handle>())
                    Mailboxes::post(*to, {msg::WM_K2_STATE_REPLY, 4, Payload::of(state_)});
            } else if (m.id == msg::WM_K2_PANEL_REQUEST) {
                const int64_t* arg = m.payload.get<int64_t>();
                requests_.emplace_back(m.wParam, arg ? *arg : -1);
            }
        });
    }
    void TearDown() override {
        windows_.reset();
        panel_.reset();
        LogFileFixture::TearDown();
    }

    void open(LoggingDlgHooks hooks = {}) {
        windows_ = std::make_unique<QsoLoggingWindows>(
            *registry_, prompter_, panel_->handle(), [this] { return panelFrame_; }, home_,
            std::move(hooks));
        windows_->Open();
        ASSERT_TRUE(waitFor([this] { return info() && logging() && logging()->isVisible(); }));
    }

    CQSOInfoDlg* info() const { return windows_->InfoWindow(); }
    CQSOLoggingDlg* logging() const { return windows_->LoggingWindow(); }
    int rows() const { return logging() ? logging()->list().model()->rowCount() : -1; }
    QString cell(int row, int column) const {
        const QAbstractItemModel* m = logging()->list().model();
        return m->data(m->index(row, column)).toString();
    }

    void logIt(const QString& call, const QString& name = {}) {
        const int before = rows();
        auto* callEdit = control<QLineEdit>(info(), qsoctl::kHisCall);
        ASSERT_TRUE(callEdit);
        callEdit->setText(call);
        control<QLineEdit>(info(), qsoctl::kHisName)->setText(name);
        QTest::mouseClick(control<QPushButton>(info(), qsoctl::kLogIt), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return rows() == before + 1; }));
    }

    K2RadioState state_;
    QRect panelFrame_{0, 0, 200, 100};
    int stateRequests_ = 0;
    std::vector<std::pair<uint64_t, int64_t>> requests_;
    std::unique_ptr<WindowMailbox> panel_;
    std::unique_ptr<QsoLoggingWindows> windows_;
};

TEST_F(QsoWindows, LogItListsTheQsoWithVfoBInSplitAndWritesTheLine) {
    open();
    logIt("dl1abc", "Hans");
    EXPECT_EQ(cell(0, 0), "   1");
    EXPECT_EQ(cell(0, 1), "DL1ABC");
    EXPECT_EQ(cell(0, 5), "  14031.23");
    EXPECT_EQ(cell(0, 6), "CW");
    EXPECT_EQ(cell(0, 7), "Hans");
    EXPECT_EQ(control<QLabel>(logging(), kQsoCountId)->text(), "   1");
    EXPECT_EQ(control<QLabel>(logging(), kBandCountIds[4])->text(), "   1");
    EXPECT_EQ(control<QLabel>(logging(), kBandCountIds[0])->text(), "   0");
    const std::string file = read(inHome(kDefaultLogName));
    EXPECT_NE(file.find(";DL1ABC;"), std::string::npos);
    EXPECT_NE(file.find(";  20M;14031230;CW;Hans;"), std::string::npos) << file;
}

TEST_F(QsoWindows, AnEmptyCallIsToldAndNothingIsAsked) {
    open();
    control<QLineEdit>(info(), qsoctl::kHisCall)->setText("   ");
    QTest::mouseClick(control<QPushButton>(info(), qsoctl::kLogIt), Qt::LeftButton);
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_EQ(prompter_.texts()[0], kCallsignEmpty);
    QTest::qWait(50);
    EXPECT_EQ(stateRequests_, 0);
}

TEST_F(QsoWindows, KeysGoToTheFrontPanelAndEscapeKeepsTheWindows) {
    open();
    QLineEdit* call = control<QLineEdit>(info(), qsoctl::kHisCall);
    info()->activateWindow();
    call->setFocus();
    QTest::keyClick(call, Qt::Key_Escape);
    QTest::keyClick(call, Qt::Key_F1);
    QTest::keyClick(call, Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(&logging()->list(), Qt::Key_F11);
    QTest::keyClick(&logging()->list(), Qt::Key_Escape);
    ASSERT_TRUE(waitFor([this] { return requests_.size() == 5; }));
    using R = std::pair<uint64_t, int64_t>;
    EXPECT_EQ(requests_[0], R(msg::REQ_FUNCTION_KEY, 27));
    EXPECT_EQ(requests_[1], R(msg::REQ_FUNCTION_KEY, 0));
    EXPECT_EQ(requests_[2], R(msg::REQ_EXIT, 0));
    EXPECT_EQ(requests_[3], R(msg::REQ_FUNCTION_KEY, 10));
    EXPECT_EQ(requests_[4], R(msg::REQ_FUNCTION_KEY, 27));
    EXPECT_TRUE(info()->isVisible());
    EXPECT_TRUE(logging()->isVisible());

    // ALT+L is "Log It".
    call->setText("G4ABC");
    QTest::keyClick(call, Qt::Key_L, Qt::AltModifier);
    ASSERT_TRUE(waitFor([this] { return rows() == 1; }));
    EXPECT_EQ(cell(0, 1), "G4ABC");
}

TEST_F(QsoWindows, TextsCannotTakeFieldSeparators) {
    open();
    QLineEdit* name = control<QLineEdit>(info(), qsoctl::kHisName);
    name->setFocus();
    QTest::keyClicks(name, "Jo;hn");
    EXPECT_EQ(name->text(), "John");
}

TEST_F(QsoWindows, DeletingTheThirdRowRenumbersFromOne) {
    int editedRow = -1;
    LoggingDlgHooks hooks;
    hooks.edit = [&](const QSORecord& r) {
        editedRow = r.call == "K3C" ? 2 : -1;
        LoggingDlgHooks::Edit e;
        e.outcome = LoggingDlgHooks::Edit::Outcome::Deleted;
        return e;
    };
    open(std::move(hooks));
    for (const char* call : {"K1A", "K2B", "K3C", "K4D"})
        logIt(call);
    QTableView& list = logging()->list();
    const QRect third = list.visualRect(list.model()->index(2, 1));
    ASSERT_TRUE(third.isValid()) << third.x() << "," << third.y();
    doubleClick(list.viewport(), third.center());
    EXPECT_EQ(editedRow, 2);
    ASSERT_TRUE(waitFor([this] { return rows() == 3; }));
    EXPECT_EQ(cell(2, 0), "   3");
    EXPECT_EQ(cell(2, 1), "K4D");
    EXPECT_EQ(control<QLabel>(logging(), kQsoCountId)->text(), "   3");
    const std::string file = read(inHome(kDefaultLogName));
    EXPECT_NE(file.find("0;3;K4D;"), std::string::npos) << file;
    EXPECT_EQ(file.find("K3C"), std::string::npos);
}

TEST_F(QsoWindows, SearchLogListsEarlierQsosAndADoubleClickRecallsOne) {
    open();
    logIt("G3XYZ", "Ann");
    logIt("F5AB", "Luc");
    logIt("G3XYZ", "Bob");
    control<QLineEdit>(info(), qsoctl::kHisCall)->setText("g3xyz");
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                info()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(info(), &menuEvent);
    QMenu* menu = info()->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Search Log");
    menu->actions()[0]->trigger();
    menu->hide();
    auto* results = control<QListWidget>(logging(), qsoctl::kSearchList);
    ASSERT_TRUE(waitFor([&] { return results->count() == 2; }));
    EXPECT_TRUE(results->item(0)->text().startsWith("G3XYZ CW QSO on "));

    control<QLineEdit>(info(), qsoctl::kHisName)->clear();
    const QRect second = results->visualItemRect(results->item(1));
    doubleClick(results->viewport(), second.center());
    auto* name = control<QLineEdit>(info(), qsoctl::kHisName);
    ASSERT_TRUE(waitFor([&] { return name->text() == "Bob"; }));
}

TEST_F(QsoWindows, SaveOfAnEmptyLogIsToldAndNewAsksFirst) {
    std::vector<bool> chosen;
    LoggingDlgHooks hooks;
    hooks.chooseFile = [&](bool save, const std::string&) -> std::optional<std::string> {
        chosen.push_back(save);
        return std::nullopt;
    };
    open(std::move(hooks));
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kSave), Qt::LeftButton);
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_EQ(prompter_.texts()[0], kLogEmpty);
    EXPECT_TRUE(chosen.empty());

    logIt("K1A");
    prompter_.setAnswer(false);
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kNew), Qt::LeftButton);
    EXPECT_EQ(prompter_.texts().back(), kNewLogQuestion);
    QTest::qWait(50);
    EXPECT_EQ(rows(), 1);
    prompter_.setAnswer(true);
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kNew), Qt::LeftButton);
    ASSERT_TRUE(waitFor([this] { return rows() == 0; }));
    // The old log is not written over by New.
    EXPECT_NE(read(inHome(kDefaultLogName)).find("K1A"), std::string::npos);
}

TEST_F(QsoWindows, SaveWritesTheChosenFileAndALongPathIsRefused) {
    std::string choice;
    LoggingDlgHooks hooks;
    hooks.chooseFile = [&](bool, const std::string&) -> std::optional<std::string> {
        return choice;
    };
    open(std::move(hooks));
    logIt("K1A");
    choice = root_ + "/" + std::string(80, 'x') + ".QSO.Log";
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kSave), Qt::LeftButton);
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(choice));

    choice = root_ + "/saved.QSO.Log";
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kSave), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return read(choice).find("0;1;K1A;") == 0; })) << read(choice);
    // The logger thread stores the name just after the file is in place.
    std::string current;
    EXPECT_TRUE(waitFor([&] {
        registry_->GetCurrentLogFileName(current);
        return current == choice;
    })) << current;
}

// The "File" menu's entry with this text.
QAction* fileMenuEntry(const QWidget* window, const QString& text) {
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* menu : bar->actions())
            if (menu->menu())
                for (QAction* a : menu->menu()->actions())
                    if (a->text() == text)
                        return a;
    return nullptr;
}

TEST_F(QsoWindows, TheFileMenuExportsAndImportsAdifThroughTheLogger) {
    std::vector<std::string> starts;
    std::string choice;
    LoggingDlgHooks hooks;
    hooks.chooseInterchangeFile = [&](bool, const std::string& start,
                                      const std::string&) -> std::optional<std::string> {
        starts.push_back(start);
        return choice;
    };
    open(std::move(hooks));
    QAction* exportAdif = fileMenuEntry(logging(), "Export ADIF...");
    QAction* importAdif = fileMenuEntry(logging(), "Import ADIF...");
    QAction* exportCabrillo = fileMenuEntry(logging(), "Export Cabrillo...");
    ASSERT_TRUE(exportAdif && importAdif && exportCabrillo);
    exportAdif->trigger();
    EXPECT_EQ(prompter_.texts().back(), kLogEmpty);
    EXPECT_TRUE(starts.empty());

    logIt("DL1ABC", "Hans");
    choice = root_ + "/out.adi";
    exportAdif->trigger();
    ASSERT_TRUE(waitFor([&] { return read(choice).find("<CALL:6>DL1ABC") != std::string::npos; }));
    // The dialog opens beside the log, named after it.
    EXPECT_EQ(starts.back(), inHome("Tamrel.adi"));
    ASSERT_TRUE(
        waitFor([&] { return prompter_.texts().back() == "Wrote 1 QSO to " + choice + "."; }));
    // A normal log has nothing for a Cabrillo file, and nobody is asked for a name.
    const std::size_t asked = starts.size();
    exportCabrillo->trigger();
    EXPECT_EQ(prompter_.texts().back(), kCabrilloNeedsContest);
    EXPECT_EQ(starts.size(), asked);

    choice = root_ + "/other.adi";
    write(choice, "<call:4>W1AW<qso_date:8>20240101<time_on:4>1200<gridsquare:4>FN31<eor>\r\n");
    prompter_.setAnswer(false); // leave the grid square out
    importAdif->trigger();
    EXPECT_EQ(prompter_.texts().back(), kUnknownFieldsQuestion);
    ASSERT_TRUE(waitFor([&] { return rows() == 2; }));
    EXPECT_EQ(cell(1, 1), "W1AW");
    EXPECT_NE(read(inHome(kDefaultLogName)).find(";W1AW;"), std::string::npos);
    EXPECT_EQ(read(inHome(kDefaultLogName)).find("FN31"), std::string::npos);
}

TEST_F(QsoWindows, TheCallBeingTypedShowsWhetherItIsADupe) {
    open();
    logIt("DL1ABC");
    auto* call = control<QLineEdit>(info(), qsoctl::kHisCall);
    auto* line = control<QLabel>(info(), qsoctl::kDupeLine);
    ASSERT_TRUE(line);
    // Logging it made it a dupe on this band and mode.
    ASSERT_TRUE(waitFor([&] { return line->text().startsWith("DUPE: DL1ABC"); }))
        << line->text().toStdString();
    QTest::keyClick(call, Qt::Key_End);
    QTest::keyClick(call, Qt::Key_Backspace);
    ASSERT_TRUE(waitFor([&] { return line->text().isEmpty(); })) << line->text().toStdString();
    QTest::keyClicks(call, "c");
    ASSERT_TRUE(waitFor([&] { return line->text().startsWith("DUPE: DL1ABC"); }));
    // On another band it was worked, but is no dupe.
    state_.bandIndex = 6;
    state_.vfoB = 7031000;
    call->setText("dl1abc");
    ASSERT_TRUE(waitFor([&] {
        return !line->text().isEmpty() && !line->text().startsWith("DUPE");
    })) << line->text().toStdString();
    call->clear();
    EXPECT_TRUE(line->text().isEmpty());
}

TEST_F(QsoWindows, LoadingAContestLogRecreatesTheWindowWithTheOtherColumns) {
    const std::string contest = inHome("contest.QSO.Log");
    LoggingDlgHooks hooks;
    hooks.chooseFile = [&](bool, const std::string&) -> std::optional<std::string> {
        return contest;
    };
    open(std::move(hooks));
    EXPECT_EQ(logging()->list().model()->columnCount(), 13);
    write(contest, formatLine(contestQso("DL2XY", local(2024, 6, 1, 12, 0, 0)), 1) + "\n");
    const CQSOLoggingDlg* before = logging();
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kLoad), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return logging() != before && rows() == 1; }));
    EXPECT_EQ(logging()->list().model()->columnCount(), 10);
    EXPECT_EQ(logging()->list().model()->headerData(7, Qt::Horizontal).toString(), "Exchange");
    EXPECT_TRUE(logging()->isVisible());
    // The contest window takes the normal one's place.
    ASSERT_TRUE(waitFor([&] { return info() == nullptr && windows_->ContestWindow(); }));
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1);
}

TEST_F(QsoWindows, WindowsFollowThePanelAndLogInfoTogglesTheInformationWindow) {
    open();
    EXPECT_EQ(info()->pos(), QPoint(panelFrame_.right() + 1, panelFrame_.top()));
    panelFrame_.moveTo(20, 10);
    windows_->FollowMove();
    ASSERT_TRUE(waitFor([&] { return info()->pos() == QPoint(panelFrame_.right() + 1, 10); }));
    ASSERT_TRUE(waitFor([&] { return logging()->y() == panelFrame_.bottom() + 1; }));
    // Moved onto the screen rather than beyond its edge.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(logging()->x(),
              std::max(screen.left(),
                       std::min(20, screen.right() + 1 - logging()->frameGeometry().width())));
    panelFrame_.moveTo(screen.right() - 100, 10);
    windows_->FollowMove();
    ASSERT_TRUE(waitFor([&] { return info()->frameGeometry().right() == screen.right(); }));

    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kLogInfo), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !info()->isVisible(); }));
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kLogInfo), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return info()->isVisible(); }));
    // Closed with its title bar, one LogInfo shows it again.
    info()->close();
    EXPECT_FALSE(info()->isVisible());
    QTest::mouseClick(control<QPushButton>(logging(), qsoctl::kLogInfo), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return info()->isVisible(); }));
}

TEST_F(QsoWindows, ClearAsksAndEmptiesTheFieldsAndTheMacros) {
    open();
    control<QLineEdit>(info(), qsoctl::kHisCall)->setText("W1AW");
    control<QLineEdit>(info(), qsoctl::kMySigEdit)->setText("579");
    QTest::mouseClick(control<QPushButton>(info(), qsoctl::kSetMacro), Qt::LeftButton);
    EXPECT_EQ(registry_->GetMacroVariable(5), "W1AW");
    EXPECT_EQ(registry_->GetMacroVariable(4), "579");
    QTest::mouseClick(control<QPushButton>(info(), qsoctl::kClear), Qt::LeftButton);
    EXPECT_EQ(prompter_.texts().back(), kClearQuestion);
    EXPECT_TRUE(control<QLineEdit>(info(), qsoctl::kHisCall)->text().isEmpty());
    EXPECT_EQ(registry_->GetMacroVariable(5), "");
    EXPECT_EQ(registry_->GetMacroVariable(4), "");
}

// The edit dialog on its own.
class EditQsoDialog : public LocalZone {
protected:
    RecordingPrompter prompter_;
};

TEST_F(EditQsoDialog, SpinsWrapAndModifyTakesTheBandFromTheFrequency) {
    QSORecord r = normalQso("K1A", local(2024, 6, 1, 10, 0, 0));
    r.mode = 9; // RTTYR, the last
    r.qsl = 3;  // "Exchanged", the last
    r.frequency = 14031237;
    CEditQSODlg dialog(r, defaultBandTable(), prompter_);
    auto* mode = control<QLineEdit>(&dialog, qsoctl::kMode);
    auto* qsl = control<QLineEdit>(&dialog, qsoctl::kQsl);
    EXPECT_EQ(mode->text(), "RTTYR");
    // The edit holds every Hz digit, not the row's kHz text.
    EXPECT_EQ(control<QLineEdit>(&dialog, qsoctl::kFrequency)->text(), "14031237");
    auto arrow = [&](int spin, const char* which) {
        QWidget* s = control(&dialog, spin);
        ASSERT_TRUE(s);
        QTest::mouseClick(s->findChild<QToolButton*>(which), Qt::LeftButton);
    };
    arrow(qsoctl::kModeSpin, "up");
    EXPECT_EQ(mode->text(), "LSB");
    arrow(qsoctl::kModeSpin, "down");
    EXPECT_EQ(mode->text(), "RTTYR");
    arrow(qsoctl::kModeSpin, "down");
    EXPECT_EQ(mode->text(), "CWR");
    arrow(qsoctl::kQslSpin, "up");
    EXPECT_EQ(qsl->text(), "None");

    arrow(qsoctl::kModeSpin, "up");
    control<QLineEdit>(&dialog, qsoctl::kFrequency)->setText("7012345");
    QTest::mouseClick(control<QPushButton>(&dialog, qsoctl::kModify), Qt::LeftButton);
    ASSERT_EQ(dialog.outcome(), CEditQSODlg::Outcome::Modified);
    ASSERT_TRUE(dialog.modified());
    EXPECT_EQ(dialog.modified()->band, 6); // 40M
    EXPECT_EQ(dialog.modified()->mode, 9);
    EXPECT_EQ(dialog.modified()->qsl, 0);
    EXPECT_EQ(dialog.modified()->frequency, 7012345);
}

TEST_F(EditQsoDialog, ADateThatDoesNotExistIsRefused) {
    CEditQSODlg dialog(normalQso("K1A", local(2024, 2, 1, 10, 0, 0)), defaultBandTable(),
                       prompter_);
    control<QLineEdit>(&dialog, qsoctl::kDate)->setText("02/30/2024");
    QTest::mouseClick(control<QPushButton>(&dialog, qsoctl::kModify), Qt::LeftButton);
    EXPECT_EQ(dialog.outcome(), CEditQSODlg::Outcome::Cancelled);
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_NE(prompter_.texts()[0].find("02/30/2024"), std::string::npos);
}

} // namespace
} // namespace tamrel::test

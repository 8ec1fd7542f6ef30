// The front panel window through its real widgets, the radio's end of the line
// on a pseudo-terminal: what each click, drag and key puts on the wire.

#include "TestPanel.h"
#include "controls/AccessibleControls.h"
#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
#include "controls/PanelCommands.h"
#include "cw/CCWKeyboardDlg.h"
#include "memory/CK2MemoryStore.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/FocusRing.h"
#include "panel/FrontPanelView.h"
#include "panel/SpokenValues.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "qsolog/CContestQSODlg.h"
#include "qsolog/QsoLoggingWindows.h"
#include "radio/CK2CommChannel.h"
#include "remote/ControlFrame.h"
#include "remote/ControlServer.h"
#include "settings/CRigControlRegistry.h"
#include "settings/CTamrelCfg.h"
#include "settings/CfgPageWidgets.h"
#include "support/AccessibleAudit.h"
#include "support/PanelOnPty.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

// An IF reply on the line.
std::string ifReply(uint32_t hz, int offset, int rit, int xit, int mode, int vfo, int split) {
    return test::IfReply(hz, offset, rit, xit, mode, vfo, split) + ";";
}

// Sends one control frame as another program would.
void sendFrame(QLocalSocket& s, uint32_t dwData, const std::string& text) {
    const std::vector<uint8_t> frame =
        control::encodeFrame(dwData, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    s.write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()));
    s.flush();
}

// What screen readers were told while it lives.
class HeardEvents {
public:
    HeardEvents() {
        heard_ = this;
        SpokenValues::deliver = [](QAccessibleEvent* e) {
            if (e->type() == QAccessible::ValueChanged)
                heard_->values.emplace_back(
                    e->object(), static_cast<QAccessibleValueChangeEvent*>(e)->value().toString());
            if (e->type() == QAccessible::DescriptionChanged)
                heard_->descriptions.push_back(e->object());
            if (e->type() == QAccessible::ObjectShow)
                heard_->shown.push_back(e->object());
        };
    }
    ~HeardEvents() {
        SpokenValues::deliver = &QAccessible::updateAccessibility;
        heard_ = nullptr;
    }
    std::vector<std::pair<QObject*, QString>> values;
    std::vector<QObject*> descriptions;
    std::vector<QObject*> shown;

private:
    static inline HeardEvents* heard_ = nullptr;
};

// WCAG's relative luminance and contrast ratio.
double luminance(const QColor& c) {
    auto lin = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
// The mean colour of a drawn face: a smooth scale to one pixel averages it.
QColor meanColour(QWidget& w) {
    const QImage image = w.grab().toImage();
    return image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
}

class FrontPanelWindow : public test::PanelOnPty {
protected:
    void SetUp() override {
        PanelOnPty::SetUp();
        SystemConfig config; // the QSO log's files in the test's own folder
        registry_->GetSystemConfig(config);
        config.homeDir = dir_.path().toStdString();
        ASSERT_TRUE(registry_->SetSystemConfig(config));
        Open();
    }

    template <class T = QWidget> T* control(int id) {
        auto* w = qobject_cast<T*>(findControl(*dlg_, id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    void click(int id) { QTest::mouseClick(control<QWidget>(id), Qt::LeftButton); }
    // A drag of a slider's thumb through the given positions, then its release.
    void drag(int id, std::initializer_list<int> positions) {
        auto* s = control<QSlider>(id);
        s->setSliderDown(true);
        for (int p : positions)
            s->setSliderPosition(p);
        s->setSliderDown(false);
    }
    // A vertical wheel turn over the panel, in eighths of a degree.
    void wheel(QPoint delta) {
        QWheelEvent e(QPointF(5, 5), dlg_->mapToGlobal(QPointF(5, 5)), QPoint(), delta,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(dlg_.get(), &e);
    }
    // The QSO logging windows once the logging window shows, else null.
    QsoLoggingWindows* qsoWindows() {
        QsoLoggingWindows* q = dlg_->QsoLogging();
        return q && q->LoggingWindow() && q->LoggingWindow()->isVisible() ? q : nullptr;
    }
    // "System Config" from the right-click menu; act gets the modal sheet once it is up.
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
    // Waits until the panel has sent a command that passes the test.
    bool sentUntil(const std::function<bool(const std::string&)>& test) {
        return pumpUntil([&] {
            const auto& all = peer_.commands();
            return std::any_of(all.begin(), all.end(), [&](auto& c) { return test(c.text); });
        });
    }
};

} // namespace

TEST_F(FrontPanelWindow, VfoLockSilencesFrequencyControlsOnly) {
    radioSays("LK1;", [&] { return view().vfoLock; });
    for (int id :
         {ctl::kUp10, ctl::kDown1k, ctl::kBandUp, ctl::kAToB, ctl::kBToA, ctl::kRxB, ctl::kTxA})
        click(id);
    control<QSlider>(ctl::kTuningSlider)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(sent().empty());

    for (int id : {ctl::kRit, ctl::kUsb, ctl::kAgcSlow, ctl::kFirstXfil + 1, ctl::kPre, ctl::kAfil,
                   ctl::kNb, ctl::kAnt, ctl::kTune, ctl::kClear, ctl::kVfoLock})
        click(id);
    EXPECT_EQ(sent(), (std::vector<std::string>{"RT1", "MD2", "GT0041", "FW00002", "PA1", "SW29",
                                                "NB1", "AN2", "SW20", "RC", "LK0"}));
}

TEST_F(FrontPanelWindow, GuardsSliderLimitsDragsReleaseTuningAndRefusals) {
    radioSays("GT0021;", [&] { return view().agcSelected[kAgcFast]; });
    click(ctl::kAgcOff);
    EXPECT_EQ(sent(), std::vector<std::string>{"GT0000"});
    radioSays("GT0000;", [&] { return view().agcSelected[kAgcOff]; });
    click(ctl::kAgcOff); // already off: nothing sent, Off still shown selected
    EXPECT_TRUE(sent().empty()) << "AGC off again";
    EXPECT_TRUE(view().agcSelected[kAgcOff]);

    auto* power = control<QSlider>(ctl::kPowerSlider);
    radioSays("PC0000;", [&] { return view().power.pos == 150; });
    power->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(sent(), std::vector<std::string>{"PC0000"}); // one step down at 0 stays 0
    radioSays("PC0050;", [&] { return view().power.pos == 145; });
    // PA option saved: a step up from 5 W sends the high range digit.
    ASSERT_TRUE(registry_->SetPaOption(1));
    power->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(sent(), std::vector<std::string>{"PC0061"});

    // A tuning drag sends each new position once; the release on the last sends nothing more.
    radioSays("FA00014060000;", [&] { return view().vfoAText == "  14060.00"; });
    drag(ctl::kTuningSlider, {1406010, 1406020, 1406020, 1406030, 1406040, 1406050});
    EXPECT_EQ(sent(), (std::vector<std::string>{"FA00014060100", "FA00014060200", "FA00014060300",
                                                "FA00014060400", "FA00014060500"}));
    // A right-click on the tuning slider toggles release tuning, shown in its colour.
    QTest::mouseClick(control<QSlider>(ctl::kTuningSlider), Qt::RightButton);
    EXPECT_EQ(control<CEditEx>(ctl::kTuningEdit)->backgroundColour(), QColor(111, 111, 255));

    ops_->TapSwitch(99); // refused by the channel: said on the status line
    EXPECT_EQ(view().statusText, "Not sent to the radio: a value the radio does not take "
                                 "(0x03000001)");
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);
}

TEST_F(FrontPanelWindow, OffsetDragsNeverHoldTheWindowAndANewOneReplacesTheStepsStillToGo) {
    radioSays(ifReply(14060000, 0, 1, 0, 3, 0, 0), [&] { return view().ritXitControlsEnabled; });
    // The whole throw, released at the top: 100 steps of 10 Hz up, a second
    // on the wire. The window never waits for them, and a new drag starts
    // from the last reported offset (0): one step down, the rest dropped.
    drag(ctl::kOffsetSlider, {1500, 2000, 1000, 0, 2000});
    ASSERT_TRUE(pumpUntil([&] { return peer_.commands().size() >= 3; }));
    drag(ctl::kOffsetSlider, {990});
    auto texts = sent(400ms);
    EXPECT_LT(std::count(texts.begin(), texts.end(), "RU"), 50);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "RD");
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "RD"), 1);

    radioSays(ifReply(14060000, 120, 1, 0, 3, 0, 0), [&] { return view().offset.pos == 1120; });
    click(ctl::kClear);
    EXPECT_EQ(control<QSlider>(ctl::kOffsetSlider)->value(), 1000); // before the radio answers
    EXPECT_EQ(sent(), std::vector<std::string>{"RC"});
}

TEST_F(FrontPanelWindow, NeverMaximisedSavedOnlyFromTheOperatorsMovesAndNoCreepOnRestarts) {
    // Placing the window at start is not the operator's move: nothing saved.
    WindowRect saved;
    registry_->GetWindowRect(saved);
    EXPECT_EQ(saved, (WindowRect{0, 0, 639, 479}));

    WindowRect first;
    registry_->GetFirstLayoutRect(first);
    QRect original(first.left, first.top, first.right - first.left, first.bottom - first.top);
    dlg_->showMaximized();
    EXPECT_TRUE(
        pumpUntil([&] { return !dlg_->isMaximized() && dlg_->frameGeometry() == original; }));

    pumpFor(300ms); // the start's own moves are over
    dlg_->move(dlg_->pos() + QPoint(7, 5));
    ASSERT_TRUE(pumpUntil([&] {
        registry_->GetWindowRect(saved);
        return saved.left == dlg_->frameGeometry().left() &&
               saved.top == dlg_->frameGeometry().top();
    }));

    // A frame makes the saved rectangle larger than the panel; restarts keep size and corner.
    const QSize panel = dlg_->size();
    registry_->SetWindowRect({40, 60, 40 + panel.width() + 8, 60 + panel.height() + 25});
    for (int restart = 0; restart < 2; ++restart) {
        Reopen();
        ASSERT_TRUE(pumpUntil([&] { return dlg_->frameGeometry().topLeft() == QPoint(40, 60); }));
        EXPECT_EQ(dlg_->size(), panel);
    }
}

TEST_F(FrontPanelWindow, TheFrequencyBoxRefusesSaysAndFollowsTheRadioUntilTheOperatorTypes) {
    auto* edit = control<CEditEx>(ctl::kVfoAEdit);
    // The radio's first answer (it clears the status line).
    radioSays("FA00007040500;", [&] { return view().portText != "None"; });
    // Refused: nothing sent, the reason on the status line, the radio's value back.
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, "99999");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(view().statusStyle, StatusStyle::Error);
    EXPECT_NE(view().statusText.find("99999"), std::string::npos) << view().statusText;
    EXPECT_EQ(edit->text(), "   7040.50");
    EXPECT_TRUE(prompter_.texts().empty());

    // Enter on a focused button and closing ask the exit question; Escape never closes.
    auto* rit = control<QWidget>(ctl::kRit);
    rit->setFocus();
    QTest::keyClick(rit, Qt::Key_Return);
    dlg_->close();
    QTest::keyClick(dlg_.get(), Qt::Key_Escape);
    EXPECT_EQ(prompter_.texts(), (std::vector<std::string>{kExitQuestion, kExitQuestion}));
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(dlg_->isVisible()); // the answer was no

    radioSays("FA00003560000;", [&] { return view().vfoAText == "   3560.00"; });
    // Focus back in the box (as after any dialog): the radio still moves it.
    edit->setFocus();
    ASSERT_TRUE(pumpUntil([&] { return !edit->isReadOnly(); }));
    peer_.send("FA00007030000;");
    ASSERT_TRUE(pumpUntil([&] { return edit->text() == "   7030.00"; }));
    // Enter on the radio's own value undoes nothing.
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(sent().empty());

    // Typed text stays until Enter or ">>" sends it; every click opens the box again.
    for (const std::string khz : {"7011", "7012"}) {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::fromStdString(khz));
        peer_.send("FA00007030010;");
        pumpUntil([] { return false; }, 100ms);
        EXPECT_EQ(edit->text().toStdString(), khz);
        if (khz == "7011")
            click(ctl::kEnterA);
        else
            QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(sent(), std::vector<std::string>{"FA0000" + khz + "000"}) << khz;
    }
    // Escape gives the box back to the radio.
    QTest::keyClicks(edit, "9");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "   7012.00");
    EXPECT_TRUE(sent().empty());
}

TEST_F(FrontPanelWindow, ScreenReadersHearTitlesAndCaptionsNeverIds) {
    // Every window the panel opens, each as a screen reader meets it.
    click(ctl::kSwitchPanel);
    click(ctl::kKeyboardCw);
    QTest::keyClick(dlg_.get(), Qt::Key_L, Qt::AltModifier);
    ASSERT_TRUE(pumpUntil([&] { return qsoWindows() && qsoWindows()->InfoWindow(); }));
    CTamrelCfg sheet(*registry_, prompter_, dlg_.get());
    sheet.show();
    const QsoLoggingWindows& qso = *dlg_->QsoLogging();
    for (QWidget* window :
         std::initializer_list<QWidget*>{dlg_.get(), dlg_->SwitchPanel(), dlg_->Keyboard(),
                                         qso.InfoWindow(), qso.LoggingWindow(), &sheet}) {
        ASSERT_NE(window, nullptr);
        const QString title = window->windowTitle();
        EXPECT_FALSE(title.isEmpty());
        const test::AccessibleAudit audit = test::AuditWindow(*window);
        EXPECT_GT(audit.controls, 0) << title.toStdString();
        EXPECT_TRUE(audit.unnamed.isEmpty())
            << title.toStdString() << ":\n  " << audit.unnamedList().toStdString();
        EXPECT_TRUE(audit.mute.isEmpty())
            << title.toStdString() << ":\n  " << audit.mute.join("\n  ").toStdString();
        const QStringList back = test::TabStepsAgainstReading(*window);
        EXPECT_TRUE(back.isEmpty())
            << title.toStdString() << ", Tab goes back:\n  " << back.join("\n  ").toStdString();
    }

    // A tooltip is described as plain text, though it is drawn as rich text.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QWidget>(ctl::kBandDown))
                  ->text(QAccessible::Description),
              "Change Band Down");
}

TEST_F(FrontPanelWindow, PopupMenuAndTheStackingRegisterFromTheKeysRecalledAsAPacedSequence) {
    CK2MemoryStore store(dir_.path().toStdString());
    dlg_->SetMemoryStore(&store);
    radioSays(ifReply(14060000, 0, 0, 0, 3, 0, 0), [&] { return view().vfoAText == "  14060.00"; });
    radioSays("FB00014070000;FW050032;", [&] { return view().bandwidthText == "500"; });
    QTest::keyClick(dlg_.get(), Qt::Key_F1, Qt::AltModifier);
    ASSERT_TRUE(pumpUntil([&] { return !view().statusText.empty(); }));
    EXPECT_EQ(view().statusText, "Save StackReg Mem:   14060.00KHz");

    // The radio moves on; the bandwidth sent is the present one, not the stored.
    radioSays(ifReply(7040000, 0, 0, 0, 1, 1, 1), [&] { return view().vfoBText == "   7040.00"; });
    radioSays("FW100012;", [&] { return view().bandwidthText == "1000"; });
    // The second key of the command, which desktops leave to the program.
    QTest::keyClick(dlg_.get(), Qt::Key_F2, Qt::ShiftModifier);
    std::vector<test::PtyPeer::Command> recall;
    ASSERT_TRUE(pumpUntil([&] {
        const auto more = sentCommands(0ms);
        recall.insert(recall.end(), more.begin(), more.end());
        return recall.size() >= 6;
    }));
    std::vector<std::string> texts;
    for (auto& c : recall)
        texts.push_back(c.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"FA00014060000", "FB00014070000", "FR0", "FT0",
                                               "MD3", "FW10003"}));
    EXPECT_GE(recall.back().at - recall.front().at, 5 * 100ms - 50ms);
    EXPECT_EQ(view().statusText, "Recall StackReg Mem:   14060.00KHz");
}

TEST_F(FrontPanelWindow, ConfigSheetFromThePopupUpdatesThePanelAtOnce) {
    EXPECT_FALSE(ops_->PaOption());
    ASSERT_TRUE(runSheet([&](CTamrelCfg& sheet) {
        sheet.Tabs()->setCurrentIndex(1);
        qobject_cast<QAbstractSpinBox*>(FindControl(sheet.Tabs()->widget(1), 1024))->stepUp();
        sheet.OkButton()->click();
    }));
    QApplication::processEvents(); // the PA option is posted
    EXPECT_TRUE(ops_->PaOption());
    EXPECT_EQ(registry_->GetPaOption(), 1);
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(FrontPanelWindow, QsoLoggingOpensFromTheMenuAndAltLAndLogsTheTransmitFrequency) {
    QTest::keyClick(dlg_.get(), Qt::Key_L, Qt::AltModifier); // opens both windows
    ASSERT_TRUE(pumpUntil([&] { return qsoWindows() && qsoWindows()->InfoWindow(); }));
    QsoLoggingWindows& qso = *dlg_->QsoLogging();

    // Split: the QSO takes VFO B's frequency.
    radioSays(ifReply(14025000, 0, 0, 0, 3, 0, 1), [&] { return view().vfoAText == "  14025.00"; });
    radioSays("FB00014031230;", [&] { return view().vfoBText == "  14031.23"; });
    qobject_cast<QLineEdit*>(findControl(*qso.InfoWindow(), qsoctl::kHisCall))->setText("ok1xy");
    QTest::mouseClick(findControl(*qso.InfoWindow(), qsoctl::kLogIt), Qt::LeftButton);
    const QAbstractItemModel* rows = qso.LoggingWindow()->list().model();
    ASSERT_TRUE(pumpUntil([&] { return rows->rowCount() == 1; }));
    EXPECT_EQ(rows->data(rows->index(0, 1)).toString(), "OK1XY");
    EXPECT_EQ(rows->data(rows->index(0, 5)).toString(), "  14031.23");

    // The windows follow the panel when it moves.
    dlg_->move(dlg_->pos() + QPoint(-40, 30));
    ASSERT_TRUE(pumpUntil([&] { return qso.InfoWindow()->pos().y() == dlg_->pos().y(); }));

    // A QSO the file refuses (a folder took its place): the exit question counts it.
    const QString logFile = dir_.filePath("Tamrel.QSO.Log");
    ASSERT_TRUE(QFile::remove(logFile));
    ASSERT_TRUE(QDir().mkdir(logFile));
    qobject_cast<QLineEdit*>(findControl(*qso.InfoWindow(), qsoctl::kHisCall))->setText("dl2ab");
    QTest::mouseClick(findControl(*qso.InfoWindow(), qsoctl::kLogIt), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return rows->rowCount() == 2; }));
    prompter_.clear();
    prompter_.setAnswer(false);
    dlg_->ConfirmExit();
    ASSERT_FALSE(prompter_.texts().empty());
    EXPECT_TRUE(prompter_.texts().back().starts_with("1 QSO is not in the log file"))
        << prompter_.texts().back();
    EXPECT_TRUE(qso.Started());

    // The exit ends both threads.
    prompter_.setAnswer(true);
    dlg_->ConfirmExit();
    EXPECT_FALSE(qso.Started());
}

TEST_F(FrontPanelWindow, ContestWindowF1SendsTheCallAndTheSerialNumberAndCountsOn) {
    ASSERT_TRUE(registry_->SetQsoLoggingMode(1));
    MemoryKeyTexts keys;
    registry_->GetTransmitMemoryKeys(keys);
    registry_->SetTransmitMemoryKey(0, "~HC 5NN ~SN+");
    CounterSettings counter;
    registry_->GetCounterSettings(counter);
    registry_->SetCounterSettings({7, 3});

    dlg_->OpenQsoLogging();
    ASSERT_TRUE(pumpUntil([&] { return qsoWindows() && qsoWindows()->ContestWindow(); }));
    CContestQSODlg& contest = *dlg_->QsoLogging()->ContestWindow();
    auto* call = qobject_cast<QLineEdit*>(findControl(contest, qsoctl::kContestCall));
    ASSERT_NE(call, nullptr);
    call->setText("xx0xx");
    QTest::mouseClick(findControl(contest, qsoctl::kContestSetMacro), Qt::LeftButton);
    sent(0ms);

    // F1 in the contest window; the radio answers every keyer query ready.
    auto keyed = [&](const std::string& chunk) {
        std::size_t answered = 0;
        return pumpUntil([&] {
            const auto commands = peer_.commands();
            std::size_t queries = 0;
            for (const auto& c : commands) {
                if (c.text == chunk)
                    return true;
                queries += c.text == "KY";
            }
            for (; answered < queries; ++answered)
                peer_.send("KY2;");
            return false;
        });
    };
    // F1 is the active contest window's; the operator comes back from the keyboard window.
    for (const std::string serial : {"007", "008"}) {
        contest.activateWindow();
        ASSERT_TRUE(pumpUntil([&] { return QApplication::activeWindow() == &contest; }));
        QTest::keyClick(call, Qt::Key_F1);
        ASSERT_TRUE(keyed("KY xx0xx 5NN " + serial + " ")) << serial;
        peer_.clear();
    }
    registry_->GetCounterSettings(counter);
    EXPECT_EQ(counter.counter, 9);
    EXPECT_EQ(counter.outputMode, 3);
}

TEST_F(FrontPanelWindow, KeyboardCwOpensByButtonAndKeysTextFromOtherPrograms) {
    QTemporaryDir runtime;
    ControlServer server;
    ASSERT_TRUE(server.listen(runtime.path() + "/control.sock"));
    ControlSession session(server, *ops_, dlg_->ControlWindow());
    QLocalSocket client;
    client.connectToServer(runtime.path() + "/control.sock");
    ASSERT_TRUE(client.waitForConnected(5000));

    click(ctl::kKeyboardCw);
    ASSERT_NE(dlg_->Keyboard(), nullptr);
    EXPECT_TRUE(dlg_->Keyboard()->isVisible());
    // Not transient for the panel, so that it minimises alone.
    EXPECT_EQ(dlg_->Keyboard()->windowHandle()->transientParent(), nullptr);

    // Open: the text gets a space, ";" is gone, and the radio is asked at once.
    sendFrame(client, control::OP_CW_TEXT, "CQ;FA00007000000");
    ASSERT_TRUE(pumpUntil([&] { return !peer_.commands().empty(); }));
    // The radio's KY2 goes through the panel to the thread: the chunk follows.
    peer_.send("KY2;");
    ASSERT_TRUE(sentUntil([](const std::string& c) { return c.starts_with("KY "); }));
    const std::vector<std::string> after = sent(100ms);
    EXPECT_EQ(std::count(after.begin(), after.end(), "KY CQFA00007000000 "), 1);

    // Esc in the panel aborts through the keyboard window.
    QTest::keyClick(control<QWidget>(ctl::kTuningSlider), Qt::Key_Escape);
    ASSERT_TRUE(sentUntil([](const std::string& c) { return c == "KY @"; }));

    // ALT+T closes it (it slides in first); registering opens it again.
    QTest::keyClick(control<QWidget>(ctl::kTuningSlider), Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(pumpUntil([&] { return dlg_->Keyboard() == nullptr; }));
    sendFrame(client, control::OP_REGISTER, "Logger");
    ASSERT_TRUE(pumpUntil([&] { return dlg_->Keyboard() != nullptr; }));

    // The exit confirmation closes it.
    prompter_.setAnswer(true);
    click(ctl::kExit);
    EXPECT_EQ(dlg_->Keyboard(), nullptr);
    EXPECT_FALSE(dlg_->isVisible());
}

TEST_F(FrontPanelWindow, TheFocusIsFramedAndKeysAndWheelTuneByTheChosenStep) {
    radioSays("FA00014060000;", [&] { return view().vfoAText == "  14060.00"; });
    QWidget* tuning = control<QSlider>(ctl::kTuningSlider);
    ASSERT_EQ(QApplication::focusWidget(), tuning); // where the panel puts the focus at start
    // The ring frames the focus wherever Tab takes it.
    FocusRing* ring = nullptr;
    for (QWidget* w : dlg_->findChildren<QWidget*>())
        if (auto* r = dynamic_cast<FocusRing*>(w))
            ring = r;
    ASSERT_NE(ring, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return ring->Target() == tuning; }, 2s));
    EXPECT_TRUE(ring->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(pumpUntil([&] { return ring->Target() == QApplication::focusWidget(); }, 2s));
    EXPECT_NE(ring->Target(), tuning);

    QTest::keyClick(tuning, Qt::Key_PageUp);
    EXPECT_EQ(sent(), (std::vector<std::string>{"UP3", "UP3"}));
    // A button with the focus tunes too; the power slider keeps its own keys.
    QTest::keyClick(control<QWidget>(ctl::kUsb), Qt::Key_Up);
    EXPECT_EQ(sent(), std::vector<std::string>{"UP1"});
    QTest::keyClick(control<QSlider>(ctl::kPowerSlider), Qt::Key_Up);
    for (const std::string& c : sent())
        EXPECT_EQ(c.substr(0, 2), "PC");

    auto* step = control<QComboBox>(ctl::kTuneStep);
    step->setCurrentIndex(2);
    Q_EMIT step->activated(2);
    EXPECT_EQ(view().tuneStepIndex, 2);
    // The combo just chosen from keeps the focus: its Up tunes, the step stays.
    step->setFocus();
    QTest::keyClick(step, Qt::Key_Up);
    EXPECT_EQ(step->currentIndex(), 2);
    EXPECT_EQ(sent(), std::vector<std::string>{"UP4"});
    QTest::keyClick(tuning, Qt::Key_Down);
    wheel({0, 120});
    wheel({0, -120});
    EXPECT_EQ(sent(), (std::vector<std::string>{"DN4", "UP4", "DN4"}));
}

TEST_F(FrontPanelWindow, LampsShowTheLinkAndTheTransmitter) {
    auto* lamp = control<CStaticEx>(ctl::kLinkLamp);
    auto* tx = control<CStaticEx>(ctl::kTxLamp);
    // Open, not answered yet.
    EXPECT_EQ(lamp->backgroundColour(), ToQColor(colour::kLinkWaiting));
    std::string keyed = ifReply(14060000, 0, 0, 0, 3, 0, 0);
    keyed[2 + 26] = '1';
    radioSays(keyed, [&] { return view().txLamp; });
    EXPECT_EQ(lamp->backgroundColour(), ToQColor(colour::kLinkLive));
    EXPECT_EQ(tx->backgroundColour(), ToQColor(colour::kTxLit));

    // The receive thread reporting a hang-up, as it does when the adapter goes.
    dlg_->LinkEvents().post(LinkLost{EIO});
    ASSERT_TRUE(
        pumpUntil([&] { return lamp->backgroundColour() == ToQColor(colour::kLinkFailed); }));
    EXPECT_TRUE(dlg_->Widgets().status->message().contains("Lost"));
    sent();
    // Back: waiting, the initial query again, and the first reply makes it live.
    dlg_->LinkEvents().post(LinkReopened{});
    ASSERT_TRUE(pumpUntil([&] { return peer_.commands().size() >= 15; }));
    EXPECT_EQ(peer_.commands()[0].text, "K22");
    radioSays("LK0;", [&] { return lamp->backgroundColour() == ToQColor(colour::kLinkLive); });
    // Refresh asks again, and says so until the radio answers.
    click(ctl::kInitialQuery);
    EXPECT_EQ(view().statusText, kQueryingStatus);
    radioSays("FA00014060000;", [&] { return view().statusText.empty(); });
}

TEST(SpokenValuesTest, AWheelTurnSpeaksOncePerIntervalAndAlwaysItsLastValue) {
    ManualClock clock;
    QWidget window;
    auto* vfo = new QLineEdit("14060.00", &window);
    auto* lamp = new CStaticEx("TX", &window);
    lamp->setProperty(kSpokenValue, "receiving");
    SpokenValues spoken(clock, 500ms);
    spoken.Follow(vfo);
    spoken.Follow(lamp);
    HeardEvents heard;
    // Ten notches within 200 ms: the first is spoken at once, the rest wait.
    for (int i = 1; i <= 10; ++i) {
        vfo->setText(QString("14060.%1").arg(i * 10, 2, 10, QChar('0')));
        spoken.Check();
        clock.Advance(20ms);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(heard.values.size(), 1u);
    EXPECT_EQ(heard.values[0], std::make_pair(static_cast<QObject*>(vfo), QString("14060.10")));
    // A lamp has an interval of its own.
    lamp->setProperty(kSpokenValue, "transmitting");
    spoken.Check();
    ASSERT_EQ(heard.values.size(), 2u);
    EXPECT_EQ(heard.values[1].second, "transmitting");
    // Once the interval has passed, the last value and nothing in between.
    for (int i = 0; i < 20; ++i) {
        clock.Advance(50ms);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(heard.values.size(), 3u);
    EXPECT_EQ(heard.values[2].second, "14060.100");
    // Quiet again: the next change is spoken at once; nothing new, nothing said.
    vfo->setText("14061.00");
    spoken.Check();
    spoken.Check();
    ASSERT_EQ(heard.values.size(), 4u);
    EXPECT_EQ(heard.values[3].second, "14061.00");
}

TEST_F(FrontPanelWindow, AltRReadsTheFrequenciesAndTheModeAndChangesAreSpoken) {
    HeardEvents heard;
    radioSays(ifReply(14060000, 0, 0, 0, 2, 0, 0), [&] { return view().vfoAText == "  14060.00"; });
    // The radio's change reached the reader as the box's value.
    EXPECT_NE(std::find(heard.values.begin(), heard.values.end(),
                        std::make_pair(static_cast<QObject*>(control(ctl::kVfoAEdit)),
                                       QString("  14060.00"))),
              heard.values.end());
    QTest::keyClick(dlg_.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(std::count(heard.descriptions.begin(), heard.descriptions.end(), dlg_.get()), 1);
    const QString said =
        QAccessible::queryAccessibleInterface(dlg_.get())->text(QAccessible::Description);
    EXPECT_TRUE(said.startsWith("VFO A 14060.00 kHz, VFO B")) << said.toStdString();
    EXPECT_TRUE(said.contains("USB")) << said.toStdString();
    // Shown too, as a notification a reader speaks as it appears.
    auto* bubble = dlg_->findChild<QLabel*>("readOutBubble");
    ASSERT_NE(bubble, nullptr);
    EXPECT_TRUE(bubble->isVisible());
    QAccessibleInterface* note = QAccessible::queryAccessibleInterface(bubble);
    EXPECT_EQ(note->role(), QAccessible::Notification);
    EXPECT_EQ(note->text(QAccessible::Name), said);
    EXPECT_EQ(heard.shown, std::vector<QObject*>{bubble}); // what makes Orca speak it
    // Asked again, it says it again.
    QTest::keyClick(dlg_.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(std::count(heard.descriptions.begin(), heard.descriptions.end(), dlg_.get()), 2);
}

TEST(FrontPanelContrast, EveryTextKeepsFourAndAHalfToOneInEveryState) {
    // Each state a text can be shown in: off, then everything lit or chosen.
    PanelView quiet;
    PanelView lit;
    lit.txLamp = true;
    lit.lamps.fill(colour::kLampOn);
    lit.lamps[0] = colour::kLampBlink;
    lit.modeSelected.fill(true);
    lit.agcSelected.fill(true);
    lit.xfilSelected.fill(true);
    lit.preSelected = lit.attSelected = true;
    lit.rxA = lit.txB = lit.ritButton = colour::kOn;
    lit.editABack = colour::kSplitTransmit;
    lit.editBBack = colour::kSplitReceive;
    lit.offsetEditBack = colour::kRitOffset;
    lit.tuningEditBack = colour::kReleaseTuning;
    lit.entryButton = {colour::kEntryReady, colour::kEntryReady};
    lit.entryEnabled = {true, true};
    lit.statusText = "Lost the radio";
    lit.statusStyle = StatusStyle::Error;
    lit.linkLamp = colour::kLinkFailed;
    // Each state on the usual colour, and on a dark one an operator may choose.
    for (const auto& [v, appColour] :
         {std::pair{&quiet, QColor(192, 192, 192)}, std::pair{&lit, QColor(192, 192, 192)},
          std::pair{&quiet, QColor(0, 0, 96)}}) {
        QWidget panel;
        FrontPanelWidgets w = BuildFrontPanel(panel, appColour);
        ShowView(w, *v, kChangeAll);
        panel.resize(panel.sizeHint());
        panel.ensurePolished(); // the style sheet's colours
        const std::string state =
            (v == &lit ? "lit: " : "quiet: ") + appColour.name().toStdString();
        auto check = [&](QWidget* c, const QColor& text, const QColor& back) {
            const double r = contrast(text, back);
            const QString name = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
            if (c->isEnabled() && r < 4.5) // an unavailable control's caption is exempt
                ADD_FAILURE() << state << " " << name.toStdString() << " " << r << ":1";
        };
        for (auto* e : panel.findChildren<CEditEx*>())
            check(e, e->textColour(), e->backgroundColour());
        for (auto* s : panel.findChildren<CStaticEx*>())
            if (!s->text().isEmpty())
                check(s, s->textColour(), s->backgroundColour());
        for (auto* b : panel.findChildren<CColorButton*>())
            if (!b->text().isEmpty())
                check(b, b->captionColour(), b->faceColour());
        for (auto* b : panel.findChildren<CShadedButton*>())
            if (!b->text().isEmpty())
                check(b, b->textColour(), meanColour(*b));
        check(w.status, w.status->onColour(), w.status->backgroundColour());
        // Labels not drawn in their own colours, group titles and check boxes.
        for (auto* c : panel.findChildren<QWidget*>())
            if ((qobject_cast<QLabel*>(c) && !qobject_cast<CStaticEx*>(c)) ||
                qobject_cast<QGroupBox*>(c) || qobject_cast<QCheckBox*>(c))
                check(c, c->palette().color(QPalette::WindowText), appColour);
    }
}

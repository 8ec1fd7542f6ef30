// The keyboard CW windows driven through their widgets, offscreen; the
// transmitting thread is a queue the test reads.

#include "controls/CColorButton.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "cw/CCWKeyboardDlg.h"
#include "cw/CCWTypeInEdit.h"
#include "cw/CMemoryKeyPanelDlg.h"
#include "cw/CwDialogs.h"
#include "cw/CwDocking.h"
#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/RecordingPanel.h"

#include <gtest/gtest.h>

using namespace tamrel;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

namespace {

using test::RecordingPanel;

// The transmitting thread as the window sees it: what it was sent, and where
// its progress would go.
class RecordingQueue final : public CwQueue {
public:
    bool Post(CwMessage m) override {
        if (auto* echo = std::get_if<CwEchoTo>(&m))
            echo_ = echo->to;
        sent.push_back(std::move(m));
        return true;
    }
    void Report(cw::CwProgress progress) { echo_.post(std::move(progress)); }

    std::vector<CwMessage> sent;

private:
    Address<cw::CwProgress> echo_;
};

class CwWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        registry_ = std::make_unique<CRigControlRegistry>(prompter_);
        // The keys exist once read: the setters change only what exists.
        MemoryKeyTexts texts;
        registry_->GetTransmitMemoryKeys(texts);
        CounterSettings counter;
        registry_->GetCounterSettings(counter);
        texts[0] = "CQ DE ~MC";
        texts[1] = "UR ~SN+ BK";
        texts[3] = "AB;FA00007000000";
        ASSERT_TRUE(registry_->SetTransmitMemoryKeys(texts));
        registry_->SetMacroVariable(1, "G4ABC");
        registry_->SetCounterSettings({7, 3});
        kb_ = std::make_unique<CCWKeyboardDlg>(*registry_, thread_, panel_);
        kb_->Open();
        // The window announces itself to the thread.
        ASSERT_EQ(take().size(), 1u);
    }

    // What the window posted to the thread, texts as they are, abort as "<abort>".
    Strings take() {
        QCoreApplication::processEvents();
        Strings out;
        for (CwMessage& m : std::exchange(thread_.sent, {}))
            std::visit(Overloaded{[&](CwEchoTo&) { out.push_back("<echo>"); },
                                  [&](CwAbort&) { out.push_back("<abort>"); },
                                  [&](CwText& t) { out.push_back(t.text); },
                                  [&](auto&) { out.push_back("<other>"); }},
                       m);
        return out;
    }
    template <class T = QWidget> T* control(int id) {
        auto* w = qobject_cast<T*>(findControl(*kb_, id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    QString pending() { return control<QPlainTextEdit>(1223)->toPlainText(); }
    // A memory key's button: whether it can be clicked, and the text it shows.
    std::pair<bool, QString> memoryKey(int i) {
        auto* b = control<QPushButton>(kCwButtonIds[i]);
        return {b->isEnabled(), b->toolTip()};
    }
    // The thread reports progress; the window takes it on the event loop.
    void report(std::initializer_list<cw::CwProgress> progress) {
        for (const cw::CwProgress& p : progress)
            thread_.Report(p);
        QCoreApplication::processEvents();
    }
    QColor abortFace() { return control<CColorButton>(1213)->faceColour(); }
    // Keys reach a window's shortcuts only while it is the active window.
    static bool activate(QWidget& window) {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    // Runs the event loop until `done`; unlike QTest::qWaitFor it does not
    // sleep between passes, so the slides' timers tick at their own pace.
    static bool until(const std::function<bool()>& done) {
        QTimer wake; // no pass waits longer than this
        wake.start(10);
        QDeadlineTimer limit(5000);
        while (!done() && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return done();
    }
    // Where the keyboard window's frame belongs against the panel's frame.
    QPoint dockedAt() const { return {panel_.frame.left(), panel_.frame.bottom() + 1}; }

    QTemporaryDir dir_;
    RecordingPrompter prompter_{true};
    std::unique_ptr<CRigControlRegistry> registry_;
    RecordingQueue thread_;
    RecordingPanel panel_;
    std::unique_ptr<CCWKeyboardDlg> kb_;
};

const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);

} // namespace

TEST_F(CwWindows, TypedWordsGoOverOnTheirBreakCharacter) {
    CCWTypeInEdit* edit = kb_->TypeIn();
    QTest::keyClicks(edit, "CQ");
    EXPECT_TRUE(take().empty());
    QTest::keyClicks(edit, " ");
    EXPECT_EQ(take(), Strings{"CQ "});
    EXPECT_EQ(pending(), "CQ ");
    // Backspace into handed-over text only beeps; the first character after it may go.
    const int beeps = edit->Beeps();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "CQ ");
    EXPECT_EQ(edit->Beeps(), beeps + 1);
    QTest::keyClicks(edit, "X");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "CQ ");
    EXPECT_EQ(edit->Beeps(), beeps + 1);
    // ";" never gets in.
    QTest::keyClicks(edit, "DE;");
    EXPECT_EQ(edit->text(), "CQ DE");
    QTest::keyClicks(edit, ",");
    EXPECT_EQ(take(), Strings{"DE,"});
    // Enter is a break: the last word goes out at once, with a space.
    QTest::keyClicks(edit, "N0WLK");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(take(), Strings{"N0WLK "});
    EXPECT_EQ(pending(), "CQ DE,N0WLK ");
    QTest::keyClick(edit, Qt::Key_Enter); // nothing left to send
    EXPECT_TRUE(take().empty());
}

TEST_F(CwWindows, OverflowAndTrimmingInTheWidget) {
    CCWTypeInEdit* edit = kb_->TypeIn();
    QTest::keyClicks(edit, QString(109, 'E'));
    EXPECT_EQ(take(), Strings{std::string(109, 'E')});
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(edit->SentCount(), 0u);
    // Trimming the line keeps the count of what went over: nothing twice, nothing lost.
    QString words;
    for (int i = 0; i < 40; ++i)
        words += "AB ";
    QTest::keyClicks(edit, words + "XYZ.");
    std::string joined;
    for (const std::string& piece : take())
        joined += piece;
    EXPECT_EQ(joined, words.toStdString() + "XYZ.");
    EXPECT_LE(edit->text().size(), 109);
    EXPECT_EQ(edit->SentCount(), std::size_t(edit->text().size()));
}

TEST_F(CwWindows, FunctionKeysButtonsEmptyMemoriesAndThePopupMenu) {
    EXPECT_EQ(memoryKey(0), std::pair(true, QString("CQ DE ~MC ")));
    EXPECT_EQ(memoryKey(4), std::pair(false, QString()));
    // The stored ";" is gone before the text is shown or sent.
    EXPECT_EQ(memoryKey(3).second, "ABFA00007000000 ");

    QTest::keyClick(kb_->TypeIn(), Qt::Key_F1);
    QTest::mouseClick(control<QWidget>(kCwButtonIds[1]), Qt::LeftButton);
    EXPECT_EQ(take(), (Strings{"CQ DE G4ABC ", "UR 007 BK "}));
    CounterSettings c;
    registry_->GetCounterSettings(c);
    EXPECT_EQ(c.counter, 8); // written at once

    // A call the configuration sheet stored is keyed at once (the counter
    // read afresh is the logic's test, Keyboard.MemoryWithMacros...).
    SystemConfig config;
    registry_->GetSystemConfig(config);
    config.callsign = "ZZ9ZZ";
    ASSERT_TRUE(registry_->SetSystemConfig(config));
    QTest::keyClick(kb_->TypeIn(), Qt::Key_F1);
    EXPECT_EQ(take(), Strings{"CQ DE ZZ9ZZ "});

    // The front panel's keys reach its commands; Enter never closes the window.
    ASSERT_TRUE(activate(*kb_));
    QTest::keyClick(kb_->TypeIn(), Qt::Key_F3, Qt::AltModifier);
    QTest::keyClick(kb_->TypeIn(), Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(kb_->TypeIn(), Qt::Key_Return);
    EXPECT_TRUE(take().empty()); // ALT+F3 is no F3
    EXPECT_TRUE(kb_->isVisible());

    // The popup menu's logging goes through the panel.
    QTest::mouseClick(kb_.get(), Qt::RightButton, {}, QPoint(5, 5));
    auto* menu = kb_->findChild<QMenu*>();
    ASSERT_TRUE(menu && menu->actions().size() == 3);
    menu->actions()[1]->trigger();
    menu->hide();

    // The serial number is reached from a button too, showing the stored digits.
    QString digits;
    QTimer::singleShot(0, [&digits] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        digits = qobject_cast<QLabel*>(findControl(*dlg, 1228))->text();
        dlg->reject();
    });
    QTest::mouseClick(control<QWidget>(kSerialButton), Qt::LeftButton);
    EXPECT_EQ(digits, "3");
    EXPECT_EQ(panel_.asked, (Strings{"memory 2", "exit", "logging"}));
}

TEST_F(CwWindows, AbortColoursProgressAndRefusalOfTooMuchWaiting) {
    EXPECT_EQ(abortFace(), kGrey);
    kb_->OnKey(0);
    EXPECT_EQ(abortFace(), kRed);
    take();
    report({cw::KeyerReady{}});
    EXPECT_EQ(abortFace(), kGrey);
    report({cw::ChunkSent{"CQ DE "}});
    EXPECT_EQ(abortFace(), kRed);
    EXPECT_EQ(pending(), "G4ABC ");
    report(
        {cw::KeyerReady{}, cw::ChunkSent{"G4ABC AND MORE"}, cw::KeyerBusy{}}); // more than pending
    EXPECT_EQ(pending(), "");
    EXPECT_EQ(abortFace(), kRed);
    QTest::keyClicks(kb_->TypeIn(), "AB");
    QTest::keyClick(kb_->TypeIn(), Qt::Key_Escape);
    EXPECT_EQ(take(), Strings{"<abort>"});
    EXPECT_EQ(abortFace(), kGrey);
    EXPECT_EQ(kb_->TypeIn()->text(), "");
    EXPECT_TRUE(kb_->isVisible());

    // Too much waiting is refused whole.
    kb_->OnCwText(std::string(2040, 'E'));
    take();
    kb_->OnKey(0); // 12 more would pass 2047
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(panel_.asked, Strings{"error: " + std::string(cw::kRefusedStatus)});
}

TEST_F(CwWindows, AutoplayCountsFromTheEndOfEachPlayAndStopsOnEscape) {
    kb_->autoplayDialog = [](auto&, auto&) -> std::optional<cw::AutoplaySettings> {
        return cw::AutoplaySettings{0, 10, 2};
    };
    auto* timer = kb_->findChild<QTimer*>(QStringLiteral("timer%1").arg(kAutoplayTimer));
    ASSERT_NE(timer, nullptr);
    // The keyer takes the play and keys it; it reports ready once its buffer is empty.
    auto play = [&](const std::string& text) {
        report({cw::KeyerReady{}, cw::ChunkSent{text}, cw::KeyerBusy{}});
        EXPECT_FALSE(timer->isActive()) << "the interval runs while the message is keyed";
        report({cw::KeyerReady{}});
    };
    auto* indicator = control<CStaticEx>(1097);
    QTest::mouseClick(control<QWidget>(1021), Qt::LeftButton);
    EXPECT_EQ(indicator->backgroundColour(), QColor(255, 128, 0));
    EXPECT_FALSE(control<QWidget>(kCwButtonIds[0])->isEnabled());
    EXPECT_EQ(take(), Strings{"CQ DE G4ABC "});
    kb_->OnKey(1); // keys do nothing while it plays
    EXPECT_TRUE(take().empty());
    play("CQ DE G4ABC ");
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10000);
    timer->setInterval(0); // the ten seconds pass
    ASSERT_TRUE(until([&] { return !kb_->Logic().AutoplayRunning(); }));
    EXPECT_EQ(take(), Strings{"CQ DE G4ABC "});
    EXPECT_TRUE(control<QWidget>(kCwButtonIds[0])->isEnabled());
    play("CQ DE G4ABC ");
    EXPECT_FALSE(timer->isActive());

    // Until interrupted (the plays' count is the logic's test): Esc ends
    // it in the interval.
    kb_->autoplayDialog = [](auto&, auto&) -> std::optional<cw::AutoplaySettings> {
        return cw::AutoplaySettings{1, 1, 0};
    };
    QTest::mouseClick(control<QWidget>(1021), Qt::LeftButton);
    EXPECT_EQ(take(), Strings{"UR 007 BK "});
    play("UR 007 BK ");
    ASSERT_TRUE(timer->isActive());
    QTest::keyClick(kb_.get(), Qt::Key_Escape);
    EXPECT_FALSE(kb_->Logic().AutoplayRunning());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(indicator->backgroundColour(), kGrey);
    // Repeat plays the last settings without asking.
    kb_->autoplayDialog = [](auto&, auto&) -> std::optional<cw::AutoplaySettings> {
        ADD_FAILURE() << "asked again";
        return std::nullopt;
    };
    take();
    QTest::mouseClick(control<QWidget>(1025), Qt::LeftButton);
    EXPECT_TRUE(kb_->Logic().AutoplayRunning());
    kb_->OnKey(27);
}

TEST_F(CwWindows, MemoryTextsFollowTheStoreInBothWindows) {
    QTest::mouseClick(control<QWidget>(1017), Qt::LeftButton);
    CMemoryKeyPanelDlg* panel = kb_->MemoryPanel();
    ASSERT_NE(panel, nullptr);
    QLineEdit* f5 = panel->Edit(4);
    EXPECT_TRUE(f5->isReadOnly());
    QTest::mouseClick(findControl(*panel, kMemoryEditButtonIds[4]), Qt::LeftButton);
    EXPECT_FALSE(f5->isReadOnly());
    QTest::keyClicks(f5, "TNX;73");
    EXPECT_EQ(f5->text(), "TNX73");
    QTest::mouseClick(findControl(*panel, kMemoryEditButtonIds[4]), Qt::LeftButton);
    EXPECT_TRUE(f5->isReadOnly());
    MemoryKeyTexts stored;
    registry_->GetTransmitMemoryKeys(stored);
    EXPECT_EQ(stored[4], "TNX73");
    EXPECT_EQ(memoryKey(4), std::pair(true, QString("TNX73 ")));
    // Changed elsewhere (the configuration sheet saves them all): both follow.
    stored[6] = "QRL?";
    ASSERT_TRUE(registry_->SetTransmitMemoryKeys(stored));
    EXPECT_EQ(memoryKey(6).second, "QRL? ");
    EXPECT_EQ(panel->Edit(6)->text(), "QRL?");

    // Esc throws unsaved changes away (and aborts).
    QTest::mouseClick(findControl(*panel, kMemoryEditButtonIds[0]), Qt::LeftButton);
    QTest::keyClicks(panel->Edit(0), " XX");
    QTest::keyClick(panel->Edit(0), Qt::Key_Escape);
    EXPECT_EQ(panel->Edit(0)->text(), "CQ DE ~MC");
    registry_->GetTransmitMemoryKeys(stored);
    EXPECT_EQ(stored[0], "CQ DE ~MC");

    EXPECT_EQ(take(), Strings{"<abort>"});
    // TX rows send through the keyboard window with a space.
    QTest::mouseClick(findControl(*panel, kMemoryTxButtonIds[4]), Qt::LeftButton);
    QTest::keyClicks(panel->Edit(kTypeInRow), "QRZ?");
    QTest::mouseClick(findControl(*panel, kMemoryTxButtonIds[kTypeInRow]), Qt::LeftButton);
    EXPECT_EQ(take(), (Strings{"TNX73 ", "QRZ? "}));

    // SHIFT+F1 here is the front panel's too.
    ASSERT_TRUE(until([&] { return !panel->Sliding(); }));
    EXPECT_EQ(panel->frameGeometry().topLeft(),
              QPoint(panel_.frame.right() + 1, panel_.frame.top()));
    ASSERT_TRUE(activate(*panel));
    QTest::keyClick(panel->Edit(0), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(panel_.asked, (Strings{"memory 0"}));
    EXPECT_TRUE(take().empty());

    // Every control named for screen readers.
    for (const QWidget* w : kb_->findChildren<QWidget*>()) // the panel's too
        EXPECT_FALSE(w->property("controlId").isValid() && w->accessibleName().isEmpty())
            << w->objectName().toStdString();

    QTest::mouseClick(control<QWidget>(1017), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return kb_->MemoryPanel() == nullptr; }));
}

TEST_F(CwWindows, SlidesRunOnTheEventLoopAndClosingEndsCleanly) {
    // Open returned at once; the window reaches its place through the loop,
    // against the panel where it is then.
    EXPECT_TRUE(kb_->isVisible());
    EXPECT_TRUE(kb_->Sliding());
    EXPECT_LT(kb_->frameGeometry().top(), dockedAt().y());
    panel_.frame.translate(40, 30);
    kb_->Follow();
    ASSERT_TRUE(until([&] { return !kb_->Sliding(); }));
    EXPECT_EQ(kb_->frameGeometry().topLeft(), dockedAt());

    // Closing with the memory panel open: it slides in first, then the window.
    kb_->ToggleMemoryPanel();
    QSignalSpy closed(kb_.get(), &CCWKeyboardDlg::closed);
    kb_->CloseWindow();
    EXPECT_TRUE(kb_->isVisible());
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_TRUE(kb_->isHidden());
    EXPECT_EQ(kb_->MemoryPanel(), nullptr);
    // The title bar's close button closes it the same way.
    kb_->Open();
    ASSERT_TRUE(until([&] { return !kb_->Sliding(); }));
    kb_->close();
    EXPECT_TRUE(kb_->Closing());
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_TRUE(kb_->isHidden());

    // Opened again and destroyed in the middle of its slide: nothing is left
    // to touch the window, and the thread is told it is gone.
    kb_->Open();
    kb_->ToggleMemoryPanel();
    kb_->CloseWindow();
    kb_.reset();
    QTest::qWait(50);
    Strings got = take();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), "<echo>");
}

TEST_F(CwWindows, CounterAutoplayAndReportDialogs) {
    CRigControlRegistry& registry = *registry_;
    registry.SetCounterSettings({7, 0x83});
    CSetCounterDlg counter(registry);
    EXPECT_EQ(qobject_cast<QLineEdit*>(findControl(counter, 1226))->text(), "7");
    EXPECT_EQ(qobject_cast<QLabel*>(findControl(counter, 1228))->text(), "3");
    // The steps' rings are the logic's test (CwDialogSteps); here one step each.
    QTest::mouseClick(counter.findChild<QWidget*>("ctl1227down"), Qt::LeftButton);
    EXPECT_EQ(qobject_cast<QLabel*>(findControl(counter, 1228))->text(), "2");
    qobject_cast<QLineEdit*>(findControl(counter, 1226))->setText("105");
    counter.accept();
    CounterSettings stored;
    registry.GetCounterSettings(stored);
    EXPECT_EQ(stored, (CounterSettings{105, 0x82}));

    std::array<bool, cw::kMemoryKeys> notEmpty{};
    notEmpty[2] = notEmpty[6] = true;
    CMemoryKeyAutoplayDlg autoplay(notEmpty, {6, 11, 0});
    auto* list = qobject_cast<QComboBox*>(findControl(autoplay, 1079));
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), "Memory 7");
    EXPECT_EQ(qobject_cast<QLabel*>(findControl(autoplay, 1088))->text(), "  10");
    EXPECT_FALSE(findControl(autoplay, 1085)->isEnabled());
    autoplay.StepInterval(1);
    EXPECT_EQ(autoplay.Result().interval, 5);
    qobject_cast<QAbstractButton*>(findControl(autoplay, 1094))->click();
    EXPECT_TRUE(findControl(autoplay, 1085)->isEnabled());
    autoplay.StepCount(1); // 0 wraps to 1000
    EXPECT_EQ(autoplay.Result().count, 1000);
    EXPECT_EQ(autoplay.Result().memory, 6);

    CMySignalReportDlg report(registry);
    EXPECT_EQ(qobject_cast<QLineEdit*>(findControl(report, 1159))->text(), "599");
    report.accept();
    EXPECT_EQ(registry.GetMacroVariable(4), "599");

    // Named by their titles and captions.
    for (const QDialog* dlg : std::initializer_list<const QDialog*>{&counter, &autoplay, &report}) {
        EXPECT_EQ(dlg->accessibleName(), dlg->windowTitle());
        for (const QWidget* w : dlg->findChildren<QWidget*>())
            EXPECT_FALSE(w->property("controlId").isValid() && w->accessibleName().isEmpty())
                << w->objectName().toStdString();
    }
}

TEST(CwDocking, BelowAndBesideThePanel) {
    const QRect panel(100, 50, 900, 600);
    EXPECT_EQ(DockRect(panel, 800, DockSide::Below, false), QRect(100, 650, 800, 300));
    EXPECT_EQ(DockRect(panel, 400, DockSide::Right, true), QRect(1000, 50, 400, 600));
    EXPECT_EQ(DockRect(panel, 400, DockSide::Left, false), QRect(-300, 54, 400, 592));
    // 5 pixels a step, from wholly behind the panel to the target.
    const QRect below(100, 650, 800, 12);
    ASSERT_EQ(SlideStepCount(below, DockSide::Below), 3);
    EXPECT_EQ(SlideStep(below, DockSide::Below, 0).top(), 638);
    EXPECT_EQ(SlideStep(below, DockSide::Below, 3), below);
    const QRect right(1000, 50, 400, 600);
    EXPECT_EQ(SlideStep(right, DockSide::Right, 1).left(), 605);
    EXPECT_EQ(SlideStep(QRect(-300, 54, 400, 592), DockSide::Left, 79).left(), -295);
}

// measure_stalls: how long the GUI thread stays away from its event loop while
// an operator's evening is played through the real front panel (offscreen)
// against the simulated radio. Prints each step's worst stall and how long it took to end, the
// worst steps and the distribution over the whole evening.
//
//   QT_QPA_PLATFORM=offscreen build/bench/panel/measure_stalls
//
// How it measures: a watchdog thread posts a small event to an object on the
// GUI thread, waits until it has been handled, sleeps 1 ms and posts the next.
// The time from posting to handling is how long the loop took to come back to
// its queue: when idle that is the wake-up, otherwise the rest of whatever held
// the thread (a handler, a paint, a sleep in a slide). One ping in flight at a
// time, so a long stall is one sample of its length, not a backlog; a stall
// that starts just after a ping is under-read by at most the 1 ms between
// pings. A nested loop (a modal dialog) is a loop: it handles pings too.
//
// The script is a chain of steps, each started from a timer. After its action
// a step's end condition is polled from a timer, so the script's waiting is
// loop time, while each step's own work (and the replies and repaints it
// causes) is charged to it: a ping counts for the step current when it is
// handled. Step 1 sleeps 50 ms on the GUI thread to show the meter reads a
// known stall; it is not counted in the figures. Nor is step 2, the panel's
// start (opening the line and the stores, building and showing the panel: the
// program's start-up, before any evening); its line shows what it took.
//
// Left out: the contest information window, which takes the place of the QSO
// information window only in contest logging mode.

#include "controls/CEditEx.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "cw/CCWKeyboardDlg.h"
#include "cw/CCWTypeInEdit.h"
#include "cw/CMemoryKeyPanelDlg.h"
#include "memory/CK2MemoryStore.h"
#include "memory/MemoryTables.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/FrontPanelView.h"
#include "platform/Prompter.h"
#include "qsolog/CQSOInfoDlg.h"
#include "qsolog/CQSOLoggingDlg.h"
#include "qsolog/QsoLogFile.h"
#include "qsolog/QsoLoggingWindows.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "sim/SimulatedRadio.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

using namespace tamrel;
using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

// Handled on the GUI thread; the watchdog posts the next one only after.
class Ping final : public QEvent {
public:
    static QEvent::Type type() {
        static const auto t = QEvent::Type(QEvent::registerEventType());
        return t;
    }
    explicit Ping(Steady::time_point at) : QEvent(type()), postedAt(at) {}
    Steady::time_point postedAt;
};

class StallMeter final : public QObject {
public:
    StallMeter() {
        watchdog_ = std::thread([this] {
            while (!stop_) {
                if (!inFlight_.exchange(true))
                    QCoreApplication::postEvent(this, new Ping(Steady::now()));
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    ~StallMeter() override { Stop(); }
    void Stop() {
        stop_ = true;
        if (watchdog_.joinable())
            watchdog_.join();
    }
    int step = -1; // the step pings are charged to
    std::map<int, std::vector<double>> samplesOfStep;

protected:
    bool event(QEvent* e) override {
        if (e->type() != Ping::type())
            return QObject::event(e);
        const double late = ms(Steady::now() - static_cast<Ping*>(e)->postedAt);
        samplesOfStep[step].push_back(late);
        inFlight_ = false;
        return true;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> inFlight_{false};
    std::thread watchdog_;
};

struct Step {
    std::string name;
    std::function<void()> act;
    std::function<bool()> done; // empty: done once the action returned
    int thinkMs = 30;           // the operator's pause before the next step
};

// A step that has not ended after this fails the run.
constexpr auto kStepLimit = 15s;

// Runs the steps one per timer, polling each one's end condition every 2 ms.
class Script final : public QObject {
public:
    explicit Script(StallMeter& meter) : meter_(meter) {
        poll_.setInterval(2);
        connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    }
    void Start() {
        QTimer::singleShot(0, this, [this] { Next(); });
    }
    void Add(std::string name, std::function<void()> act, std::function<bool()> done = {},
             int thinkMs = 30) {
        steps_.push_back({std::move(name), std::move(act), std::move(done), thinkMs});
    }
    const std::vector<Step>& Steps() const { return steps_; }
    // From a step's action to its end condition holding (2 ms polls).
    const std::vector<double>& Took() const { return took_; }
    std::string failure;

private:
    void Next() {
        if (at_ == steps_.size()) {
            QCoreApplication::exit(0);
            return;
        }
        meter_.step = int(at_);
        started_ = Steady::now();
        steps_[at_].act();
        poll_.start();
    }
    void Poll() {
        const Step& s = steps_[at_];
        if (failure.empty()) {
            if (!s.done || s.done()) {
                poll_.stop();
                took_.push_back(ms(Steady::now() - started_));
                ++at_;
                QTimer::singleShot(s.thinkMs, this, [this] { Next(); });
                return;
            }
            if (Steady::now() - started_ < kStepLimit)
                return;
        }
        poll_.stop();
        std::fprintf(stderr, "step %zu \"%s\": %s\n", at_ + 1, s.name.c_str(),
                     failure.empty() ? "did not finish in time" : failure.c_str());
        QCoreApplication::exit(1);
    }

    StallMeter& meter_;
    std::vector<Step> steps_;
    std::vector<double> took_;
    std::size_t at_ = 0;
    Steady::time_point started_;
    QTimer poll_;
};

// Acts on the next modal dialog once it is up (inside its exec); tells the
// script when none comes.
void onNextModal(Script& script, std::function<void(QWidget&)> act, int triesLeft = 500) {
    QTimer::singleShot(10, [&script, act = std::move(act), triesLeft]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(*modal);
        else if (triesLeft > 0)
            onNextModal(script, std::move(act), triesLeft - 1);
        else
            script.failure = "no dialog came up";
    });
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Evening {
    QTemporaryDir dir;
    RecordingPrompter prompter{true};
    std::unique_ptr<CRigControlRegistry> registry;
    std::unique_ptr<k2sim::SimulatedRadio> radio;
    std::atomic<int> keyed{0}; // KY commands with text the radio took
    CK2CommChannel channel;
    std::unique_ptr<CK2MemoryStore> memories;
    std::unique_ptr<K2RadioModel> model;
    std::unique_ptr<RadioOperations> ops;
    std::unique_ptr<CFrontPanelDlg> dlg;
    std::filesystem::path home;

    Evening() {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        registry = std::make_unique<CRigControlRegistry>(prompter);
        home = std::filesystem::path(dir.path().toStdString()) / "home";
        std::filesystem::create_directories(home);
        SystemConfig config;
        registry->GetSystemConfig(config);
        config.homeDir = home.string();
        (void)registry->SetSystemConfig(config);
        MemoryKeyTexts texts;
        registry->GetTransmitMemoryKeys(texts);
        texts[0] = "CQ CQ DE ZZ9ZZ K";
        (void)registry->SetTransmitMemoryKeys(texts);
        k2sim::SimulatedRadio::Options o;
        o.baud = 4800;
        o.commandLog = [this](k2sim::Millis, std::string_view c) {
            if (c.starts_with("KY") && c.size() > 3)
                ++keyed;
        };
        radio = std::make_unique<k2sim::SimulatedRadio>(o);
        radio->start();
    }
    ~Evening() {
        dlg.reset();
        channel.Close();
    }
    void StartPanel() {
        (void)channel.OpenDevice(radio->devicePath(), 0, 4800, 8, 0, 1);
        memories = std::make_unique<CK2MemoryStore>(*registry);
        model = std::make_unique<K2RadioModel>(RadioModelFromSettings(*registry));
        ops = std::make_unique<RadioOperations>(*model);
        dlg = std::make_unique<CFrontPanelDlg>(*registry, prompter, *ops);
        dlg->SetChannel(&channel);
        dlg->SetMemoryStore(memories.get());
        dlg->show();
    }
    template <class T = QWidget> T* control(const QWidget* root, int id) const {
        return root ? qobject_cast<T*>(findControl(*root, id)) : nullptr;
    }
    void click(const QWidget* root, int id) const {
        if (QWidget* w = control(root, id))
            QTest::mouseClick(w, Qt::LeftButton);
    }
    uint32_t radioHz() { return radio->model()->frequency(0, radio->now()); }
    uint32_t panelHz() const { return model->Snapshot().vfoA; }
    bool live() const {
        return dlg && dlg->Widgets().linkLamp->backgroundColour() == ToQColor(colour::kLinkLive);
    }
    bool visible(const QWidget* w) const { return w && w->isVisible(); }
    CQSOInfoDlg* info() const {
        return dlg->QsoLogging() ? dlg->QsoLogging()->InfoWindow() : nullptr;
    }
    CQSOLoggingDlg* logging() const {
        return dlg->QsoLogging() ? dlg->QsoLogging()->LoggingWindow() : nullptr;
    }
    int rows() const { return logging() ? logging()->list().model()->rowCount() : -1; }
};

// The evening, in the order an operator might go.
void evening(Evening& e, Script& script) {
    // A known stall first: the meter must read it as about 50 ms.
    script.Add("meter check: 50 ms asleep on the GUI thread", [] { QThread::msleep(50); });
    script.Add(
        "start the panel until live", [&e] { e.StartPanel(); }, [&e] { return e.live(); }, 1500);
    script.Add(
        "open QSO logging (ALT+L)",
        [&e] { QTest::keyClick(e.dlg.get(), Qt::Key_L, Qt::AltModifier); },
        [&e] { return e.visible(e.info()) && e.visible(e.logging()); }, 300);

    auto keyboard = [&e] { return e.dlg->Keyboard(); };
    auto openKeyboard = [&] {
        // The slides run on the loop: each step lasts until its window is in place.
        script.Add(
            "open CW keyboard", [&e] { e.click(e.dlg.get(), ctl::kKeyboardCw); },
            [&e, keyboard] { return e.visible(keyboard()) && !keyboard()->Sliding(); }, 200);
        script.Add(
            "open memory key panel", [&e, keyboard] { e.click(keyboard(), 1017); },
            [&e, keyboard] {
                CMemoryKeyPanelDlg* panel = keyboard() ? keyboard()->MemoryPanel() : nullptr;
                return e.visible(panel) && !panel->Sliding();
            },
            200);
        script.Add(
            "close memory key panel", [&e, keyboard] { e.click(keyboard(), 1017); },
            [keyboard] { return keyboard() && !keyboard()->MemoryPanel(); }, 200);
    };
    auto closeKeyboard = [&] {
        script.Add(
            "close CW keyboard", [&e] { e.click(e.dlg.get(), ctl::kKeyboardCw); },
            [keyboard] { return !keyboard(); }, 200);
    };
    openKeyboard();
    closeKeyboard();
    script.Add(
        "open switch panel", [&e] { e.click(e.dlg.get(), ctl::kSwitchPanel); },
        [&e] { return e.visible(e.dlg->SwitchPanel()); }, 300);
    script.Add(
        "close switch panel (Escape)",
        [&e] { QTest::keyClick(e.dlg->SwitchPanel(), Qt::Key_Escape); },
        [&e] { return !e.dlg->SwitchPanel()->isVisible(); }, 200);
    script.Add(
        "popup menu (right click)",
        [&e] { QTest::mouseClick(e.dlg.get(), Qt::RightButton, {}, QPoint(20, 20)); },
        [&e] {
            auto* menu = e.dlg->findChild<QMenu*>();
            return menu && menu->isVisible();
        },
        300);
    auto sheetShown = std::make_shared<bool>(false);
    script.Add(
        "configuration sheet, open and cancel",
        [&e, &script, sheetShown] {
            auto* menu = e.dlg->findChild<QMenu*>();
            QAction* config = nullptr;
            for (QAction* a : menu->actions())
                if (a->text() == "System Config")
                    config = a;
            menu->hide();
            // Left open for half a second, then cancelled.
            onNextModal(script, [sheetShown](QWidget& sheet) {
                *sheetShown = sheet.windowTitle() == "System Configuration";
                QTimer::singleShot(500, &sheet,
                                   [&sheet] { static_cast<QDialog&>(sheet).reject(); });
            });
            if (config)
                config->trigger();
            else
                script.failure = "no System Config entry in the popup menu";
        },
        [sheetShown] { return *sheetShown && !QApplication::activeModalWidget(); });

    // The wheel: forty notches up, a fast spin, then until the radio is there.
    auto startHz = std::make_shared<uint32_t>(0);
    script.Add("wheel: before", [&e, startHz] { *startHz = e.panelHz(); });
    for (int i = 0; i < 40; ++i)
        script.Add(
            "wheel notch",
            [&e] {
                QWidget* over = e.dlg->Widgets().display;
                const QPointF at(over->width() / 2.0, over->height() / 2.0);
                QWheelEvent wheel(at, over->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(over, &wheel);
            },
            {}, 15);
    script.Add(
        "wheel: until the radio is there", [] {},
        [&e, startHz] { return e.panelHz() != *startHz && e.radioHz() == e.panelHz(); });

    // Typed entry into VFO A, key by key, then Enter.
    script.Add(
        "click VFO A edit", [&e] { QTest::mouseClick(e.dlg->Widgets().vfoA, Qt::LeftButton); },
        [&e] { return !e.dlg->Widgets().vfoA->isReadOnly(); }, 200);
    script.Add(
        "select VFO A text", [&e] { e.dlg->Widgets().vfoA->selectAll(); }, {}, 100);
    for (char c : std::string("14060.00"))
        script.Add(
            "key in VFO A edit", [&e, c] { QTest::keyClick(e.dlg->Widgets().vfoA, c); }, {}, 120);
    script.Add(
        "Enter in VFO A edit until the radio is there",
        [&e] { QTest::keyClick(e.dlg->Widgets().vfoA, Qt::Key_Return); },
        [&e] { return e.radioHz() == 14060000 && e.panelHz() == 14060000; }, 300);

    // A memory saved, the radio tuned away, the memory recalled.
    script.Add(
        "save memory (ALT+F3, Enter in the dialog)",
        [&e, &script] {
            onNextModal(script, [&e](QWidget& dlg) {
                QTest::keyClick(e.control(&dlg, memctl::kName), Qt::Key_Enter);
            });
            QTest::keyClick(e.dlg.get(), Qt::Key_F3, Qt::AltModifier);
        },
        [&e] { return e.memories->UsedMemories() == 1; }, 300);
    for (int i = 0; i < 3; ++i)
        script.Add(
            "+1 kHz button", [&e] { e.click(e.dlg.get(), ctl::kUp1k); }, {}, 200);
    script.Add(
        "+1 kHz: until the radio is there", [] {},
        [&e] { return e.radioHz() == 14063000 && e.panelHz() == 14063000; });
    script.Add(
        "recall memory (ALT+F4, Enter on its row)",
        [&e, &script] {
            onNextModal(script, [&e](QWidget& dlg) {
                auto* list = e.control<QTableWidget>(&dlg, memctl::kRecallList);
                list->selectRow(0);
                QTest::keyClick(list, Qt::Key_Return);
            });
            QTest::keyClick(e.dlg.get(), Qt::Key_F4, Qt::AltModifier);
        },
        [&e] { return e.radioHz() == 14060000 && e.panelHz() == 14060000; }, 300);

    // Ten QSOs, two of them dupes, each call typed key by key.
    const char* calls[] = {"DL1ABC", "G4XYZ",  "K1ABC", "JA1XYZ", "DL1ABC",
                           "F5ABC",  "VK2ABC", "W1AW",  "ON4ABC", "G4XYZ"};
    auto callEdit = [&e] { return e.control<QLineEdit>(e.info(), qsoctl::kHisCall); };
    for (int q = 0; q < 10; ++q) {
        const std::string call = calls[q];
        const bool dupe = q == 4 || q == 9;
        // The fields stay after "Log It"; "Clear" asks first (answered yes).
        script.Add(
            "Clear (question answered)", [&e] { e.click(e.info(), qsoctl::kClear); },
            [callEdit] { return callEdit()->text().isEmpty(); }, 150);
        script.Add(
            "click call field", [callEdit] { QTest::mouseClick(callEdit(), Qt::LeftButton); }, {},
            150);
        for (char c : call)
            script.Add(
                "key in call field", [callEdit, c] { QTest::keyClick(callEdit(), c); }, {}, 150);
        if (dupe)
            script.Add(
                "until the dupe line is shown", [] {},
                [&e, call] {
                    auto* line = e.control<QLabel>(e.info(), qsoctl::kDupeLine);
                    return line && line->text().startsWith(QString::fromStdString("DUPE: " + call));
                });
        auto before = std::make_shared<int>(0);
        script.Add(
            "Log It until listed and in the file",
            [&e, before] {
                *before = e.rows();
                e.click(e.info(), qsoctl::kLogIt);
            },
            [&e, before, call] {
                return e.rows() == *before + 1 &&
                       fileText(e.home / kDefaultLogName).find(";" + call + ";") !=
                           std::string::npos;
            },
            300);
    }

    // CW: the F1 memory, then typed text, each until the radio keys it.
    openKeyboard();
    auto keyedBefore = std::make_shared<int>(0);
    script.Add(
        "F1 memory until keyed",
        [&e, keyboard, keyedBefore] {
            *keyedBefore = e.keyed;
            e.click(keyboard(), kCwButtonIds[0]);
        },
        [&e, keyedBefore] { return e.keyed > *keyedBefore; }, 300);
    script.Add("CW text: before", [&e, keyedBefore] { *keyedBefore = e.keyed; });
    for (char c : std::string("TU 5NN TU "))
        script.Add(
            "key in CW type-in", [keyboard, c] { QTest::keyClick(keyboard()->TypeIn(), c); }, {},
            100);
    script.Add(
        "CW text: until keyed", [] {}, [&e, keyedBefore] { return e.keyed > *keyedBefore; });
    closeKeyboard();
    for (int i = 0; i < 4; ++i) {
        openKeyboard();
        closeKeyboard();
    }
    script.Add(
        "exit", [&e] { e.dlg->EndWithoutQuestion(); }, [&e] { return !e.dlg->isVisible(); });
}

} // namespace

// Which events held the thread: every outermost event handled in over 4 ms,
// with its receiver, so a stall can be traced to its handler.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    struct Slow {
        double ms;
        std::string what;
    };
    std::vector<Slow> slow;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        // The handler may delete the receiver and the event.
        const char* className = receiver->metaObject()->className();
        const int type = int(event->type());
        QPointer<QObject> alive(receiver);
        QElapsedTimer clock;
        clock.start();
        const bool handled = QApplication::notify(receiver, event);
        --depth_;
        if (const double ms = double(clock.nsecsElapsed()) / 1e6; ms > 4)
            slow.push_back({ms, std::string(className) + " \"" +
                                    (alive ? alive->objectName().toStdString() : "") + "\" event " +
                                    std::to_string(type)});
        return handled;
    }

private:
    int depth_ = 0;
};

int main(int argc, char** argv) {
    TimedApplication app(argc, argv);
    // The exit step hides the last window: the script, not Qt, ends the run.
    app.setQuitOnLastWindowClosed(false);
    Evening e;
    StallMeter meter;
    Script run(meter);
    evening(e, run);
    run.Start();
    const int result = app.exec();
    meter.Stop();
    if (result != 0)
        return result;

    // Each step's worst stall; a run of steps of one name on one line. The
    // meter's check (step 1) and the start (step 2) are shown but not counted.
    const auto& steps = run.Steps();
    std::vector<double> perStep, pings;
    std::vector<std::pair<double, std::size_t>> worst;
    std::printf("%-9s %-46s %12s %12s\n", "steps", "", "worst stall", "worst took");
    for (std::size_t i = 0, first = 0; i < steps.size(); ++i) {
        const std::vector<double>& samples = meter.samplesOfStep[int(i)];
        perStep.push_back(samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end()));
        if (i > 1) {
            worst.emplace_back(perStep.back(), i);
            pings.insert(pings.end(), samples.begin(), samples.end());
        }
        if (i + 1 < steps.size() && steps[i + 1].name == steps[first].name)
            continue;
        const double runWorst = *std::max_element(perStep.begin() + long(first), perStep.end());
        const double runTook =
            *std::max_element(run.Took().begin() + long(first), run.Took().begin() + long(i + 1));
        const std::string name = i == first
                                     ? steps[i].name
                                     : steps[i].name + " (x" + std::to_string(i - first + 1) + ")";
        const std::string at =
            std::to_string(first + 1) + (i == first ? "" : "-" + std::to_string(i + 1));
        std::printf("%-9s %-46s %9.2f ms %9.2f ms\n", at.c_str(), name.c_str(), runWorst, runTook);
        first = i + 1;
    }
    perStep.erase(perStep.begin(), perStep.begin() + 2);
    std::sort(worst.rbegin(), worst.rend());
    std::printf("\nworst steps (the worst of each name):\n");
    std::vector<std::string> named;
    for (const auto& [stall, i] : worst) {
        if (named.size() == 6)
            break;
        if (std::find(named.begin(), named.end(), steps[i].name) != named.end())
            continue;
        named.push_back(steps[i].name);
        std::printf("  %7.2f ms  step %zu, %s\n", stall, i + 1, steps[i].name.c_str());
    }
    std::printf("\nworst stall of each of the %zu steps: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                perStep.size(), percentile(perStep, 0.5), percentile(perStep, 0.99),
                percentile(perStep, 1.0));
    std::printf("all %zu pings (1 ms apart while idle): p50 %.3f ms, p99 %.2f ms, max %.2f ms\n",
                pings.size(), percentile(pings, 0.5), percentile(pings, 0.99),
                percentile(pings, 1.0));
    std::sort(app.slow.begin(), app.slow.end(),
              [](const auto& a, const auto& b) { return a.ms > b.ms; });
    std::printf("\nslowest events (over 4 ms):\n");
    for (std::size_t i = 0; i < std::min<std::size_t>(app.slow.size(), 8); ++i)
        std::printf("%9.2f ms  %s\n", app.slow[i].ms, app.slow[i].what.c_str());
    return 0;
}

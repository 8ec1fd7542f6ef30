// measure_link: how soon the front panel shows that the radio went silent, and
// how soon after an unplugged device comes back its first reply is applied.
// Ten tries of each through the real window (offscreen) and the simulated
// radio on pseudo-terminals; prints every try and the medians.
//
//   QT_QPA_PLATFORM=offscreen build/bench/panel/measure_link

#include "controls/CStaticEx.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/FrontPanelView.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "sim/SimulatedRadio.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

using namespace tamrel;
using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr int kTries = 10;

bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto end = Steady::now() + limit;
    while (!done()) {
        if (Steady::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

double ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::unique_ptr<k2sim::SimulatedRadio> radio(int silentAfterMs = -1) {
    k2sim::SimulatedRadio::Options o;
    o.baud = 4800;
    o.hangupAfterMs = silentAfterMs;
    auto r = std::make_unique<k2sim::SimulatedRadio>(o);
    r->start();
    return r;
}

void pointLink(const fs::path& link, const std::string& device) {
    const fs::path next = link.string() + ".next";
    fs::remove(next);
    fs::create_symlink(device, next);
    fs::rename(next, link);
}

struct Panel {
    RecordingPrompter prompter{false};
    CRigControlRegistry registry{prompter};
    CK2CommChannel channel;
    std::unique_ptr<K2RadioModel> model;
    std::unique_ptr<RadioOperations> ops;
    std::unique_ptr<CFrontPanelDlg> dlg;

    explicit Panel(const std::string& device) {
        SystemConfig config;
        registry.GetSystemConfig(config);
        channel.OpenDevice(device, 0, 4800, 8, 0, 1);
        model = std::make_unique<K2RadioModel>(RadioModelFromSettings(registry));
        ops = std::make_unique<RadioOperations>(*model);
        dlg = std::make_unique<CFrontPanelDlg>(registry, prompter, *ops);
        dlg->SetChannel(&channel);
        dlg->show();
    }
    ~Panel() {
        dlg.reset();
        channel.Close();
    }
    bool lampIs(Rgb c) const { return dlg->Widgets().linkLamp->backgroundColour() == ToQColor(c); }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    constexpr int kSilentAfterMs = 4000;

    std::vector<double> silence;
    for (int i = 0; i < kTries; ++i) {
        const auto started = Steady::now();
        auto r = radio(kSilentAfterMs);
        Panel p(r->devicePath());
        if (!pumpUntil([&] { return p.lampIs(colour::kLinkLive); }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "try %d: never live\n", i);
            return 1;
        }
        if (!pumpUntil([&] { return p.lampIs(colour::kLinkWaiting); }, std::chrono::seconds(15))) {
            std::fprintf(stderr, "try %d: silence never shown\n", i);
            return 1;
        }
        const double t = ms(Steady::now() - started) - kSilentAfterMs;
        silence.push_back(t);
        std::printf("silent -> \"no reply\" shown, try %d: %.0f ms\n", i + 1, t);
    }

    std::vector<double> back;
    const fs::path link = fs::path(dir.path().toStdString()) / "usb-radio";
    auto r = radio();
    pointLink(link, r->devicePath());
    Panel p(link.string());
    uint64_t replies = 0;
    p.dlg->AddReplyObserver([&replies](int) { ++replies; });
    for (int i = 0; i < kTries; ++i) {
        if (!pumpUntil([&] { return p.lampIs(colour::kLinkLive); }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "try %d: never live\n", i);
            return 1;
        }
        r.reset(); // unplugged
        if (!pumpUntil([&] { return p.lampIs(colour::kLinkFailed); }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "try %d: loss never shown\n", i);
            return 1;
        }
        r = radio();
        const uint64_t before = replies;
        const auto returned = Steady::now();
        pointLink(link, r->devicePath());
        if (!pumpUntil([&] { return replies != before; }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "try %d: no reply after the return\n", i);
            return 1;
        }
        const double t = ms(Steady::now() - returned);
        back.push_back(t);
        std::printf("device back -> first reply applied, try %d: %.0f ms\n", i + 1, t);
    }
    std::printf("median silent -> \"no reply\" shown: %.0f ms\n", median(silence));
    std::printf("median device back -> first reply applied: %.0f ms\n", median(back));
    return 0;
}

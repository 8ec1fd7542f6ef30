#include "QsoLoggingWindows.h"

#include "controls/PanelCommands.h"
#include "controls/ToolPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace tamrel {

namespace {
// A window made anew may be inside a message box or a dialog of its own just
// now (a nested event loop): it goes once that has returned.
template <class Window> void retire(std::unique_ptr<Window>& window) {
    if (window) {
        window->hide();
        window.release()->deleteLater();
    }
}
} // namespace

QsoLoggingWindows::QsoLoggingWindows(CRigControlRegistry& settings, Prompter& prompter,
                                     K2RadioModel& radio, PanelCommands& panel,
                                     std::unique_ptr<QsoDialogs> dialogs, std::string homeDir,
                                     QWidget* owner)
    : settings_(settings), prompter_(prompter), radio_(radio), panel_(panel),
      dialogs_(std::move(dialogs)), owner_(owner),
      log_(settings, prompter, std::move(homeDir),
           [this](const std::string& text, bool error) { panel_.ShowStatus(text, error); }),
      logWatch_(log_.Observe([this](uint32_t events) { OnLogEvents(events); })) {}

QsoLoggingWindows::~QsoLoggingWindows() {
    Shutdown();
}

QsoWiring QsoLoggingWindows::Wiring() {
    return {settings_, prompter_, radio_, panel_, log_, *dialogs_};
}

void QsoLoggingWindows::Open() {
    infoVisible_ = true;
    logVisible_ = true;
    if (!CurrentInfo())
        MakeInfoWindow();
    if (!logDlg_)
        MakeLoggingWindow(log_.store().kind());
    log_.Start();
    for (QDialog* window :
         {static_cast<QDialog*>(CurrentInfo()), static_cast<QDialog*>(logDlg_.get())}) {
        window->show();
        window->raise();
    }
}

void QsoLoggingWindows::FollowMove() {
    PlaceInfo();
    PlaceLogging();
}

void QsoLoggingWindows::Shutdown() {
    log_.Shutdown();
    infoDlg_.reset();
    contestDlg_.reset();
    logDlg_.reset();
}

QsoInfoWindow* QsoLoggingWindows::CurrentInfo() const {
    if (infoDlg_)
        return infoDlg_.get();
    return contestDlg_.get();
}

void QsoLoggingWindows::OnLogEvents(uint32_t events) {
    // Before Open, or after Shutdown, there are no windows to keep in step.
    if (!logDlg_)
        return;
    if (events & QsoLog::kModeChanged)
        MakeInfoWindow();
    if ((events & QsoLog::kListed) && logDlg_->kind() != log_.store().kind())
        MakeLoggingWindow(log_.store().kind());
    if (events & QsoLog::kRecalled) {
        if (QsoInfoWindow* window = CurrentInfo()) {
            window->fill(log_.recalled());
            infoVisible_ = true;
            window->show();
            window->raise();
            window->activateWindow();
        }
    }
}

void QsoLoggingWindows::MakeInfoWindow() {
    std::optional<QRect> place;
    if (const QDialog* old = CurrentInfo())
        place = old->frameGeometry();
    retire(infoDlg_);
    retire(contestDlg_);
    QDialog* made = nullptr;
    if (log_.modeKind() == QsoKind::Contest) {
        contestDlg_ = std::make_unique<CContestQSODlg>(Wiring(), owner_);
        made = contestDlg_.get();
    } else {
        infoDlg_ = std::make_unique<CQSOInfoDlg>(Wiring(), owner_);
        made = infoDlg_.get();
    }
    made->adjustSize();
    if (place)
        made->move(place->topLeft());
    else
        PlaceInfo();
    if (infoVisible_)
        made->show();
}

void QsoLoggingWindows::MakeLoggingWindow(QsoKind kind) {
    std::optional<QRect> place;
    if (logDlg_)
        place = logDlg_->geometry();
    retire(logDlg_);
    logDlg_ = std::make_unique<CQSOLoggingDlg>(
        kind, Wiring(), [this] { ToggleInfo(); }, owner_);
    if (place)
        logDlg_->setGeometry(*place);
    else
        PlaceLogging();
    if (logVisible_)
        logDlg_->show();
}

void QsoLoggingWindows::ToggleInfo() {
    // Closed with the title bar, it may be hidden already.
    if (QDialog* window = CurrentInfo()) {
        infoVisible_ = !window->isVisible();
        window->setVisible(infoVisible_);
    }
}

// Beside the panel, on its screen, over no other window: the information
// window to the right where there is room, the logging window below.
void QsoLoggingWindows::PlaceInfo() {
    QDialog* window = CurrentInfo();
    if (!window)
        return;
    const QRect panel = panel_.PanelFrame();
    std::vector<QRect> taken = OtherWindowFrames(window, owner_);
    if (logDlg_)
        std::erase(taken, logDlg_->frameGeometry()); // placed after this one
    window->move(PlaceBeside(panel, FrameSizeOf(*window), ScreenRoomOf(panel), taken,
                             {Beside::Right, Beside::Left, Beside::Below, Beside::Above})
                     .topLeft());
}

void QsoLoggingWindows::PlaceLogging() {
    if (!logDlg_)
        return;
    const QRect panel = panel_.PanelFrame();
    std::vector<QRect> taken = OtherWindowFrames(logDlg_.get(), owner_);
    if (QDialog* info = CurrentInfo(); info && !info->isVisible())
        taken.emplace_back(info->frameGeometry().topLeft(), FrameSizeOf(*info)); // about to show
    // The list may be shorter or narrower where that finds it room.
    const QSize border = FrameSizeOf(*logDlg_) - logDlg_->size();
    const QRect frame = PlaceBeside(panel, FrameSizeOf(*logDlg_), ScreenRoomOf(panel), taken,
                                    {Beside::Below, Beside::Right, Beside::Left, Beside::Above},
                                    logDlg_->minimumSizeHint() + border);
    logDlg_->resize(frame.size() - border);
    logDlg_->move(frame.topLeft());
}

} // namespace tamrel

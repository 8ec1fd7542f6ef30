#include "QsoLoggingWindows.h"

#include "DupeLabel.h"

#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"

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
                                     Handle panel, std::function<QRect()> panelFrame,
                                     std::string homeDir, LoggingDlgHooks hooks, QWidget* owner)
    : settings_(settings), prompter_(prompter), panel_(panel), panelFrame_(std::move(panelFrame)),
      hooks_(std::move(hooks)), owner_(owner),
      infoBox_([this](Message&& m) { OnInfoMessage(std::move(m)); }),
      logBox_([this](Message&& m) { OnLogMessage(std::move(m)); }), info_(settings),
      logger_(settings, std::move(homeDir)) {}

QsoLoggingWindows::~QsoLoggingWindows() {
    Shutdown();
}

void QsoLoggingWindows::Open() {
    if (!info_.running()) {
        info_.start();
        info_.post(infomsg::setup({panel_, infoBox_.handle()}));
    }
    infoVisible_ = true;
    if (QDialog* window = CurrentInfo()) {
        window->show();
        window->raise();
    }
    if (!logger_.running()) {
        std::string name = settings_.GetMacroVariable(1).value_or("");
        name = name.empty() ? std::string(kDefaultLogName) : name + ".QSO.Log";
        logger_.start();
        logger_.post(loggermsg::setup({panel_, info_.handle(), logBox_.handle(), name}));
        info_.post(infomsg::setPeer(logger_.handle()));
    }
    logVisible_ = true;
    if (logDlg_) {
        logDlg_->show();
        logDlg_->raise();
    }
}

void QsoLoggingWindows::FollowMove() {
    if (info_.running())
        info_.post(infomsg::followMove());
    if (logger_.running())
        logger_.post(loggermsg::followMove());
}

void QsoLoggingWindows::LoggingModeChanged(uint8_t mode) {
    if (logger_.running())
        logger_.post(loggermsg::load(std::nullopt, false));
    if (info_.running())
        info_.post(infomsg::loggingMode(mode));
}

void QsoLoggingWindows::UseUtcChanged(bool on) {
    if (info_.running())
        info_.post(infomsg::useUtc(on));
}

void QsoLoggingWindows::Shutdown() {
    info_.quitAndJoin();
    logger_.quitAndJoin();
    infoDlg_.reset();
    contestDlg_.reset();
    logDlg_.reset();
}

QsoInfoWindow* QsoLoggingWindows::CurrentInfo() const {
    if (infoDlg_)
        return infoDlg_.get();
    return contestDlg_.get();
}

void QsoLoggingWindows::MakeInfoWindow(uint8_t mode) {
    std::optional<QRect> place;
    if (const QDialog* old = CurrentInfo())
        place = old->frameGeometry();
    retire(infoDlg_);
    retire(contestDlg_);
    auto toThread = [this](Message m) { info_.post(std::move(m)); };
    auto toPanel = [this](Message m) { Mailboxes::post(panel_, std::move(m)); };
    QDialog* made = nullptr;
    if (mode & 1) {
        contestDlg_ =
            std::make_unique<CContestQSODlg>(settings_, prompter_, toThread, toPanel, owner_);
        made = contestDlg_.get();
    } else {
        infoDlg_ = std::make_unique<CQSOInfoDlg>(settings_, prompter_, toThread, toPanel, owner_);
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

LoggingDlgHooks QsoLoggingWindows::withAnswers(LoggingDlgHooks hooks) {
    if (!hooks.cabrilloAnswers)
        hooks.cabrilloAnswers = [this] {
            CabrilloSettings answers;
            settings_.GetCabrilloSettings(answers);
            return answers;
        };
    return hooks;
}

void QsoLoggingWindows::MakeLoggingWindow(QsoKind kind) {
    std::optional<QRect> place;
    if (logDlg_)
        place = logDlg_->geometry();
    retire(logDlg_);
    logDlg_ = std::make_unique<CQSOLoggingDlg>(
        kind, prompter_,
        [this] {
            BandTable bands = defaultBandTable();
            settings_.LoadBandInfo(bands);
            return bands;
        },
        [this](Message m) { logger_.post(std::move(m)); }, withAnswers(hooks_), owner_);
    if (place)
        logDlg_->setGeometry(*place);
    else
        PlaceLogging();
    if (logVisible_)
        logDlg_->show();
}

namespace {
// At `at`, or moved as little as needed to lie on the panel's screen.
void placeOnScreen(QWidget& window, QPoint at, const QRect& panel) {
    QScreen* screen = QGuiApplication::screenAt(panel.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        const QSize size = window.frameGeometry().size();
        at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - size.width())));
        at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - size.height())));
    }
    window.move(at);
}
} // namespace

// Beside the panel: the information window to its right, the logging window under it.
void QsoLoggingWindows::PlaceInfo() {
    QDialog* window = CurrentInfo();
    if (!window)
        return;
    const QRect panel = panelFrame_();
    placeOnScreen(*window, QPoint(panel.right() + 1, panel.top()), panel);
}

void QsoLoggingWindows::PlaceLogging() {
    if (!logDlg_)
        return;
    const QRect panel = panelFrame_();
    placeOnScreen(*logDlg_, QPoint(panel.left(), panel.bottom() + 1), panel);
}

void QsoLoggingWindows::OnInfoMessage(Message&& m) {
    switch (m.id) {
    case msg::WM_K2_LOG_MODE:
        MakeInfoWindow(uint8_t(m.wParam));
        break;
    case msg::WM_K2_SHOW_INFO:
        // Closed with the title bar, it may be hidden already.
        if (QDialog* window = CurrentInfo()) {
            infoVisible_ = !window->isVisible();
            window->setVisible(infoVisible_);
        } else {
            infoVisible_ = !infoVisible_;
        }
        break;
    case msg::WM_K2_LOG_RECALL:
        if (const QSORecord* r = m.payload.get<QSORecord>(); r && CurrentInfo()) {
            QsoInfoWindow* window = CurrentInfo();
            window->fill(*r);
            infoVisible_ = true;
            window->show();
            window->raise();
            window->activateWindow();
        }
        break;
    case msg::WM_K2_FOLLOW_MOVE:
        PlaceInfo();
        break;
    case msg::WM_K2_DUPE_CHECK:
        if (const DupeLine* line = m.payload.get<DupeLine>(); line && CurrentInfo())
            CurrentInfo()->dupeLine().answer(*line);
        break;
    default:
        break;
    }
}

void QsoLoggingWindows::OnLogMessage(Message&& m) {
    switch (m.id) {
    case msg::WM_K2_THREAD_SETUP:
        if (!logDlg_)
            MakeLoggingWindow((settings_.GetQsoLoggingMode() & 1) ? QsoKind::Contest
                                                                  : QsoKind::Normal);
        logVisible_ = true;
        logDlg_->show();
        break;
    case msg::WM_K2_LOG_LOAD:
        if (LogListing* l = m.payload.get<LogListing>()) {
            if (!logDlg_ || l->recreate || logDlg_->kind() != l->kind)
                MakeLoggingWindow(l->kind);
            logDlg_->setListing(std::move(*l));
        }
        break;
    case msg::WM_K2_QSO_RECORD:
        if (QSORecord* r = m.payload.get<QSORecord>(); r && logDlg_) {
            logDlg_->addRow(std::move(*r));
            // The call just logged is worked now.
            if (QsoInfoWindow* info = CurrentInfo())
                info->dupeLine().recheck();
        }
        break;
    case msg::WM_K2_LOG_SEARCH:
        if (SearchResult* s = m.payload.get<SearchResult>(); s && logDlg_)
            logDlg_->setSearch(std::move(*s));
        break;
    case qsowin::kOperatorText:
        if (const OperatorText* t = m.payload.get<OperatorText>())
            prompter_.tell(t->text, t->icon);
        break;
    case msg::WM_K2_FOLLOW_MOVE:
        PlaceLogging();
        break;
    default:
        break;
    }
}

} // namespace tamrel

#pragma once
// The QSO windows offscreen with their real log worker: a radio model the
// test sets, a front panel that records the commands it is given, and file
// dialogs, edit dialogs and Cabrillo questions the test answers.

#include "LogFileFixture.h"

#include "qsolog/QsoLoggingWindows.h"

#include "controls/ControlSupport.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "support/RecordingPanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tamrel::test {

// Runs the event loop until the condition holds; fails only after a long time.
template <class F> bool waitFor(F condition) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

template <class W = QWidget> W* control(const QWidget* root, int id) {
    return root ? qobject_cast<W*>(findControl(*root, id)) : nullptr;
}

// The window's shortcuts are live while it is the active window.
inline void activate(QWidget* window) {
    window->activateWindow();
    ASSERT_TRUE(waitFor([window] { return QApplication::activeWindow() == window; }));
}

inline void click(const QWidget* root, int id) {
    auto* b = control<QPushButton>(root, id);
    ASSERT_TRUE(b) << id;
    QTest::mouseClick(b, Qt::LeftButton);
}

class ScriptedDialogs final : public QsoDialogs {
public:
    std::optional<std::string> chooseFile(const FileQuestion& q) override {
        asked.push_back(q);
        return file;
    }
    QsoEdit edit(const QSORecord& record, const BandTable&) override {
        edited.push_back(record);
        return editAnswer;
    }
    std::optional<CabrilloSettings> askCabrillo(const CabrilloSettings& remembered) override {
        cabrilloAsked.push_back(remembered);
        return cabrillo;
    }

    std::optional<std::string> file;
    std::vector<FileQuestion> asked;
    QsoEdit editAnswer;
    std::vector<QSORecord> edited;
    std::optional<CabrilloSettings> cabrillo;
    std::vector<CabrilloSettings> cabrilloAsked;
};

class QsoWindowFixture : public LogFileFixture {
protected:
    void TearDown() override {
        windows_.reset();
        LogFileFixture::TearDown();
    }

    // The radio receiving on VFO A at `hz` (its band by the edges), in
    // `mode`, transmitting on VFO B at `transmitHz` when that is not 0.
    void tune(uint32_t hz, int mode = 3, uint32_t transmitHz = 0) {
        auto frequency = [](char vfo, uint32_t f) {
            char text[32];
            std::snprintf(text, sizeof text, "F%c%011u", vfo, f);
            return std::string(text);
        };
        radio_.ApplyReply(ID_FA, frequency('A', hz));
        if (transmitHz != 0)
            radio_.ApplyReply(ID_FB, frequency('B', transmitHz));
        radio_.ApplyReply(ID_FT, transmitHz != 0 ? "FT1" : "FT0");
        radio_.ApplyReply(ID_MD, "MD" + std::to_string(mode));
    }

    // With the scripted dialogs (dialogs_), or with others given.
    void open(std::unique_ptr<QsoDialogs> dialogs = {}) {
        if (!dialogs) {
            auto scripted = std::make_unique<ScriptedDialogs>();
            dialogs_ = scripted.get();
            dialogs = std::move(scripted);
        }
        windows_ = std::make_unique<QsoLoggingWindows>(*registry_, prompter_, radio_, panel_,
                                                       std::move(dialogs), home_);
        windows_->Open();
        // Until the first load's result is in: the list is the file's.
        ASSERT_TRUE(waitFor([this] {
            return (info() || contest()) && logging() && logging()->isVisible() &&
                   !windows_->Log().path().empty();
        }));
    }

    QsoInfoWindow* current() const {
        return info() ? static_cast<QsoInfoWindow*>(info()) : contest();
    }
    CQSOInfoDlg* info() const { return windows_->InfoWindow(); }
    CContestQSODlg* contest() const { return windows_->ContestWindow(); }
    CQSOLoggingDlg* logging() const { return windows_->LoggingWindow(); }
    int rows() const { return logging() ? logging()->list().model()->rowCount() : -1; }
    int columns() const { return logging()->list().model()->columnCount(); }
    QString cell(int row, int column) const {
        const QAbstractItemModel* m = logging()->list().model();
        return m->data(m->index(row, column)).toString();
    }
    QVariant cell(int row, int column, int role) const {
        const QAbstractItemModel* m = logging()->list().model();
        return m->data(m->index(row, column), role);
    }

    K2RadioModel radio_;
    RecordingPanel panel_{QRect(0, 0, 200, 100)}; // small: the windows fit beside it
    ScriptedDialogs* dialogs_ = nullptr;
    std::unique_ptr<QsoLoggingWindows> windows_;
};

} // namespace tamrel::test

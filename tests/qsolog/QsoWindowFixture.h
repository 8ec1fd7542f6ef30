#pragma once
// The QSO windows offscreen with their real log worker: a radio model the
// test sets, a front panel that records the commands it is given, and file
// dialogs, edit dialogs and Cabrillo questions the test answers.

#include "QsoTestSupport.h"

#include "qsolog/QsoLogView.h"
#include "qsolog/QsoLoggingWindows.h"

#include "controls/ControlSupport.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "support/RecordingPanel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace tamrel::test {

// Runs the event loop until the condition holds; fails only after a long time.
template <class F> bool waitFor(F condition) {
    return QTest::qWaitFor(condition, 30000);
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

// One of the arrows ("up" or "down") of a spin in an edit dialog.
inline void arrow(const QWidget* dialog, int spin, const char* which) {
    QWidget* s = control(dialog, spin);
    ASSERT_TRUE(s) << spin;
    QTest::mouseClick(s->findChild<QToolButton*>(which), Qt::LeftButton);
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
    std::optional<CabrilloSettings> askCabrillo(const CabrilloSettings&) override { return {}; }

    std::optional<std::string> file;
    std::vector<FileQuestion> asked;
    QsoEdit editAnswer;
    std::vector<QSORecord> edited;
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
        radio_.ApplyReply(ID_FA, QString::asprintf("FA%011u", hz).toStdString());
        if (transmitHz != 0)
            radio_.ApplyReply(ID_FB, QString::asprintf("FB%011u", transmitHz).toStdString());
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
    QLineEdit* edit(int id) const { return control<QLineEdit>(current(), id); }
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
    std::vector<std::string> cells(int row, std::initializer_list<int> columns) const {
        std::vector<std::string> texts;
        for (int c : columns)
            texts.push_back(cell(row, c).toStdString());
        return texts;
    }

    // Types the call and the name (the exchange in contest logging) and logs
    // the QSO with "Log It" of the window of the mode.
    void logIt(const QString& call, const QString& second = {}) {
        const int before = rows();
        edit(info() ? qsoctl::kHisCall : qsoctl::kContestCall)->setText(call);
        edit(info() ? qsoctl::kHisName : qsoctl::kContestExchange)->setText(second);
        click(current(), info() ? qsoctl::kLogIt : qsoctl::kContestLogIt);
        ASSERT_TRUE(waitFor([&] { return rows() == before + 1; }));
    }
    // The list's double click: the row's edit dialog.
    void doubleClickRow(int row) {
        QTableView& list = logging()->list();
        Q_EMIT list.doubleClicked(list.model()->index(row, 1));
    }
    void load(const std::string& path) {
        dialogs_->file = path;
        click(logging(), qsoctl::kLoad);
    }

    K2RadioModel radio_;
    RecordingPanel panel_{QRect(0, 0, 200, 100)}; // small: the windows fit beside it
    ScriptedDialogs* dialogs_ = nullptr;
    std::unique_ptr<QsoLoggingWindows> windows_;
};

} // namespace tamrel::test

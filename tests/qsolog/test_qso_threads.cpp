// The two QSO threads driven through their messages, with queues standing in
// for the front panel and the windows.
#include "LogFileFixture.h"

#include "qsolog/CQSOInfoGUIThread.h"
#include "qsolog/CQSOLoggerGUIThread.h"
#include "qsolog/QsoLine.h"

#include "platform/MessageQueue.h"

#include <chrono>

namespace tamrel::test {
namespace {

using namespace std::chrono_literals;

// Waits for the next message with the id, dropping others; fails after a
// long time only, so a slow machine never fails it.
Message next(MessageQueue& q, uint32_t id) {
    for (;;) {
        std::optional<Message> m = q.getFor(30s);
        if (!m) {
            ADD_FAILURE() << "no message 0x" << std::hex << id;
            return {};
        }
        if (m->id == id)
            return std::move(*m);
    }
}

class QsoThreads : public LogFileFixture {
protected:
    void SetUp() override {
        LogFileFixture::SetUp();
        now_ = local(2024, 6, 1, 10, 0, 0);
    }

    void start(uint8_t mode = 0, UtcSettings utc = {0, 0}) {
        registry_->SetQsoLoggingMode(mode);
        SystemConfig config;
        registry_->GetSystemConfig(config);
        config.utcOffset = utc.offset;
        registry_->SetSystemConfig(config);
        StationSettings station;
        registry_->GetStationSettings(station);
        station.useUtc = utc.useUtc;
        registry_->SetStationSettings(station);

        logger_ = std::make_unique<CQSOLoggerGUIThread>(*registry_, home_);
        info_ = std::make_unique<CQSOInfoGUIThread>(*registry_);
        info_->setClock([this] { return now_; });
        logger_->start();
        info_->start();
        info_->post(infomsg::setup({panel_.handle(), infoWindow_.handle()}));
        logger_->post(loggermsg::setup(
            {panel_.handle(), info_->handle(), logWindow_.handle(), "N0CALL.QSO.Log"}));
        info_->post(infomsg::setPeer(logger_->handle()));
        firstListing_ = next(logWindow_, msg::WM_K2_LOG_LOAD);
        next(infoWindow_, msg::WM_K2_LOG_MODE); // the window of the mode at start
    }

    void TearDown() override {
        info_.reset();
        logger_.reset();
        LogFileFixture::TearDown();
    }

    // One "Log It" answered by the front panel with the state.
    QSORecord logIt(const std::string& call, K2RadioState state) {
        QSORecord typed;
        typed.call = call;
        typed.hisSig = "579";
        info_->post(infomsg::logIt(typed));
        Message request = next(panel_, msg::WM_K2_STATE_REQUEST);
        EXPECT_EQ(request.wParam, 1u);
        const Handle* asker = request.payload.get<Handle>();
        EXPECT_TRUE(asker && *asker == info_->handle());
        info_->post({msg::WM_K2_STATE_REPLY, 4, Payload::of(state)});
        Message added = next(logWindow_, msg::WM_K2_QSO_RECORD);
        const QSORecord* r = added.payload.get<QSORecord>();
        return r ? *r : QSORecord{};
    }

    // Everything posted before this to the logger has been handled once it returns.
    void syncLogger() {
        logger_->post(loggermsg::followMove());
        next(logWindow_, msg::WM_K2_FOLLOW_MOVE);
    }

    int64_t now_ = 0;
    MessageQueue panel_, infoWindow_, logWindow_;
    std::unique_ptr<CQSOLoggerGUIThread> logger_;
    std::unique_ptr<CQSOInfoGUIThread> info_;
    Message firstListing_;
};

K2RadioState splitState() {
    K2RadioState s;
    s.vfoA = 14025000;
    s.vfoB = 14031230;
    s.transmitVfo = 1;
    s.mode = 3;
    s.bandIndex = 4;
    return s;
}

TEST_F(QsoThreads, LogItTakesTheTransmittingVfoAndAppendsTheLine) {
    start();
    QSORecord r = logIt("dl1abc", splitState());
    EXPECT_EQ(r.call, "dl1abc"); // upper-casing is the window's
    EXPECT_EQ(r.frequency, 14031230);
    EXPECT_EQ(r.band, 4);
    EXPECT_EQ(r.mode, 3);
    EXPECT_EQ(r.time, now_);
    syncLogger();
    const std::string file = read(inHome(kDefaultLogName));
    EXPECT_NE(file.find(";dl1abc;06012024100000;  20M;14031230;CW;"), std::string::npos) << file;
}

TEST_F(QsoThreads, SecondLogItBeforeTheAnswerIsDropped) {
    start();
    QSORecord typed;
    typed.call = "K1AA";
    info_->post(infomsg::logIt(typed));
    typed.call = "K2BB";
    info_->post(infomsg::logIt(typed));
    info_->post(infomsg::followMove());
    next(infoWindow_, msg::WM_K2_FOLLOW_MOVE);
    next(panel_, msg::WM_K2_STATE_REQUEST);
    EXPECT_FALSE(panel_.tryGet().has_value()) << "the second Log It asked again";
    info_->post({msg::WM_K2_STATE_REPLY, 4, Payload::of(splitState())});
    Message added = next(logWindow_, msg::WM_K2_QSO_RECORD);
    ASSERT_TRUE(added.payload.get<QSORecord>());
    EXPECT_EQ(added.payload.get<QSORecord>()->call, "K1AA");
    // Answered: the next one is taken again.
    EXPECT_EQ(logIt("K3CC", splitState()).call, "K3CC");
}

TEST_F(QsoThreads, UtcOffsetOfSevenHoursWestMakesTenOClockSeventeen) {
    start(0, {1, 0x87});
    QSORecord r = logIt("W1AW", splitState());
    EXPECT_EQ(toLocalTime(r.time)->hour, 17);
    // Switched off by request 21.
    info_->post(infomsg::useUtc(false));
    EXPECT_EQ(toLocalTime(logIt("W1AW", splitState()).time)->hour, 10);
}

TEST_F(QsoThreads, ALoadOfTheOtherKindSwitchesTheModeAndRecreatesTheWindow) {
    start();
    ASSERT_TRUE(firstListing_.payload.get<LogListing>());
    EXPECT_EQ(firstListing_.payload.get<LogListing>()->kind, QsoKind::Normal);
    write(inHome("contest.QSO.Log"), formatLine(contestQso("DL2XY", now_), 1) + "\n");
    logger_->post(loggermsg::load(std::string("contest.QSO.Log"), true));
    Message mode = next(infoWindow_, msg::WM_K2_LOG_MODE);
    EXPECT_EQ(mode.wParam, 1u);
    Message listing = next(logWindow_, msg::WM_K2_LOG_LOAD);
    const LogListing* l = listing.payload.get<LogListing>();
    ASSERT_TRUE(l);
    EXPECT_TRUE(l->recreate);
    EXPECT_EQ(l->kind, QsoKind::Contest);
    ASSERT_EQ(l->records.size(), 1u);
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1);
}

TEST_F(QsoThreads, AModeChangedElsewhereStartsAnEmptyListInTheNewColumnsAndLeavesTheFile) {
    const std::string normal = formatLine(normalQso("K1AA", now_), 1) + "\n";
    write(inHome(kDefaultLogName), normal);
    start();
    // The configuration page switched to contest logging (request 12).
    registry_->SetQsoLoggingMode(1);
    logger_->post(loggermsg::load(std::nullopt, false));
    Message listing = next(logWindow_, msg::WM_K2_LOG_LOAD);
    const LogListing* l = listing.payload.get<LogListing>();
    ASSERT_TRUE(l);
    EXPECT_TRUE(l->recreate);
    EXPECT_EQ(l->kind, QsoKind::Contest);
    EXPECT_TRUE(l->records.empty());
    Message told = next(logWindow_, qsowin::kOperatorText);
    ASSERT_TRUE(told.payload.get<OperatorText>());
    EXPECT_NE(told.payload.get<OperatorText>()->text.find("is a normal log"), std::string::npos);
    EXPECT_EQ(registry_->GetQsoLoggingMode(), 1); // not switched back
    // A contest QSO now is not appended to the normal file.
    logIt("DL2XY", splitState());
    syncLogger();
    EXPECT_EQ(read(inHome(kDefaultLogName)), normal);
}

TEST_F(QsoThreads, DeleteRefillsTheListAndAStaleRowChangesNothing) {
    start();
    std::vector<QSORecord> logged;
    for (const char* call : {"K1A", "K2B", "K3C", "K4D"})
        logged.push_back(logIt(call, splitState()));
    logger_->post(loggermsg::remove(2, logged[1])); // not the record at row 2
    Message stale = next(logWindow_, msg::WM_K2_LOG_LOAD);
    ASSERT_TRUE(stale.payload.get<LogListing>());
    EXPECT_EQ(stale.payload.get<LogListing>()->records.size(), 4u);

    logger_->post(loggermsg::remove(2, logged[2]));
    Message listing = next(logWindow_, msg::WM_K2_LOG_LOAD);
    const LogListing* l = listing.payload.get<LogListing>();
    ASSERT_TRUE(l);
    ASSERT_EQ(l->records.size(), 3u);
    EXPECT_EQ(l->records[2].call, "K4D");
    const std::string file = read(inHome(kDefaultLogName));
    EXPECT_EQ(file.find("K3C"), std::string::npos);
    EXPECT_NE(file.find("0;3;K4D;"), std::string::npos) << file;
}

TEST_F(QsoThreads, SearchListsMatchesAndRecallFillsTheInformationWindow) {
    start();
    logIt("G3XYZ", splitState());
    logIt("F5AB", splitState());
    now_ += 3600;
    logIt("G3XYZ", splitState());
    info_->post(infomsg::search("g3xyz"));
    Message found = next(logWindow_, msg::WM_K2_LOG_SEARCH);
    const SearchResult* s = found.payload.get<SearchResult>();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->call, "G3XYZ");
    ASSERT_EQ(s->lines.size(), 2u);
    EXPECT_EQ(s->lines[1], "G3XYZ CW QSO on 06/01/2024 at 11:00:00 on   20M");

    logger_->post(loggermsg::recall(1, "G3XYZ"));
    Message fill = next(infoWindow_, msg::WM_K2_LOG_RECALL);
    ASSERT_TRUE(fill.payload.get<QSORecord>());
    EXPECT_EQ(fill.payload.get<QSORecord>()->time, now_);
    logger_->post(loggermsg::recall(5, "G3XYZ")); // no sixth: nothing
    info_->post(infomsg::followMove());
    next(infoWindow_, msg::WM_K2_FOLLOW_MOVE); // the recall of 5 was handled before
    syncLogger();
    EXPECT_FALSE(infoWindow_.tryGet().has_value());
}

TEST_F(QsoThreads, KeysAndLogInfoArePassedOn) {
    start();
    logger_->post(loggermsg::panelRequest(msg::REQ_FUNCTION_KEY, kEscapeKeyIndex));
    Message key = next(panel_, msg::WM_K2_PANEL_REQUEST);
    EXPECT_EQ(key.wParam, msg::REQ_FUNCTION_KEY);
    ASSERT_TRUE(key.payload.get<int64_t>());
    EXPECT_EQ(*key.payload.get<int64_t>(), kEscapeKeyIndex);
    logger_->post(loggermsg::showInfo());
    next(infoWindow_, msg::WM_K2_SHOW_INFO);
}

TEST_F(QsoThreads, AFailedAppendIsToldAndTheQsoStaysListed) {
    write(inHome(kDefaultLogName), formatLine(normalQso("K1AA", now_), 1) + "\n");
    start();
    // The log's place is taken by a folder once loaded: the append cannot open it.
    std::filesystem::remove(inHome(kDefaultLogName));
    std::filesystem::create_directories(inHome(kDefaultLogName));
    QSORecord r = logIt("K9ZZ", splitState());
    EXPECT_EQ(r.call, "K9ZZ");
    Message told = next(logWindow_, qsowin::kOperatorText);
    const OperatorText* t = told.payload.get<OperatorText>();
    ASSERT_TRUE(t);
    EXPECT_NE(t->text.find(kDefaultLogName), std::string::npos) << t->text;
    EXPECT_EQ(t->icon, PromptIcon::Error);
}

} // namespace
} // namespace tamrel::test

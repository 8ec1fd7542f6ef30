// Replies from the wire: the splitter alone, the receive thread reading a
// pseudo-terminal.
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/ReplyParser.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <thread>

using namespace tamrel;
using namespace std::chrono_literals;
using namespace std::literals;

namespace {

using Reply = std::pair<int, std::string>;
using Replies = std::vector<Reply>;

Replies feed(ReplyParser& parser, std::string_view bytes) {
    Replies out;
    parser.feed(bytes, [&](int id, std::string_view text) { out.emplace_back(id, text); });
    return out;
}

// A receive thread reading a pseudo-terminal every 10 ms and delivering to a
// mailbox of the test.
struct Receiver : ::testing::Test {
    std::unique_ptr<test::PtyPeer> peer = std::make_unique<test::PtyPeer>();
    SerialPort port;
    std::mutex lock;
    std::shared_ptr<Mailbox<LinkEvent>> target = std::make_shared<Mailbox<LinkEvent>>();
    CRecvrCmdParsingThread thread; // last: joined first

    void SetUp() override {
        ASSERT_EQ(port.open(peer->device(), 38400, 8, 0, 1), 0);
        thread.start();
        thread.post(RecvSetup{&port, 10ms, &lock});
        thread.post(RecvDeliverTo{Address<LinkEvent>(target)});
        thread.post(RecvStart{});
    }

    std::optional<Reply> next(std::chrono::milliseconds timeout = 2s) {
        auto m = target->takeWithin(timeout);
        const auto* r = m ? std::get_if<ReplyReceived>(&*m) : nullptr;
        EXPECT_TRUE(!m || r) << "not a reply";
        return r ? std::optional<Reply>(Reply{r->id, r->text}) : std::nullopt;
    }
    Replies replies(std::size_t n) {
        Replies out;
        for (std::optional<Reply> r; out.size() < n && (r = next());)
            out.push_back(*r);
        return out;
    }
};

} // namespace

// Repeats and bit 7 are covered through the port (Receiver, below).
TEST(ReplyParser, ConvertsDisplayEvenWhenShort) {
    ReplyParser p;
    EXPECT_EQ(feed(p, "DS<>@VWXZ[\x00\xff;DSMQ;DS;DS1;DS@1234567\x92;BG;"sv),
              (Replies{{ID_DS, "DSL- UIcCr00ff"},
                       {ID_DS, "DSNO0000"},
                       {ID_DS, "DS0000"},
                       {ID_DS, "DS10000"},
                       {ID_DS, "DS 12345679200"},
                       {ID_BG, "BG"}}));
}

TEST(ReplyParser, OverlongReplyIsDroppedUpToItsSemicolon) {
    ReplyParser p;
    const std::string longest = "ID" + std::string(77, '7');
    EXPECT_EQ(feed(p, longest + ";"), (Replies{{ID_ID, longest}}));
    EXPECT_TRUE(feed(p, longest).empty());
    EXPECT_EQ(feed(p, "8;IF1;"), (Replies{{ID_IF, "IF1"}}));
    // A megabyte without ";" keeps nothing; the next reply is parsed.
    EXPECT_TRUE(feed(p, std::string(1 << 20, 'A')).empty());
    EXPECT_EQ(feed(p, ";FA00007000000;"), (Replies{{ID_FA, "FA00007000000"}}));
}

TEST(ReplyParser, BadBytesNeverBreakTheNextReply) {
    ReplyParser p;
    // NUL and bit-7 bytes are kept as they are, by length.
    EXPECT_EQ(feed(p, std::string_view("FA\0\xb0;", 5)),
              (Replies{{ID_FA, std::string("FA\0\xb0", 4)}}));
    std::mt19937 rng(7);
    std::string noise(1 << 16, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    for (std::size_t chunk : {1u, 13u, 512u})
        for (std::size_t i = 0; i < noise.size(); i += chunk)
            for (const auto& [id, text] : feed(p, std::string_view(noise).substr(i, chunk))) {
                EXPECT_LE(text.size(), ReplyParser::kMaxReply);
                EXPECT_TRUE(id >= 0 && id <= 34);
            }
    EXPECT_EQ(feed(p, ";FA00007000000;").back(), (Reply{ID_FA, "FA00007000000"}));
}

// With a period far longer than any test, only the port itself can make the
// thread read: every reply here arrives because the port became readable.
TEST_F(Receiver, DeliversEachWholeReplyWhenItArrivesAndDropsRepeats) {
    thread.post(RecvSetup{&port, 1h, &lock});
    peer->send("FA000140");
    EXPECT_FALSE(next(50ms).has_value());
    peer->send("60000;;;XY123;");
    EXPECT_EQ(replies(2), (Replies{{ID_FA, "FA00014060000"}, {ID_NONE, "XY123"}}));

    // Display and bar graph repeats are dropped; other replies are not.
    const std::string ds = std::string("DS@@") + char('7' | 0x80) + "00000\x81\x40;";
    peer->send(ds + ds + "BG05;BG05;FA00007000000;FA00007000000;");
    EXPECT_EQ(replies(4), (Replies{{ID_DS, "DS  .700000"
                                           "8140"},
                                   {ID_BG, "BG05"},
                                   {ID_FA, "FA00007000000"},
                                   {ID_FA, "FA00007000000"}}));
    EXPECT_FALSE(next(50ms).has_value());

    // Stopped, the port is not read; started again, what it queued meanwhile
    // comes at once.
    thread.post(RecvStop{});
    std::this_thread::sleep_for(30ms);
    peer->send("AN1;");
    EXPECT_FALSE(next(100ms).has_value());
    thread.post(RecvStart{});
    EXPECT_EQ(next(10s), (Reply{ID_AN, "AN1"}));
}

// The radio's end goes away (the simulator ended, the adapter was pulled): the
// port reports a hang-up for good. The thread must not spin on it, and must
// still obey its messages.
TEST_F(Receiver, AHungUpPortDoesNotMakeTheThreadSpin) {
    peer->send("IF;");
    ASSERT_TRUE(next(10s));
    peer.reset();
    std::this_thread::sleep_for(100ms);
    // The receive thread is the only one left that could work: the process's
    // processor time is its.
    const std::clock_t before = std::clock();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(500ms);
    const double used = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A thread that waits uses well under 1 % here; a spinning one nearly all
    // of a core. Slowness only lowers what a spinning thread gets.
    EXPECT_LT(used / wall, 0.2);

    thread.post(RecvStop{});
    thread.post(RecvPurge{});
    thread.quitAndJoin();
    EXPECT_FALSE(thread.running());
}

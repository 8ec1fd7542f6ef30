#include "radio/ReplyParser.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

using namespace tamrel;
using namespace std::literals;

namespace {
using Replies = std::vector<std::pair<int, std::string>>;

Replies feed(ReplyParser& parser, std::string_view bytes) {
    Replies out;
    parser.feed(bytes, [&](int id, std::string_view text) { out.emplace_back(id, text); });
    return out;
}
} // namespace

TEST(ReplyParser, EveryNameGetsItsPositionAndOthersGetZero) {
    for (std::size_t i = 0; i < kCommandNames.size(); ++i)
        EXPECT_EQ(ReplyIdOf(std::string(kCommandNames[i]) + "1"), static_cast<int>(i + 1));
    for (std::string_view text : {""sv, "F"sv, "XY123"sv, "fa1"sv, "\xc6\xc1"sv, "\0A"sv})
        EXPECT_EQ(ReplyIdOf(text), ID_NONE) << text;
}

// Repeats and bit 7 are covered through the port (test_radio_threads.cpp).
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
    EXPECT_EQ(feed(p, ";FA00007000000;").back(),
              (std::pair<int, std::string>{ID_FA, "FA00007000000"}));
}

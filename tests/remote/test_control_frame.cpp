#include "remote/ControlFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tamrel::control;

namespace {

std::vector<uint8_t> bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST(ControlFrame, EncodesHeaderAndArgumentsLittleEndian) {
    EXPECT_EQ(encodeFrame(OP_CW_SPEED, 0x0102033Cu),
              (std::vector<uint8_t>{3, 0, 0, 0, 4, 0, 0, 0, 0x3C, 0x03, 0x02, 0x01}));
    EXPECT_EQ(encodeFrame(OP_CW_TEXT, bytes("CQ")),
              (std::vector<uint8_t>{5, 0, 0, 0, 2, 0, 0, 0, 'C', 'Q'}));
    EXPECT_EQ(valueOf(std::vector<uint8_t>{0x3C, 0x03, 0x02, 0x01}), 0x0102033Cu);
    EXPECT_EQ(valueOf(std::vector<uint8_t>{1, 2, 3}), 0u);
    EXPECT_EQ(titleOf(bytes(std::string("logger\0junk", 11))), "logger");

    LinkStateRecord r{4, 5, 0x0102030405060708ull};
    const std::vector<uint8_t> link = r.toBytes();
    EXPECT_EQ(link, (std::vector<uint8_t>{4, 0, 0, 0, 5, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(LinkStateRecord::fromBytes(link), r);
    EXPECT_FALSE(LinkStateRecord::fromBytes(std::span(link).first(15)));
}

TEST(ControlFrame, SameFramesWhereverTheStreamIsSplit) {
    // A session of every operation, plus codes the panel ignores.
    const std::vector<Frame> expected = {
        {OP_REGISTER, bytes("N0CALL logger")},
        {OP_STATE, {}},
        {OP_CW_SPEED, {60, 0, 0, 0}},
        {OP_POWER, {0x96, 0, 0, 0}},
        {OP_CW_TEXT, bytes("CQ TEST")},
        {OP_UNREGISTER, {}},
        {7, bytes("ignored")},
        {0, {}},
    };
    std::vector<uint8_t> stream;
    for (const Frame& f : expected) {
        const std::vector<uint8_t> one = encodeFrame(f.dwData, f.data);
        stream.insert(stream.end(), one.begin(), one.end());
    }
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameDecoder d(Direction::ToPanel);
        std::vector<Frame> got = d.feed(std::span(stream).first(cut));
        if (cut == 12) { // a header and part of its argument wait for the rest
            EXPECT_TRUE(got.empty());
            EXPECT_TRUE(d.midFrame());
            EXPECT_EQ(d.buffered(), 12u);
        }
        std::vector<Frame> rest = d.feed(std::span(stream).subspan(cut));
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(got, expected) << "cut at " << cut;
        EXPECT_FALSE(d.failed());
        EXPECT_FALSE(d.midFrame());
        EXPECT_EQ(d.buffered(), 0u);
    }
}

TEST(ControlFrame, ArgumentSizesPerOperation) {
    struct Case {
        Direction dir;
        uint32_t dwData;
        uint32_t cbData;
        bool accepted;
    };
    const Direction in = Direction::ToPanel, out = Direction::ToClient;
    const Case cases[] = {
        {in, OP_REGISTER, 0, true},        {in, OP_REGISTER, kMaxTitle, true},
        {in, OP_REGISTER, 84, false},      {in, OP_STATE, 0, true},
        {in, OP_STATE, 1, false},          {in, OP_CW_SPEED, 4, true},
        {in, OP_CW_SPEED, 3, false},       {in, OP_CW_SPEED, 5, false},
        {in, OP_POWER, 4, true},           {in, OP_POWER, 8, false},
        {in, OP_CW_TEXT, 0, true},         {in, OP_CW_TEXT, kMaxCwText, true},
        {in, OP_CW_TEXT, 255, false},      {in, OP_UNREGISTER, 0, true},
        {in, OP_UNREGISTER, 2, false},     {in, 7, kMaxPayload, true},
        {in, 7, kMaxPayload + 1, false},   {in, OP_LINK_STATE, 0, true},
        {in, OP_LINK_STATE, 1, false},     {in, OP_BRING_TO_FRONT, 4, false},
        {out, OP_STATE, kStateSize, true}, {out, OP_STATE, 75, false},
        {out, OP_STATE, 77, false},        {out, OP_REGISTER, 200, true},
        {out, 9, kMaxPayload + 1, false},  {out, OP_LINK_STATE, 16, true},
        {out, OP_LINK_STATE, 76, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dwData " << c.dwData << " cbData " << c.cbData);
        EXPECT_EQ(sizeAllowed(c.dir, c.dwData, c.cbData), c.accepted);
        FrameDecoder d(c.dir);
        std::vector<Frame> got = d.feed(encodeFrame(c.dwData, std::vector<uint8_t>(c.cbData, 'x')));
        EXPECT_EQ(d.failed(), !c.accepted);
        EXPECT_EQ(got.size(), c.accepted ? 1u : 0u);
    }
}

TEST(ControlFrame, HugeOrBadFrameIsRefusedAtItsHeader) {
    FrameDecoder d(Direction::ToPanel);
    // Frames before the bad one in the same chunk still count.
    std::vector<uint8_t> chunk = encodeFrame(OP_POWER, 100u);
    chunk.insert(chunk.end(), 8, 0xFF); // a header with operation and size at their most
    std::vector<Frame> got = d.feed(chunk);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(valueOf(got[0].data), 100u);
    EXPECT_TRUE(d.failed());
    EXPECT_EQ(d.buffered(), 0u);

    // What follows, a megabyte here, is neither kept nor decoded.
    EXPECT_TRUE(d.feed(std::vector<uint8_t>(1'000'000, 0)).empty());
    EXPECT_TRUE(d.feed(encodeFrame(OP_STATE, std::span<const uint8_t>())).empty());
    EXPECT_EQ(d.buffered(), 0u);
}

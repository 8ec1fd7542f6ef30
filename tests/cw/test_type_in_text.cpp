// The type-in line's rules without the widget: pieces, overflow, trimming.

#include "cw/TypeInText.h"

#include <gtest/gtest.h>

using namespace tamrel::cw;

namespace {

struct Typist {
    TypeInText logic;
    std::string line;
    std::vector<std::string> pieces;
    bool refuse = false;

    void type(const std::string& chars) {
        for (char c : chars) {
            const std::string before = line;
            line.push_back(c);
            TypeInText::Outcome out = logic.AfterInput(line, [this](const std::string& p) {
                if (refuse)
                    return false;
                pieces.push_back(p);
                return true;
            });
            if (out.refused)
                line = before;
            else if (out.replaced)
                line = out.text;
        }
    }
};

} // namespace

TEST(TypeInText, WordsGoOverWithTheirBreakCharacter) {
    Typist t;
    t.type("CQ");
    EXPECT_TRUE(t.pieces.empty());
    t.type(" DE G4ABC?");
    EXPECT_EQ(t.pieces, (std::vector<std::string>{"CQ ", "DE ", "G4ABC?"}));
    EXPECT_EQ(t.logic.Sent(), 12u);
    EXPECT_FALSE(t.logic.MayDeleteBefore(12));
    EXPECT_TRUE(t.logic.MayDeleteBefore(13));
}

TEST(TypeInText, RefusedPieceLeavesTheLineAsItWas) {
    Typist t;
    t.type("AB");
    t.refuse = true;
    t.type(" ");
    EXPECT_EQ(t.line, "AB");
    EXPECT_EQ(t.logic.Sent(), 0u);
    t.refuse = false;
    t.type(" ");
    EXPECT_EQ(t.pieces, std::vector<std::string>{"AB "});
}

TEST(TypeInText, ARunPastTheLineGoesWholeAndEmptiesIt) {
    Typist t;
    t.type(std::string(108, 'E'));
    EXPECT_TRUE(t.pieces.empty());
    t.type("E");
    ASSERT_EQ(t.pieces.size(), 1u);
    EXPECT_EQ(t.pieces[0], std::string(109, 'E'));
    EXPECT_EQ(t.line, "");
    EXPECT_EQ(t.logic.Sent(), 0u);
}

TEST(TypeInText, TrimmingKeepsTheSentCount) {
    Typist t;
    std::string all;
    for (int i = 0; i < 40; ++i)
        all += "AB ";
    t.type(all);
    std::string joined;
    for (const auto& p : t.pieces)
        joined += p;
    EXPECT_EQ(joined, all); // nothing twice, nothing lost
    EXPECT_LE(t.line.size(), 109u);
    EXPECT_EQ(t.logic.Sent(), t.line.size());
    // A word being typed after a trim is still handed over once.
    t.type("XYZ");
    t.type(".");
    EXPECT_EQ(t.pieces.back(), "XYZ.");
    EXPECT_EQ(t.logic.Sent(), t.line.size());
}

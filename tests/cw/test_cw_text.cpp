// The text rules: break characters, what may reach the keyer, macros and
// serial numbers.

#include "cw/CwText.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tamrel::cw;

TEST(CwText, BreakAndKeyableCharacters) {
    for (char c : std::string(" ,=.?+(%*"))
        EXPECT_TRUE(IsBreakCharacter(c)) << c;
    for (char c : std::string("AZaz09;/)@<>~-\0", 15))
        EXPECT_FALSE(IsBreakCharacter(c)) << int(c);
    EXPECT_EQ(KeyableText("AB;FA00007000000;"), "ABFA00007000000");
    EXPECT_EQ(KeyableText(std::string("cq\r\n\tde\x7f\x01 k", 11)), "cqde k");
    // Everything else passes unchanged, case and punctuation included.
    EXPECT_EQ(KeyableText("Cq dE <test> @ (+=%*)"), "Cq dE <test> @ (+=%*)");
    EXPECT_EQ(KeyableText("\xe9t\xe9"), "\xe9t\xe9");
}

TEST(CwText, MacrosInAnyCaseAndSerialsCountingUpAndDown) {
    MacroVariables v;
    v[0] = "G4ABC";  // ~MC
    v[1] = "JOHN";   // ~MN
    v[3] = "579";    // ~MS
    v[4] = "DL1XYZ"; // ~HC
    const struct {
        const char *text, *expanded;
        int32_t counter, after;
        uint8_t outputMode;
    } rows[] = {
        {"~hc DE ~MC ~SN+ ", "DL1XYZ DE G4ABC 007 ", 7, 8, 3},
        {"~Mn ~mS ~hN.", "JOHN 579 .", 7, 7, 0},
        {"~xy ", "XY ", 1, 1, 0}, // unknown names are text
        {"73~", "73", 1, 1, 0},
        {"73 ~s", "73 S", 1, 1, 0},
        {"~~MC", "~MC", 1, 1, 0}, // "~M" is no name; "C" follows
        {"~SN- ~SN ~sn+~sn+", "10 9 910", 10, 11, 0},
        {"~MC+ ~SN +", "G4ABC+ 11 +", 11, 11, 0}, // a sign that does not follow ~SN is text
        {"~SN+", "2147483647", INT32_MAX, INT32_MAX, 0},
        {"~SN-", "-2147483648", INT32_MIN, INT32_MIN, 0},
    };
    for (const auto& r : rows) {
        int32_t counter = r.counter;
        EXPECT_EQ(ExpandMacros(r.text, v, counter, r.outputMode), r.expanded) << r.text;
        EXPECT_EQ(counter, r.after) << r.text;
    }
    EXPECT_EQ(MacroId("sn"), 9);
    EXPECT_EQ(MacroId("Hs"), 8);
    EXPECT_EQ(MacroId("S"), 0);
    // Only a text that expands a serial number needs the counter.
    EXPECT_TRUE(UsesSerial("UR ~sn+ BK"));
    EXPECT_FALSE(UsesSerial("~~SN"));
    EXPECT_FALSE(UsesSerial("~MC SN ~S"));
}

TEST(CwText, SerialFormatting) {
    // A longer number widens the field; the width stops at 5.
    const std::tuple<int32_t, uint8_t, const char*> rows[] = {
        {0, 0x80, "T"},     {7, 3, "007"},         {7, 0x83, "TT7"},    {105, 0, "105"},
        {105, 0x80, "1T5"}, {123456, 3, "123456"}, {42, 0x7F, "00042"}, {-3, 3, "0-3"},
    };
    for (const auto& [counter, mode, shown] : rows)
        EXPECT_EQ(FormatSerial(counter, mode), shown) << counter << " " << int(mode);
}

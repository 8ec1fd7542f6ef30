// The text rules: break characters, what may reach the keyer, macros and
// serial numbers.

#include "cw/CwText.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tamrel::cw;

namespace {

MacroVariables variables() {
    MacroVariables v;
    v[0] = "G4ABC";  // ~MC
    v[1] = "JOHN";   // ~MN
    v[3] = "579";    // ~MS
    v[4] = "DL1XYZ"; // ~HC
    return v;
}

} // namespace

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

TEST(CwText, MacroNamesInAnyCase) {
    MacroVariables v = variables();
    int32_t counter = 7;
    // Three digits, no cut.
    EXPECT_EQ(ExpandMacros("~hc DE ~MC ~SN+ ", v, counter, 3), "DL1XYZ DE G4ABC 007 ");
    EXPECT_EQ(counter, 8);
    EXPECT_EQ(ExpandMacros("~Mn ~mS ~hN.", v, counter, 0), "JOHN 579 .");
    EXPECT_EQ(MacroId("sn"), 9);
    EXPECT_EQ(MacroId("Hs"), 8);
    EXPECT_EQ(MacroId("S"), 0);
}

TEST(CwText, UnknownNamesAndTrailingTilde) {
    MacroVariables v = variables();
    int32_t counter = 1;
    EXPECT_EQ(ExpandMacros("~xy ", v, counter, 0), "XY ");
    EXPECT_EQ(ExpandMacros("73~", v, counter, 0), "73");
    EXPECT_EQ(ExpandMacros("73 ~s", v, counter, 0), "73 S");
    EXPECT_EQ(ExpandMacros("~~MC", v, counter, 0), "~MC"); // "~M" is no name; "C" follows
    EXPECT_EQ(counter, 1);
    // Only a text that expands a serial number needs the counter.
    EXPECT_TRUE(UsesSerial("UR ~sn+ BK"));
    EXPECT_FALSE(UsesSerial("~~SN"));
    EXPECT_FALSE(UsesSerial("~MC SN ~S"));
}

TEST(CwText, SerialCountsUpAndDown) {
    MacroVariables v;
    int32_t counter = 10;
    EXPECT_EQ(ExpandMacros("~SN- ~SN ~sn+~sn+", v, counter, 0), "10 9 910");
    EXPECT_EQ(counter, 11);
    // A sign that does not follow ~SN is text.
    EXPECT_EQ(ExpandMacros("~MC+ ~SN +", v, counter, 0), "+ 11 +");
    counter = INT32_MAX;
    ExpandMacros("~SN+", v, counter, 0);
    EXPECT_EQ(counter, INT32_MAX);
    counter = INT32_MIN;
    ExpandMacros("~SN-", v, counter, 0);
    EXPECT_EQ(counter, INT32_MIN);
}

TEST(CwText, SerialFormatting) {
    EXPECT_EQ(FormatSerial(0, 0x80), "T");
    EXPECT_EQ(FormatSerial(7, 3), "007");
    EXPECT_EQ(FormatSerial(7, 0x83), "TT7");
    EXPECT_EQ(FormatSerial(105, 0), "105");
    EXPECT_EQ(FormatSerial(105, 0x80), "1T5");
    EXPECT_EQ(FormatSerial(123456, 3), "123456"); // a longer number widens the field
    EXPECT_EQ(FormatSerial(42, 0x7F), "00042");   // the width stops at 5
    EXPECT_EQ(FormatSerial(-3, 3), "0-3");
}

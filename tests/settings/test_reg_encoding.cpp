#include "settings/RegEncoding.h"
#include "settings/RegFile.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

using namespace tamrel::reg;

namespace {

std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b)
        s += static_cast<char>(b);
    return s;
}

std::string utf16le(std::u16string_view units) {
    std::string out("\xFF\xFE");
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

} // namespace

TEST(RegEncoding, EveryAnsiByteReadsAndWritesBackUnchanged) {
    const DecodedText text = decodeFile(allBytes());
    EXPECT_EQ(text.encoding, Encoding::Ansi);
    EXPECT_EQ(countChars(text.utf8), 256u);
    EXPECT_EQ(encodeAnsi(text.utf8), allBytes());

    EXPECT_EQ(decodeFile("Montr\xE9"
                         "al")
                  .utf8,
              "Montréal");
    EXPECT_EQ(decodeFile("\x80\x8A\x9F\x81").utf8, "€ŠŸ\u0081");
    EXPECT_EQ(encodeAnsi("Zürich € “quoted”"), "Z\xFCrich \x80 \x93quoted\x94");
    // No place in the code page: the caller must choose another encoding.
    EXPECT_EQ(encodeAnsi("Łódź"), std::nullopt);
    EXPECT_EQ(encodeAnsi("\u0080"), std::nullopt); // a C1 control that 0x80 (€) does not hold
    EXPECT_EQ(encodeAnsi("\xC3"), std::nullopt);   // broken UTF-8 is U+FFFD
}

TEST(RegEncoding, AnsiTableAgreesWithQtsWindows1252) {
    QStringDecoder qt("windows-1252");
    if (!qt.isValid())
        GTEST_SKIP() << "this Qt has no Windows-1252 codec";
    const std::string bytes = allBytes();
    const QString expected = qt.decode(QByteArray(bytes.data(), qsizetype(bytes.size())));
    EXPECT_EQ(QString::fromStdString(decodeFile(bytes).utf8), expected);
}

TEST(RegEncoding, ByteOrderMarksChooseUtf16OrUtf8) {
    // "Mé" and a character beyond the BMP (a surrogate pair).
    const DecodedText le = decodeFile(utf16le(u"M\u00E9\U0001D11E"));
    EXPECT_EQ(le.encoding, Encoding::Utf16);
    EXPECT_EQ(le.utf8, "Mé\U0001D11E");
    EXPECT_EQ(decodeFile(std::string("\xFE\xFF\x00M\x00\xE9", 6)).utf8, "Mé");
    // A lone surrogate and an odd last byte are U+FFFD.
    EXPECT_EQ(decodeFile(utf16le(u"a") + std::string("\x00\xD8", 2) + "b").utf8, "a\uFFFD\uFFFD");

    const DecodedText u8 = decodeFile("\xEF\xBB\xBFMontréal \xFF\xE2\x82");
    EXPECT_EQ(u8.encoding, Encoding::Utf8);
    EXPECT_EQ(u8.utf8, "Montréal \uFFFD\uFFFD\uFFFD");
    // Overlong forms and surrogates written in UTF-8 are not characters.
    EXPECT_EQ(decodeFile("\xEF\xBB\xBF\xC0\xAF\xED\xA0\x80").utf8,
              "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");

    EXPECT_EQ(encodeUtf16le("Mé\U0001D11E"), utf16le(u"M\u00E9\U0001D11E"));
    EXPECT_EQ(decodeFile(encodeUtf16le("Łódź \U0001D11E")).utf8, "Łódź \U0001D11E");
}

TEST(RegEncoding, LimitsCountCharactersNotBytes) {
    EXPECT_EQ(countChars("Montréal"), 8u);
    EXPECT_EQ(countChars("\U0001D11E€"), 2u);
    EXPECT_EQ(clipChars("Montréal", 6), "Montré");
    EXPECT_EQ(clipChars("€€€", 2), "€€");
    EXPECT_EQ(clipChars("ab", 5), "ab");
}

TEST(RegFile, WritesAnsiWhenEveryTextFitsAndUnicodeWhenOneDoesNot) {
    Document doc;
    doc[{"A"}]["QTH"] = Value::ofText("Montréal");
    const std::string ansi = write(doc);
    EXPECT_EQ(ansi, "REGEDIT4\r\n\r\n[A]\r\n\"QTH\"=\"Montr\xE9"
                    "al\"\r\n\r\n");
    EXPECT_EQ(parse(ansi).doc, doc);

    // Names count too, not only texts.
    const struct {
        std::string key, name, text;
    } cases[] = {{"A", "QTH", "Łódź"}, {"Łódź", "QTH", "x"}, {"A", "Łódź", "x"}};
    for (const auto& [key, name, text] : cases) {
        Document wide;
        wide[{key}][name] = Value::ofText(text);
        const std::string bytes = write(wide);
        const std::string expected = "Windows Registry Editor Version 5.00\r\n\r\n[" + key +
                                     "]\r\n\"" + name + "\"=\"" + text + "\"\r\n\r\n";
        EXPECT_EQ(bytes, encodeUtf16le(expected));
        const ParseResult back = parse(bytes);
        EXPECT_TRUE(back.ok());
        EXPECT_EQ(back.encoding, Encoding::Utf16);
        EXPECT_EQ(back.doc, wide);
    }
}

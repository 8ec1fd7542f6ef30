#include "settings/RegEncoding.h"
#include "settings/RegFile.h"
#include "settings/RegSettingsFormat.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tamrel::reg;

namespace {

const KeyPath kRoot{"HKEY_LOCAL_MACHINE", "SOFTWARE", "ZZ9ZZ Software", "Rig Control"};

KeyPath sub(const std::string& name) {
    KeyPath p = kRoot;
    p.push_back(name);
    return p;
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

TEST(RegFile, ReadsAWindowsExport) {
    const std::string text =
        "REGEDIT4\r\n"
        "\r\n"
        "; exported by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control]\r\n"
        "\"Callsign\" = \"say \\\"hi\\\"\"\r\n"
        "\"Application Color\"=dword:00DFB880\r\n"
        "@=\"default\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control\\Comm Port]\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Empty\"=hex:\r\n";
    const Document expected = {
        {kRoot,
         {{"Callsign", Value::ofText("say \"hi\"")},
          {"Application Color", Value::ofDword(0xDFB880)},
          {"", Value::ofText("default")}}},
        {sub("Comm Port"),
         {{"Blob", Value::ofBinary({1, 2, 3, 4})}, {"Empty", Value::ofBinary({})}}}};
    ParseResult r = parse(text);
    ASSERT_TRUE(r.ok()) << describe(r.problems.front());
    EXPECT_EQ(r.doc, expected);
}

TEST(RegFile, LeavesOutBadLinesAndReadsTheRest) {
    const std::string head = "REGEDIT4\n[A\\B]\n";
    const std::pair<std::string, int> cases[] = {
        {"\"a\"=\"unterminated\n", 3},
        {"\"a\"=\"bad \\q escape\"\n", 3},
        {"\"a\"=dword:123456789\n", 3},
        {"\"a\"=hex:12,\n", 3},
        {"\"a\"=hex(2):41,00\n", 3},
        {"a=\"b\"\n", 3},
        {"REGEDIT4\n", 3},                           // a second header
        {"\"ok\"=hex:01,\\\n  02\n\"a\"=oops\n", 5}, // lines counted across continuations
        {"\"a\"=hex:01,\\\n  zz\n", 3},              // a value is reported where it begins
        // Its continuation lines go with a value that is left out, not to the next value.
        {"\"a\"=hex(7):41,00,\\\n  42,00,\\\n  00,00\n", 3},
    };
    for (const auto& [bad, line] : cases) {
        SCOPED_TRACE(bad);
        ParseResult r = parse(head + bad + "\"z\"=dword:7\n");
        ASSERT_EQ(r.problems.size(), 1u) << describe(r.problems.back());
        EXPECT_EQ(r.problems[0].line, line) << describe(r.problems[0]);
        EXPECT_FALSE(r.problems[0].message.empty());
        EXPECT_EQ(r.doc.at({"A", "B"}).at("z"), Value::ofDword(7));
        EXPECT_FALSE(r.doc.at({"A", "B"}).count("a"));
    }
    // Whole values need no line end; short dwords a person wrote are taken.
    EXPECT_TRUE(parse(head + "\"a\"=dword:00000009").ok());
    EXPECT_TRUE(parse(head + "\"a\"=dword:9\n").ok());
}

TEST(RegFile, AKeyLineLeftOutTakesItsValuesWithItAndSaysHowMany) {
    for (const std::string badKey : {"[A", "[A\\\\B]"}) {
        ParseResult r = parse("REGEDIT4\n[K]\n\"a\"=dword:1\n" + badKey +
                              "\n\"b\"=dword:2\n\"c\"=hex:01,\\\n  02\n\"d\"=oops\n[L]\n"
                              "\"e\"=dword:3\n");
        ASSERT_EQ(r.problems.size(), 1u) << badKey;
        EXPECT_EQ(r.problems[0].line, 4);
        EXPECT_TRUE(r.problems[0].message.ends_with("; 3 values below it not used"))
            << describe(r.problems[0]);
        EXPECT_EQ(r.doc, (Document{{{"K"}, {{"a", Value::ofDword(1)}}},
                                   {{"L"}, {{"e", Value::ofDword(3)}}}}))
            << badKey;
    }
}

// A continuation at the very end has nothing after it to keep; a write cut
// short leaves the last line's value without its end, and it is not taken.
TEST(RegFile, AMissingHeaderOrACutEndIsOneProblemOnItsLine) {
    const std::string missing = "the file does not begin with REGEDIT4";
    const std::string cut = "the file ends inside this value";
    const Document z{{{"A", "B"}, {{"z", Value::ofDword(7)}}}};
    const std::tuple<std::string, int, std::string, Document> cases[] = {
        {"", 1, missing, {}},
        {"\n; only a comment\n", 1, missing, {}},
        {"[A]\n\"a\"=dword:1\n", 1, missing, {{{"A"}, {{"a", Value::ofDword(1)}}}}},
        {"REGEDIT5\n[A]\n", 1, missing + "; a value before the first key", {{{"A"}, {}}}},
        {"REGEDIT4\n[A\\B]\n\"a\"=hex:12,\\\n",
         3,
         "continuation at the end of the file",
         {{{"A", "B"}, {}}}},
        {"REGEDIT4\n[A\\B]\n\"z\"=dword:00000007\n\"a\"=dword:009", 4, cut, z},
        {"REGEDIT4\n[A\\B]\n\"z\"=dword:00000007\n\"a\"=hex:12,c", 4, cut, z},
    };
    for (const auto& [text, line, message, doc] : cases) {
        ParseResult r = parse(text);
        ASSERT_EQ(r.problems.size(), 1u) << text;
        EXPECT_EQ(r.problems[0].line, line) << text;
        EXPECT_EQ(r.problems[0].message, message) << text;
        EXPECT_EQ(r.doc, doc) << text;
    }
}

TEST(RegFile, ListsAtMostAHundredProblemsAndCountsTheRest) {
    std::string text = "REGEDIT4\n[A]\n";
    for (int i = 0; i < 150; ++i)
        text += "bad\n\"v" + std::to_string(i) + "\"=dword:1\n";
    ParseResult r = parse(text);
    ASSERT_EQ(r.problems.size(), kMaxProblems + 1);
    EXPECT_EQ(r.problems[100].line, 3 + 2 * 100);
    EXPECT_EQ(r.problems[100].message, "and 50 more lines not used");
    EXPECT_EQ(r.doc.at({"A"}).size(), 150u);
}

TEST(RegFile, WritesDeterministicallyAndReadsBackWhatItWrote) {
    Document doc;
    std::vector<uint8_t> longBinary(100);
    for (size_t i = 0; i < longBinary.size(); ++i)
        longBinary[i] = static_cast<uint8_t>(i * 7);
    doc[sub("Comm Port")]["Speed"] = Value::ofBinary({0x25, 0x80});
    doc[sub("Comm Port")]["Long"] = Value::ofBinary(longBinary);
    doc[kRoot]["Quote \"and\" \\slash"] = Value::ofText("line\r\nbreak \"q\" \\ ;[x]");
    doc[kRoot]["Top Left"] = Value::ofDword(0xFFFFFFFF);
    doc[kRoot][""] = Value::ofText("");
    doc[{"Lone"}];

    const std::string text = write(doc);
    ParseResult r = parse(text);
    ASSERT_TRUE(r.ok()) << describe(r.problems.front()) << "\n" << text;
    EXPECT_EQ(r.doc, doc);
    EXPECT_EQ(write(r.doc), text);
    EXPECT_TRUE(text.starts_with("REGEDIT4\r\n"));
    EXPECT_NE(text.find("\"Speed\"=hex:25,80\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Top Left\"=dword:ffffffff\r\n"), std::string::npos);
    // Long values wrap after a comma, as Windows writes them.
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        const std::string_view line(text.data() + start, end - start);
        EXPECT_LE(line.size(), 80u) << line;
        EXPECT_TRUE(!line.ends_with("\\") || line.ends_with(",\\")) << line;
    }
}

TEST(RegSettingsFormat, MapsTypesAndNamesBothWays) {
    for (const QString& name : {QStringLiteral("Top Left"), QStringLiteral("a/b\\c%d"),
                                QStringLiteral("%40"), QStringLiteral("%2F"), QString()}) {
        const QString escaped = escapeComponent(name);
        EXPECT_FALSE(escaped.contains(u'/') || escaped.contains(u'\\')) << escaped.toStdString();
        EXPECT_EQ(unescapeComponent(escaped), name) << name.toStdString();
    }

    const QString prefix =
        QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control/");
    QSettings::SettingsMap map;
    map.insert(prefix + "Comm Port/Speed", QByteArray("\x12\xC0", 2));
    map.insert(prefix + "Comm Port/Top Left", QVariant::fromValue<quint32>(0x00010002));
    map.insert(prefix + "a%2Fb/" + escapeComponent(QStringLiteral("x\\y")),
               QStringLiteral("é \"q\""));
    map.insert(prefix + kDefaultValueName, QStringLiteral("root default"));
    auto roundTrip = [](const QSettings::SettingsMap& written, QSettings::SettingsMap& back) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        EXPECT_TRUE(writeSettings(buffer, written));
        buffer.seek(0);
        EXPECT_TRUE(readSettings(buffer, back));
        return buffer.data();
    };
    QSettings::SettingsMap back;
    const QByteArray bytes = roundTrip(map, back);
    EXPECT_TRUE(bytes.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control\\a/b]"));
    EXPECT_TRUE(bytes.contains("\"x\\\\y\"=\"\xE9 \\\"q\\\"\"")); // é in Windows-1252
    EXPECT_EQ(back, map);
    EXPECT_EQ(back.value(prefix + "Comm Port/Top Left").typeId(), QMetaType::UInt);
    EXPECT_EQ(back.value(prefix + "Comm Port/Speed").typeId(), QMetaType::QByteArray);

    // Texts and names that begin with U+FEFF keep it both ways.
    const QString zwnbsp(QChar(0xFEFF));
    const QSettings::SettingsMap marked{{zwnbsp + "K/" + zwnbsp + "n", zwnbsp + "CQ"}};
    back.clear();
    roundTrip(marked, back);
    EXPECT_EQ(back, marked);

    // A type without a registry form is refused rather than written.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_FALSE(writeSettings(out, {{prefix + "Int", QVariant(5)}}));
}

TEST(RegSettingsFormat, AFileWithProblemsGivesItsGoodValuesAndIsKeptBeforeItIsReplaced) {
    const QByteArray original = "REGEDIT4\n[A]\n\"x\"=dword:zz\n\"y\"=dword:2\n[B\n\"z\"=hex:01\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.reg"));
    const QString kept = path + QLatin1String(kBackupSuffix);
    auto get = [](const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    auto put = [&] {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(original), original.size());
    };
    put();

    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QSettings::SettingsMap map;
    ASSERT_TRUE(readSettings(in, map));
    in.close();
    const QString stamp = fileStamp(path);
    EXPECT_FALSE(stamp.isEmpty());
    EXPECT_EQ(map, (QSettings::SettingsMap{
                       {QStringLiteral("A/y"), QVariant::fromValue<quint32>(2)},
                       {QString::fromLatin1(kProblemsKey),
                        QStringList{QStringLiteral("line 3: bad hex digit in a dword"),
                                    QStringLiteral("line 5: a key line must end in ]; 1 value "
                                                   "below it not used")}},
                       {QString::fromLatin1(kStampKey), stamp},
                   }));

    map.insert(QStringLiteral("A/w"), QStringLiteral("new"));
    const QByteArray clean = "REGEDIT4\r\n\r\n[A]\r\n\"w\"=\"new\"\r\n\"y\"=dword:00000002\r\n\r\n";
    for (int round = 0; round < 2; ++round) { // the second replaces a clean file: nothing kept
        QSaveFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(writeSettings(out, map));
        ASSERT_TRUE(out.commit());
        EXPECT_EQ(get(path), clean);
        EXPECT_EQ(get(kept), round == 0 ? original : QByteArray("<none>"));
        QFile::remove(kept);
    }
    EXPECT_NE(fileStamp(path), stamp);

    // A copy that cannot be made (a folder in its place) stops the write.
    put();
    ASSERT_TRUE(QDir().mkdir(kept));
    QSaveFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    EXPECT_FALSE(writeSettings(out, map));
    out.cancelWriting();
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(get(path), original);
}

TEST(RegEncoding, EveryAnsiByteReadsAndWritesBackUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const DecodedText text = decodeFile(all);
    EXPECT_EQ(text.encoding, Encoding::Ansi);
    EXPECT_EQ(countChars(text.utf8), 256u);
    EXPECT_EQ(encodeAnsi(text.utf8), all);
    EXPECT_EQ(decodeFile("\x80\x8A\x9F\x81").utf8, "€ŠŸ\u0081");
    EXPECT_EQ(encodeAnsi("Zürich € “quoted”"), "Z\xFCrich \x80 \x93quoted\x94");
    // No place in the code page: the caller must choose another encoding.
    EXPECT_EQ(encodeAnsi("Łódź"), std::nullopt);
    EXPECT_EQ(encodeAnsi("\u0080"), std::nullopt); // a C1 control that 0x80 (€) does not hold
    EXPECT_EQ(encodeAnsi("\xC3"), std::nullopt);   // broken UTF-8 is U+FFFD
}

TEST(RegEncoding, ByteOrderMarksChooseUtf16OrUtf8AndLimitsCountCharacters) {
    // "Mé" and a character beyond the BMP (a surrogate pair).
    const DecodedText le = decodeFile(utf16le(u"M\u00E9\U0001D11E"));
    EXPECT_EQ(le.encoding, Encoding::Utf16);
    EXPECT_EQ(le.utf8, "Mé\U0001D11E");
    // A lone surrogate and an odd last byte are U+FFFD.
    EXPECT_EQ(decodeFile(utf16le(u"a") + std::string("\x00\xD8", 2) + "b").utf8, "a\uFFFD\uFFFD");

    const DecodedText u8 = decodeFile("\xEF\xBB\xBFMontréal \xFF\xE2\x82");
    EXPECT_EQ(u8.encoding, Encoding::Utf8);
    EXPECT_EQ(u8.utf8, "Montréal \uFFFD\uFFFD\uFFFD");
    // Overlong forms and surrogates written in UTF-8 are not characters.
    EXPECT_EQ(decodeFile("\xEF\xBB\xBF\xC0\xAF\xED\xA0\x80").utf8,
              "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");

    EXPECT_EQ(encodeUtf16le("Mé\U0001D11E"), utf16le(u"M\u00E9\U0001D11E"));

    // Limits count characters, not bytes.
    EXPECT_EQ(countChars("\U0001D11E€"), 2u);
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
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"A", "QTH", "Łódź"}, {"Łódź", "QTH", "x"}, {"A", "Łódź", "x"}};
    for (const auto& [key, name, text] : cases) {
        Document wide;
        wide[{key}][name] = Value::ofText(text);
        const std::string bytes = write(wide);
        EXPECT_EQ(bytes, encodeUtf16le("Windows Registry Editor Version 5.00\r\n\r\n[" + key +
                                       "]\r\n\"" + name + "\"=\"" + text + "\"\r\n\r\n"));
        const ParseResult back = parse(bytes);
        EXPECT_TRUE(back.ok());
        EXPECT_EQ(back.encoding, Encoding::Utf16);
        EXPECT_EQ(back.doc, wide);
    }
}

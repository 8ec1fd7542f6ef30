#include "settings/RegFile.h"
#include "settings/RegSettingsFormat.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace tamrel::reg;

namespace {

const KeyPath kRoot{"HKEY_LOCAL_MACHINE", "SOFTWARE", "ZZ9ZZ Software", "Rig Control"};

KeyPath sub(const std::string& name) {
    KeyPath p = kRoot;
    p.push_back(name);
    return p;
}

} // namespace

TEST(RegFile, ReadsAWindowsExport) {
    const std::string text =
        "REGEDIT4\r\n"
        "\r\n"
        "; exported by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control]\r\n"
        "\"HomeDir\"=\"C:\\\\Tamrel\"\r\n"
        "\"Callsign\" = \"say \\\"hi\\\"\"\r\n"
        "\"Application Color\"=dword:00DFB880\r\n"
        "\"Offset from UTC\"=hex:87\r\n"
        "@=\"default\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control\\Comm Port]\r\n"
        "\"Speed\"=hex:12,c0\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Empty\"=hex:\r\n";
    ParseResult r = parse(text);
    ASSERT_TRUE(r.ok()) << describe(*r.error);
    ASSERT_EQ(r.doc.size(), 2u);
    const Values& root = r.doc.at(kRoot);
    EXPECT_EQ(root.at("HomeDir"), Value::ofText("C:\\Tamrel"));
    EXPECT_EQ(root.at("Callsign"), Value::ofText("say \"hi\""));
    EXPECT_EQ(root.at("Application Color"), Value::ofDword(0xDFB880));
    EXPECT_EQ(root.at("Offset from UTC"), Value::ofBinary({0x87}));
    EXPECT_EQ(root.at(""), Value::ofText("default"));
    const Values& port = r.doc.at(sub("Comm Port"));
    EXPECT_EQ(port.at("Speed"), Value::ofBinary({0x12, 0xC0}));
    EXPECT_EQ(port.at("Blob"), Value::ofBinary({1, 2, 3, 4}));
    EXPECT_EQ(port.at("Empty"), Value::ofBinary({}));

    // The same with LF line ends.
    std::string lf = text;
    std::erase(lf, '\r');
    ParseResult r2 = parse(lf);
    ASSERT_TRUE(r2.ok());
    EXPECT_EQ(r2.doc, r.doc);
}

TEST(RegFile, ReportsMalformedLinesInsteadOfGuessing) {
    const std::string head = "REGEDIT4\n[A\\B]\n";
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"REGEDIT5\n", 1},
        {"\nREGEDIT4\n\"a\"=\"b\"\n", 3}, // a value before any key
        {head + "\"a\"=\"unterminated\n", 3},
        {head + "\"a\"=\"x\" trailing\n", 3},
        {head + "\"a\"=\"bad \\q escape\"\n", 3},
        {head + "\"a\"=dword:123456789\n", 3},
        {head + "\"a\"=dword:\n", 3},
        {head + "\"a\"=dword:12g4\n", 3},
        {head + "\"a\"=hex:1,zz\n", 3},
        {head + "\"a\"=hex:123\n", 3},
        {head + "\"a\"=hex:12,\n", 3},
        {head + "\"a\"=hex:12,\\\n", 3}, // continuation at the end of the file
        {head + "\"a\"=hex(2):41,00\n", 3},
        {head + "\"a\"=-\n", 3},
        {head + "\"a\"=42\n", 3},
        {head + "a=\"b\"\n", 3},
        {head + "\"a\"\"b\"\n", 3},
        {head + "[-A\\B]\n", 3},
        {head + "[A\\\\B]\n", 3},
        {head + "[A\n", 3},
        {head + "\"a\"=hex:01,\\\n  02\n\"b\"=oops\n", 5}, // lines counted across continuations
    };
    for (const auto& c : cases) {
        ParseResult r = parse(c.text);
        ASSERT_FALSE(r.ok()) << c.text;
        EXPECT_EQ(r.error->line, c.line) << c.text << " -> " << describe(*r.error);
    }
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
    ASSERT_TRUE(r.ok()) << describe(*r.error) << "\n" << text;
    EXPECT_EQ(r.doc, doc);
    EXPECT_EQ(write(r.doc), text);
    EXPECT_TRUE(text.starts_with("REGEDIT4\r\n"));
    EXPECT_NE(text.find("\"Speed\"=hex:25,80\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Top Left\"=dword:ffffffff\r\n"), std::string::npos);
    // Long values wrap after a comma, as Windows writes them.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        std::string_view line(text.data() + start, end - start);
        EXPECT_LE(line.size(), 80u) << line;
        if (line.ends_with("\\")) {
            EXPECT_TRUE(line.ends_with(",\\")) << line;
        }
        start = end + 2;
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
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(writeSettings(buffer, map));
    EXPECT_TRUE(
        buffer.data().contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control\\a/b]"));
    EXPECT_TRUE(buffer.data().contains("\"x\\\\y\"=\"\xE9 \\\"q\\\"\"")); // é in Windows-1252

    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    QSettings::SettingsMap back;
    ASSERT_TRUE(readSettings(buffer, back));
    EXPECT_EQ(back, map);
    EXPECT_EQ(back.value(prefix + "Comm Port/Top Left").typeId(), QMetaType::UInt);
    EXPECT_EQ(back.value(prefix + "Comm Port/Speed").typeId(), QMetaType::QByteArray);

    // Types without a registry form, values outside a key and the read-error
    // entry are refused rather than written.
    const QSettings::SettingsMap refused[] = {
        {{prefix + "Int", QVariant(5)}},
        {{QStringLiteral("TopLevel"), QStringLiteral("x")}},
        {{QString::fromLatin1(kReadErrorKey), QStringLiteral("line 1: x")}},
    };
    for (const auto& m : refused) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_FALSE(writeSettings(out, m));
    }

    // A file that does not parse reads as the error entry alone.
    QBuffer bad;
    bad.setData("REGEDIT4\n[A]\n\"x\"=dword:zz\n");
    bad.open(QIODevice::ReadOnly);
    QSettings::SettingsMap badMap;
    ASSERT_TRUE(readSettings(bad, badMap));
    ASSERT_EQ(badMap.size(), 1);
    EXPECT_EQ(badMap.firstKey(), QString::fromLatin1(kReadErrorKey));
    EXPECT_TRUE(badMap.first().toString().startsWith(QStringLiteral("line 3:")));
}

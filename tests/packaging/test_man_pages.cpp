// Each program's man page documents every option its --help lists, itemises no
// option the program no longer has, and carries the program's version.

#include "tamrel_version.h"
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <string>

namespace {

using Options = std::set<QString>;

// The options a text names: "--long" words and "-x" letters standing alone.
Options optionsIn(const QString& text) {
    static const QRegularExpression option(
        QStringLiteral("(?:^|[\\s,\\[|(])(--[a-z0-9][a-z0-9-]*|-[A-Za-z0-9])(?![A-Za-z0-9-])"));
    Options found;
    for (const QRegularExpressionMatch& m : option.globalMatch(text))
        found.insert(m.captured(1));
    return found;
}

// Roff source as a reader sees it, as far as option names go: "\-" is a dash,
// font changes vanish.
QString plain(QString roff) {
    roff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    roff.remove(QRegularExpression(QStringLiteral("\\\\f(?:\\[[A-Z]*\\]|\\(..|.)")));
    roff.remove(QStringLiteral("\\&"));
    return roff;
}

// The options the OPTIONS section itemises: the tag line after each .TP.
Options itemised(const QString& roff) {
    Options found;
    bool inOptions = false;
    bool tagNext = false;
    for (const QString& line : roff.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral(".SH"))) {
            inOptions = line.trimmed() == QStringLiteral(".SH OPTIONS");
            continue;
        }
        if (!inOptions)
            continue;
        if (line.startsWith(QStringLiteral(".TP"))) {
            tagNext = true;
        } else if (tagNext) {
            tagNext = false;
            // ".BI \-\-device path" and ".BR \-h , \-\-help": drop the macro name.
            const QString tag = plain(line).section(QLatin1Char(' '), 1);
            found.merge(optionsIn(QLatin1Char(' ') + tag));
        }
    }
    return found;
}

// Options of `listed` that `text` never names, as one string.
std::string missingFrom(const Options& listed, const QString& text) {
    const Options named = optionsIn(plain(text));
    QString missing;
    for (const QString& o : listed)
        if (!named.count(o))
            missing += (missing.isEmpty() ? QString() : QStringLiteral(" ")) + o;
    return missing.toStdString();
}

QString manPage(const char* name) {
    QFile page(QStringLiteral(TAMREL_MAN_DIR "/%1.1").arg(QString::fromUtf8(name)));
    EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    return QString::fromUtf8(page.readAll());
}

struct Program {
    const char* name;
    const char* path;
};

void PrintTo(const Program& p, std::ostream* os) {
    *os << p.name;
}

class ManPage : public testing::TestWithParam<Program> {};

TEST_P(ManPage, AgreesWithTheProgramsHelpAndVersion) {
    QProcess run;
    run.start(QString::fromUtf8(GetParam().path), {QStringLiteral("--help")});
    ASSERT_TRUE(run.waitForFinished(30000)) << "no answer to --help";
    ASSERT_EQ(run.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(run.exitCode(), 0);
    const QString help = QString::fromUtf8(run.readAllStandardOutput());
    const QString roff = manPage(GetParam().name);

    const Options listed = optionsIn(help);
    // --help itself at least, and the options after it.
    ASSERT_TRUE(listed.count(QStringLiteral("--help"))) << help.toStdString();
    ASSERT_GT(listed.size(), 2u) << help.toStdString();
    EXPECT_EQ(missingFrom(listed, roff), "") << "options the page leaves out";
    const Options items = itemised(roff);
    ASSERT_FALSE(items.empty()) << "no options itemised";
    EXPECT_EQ(missingFrom(items, help), "") << "options the program no longer has";

    const QString heading = roff.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(heading.startsWith(QStringLiteral(".TH "))) << heading.toStdString();
    EXPECT_TRUE(heading.contains(QStringLiteral("\"Tamrel " TAMREL_VERSION "\"")))
        << heading.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPage,
                         testing::Values(Program{"tamrel", TAMREL_PATH},
                                         Program{"tamrel-ctl", TAMREL_CTL_PATH},
                                         Program{"k2sim", K2SIM_PATH}),
                         [](const testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(TamrelManPage, ListsEveryKeyAndWhatTheNetworkServerDoes) {
    const QString roff = manPage("tamrel");
    const QString keys = plain(roff.section(QStringLiteral(".SH KEYS"), 1).section(".SH ", 0, 0));
    for (const char* key : {"Up", "Page Up", "Enter", "Alt+X", "Escape", "Alt+F1", "Shift+F4",
                            "Alt+L", "Alt+T", "F11"})
        EXPECT_TRUE(keys.contains(QString::fromUtf8(key))) << key;
    // Morse is sent: the sentence of what is not available leaves it out.
    const QString text = plain(roff).replace(QRegularExpression(QStringLiteral("\n\\.[A-Z]+ ")),
                                             QStringLiteral(" "));
    for (const QString& s : text.split(QRegularExpression(QStringLiteral("[.;:]\\s")))) {
        if (s.contains(QStringLiteral("not available"))) {
            EXPECT_FALSE(s.contains(QStringLiteral("send_morse")) ||
                         s.simplified().startsWith(QStringLiteral("Sending Morse")))
                << s.toStdString();
        }
    }
}

// The comparison itself: an option left out either way is found, wherever
// the roff escapes put it, and prefixes and hyphenated words do not count.
TEST(ManPageCheck, FindsOptionsMissingEitherWay) {
    const QString help = QStringLiteral("Usage: prog-name [options]\n"
                                        "  -h, --help        this text\n"
                                        "  --help-all        more\n"
                                        "  --log FILE        log (default: stderr)\n");
    EXPECT_EQ(optionsIn(help), (Options{"-h", "--help", "--help-all", "--log"}));

    const QString roff = QStringLiteral(".SH OPTIONS\n"
                                        ".TP\n"
                                        ".BR \\-h \", \" \\-\\-help\n"
                                        "Help, and see \\-\\-help\\-all\\-ish.\n"
                                        ".TP\n"
                                        ".BI \\fB\\-\\-log\\fR \" file\"\n"
                                        ".TP\n"
                                        ".B \\-\\-verbose\n"
                                        ".SH FILES\n"
                                        ".TP\n"
                                        ".B \\-\\-not\\-an\\-item\n");
    EXPECT_EQ(missingFrom(optionsIn(help), roff), "--help-all");
    EXPECT_EQ(itemised(roff), (Options{"-h", "--help", "--log", "--verbose"}));
    EXPECT_EQ(missingFrom(itemised(roff), help), "--verbose");
}

} // namespace

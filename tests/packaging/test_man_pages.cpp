// Each program's man page documents every option its --help lists, itemises no
// option the program no longer has, and carries the program's version.

#include "tamrel_version.h"
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

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

// Options of `listed` that `text` never names.
Options missingFrom(const Options& listed, const QString& text) {
    const Options named = optionsIn(plain(text));
    Options missing;
    for (const QString& o : listed)
        if (!named.count(o))
            missing.insert(o);
    return missing;
}

std::string join(const Options& options) {
    QString all;
    for (const QString& o : options)
        all += (all.isEmpty() ? QString() : QStringLiteral(" ")) + o;
    return all.toStdString();
}

struct Program {
    const char* name;
    const char* path;
};

void PrintTo(const Program& p, std::ostream* os) {
    *os << p.name;
}

class ManPage : public testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        QProcess run;
        run.start(QString::fromUtf8(GetParam().path), {QStringLiteral("--help")});
        ASSERT_TRUE(run.waitForFinished(30000)) << "no answer to --help";
        ASSERT_EQ(run.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(run.exitCode(), 0);
        help_ = QString::fromUtf8(run.readAllStandardOutput());

        QFile page(QStringLiteral(TAMREL_MAN_DIR "/%1.1").arg(QString::fromUtf8(GetParam().name)));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
        roff_ = QString::fromUtf8(page.readAll());
    }

    QString help_;
    QString roff_;
};

TEST_P(ManPage, DocumentsEveryOptionTheHelpLists) {
    const Options listed = optionsIn(help_);
    // --help itself at least, and the options after it.
    ASSERT_TRUE(listed.count(QStringLiteral("--help"))) << help_.toStdString();
    ASSERT_GT(listed.size(), 2u) << help_.toStdString();
    EXPECT_EQ(join(missingFrom(listed, roff_)), "");
}

TEST_P(ManPage, ItemisesOnlyOptionsTheProgramHas) {
    const Options items = itemised(roff_);
    ASSERT_FALSE(items.empty()) << "no options itemised";
    EXPECT_EQ(join(missingFrom(items, help_)), "");
}

TEST_P(ManPage, CarriesTheProgramsVersion) {
    const QString heading = roff_.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(heading.startsWith(QStringLiteral(".TH "))) << heading.toStdString();
    EXPECT_TRUE(heading.contains(QStringLiteral("\"Tamrel " TAMREL_VERSION "\"")))
        << heading.toStdString();
}

// Sentences as a reader sees them: roff requests and escapes gone, blanks joined.
QStringList sentences(const QString& roff) {
    QString text;
    for (const QString& line : plain(roff).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('.')))
            text += QLatin1Char(' ') + line.section(QLatin1Char(' '), 1).remove(QLatin1Char('"'));
        else
            text += QLatin1Char(' ') + line;
    }
    QStringList found;
    for (const QString& s : text.split(QRegularExpression(QStringLiteral("[.;:]\\s"))))
        found << s.simplified();
    return found;
}

// No sentence is said twice, and no two sentences in a row start alike
// ("With --json ... With --json ...": one was meant to replace the other).
TEST_P(ManPage, SaysNothingTwice) {
    std::set<QString> seen;
    QString lastStart;
    for (const QString& s : sentences(roff_)) {
        if (s.count(QLatin1Char(' ')) < 4)
            continue;
        EXPECT_TRUE(seen.insert(s).second) << s.toStdString();
        const QString start = s.section(QLatin1Char(' '), 0, 2);
        EXPECT_NE(start, lastStart) << s.toStdString();
        lastStart = start;
    }
}

TEST(TamrelManPage, ListsEveryKeyAndWhatTheNetworkServerDoes) {
    QFile page(QStringLiteral(TAMREL_MAN_DIR "/tamrel.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString roff = QString::fromUtf8(page.readAll());
    const QString keys = plain(roff.section(QStringLiteral(".SH KEYS"), 1).section(".SH ", 0, 0));
    for (const char* key :
         {"Up", "Page Up", "Enter", "Alt+X", "Escape", "Alt+F1", "Shift+F1", "Alt+F2", "Shift+F2",
          "Alt+F3", "Shift+F3", "Alt+F4", "Shift+F4", "Alt+L", "Alt+T", "F1", "F11"})
        EXPECT_TRUE(keys.contains(QString::fromUtf8(key))) << key;
    for (const QString& s : sentences(roff)) {
        if (s.contains(QStringLiteral("not available"))) {
            EXPECT_FALSE(s.contains(QStringLiteral("send_morse")) ||
                         s.startsWith(QStringLiteral("Sending Morse")))
                << s.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPage,
                         testing::Values(Program{"tamrel", TAMREL_PATH},
                                         Program{"tamrel-ctl", TAMREL_CTL_PATH},
                                         Program{"k2sim", K2SIM_PATH}),
                         [](const testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

// The comparison itself: an option left out either way is found, wherever
// the roff escapes put it, and prefixes and hyphenated words do not count.
TEST(ManPageCheck, FindsOptionsMissingEitherWay) {
    const QString help = QStringLiteral("Usage: prog-name [options]\n"
                                        "  -h, --help        this text\n"
                                        "  --help-all        more\n"
                                        "  --log FILE        log (default: stderr)\n"
                                        "  --stall MS[,N]    stall\n");
    EXPECT_EQ(optionsIn(help), (Options{"-h", "--help", "--help-all", "--log", "--stall"}));

    const QString roff = QStringLiteral(".SH OPTIONS\n"
                                        ".TP\n"
                                        ".BR \\-h \", \" \\-\\-help\n"
                                        "Help, and see \\-\\-help\\-all\\-ish.\n"
                                        ".TP\n"
                                        ".BI \\fB\\-\\-log\\fR \" file\"\n"
                                        "Log.\n"
                                        ".TP\n"
                                        ".B \\-\\-verbose\n"
                                        "Gone from the program.\n"
                                        ".SH FILES\n"
                                        ".TP\n"
                                        ".B \\-\\-not\\-an\\-item\n");
    EXPECT_EQ(missingFrom(optionsIn(help), roff), (Options{"--help-all", "--stall"}));
    EXPECT_EQ(itemised(roff), (Options{"-h", "--help", "--log", "--verbose"}));
    EXPECT_EQ(missingFrom(itemised(roff), help), (Options{"--verbose"}));
}

} // namespace

#include "app/ExportCommand.h"
#include "tamrel_version.h"

#include "platform/Prompter.h"
#include "qsolog/CabrilloExportDialog.h"
#include "qsolog/LogInterchange.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

namespace tamrel {

namespace {

bool names(const char* arg, const char* option) {
    const std::size_t n = std::strlen(option);
    return std::strncmp(arg, option, n) == 0 && (arg[n] == '\0' || arg[n] == '=');
}

struct Paths {
    std::string log;
    std::string out;
};

// The two paths, or none after a usage message.
std::optional<Paths> parsePaths(const char* option, const char* outName) {
    QCommandLineParser parser;
    QCommandLineOption exportOption(option, "", "logfile");
    parser.addOption(exportOption);
    parser.addPositionalArgument(outName, "");
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "tamrel: %s\n", qPrintable(parser.errorText()));
        return std::nullopt;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() != 1) {
        std::fprintf(stderr, "usage: tamrel --%s LOGFILE %s\n", option, outName);
        return std::nullopt;
    }
    return Paths{QFile::encodeName(parser.value(exportOption)).toStdString(),
                 QFile::encodeName(rest.front()).toStdString()};
}

LogClock logClock(CRigControlRegistry& registry) {
    UtcSettings utc{1, 0};
    registry.GetUtcSettings(utc);
    return LogClock{utc.useUtc != 0, utc.offset};
}

int exportAdif() {
    const std::optional<Paths> paths = parsePaths("export-adif", "OUT.adi");
    if (!paths)
        return 2;
    StderrPrompter prompter;
    CRigControlRegistry registry(prompter);
    const StationData station = stationData(registry);
    const FileExport result =
        exportAdifFile(paths->log, paths->out, adifExportOptions(registry, paths->out, station),
                       static_cast<int64_t>(std::time(nullptr)));
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
    if (result.ok && !station.leftOut.empty() && station.leftOut.front().starts_with("callsign"))
        std::fprintf(stdout, "%s\n", leftOutNote({station.leftOut.front()}).c_str());
    return result.ok ? 0 : 1;
}

int exportCabrillo() {
    const std::optional<Paths> paths = parsePaths("export-cabrillo", "OUT.log");
    if (!paths)
        return 2;
    StderrPrompter prompter;
    CRigControlRegistry registry(prompter);
    const StationData station = stationData(registry);
    CabrilloSettings answers;
    registry.GetCabrilloSettings(answers);

    CabrilloExportDialog dialog(answers);
    if (dialog.exec() != QDialog::Accepted) {
        std::fprintf(stderr, "Cancelled; nothing is written.\n");
        return 1;
    }
    answers = dialog.settings();
    if (!registry.SetCabrilloSettings(answers))
        std::fprintf(stderr, "The answers could not be stored in the settings.\n");

    const FileExport result =
        exportCabrilloFile(paths->log, paths->out, answers, station.station, logClock(registry),
                           "Tamrel " TAMREL_VERSION, static_cast<int64_t>(std::time(nullptr)));
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
    if (result.ok && !station.leftOut.empty())
        std::fprintf(stdout, "%s\n", leftOutNote(station.leftOut).c_str());
    if (!result.ok)
        QMessageBox::critical(nullptr, "Cabrillo Contest Log",
                              QString::fromStdString(result.message));
    return result.ok ? 0 : 1;
}

} // namespace

ExportCommand exportCommandOf(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (names(argv[i], "--export-adif"))
            return ExportCommand::Adif;
        if (names(argv[i], "--export-cabrillo"))
            return ExportCommand::Cabrillo;
    }
    return ExportCommand::None;
}

int RunExportCommand(ExportCommand command, int argc, char** argv) {
    if (command == ExportCommand::Adif) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName("Tamrel");
        QCoreApplication::setOrganizationName("ZZ9ZZ Software");
        return exportAdif();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tamrel");
    QApplication::setOrganizationName("ZZ9ZZ Software");
    return exportCabrillo();
}

} // namespace tamrel

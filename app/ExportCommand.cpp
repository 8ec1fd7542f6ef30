#include "app/ExportCommand.h"

#include "platform/Prompter.h"
#include "qsolog/LogInterchange.h"
#include "settings/CRigControlRegistry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace tamrel {

namespace {
constexpr char kOption[] = "--export-adif";
} // namespace

bool IsExportCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], kOption) == 0 ||
            std::strncmp(argv[i], "--export-adif=", std::strlen(kOption) + 1) == 0)
            return true;
    }
    return false;
}

int RunExportCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Tamrel");
    QCoreApplication::setOrganizationName("ZZ9ZZ Software");
    QCommandLineParser parser;
    QCommandLineOption exportAdif("export-adif", "Write the ADIF file of a log and exit.",
                                  "logfile");
    parser.addOption(exportAdif);
    parser.addPositionalArgument("out.adi", "The ADIF file to write.");
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "tamrel: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() != 1) {
        std::fprintf(stderr, "usage: tamrel --export-adif LOGFILE OUT.adi\n");
        return 2;
    }

    StderrPrompter prompter;
    CRigControlRegistry registry(prompter);
    SystemConfig config;
    registry.GetSystemConfig(config);
    UtcSettings utc{1, 0};
    registry.GetUtcSettings(utc);

    AdifExportOptions options;
    options.programVersion = TAMREL_VERSION;
    options.stationCallsign = config.callsign;
    options.clock = LogClock{utc.useUtc != 0, utc.offset};
    const FileExport result =
        exportAdifFile(QFile::encodeName(parser.value(exportAdif)).toStdString(),
                       QFile::encodeName(rest.front()).toStdString(), options,
                       static_cast<int64_t>(std::time(nullptr)));
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
    return result.ok ? 0 : 1;
}

} // namespace tamrel

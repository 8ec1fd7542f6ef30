// Tamrel: a front panel for the Elecraft K2 transceiver.
//
// The process-wide objects are made here, in their order, and destroyed in
// reverse: the application, the settings store, the memory store (which reads
// its folder from the settings), the radio channel (which reads its logging
// mode from the settings). The radio model and its operations belong to
// CTamrelApp::Run.

#include "app/CTamrelApp.h"
#include "app/ExportCommand.h"
#include "app/GuiPrompter.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "memory/CK2MemoryStore.h"
#include "platform/Paths.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "tamrel_commit.h"
#include "tamrel_version.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // An export needs no window system: it must run where there is no display.
    if (const auto command = tamrel::exportCommandOf(argc, argv);
        command != tamrel::ExportCommand::None)
        return tamrel::RunExportCommand(command, argc, argv);
    auto name = [] {
        QCoreApplication::setApplicationName("Tamrel");
        QCoreApplication::setApplicationVersion(TAMREL_VERSION " (commit " TAMREL_COMMIT ")");
        QCoreApplication::setOrganizationName("ZZ9ZZ Software");
    };
    // Options first, without the window system: --help, --version and a
    // wrong option must answer where there is no display.
    tamrel::AppOptions options;
    {
        QCoreApplication core(argc, argv);
        name();
        options = tamrel::ParseOptions();
    }
    QApplication qapp(argc, argv);
    name();
    QApplication::setDesktopFileName(TAMREL_APP_ID); // ties the window to its menu entry
    // Before anything can show a message box or open the radio.
    tamrel::SignalWatcher signals;
    // Two copies would fight over the radio's port and the settings.
    if (tamrel::HandOverToRunningCopy(QString::fromStdString(tamrel::paths::controlSocketPath()))) {
        std::fprintf(stderr,
                     "tamrel: already running; the running copy was brought to the front\n");
        return 0;
    }

    tamrel::GuiPrompter prompter;
    tamrel::CRigControlRegistry registry(prompter);
    // After the settings (it reads "HomeDir") and before the channel.
    tamrel::CK2MemoryStore memories(registry);
    uint8_t loggingMode = 0;
    registry.GetLoggingMode(loggingMode);
    tamrel::CK2CommChannel channel(loggingMode);

    if (tamrel::StopRequested())
        return 0;
    tamrel::CTamrelApp app(std::move(options), registry, memories, channel, prompter, signals);
    return app.Run();
}

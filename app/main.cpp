// Tamrel: a front panel for the Elecraft K2 transceiver.
//
// The process-wide objects are made here, in their order, and destroyed in
// reverse: the application, the settings store, the radio channel (which
// reads its logging mode from the settings).

#include "app/CTamrelApp.h"
#include "app/ExportCommand.h"
#include "app/GuiPrompter.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "tamrel_commit.h"

#include <QApplication>

int main(int argc, char** argv) {
    // An export needs no window system: it must run where there is no display.
    if (const auto command = tamrel::exportCommandOf(argc, argv);
        command != tamrel::ExportCommand::None)
        return tamrel::RunExportCommand(command, argc, argv);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tamrel");
    QApplication::setApplicationVersion(TAMREL_VERSION " (commit " TAMREL_COMMIT ")");
    QApplication::setOrganizationName("ZZ9ZZ Software");
    QApplication::setDesktopFileName(TAMREL_APP_ID); // ties the window to its menu entry
    tamrel::AppOptions options = tamrel::ParseOptions();

    tamrel::GuiPrompter prompter;
    tamrel::CRigControlRegistry registry(prompter);
    uint8_t loggingMode = 0;
    registry.GetLoggingMode(loggingMode);
    tamrel::CK2CommChannel channel(loggingMode);

    tamrel::CTamrelApp app(std::move(options), registry, channel, prompter);
    return app.Run();
}

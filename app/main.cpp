// Tamrel: a front panel for the Elecraft K2 transceiver.
//
// The process-wide objects are made here, in their order, and destroyed in
// reverse: the application, the settings store, the radio channel (which
// reads its logging mode from the settings).

#include "app/CTamrelApp.h"
#include "app/GuiPrompter.h"
#include "app/SingleInstance.h"
#include "platform/Paths.h"
#include "radio/CK2CommChannel.h"
#include "settings/CRigControlRegistry.h"
#include "tamrel_commit.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tamrel");
    QApplication::setApplicationVersion(TAMREL_VERSION " (commit " TAMREL_COMMIT ")");
    QApplication::setOrganizationName("ZZ9ZZ Software");
    QApplication::setDesktopFileName(TAMREL_APP_ID); // ties the window to its menu entry
    tamrel::AppOptions options = tamrel::ParseOptions();
    // Two copies would fight over the radio's port and the settings.
    if (tamrel::HandOverToRunningCopy(QString::fromStdString(tamrel::paths::controlSocketPath()))) {
        std::fprintf(stderr,
                     "tamrel: already running; the running copy was brought to the front\n");
        return 0;
    }

    tamrel::GuiPrompter prompter;
    tamrel::CRigControlRegistry registry(prompter);
    uint8_t loggingMode = 0;
    registry.GetLoggingMode(loggingMode);
    tamrel::CK2CommChannel channel(loggingMode);

    tamrel::CTamrelApp app(std::move(options), registry, channel, prompter);
    return app.Run();
}

#pragma once
// CTamrelApp: the program's start-up and shutdown.
//
// Start-up, in order: the splash (3 seconds, unless --no-splash), the
// application colour, the system configuration (which creates every default
// setting on a first run and fills the operator macro variables), the port
// settings and the channel opened unless the port number is 0 (or the device
// given on the command line, or the simulated radio), the control socket for
// other programs, then the front panel run modally. When the front panel
// ends, the channel is closed. SIGTERM and SIGINT end the front panel as a
// confirmed exit does.

#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace tamrel {

class CK2CommChannel;
class CK2MemoryStore;
class CRigControlRegistry;
class Prompter;
class SignalWatcher;
namespace k2sim {
class SimulatedRadio;
}

struct AppOptions {
    bool noSplash = false;
    bool simulate = false;
    bool autoSimulate = false; // simulate when no radio is configured
    std::optional<std::string> device;
    std::optional<QString> screenshot;
    bool reportStartup = false;       // prints when the window shows and the radio first answers
    std::optional<QString> rigctld;   // --rigctld [ADDRESS:]PORT for this run
    std::optional<std::string> wsjtx; // --wsjtx [ADDRESS:]PORT for this run
    int pttTimeoutSeconds = 30;       // a keyed network client silent this long is unkeyed
    int maxClients = 64;              // network clients served at once
};

// Parses the command line of the running QCoreApplication; exits the process for
// --help, --version and usage errors.
AppOptions ParseOptions();

class CTamrelApp {
public:
    CTamrelApp(AppOptions options, CRigControlRegistry& registry, CK2MemoryStore& memories,
               CK2CommChannel& channel, Prompter& prompter, SignalWatcher& signals);
    ~CTamrelApp();

    // Runs start-up, the front panel and shutdown; returns the exit code.
    int Run();

private:
    std::string OpenRadio();

    AppOptions options_;
    CRigControlRegistry& registry_;
    CK2MemoryStore& memories_;
    CK2CommChannel& channel_;
    Prompter& prompter_;
    SignalWatcher& signals_;
    bool portOpened_ = false;
    std::string failedDevice_; // the device that did not open, and why
    int openError_ = 0;
    std::unique_ptr<k2sim::SimulatedRadio> simulator_;
};

} // namespace tamrel

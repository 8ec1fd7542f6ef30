#pragma once
// Where the program keeps its files on this platform.

#include <string>

namespace tamrel::paths {

// $XDG_CONFIG_HOME, or ~/.config when it is unset or empty.
std::string configDir();
// The settings file: <configDir>/ZZ9ZZ Software/Rig Control.reg
std::string settingsFile();
// Private folder for the control socket: $XDG_RUNTIME_DIR/tamrel, or
// /tmp/tamrel-<uid> when the variable is unset.
std::string runtimeDir();
std::string controlSocketPath();
// Default data folder: $HOME/Tamrel.
std::string defaultHomeDir();

} // namespace tamrel::paths

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
// Empty when `folder` is a folder (not a link) owned by this user that no
// one else can write, so that nobody else can have put a socket in it; else
// why not, for the operator. Both ends of the control socket refuse any other
// folder (the program then makes its own 0700).
std::string privateFolderProblem(const std::string& folder);
// Default data folder: $HOME/Tamrel.
std::string defaultHomeDir();

} // namespace tamrel::paths

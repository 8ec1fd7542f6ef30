#include "Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tamrel::paths {

namespace {
std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string home() {
    std::string h = env("HOME");
    if (!h.empty())
        return h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}
} // namespace

std::string configDir() {
    std::string dir = env("XDG_CONFIG_HOME");
    return dir.empty() ? home() + "/.config" : dir;
}

std::string settingsFile() {
    return configDir() + "/ZZ9ZZ Software/Rig Control.reg";
}

std::string runtimeDir() {
    std::string dir = env("XDG_RUNTIME_DIR");
    if (dir.empty())
        return "/tmp/tamrel-" + std::to_string(::getuid());
    return dir + "/tamrel";
}

std::string controlSocketPath() {
    return runtimeDir() + "/control.sock";
}

std::string defaultHomeDir() {
    return home() + "/Tamrel";
}

} // namespace tamrel::paths

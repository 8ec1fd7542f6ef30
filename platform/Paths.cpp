#include "Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
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

std::string privateFolderProblem(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return folder + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return folder + " is not a folder";
    if (st.st_uid != ::geteuid())
        return folder + " belongs to another user (uid " + std::to_string(st.st_uid) +
               "); remove it or set XDG_RUNTIME_DIR";
    if ((st.st_mode & 022) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        return folder + " has mode " + mode + ": others can put a socket in it; make it 0700";
    }
    return {};
}

std::string defaultHomeDir() {
    return home() + "/Tamrel";
}

} // namespace tamrel::paths

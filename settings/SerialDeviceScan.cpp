#include "settings/SerialDeviceScan.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tamrel {

namespace fs = std::filesystem;

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            // Without leading zeros, the longer run is the larger number.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            if (int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

namespace {

// Names in `dir` (not recursing), sorted naturally; none when unreadable.
std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

bool startsWithThenDigits(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + long(prefix.size()), name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

} // namespace

std::vector<SerialDevice> ScanSerialDevices(const fs::path& devRoot) {
    std::vector<SerialDevice> found;
    const fs::path byId = devRoot / "serial" / "by-id";
    for (const std::string& name : namesIn(byId)) {
        const fs::path link = byId / name;
        std::error_code ec;
        // A link whose device is gone (unplugged a moment ago) is not present.
        if (!fs::exists(link, ec))
            continue;
        std::string label = name;
        if (fs::is_symlink(link, ec)) {
            const fs::path target = fs::read_symlink(link, ec);
            if (!ec)
                label += " (" + target.filename().string() + ")";
        }
        found.push_back({link.string(), label});
    }
    const std::vector<std::string> names = namesIn(devRoot);
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"})
        for (const std::string& name : names)
            if (startsWithThenDigits(name, prefix))
                found.push_back({(devRoot / name).string(), name});
    return found;
}

} // namespace tamrel

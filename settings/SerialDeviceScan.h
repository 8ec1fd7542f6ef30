#pragma once
// The serial devices present now, for the port page's device list: the
// stable links in serial/by-id (kept by their link name, which survives
// replugging), then ttyUSB*, ttyACM* and ttyS* nodes, each group in
// natural order (ttyS2 before ttyS10).

#include <filesystem>
#include <string>
#include <vector>

namespace tamrel {

struct SerialDevice {
    std::string path;  // what "Device" stores
    std::string label; // what the list shows
    friend bool operator==(const SerialDevice&, const SerialDevice&) = default;
};

// Scans `devRoot` (normally /dev; tests pass a temporary tree). A folder
// that cannot be read gives no entries; nothing throws.
std::vector<SerialDevice> ScanSerialDevices(const std::filesystem::path& devRoot = "/dev");

// Orders names as people count: a run of digits compares by its value.
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace tamrel

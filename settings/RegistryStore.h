#pragma once
// One operation's access to the settings key tree: typed reads that tell a
// missing value from a bad one, typed writes, and one commit. Used by
// CRigControlRegistry only.

#include <QSettings>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel::detail {

enum class ReadStatus { Ok, Missing, Error };

template <class T> struct Read {
    ReadStatus status = ReadStatus::Missing;
    T value{};
    bool ok() const { return status == ReadStatus::Ok; }
    bool missing() const { return status == ReadStatus::Missing; }
};

// Text sizes in characters the program reads into, without the terminating
// zero. Paths (the home folder, a device) are kept whole, up to PATH_MAX.
inline constexpr size_t kTextLimit = 79;
inline constexpr size_t kMemoryKeyTextLimit = 253;
inline constexpr size_t kPathTextLimit = 4095;

// Subkey names; "" is the root.
inline constexpr char kRoot[] = "";
inline constexpr char kWindowSize[] = "Window Size";
inline constexpr char kCommPort[] = "Comm Port";
inline constexpr char kBandInfo[] = "HAM Band Info";
inline constexpr char kVfoFrequencies[] = "VFO Frequencies";
inline constexpr char kMemoryKeys[] = "Transmit Memory Keys";
inline constexpr char kSettings[] = "Settings";

class LoadProblemLog;

class RegistryStore {
public:
    // Lines of the file that could not be read go into `problems`, as
    // "Rig Control.reg line 12: unterminated text".
    RegistryStore(const std::string& file, LoadProblemLog& problems);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // The file exists but cannot be read: every read is an error and nothing
    // is written. (Lines that do not parse are left out, not this.)
    bool broken() const { return broken_; }
    // True when the key holds a value or a subkey (and, so that a broken file
    // goes down the read-error path, whenever the file is broken).
    bool keyExists(const char* key);

    Read<std::string> text(const char* key, std::string_view name, size_t limit = kTextLimit);
    Read<uint32_t> dword(const char* key, std::string_view name);
    Read<uint8_t> byte(const char* key, std::string_view name);
    Read<uint16_t> wordBE(const char* key, std::string_view name);

    // Texts longer than the limit are cut so that everything written can be
    // read back.
    void putText(const char* key, std::string_view name, std::string_view text,
                 size_t limit = kTextLimit);
    void putDword(const char* key, std::string_view name, uint32_t v);
    void putByte(const char* key, std::string_view name, uint8_t v);
    void putWordBE(const char* key, std::string_view name, uint16_t v);

    // Writes the file; false when it could not be written (or is broken).
    bool commit();

private:
    QString path(const char* key, std::string_view name) const;
    // The stored value; Missing or Error (a broken file) when there is none.
    ReadStatus raw(const char* key, std::string_view name, QVariant& value);

    std::optional<QSettings> settings_;
    bool broken_ = false;
};

// The serial number's digits are one setting, "Settings\Output Mode", the one
// the keyer reads. The configuration sheet used to keep its own root "Output
// Mode" that the keyer never saw; the root value is now written alike as a
// mirror. Reading takes digits set on the sheet only (root not 0 while the
// keyer's is 0 or missing) and writes both; true in `wrote` when it wrote.
uint8_t SettleOutputMode(RegistryStore& st, bool& wrote);
// Writes the setting and, where it exists (or `withRoot`), the root mirror.
void PutOutputMode(RegistryStore& st, uint8_t mode, bool withRoot = false);

} // namespace tamrel::detail

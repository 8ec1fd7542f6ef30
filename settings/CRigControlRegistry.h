#pragma once
// CRigControlRegistry: the program's one settings store. It reads and writes
// the key tree "SOFTWARE\ZZ9ZZ Software\Rig Control" (kept in the file
// paths::settingsFile(), see settings/RegSettingsFormat.h), creating missing
// keys and values with their defaults the first time they are asked for, and
// keeps the band table and the CW macro variables in memory.
//
// Changes: every setter announces what it changed, per group, with the
// signals below, after the file was written (a failed write announces
// nothing). Receivers re-read the values they need. A setter called on a
// worker thread announces there: receivers on the GUI thread connect with a
// context object, so the call reaches them queued.
//
// Threads: every operation may be called from any thread. Each operation opens
// the file afresh (a QSettings object of its own; QSettings shares one copy of
// the file within the process, and our calls into it are serialised by one
// lock that is never held while a message is shown), so one thread's write is
// seen by the next operation of any thread. An operation is not atomic as a
// whole: a reader may see one value of a group already rewritten and the next
// not yet. The macro variables are guarded by one mutex, the in-memory band
// table by another, the list of load problems by a third. Messages go through the Prompter on the
// calling thread.
//
// Getters take their output by reference: a value that cannot be read leaves
// what the caller put there. A value of the wrong type, an over-long text or
// a file that cannot be read at all counts as a read error; nothing is ever
// written over a file that could not be read.
//
// A line of the file that cannot be read is left out and listed in
// LoadProblems(); the file as it was is copied to "Rig Control.reg.bad"
// before it is next written.
//
// Stored types: text = QString, dword = quint32, byte = one-byte QByteArray,
// word-BE = two-byte QByteArray, most significant byte first.

#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "radio/BandTable.h"
#include "settings/LoadProblemLog.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

struct SystemConfig {
    std::string homeDir;
    std::string callsign;
    std::string name;
    std::string qth;
    uint8_t utcOffset = 0; // bit 7 = negative, bits 0-6 = hours
    std::string logFileName;
    uint8_t loggingMode = 0;
    friend bool operator==(const SystemConfig&, const SystemConfig&) = default;
};

struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct CommPortSettings {
    uint8_t port = 0; // 1 = first serial port, 0 = none
    uint16_t speed = 0;
    uint8_t parity = 0; // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0;
    std::string device; // any device path; overrides the port number when set
    friend bool operator==(const CommPortSettings&, const CommPortSettings&) = default;
};

struct CounterSettings {
    int32_t counter = 0;
    uint8_t outputMode = 0; // bit 7 = cut numbers, bits 0-6 = digits
    friend bool operator==(const CounterSettings&, const CounterSettings&) = default;
};

struct UtcSettings {
    uint8_t useUtc = 0;
    uint8_t offset = 0;
    friend bool operator==(const UtcSettings&, const UtcSettings&) = default;
};

struct StationSettings {
    std::string gridSquare;
    std::string cqZone;
    std::string ituZone;
    int32_t counter = 0;
    uint8_t outputMode = 0;
    uint8_t useUtc = 0;
    friend bool operator==(const StationSettings&, const StationSettings&) = default;
};

// The contest log export's answers, remembered in the key "Cabrillo".
struct CabrilloSettings {
    std::string contest;
    std::string categoryOperator = "SINGLE-OP";
    std::string categoryAssisted = "NON-ASSISTED";
    std::string categoryBand = "ALL";
    std::string categoryMode = "CW";
    std::string categoryPower = "LOW";
    std::string categoryTransmitter = "ONE";
    std::string sentRst;            // empty: 599, or 59 for phone
    std::string sentExchange = "#"; // "#" is the serial
    int32_t firstSerial = 1;
    friend bool operator==(const CabrilloSettings&, const CabrilloSettings&) = default;
};

struct ScanLimits {
    uint32_t lowHz = 0;
    uint32_t highHz = 0;
    friend bool operator==(const ScanLimits&, const ScanLimits&) = default;
};

inline constexpr int kMemoryKeyCount = 11;
using MemoryKeyTexts = std::array<std::string, kMemoryKeyCount>;

inline constexpr int kMacroVariableFirst = 1;
inline constexpr int kMacroVariableLast = 9;

// Hours east of UTC from the stored sign-and-magnitude byte (0x87 -> -7).
inline int utcOffsetHours(uint8_t stored) {
    int hours = stored & 0x7F;
    return (stored & 0x80) ? -hours : hours;
}

class CRigControlRegistry final : public QObject {
    Q_OBJECT
public:
    explicit CRigControlRegistry(Prompter& prompter,
                                 std::string settingsFile = paths::settingsFile());
    CRigControlRegistry(const CRigControlRegistry&) = delete;
    CRigControlRegistry& operator=(const CRigControlRegistry&) = delete;

    const std::string& settingsFile() const { return file_; }

    // The lines of the settings file that could not be read (their values are
    // not used, the others are), each once, in the order found since this
    // object was made: "Rig Control.reg line 12: unterminated text". Looks at
    // the file as it is now first. Empty when every line was read.
    std::vector<std::string> LoadProblems();

    void CreateDefaultSettings();
    void CreateWindowSizeKey();
    void CreateCommPortKey();

    void GetSystemConfig(SystemConfig& config);
    // The setters below return false when the file could not be written (or
    // their key does not exist); the configuration sheet tells the user.
    [[nodiscard]] bool SetSystemConfig(const SystemConfig& config);
    void GetHomeDir(std::string& dir);
    void GetLoggingMode(uint8_t& mode);

    void GetWindowRect(WindowRect& rect);
    void SetWindowRect(const WindowRect& rect);
    void GetFirstLayoutRect(WindowRect& rect);
    void SetFirstLayoutRect(const WindowRect& rect);

    // On first use (no "Comm Port" key) the key is created with port 1, but
    // this call reports port 0 so that the first run opens no port.
    void GetCommPort(CommPortSettings& port);
    [[nodiscard]] bool SetCommPort(const CommPortSettings& port);

    void LoadBandInfo(BandTable& table);
    // Writes all edges and makes `table` the in-memory band table.
    [[nodiscard]] bool SaveBandInfo(const BandTable& table);
    // Makes the next lookup read the band table from the store again.
    void MarkBandTableStale();
    std::optional<BandRecord> FindBand(uint32_t hz);
    std::string GetBandLabel(int index);

    void GetVfoFrequencies(VfoMemory& vfo);
    // False when the file could not be written (a full or read-only disk).
    [[nodiscard]] bool SetVfoFrequencies(const VfoMemory& vfo);

    void GetTransmitMemoryKeys(MemoryKeyTexts& texts);
    [[nodiscard]] bool SetTransmitMemoryKeys(const MemoryKeyTexts& texts);
    // n = 0 for F1 .. 10 for F11.
    void SetTransmitMemoryKey(int n, std::string_view text);

    // Ids 1..9; any other id changes nothing and returns false / nullopt.
    bool SetMacroVariable(int id, std::string_view text);
    std::optional<std::string> GetMacroVariable(int id) const;

    void GetCounterSettings(CounterSettings& counter);
    void SetCounterSettings(const CounterSettings& counter);
    void GetUtcSettings(UtcSettings& utc);

    uint32_t GetAppColor();
    void SetAppColor(uint32_t colorRef);
    uint8_t GetQsoLoggingMode();
    [[nodiscard]] bool SetQsoLoggingMode(uint8_t mode);
    void GetCurrentLogFileName(std::string& name);
    [[nodiscard]] bool SetCurrentLogFileName(std::string_view name);

    // Values not stored keep what the caller put there; nothing is created.
    void GetCabrilloSettings(CabrilloSettings& cabrillo);
    // False when the file could not be written.
    [[nodiscard]] bool SetCabrilloSettings(const CabrilloSettings& cabrillo);
    void GetStationSettings(StationSettings& station);
    [[nodiscard]] bool SetStationSettings(const StationSettings& station);
    uint8_t GetPaOption();
    [[nodiscard]] bool SetPaOption(uint8_t option);
    // "Network Server": where the rigctld-compatible server listens,
    // "[ADDRESS:]PORT"; empty (the default) keeps it off.
    std::string GetNetworkServer();
    void SetNetworkServer(std::string_view endpoint);
    // "WSJT-X Listen": where WSJT-X's and JTDX's logged QSOs are taken from
    // over UDP, "[ADDRESS:]PORT" (cfg::ParseUdpEndpoint); empty (the default)
    // keeps it off.
    std::string GetWsjtxListen();
    bool SetWsjtxListen(std::string_view endpoint);

    void GetTuningRange(uint8_t& index);
    void SetTuningRange(uint8_t index);
    void GetScanLimits(ScanLimits& limits);
    void SetScanLimits(const ScanLimits& limits);
    void GetWindowsMoveTogether(uint8_t& together);
    void SetWindowsMoveTogether(uint8_t together);

Q_SIGNALS:
    // Callsign, name, QTH, grid square or zones (macro variables 1..3 follow
    // the first three at once).
    void operatorChanged();
    // Macro variable `id` (1..9) holds another text.
    void macroVariableChanged(int id);
    // "Use UTC in Log" or "Offset from UTC".
    void utcChanged();
    // "QSO Logging Mode": normal or contest.
    void loggingModeChanged();
    // "Counter Value" or "Output Mode": the serial number and its digits.
    void counterChanged();
    // The text of memory key `key` (0 for F1 .. 10 for F11).
    void memoryKeyChanged(int key);
    void bandTableChanged();
    // "Windows Move Together".
    void placementChanged();
    void paOptionChanged();
    // "Current Log File Name".
    void logFileChanged();
    // "HomeDir": used from the next start.
    void homeDirChanged();
    // "WSJT-X Listen".
    void wsjtxListenChanged();

private:
    // Groups that changed in a write that failed: the process keeps the new
    // values, so the next successful write announces them.
    enum Owed : uint32_t {
        kOwedOperator = 1,
        kOwedUtc = 2,
        kOwedLoggingMode = 4,
        kOwedCounter = 8,
        kOwedHome = 16,
        kOwedKeys = 32 // bits 5.. : memory key n at bit 5 + n
    };
    // Announces `changed` and whatever a failed write still owes when
    // `written`; else owes `changed`.
    void announce(bool written, uint32_t changed);

    void error(const char* text);
    void getRect(const char* topLeft, const char* bottomRight, WindowRect& rect);
    void setRect(const char* topLeft, const char* bottomRight, const WindowRect& rect);
    // The in-memory band table, loaded first if stale.
    BandTable bandTable();
    void setBandTable(const BandTable& table);

    Prompter& prompter_;
    bool brokenTold_ = false; // the file cannot be read, and that was said
    std::string file_;
    detail::LoadProblemLog problems_;

    mutable std::mutex macroMutex_;
    std::array<std::string, 25> macros_; // only 1..9 reachable

    std::mutex owedMutex_;
    uint32_t owed_ = 0;

    std::mutex bandMutex_;
    bool bandTableStale_ = true;
    uint64_t bandGeneration_ = 0; // counts saves and stale marks
    BandTable bandTable_ = defaultBandTable();
};

} // namespace tamrel

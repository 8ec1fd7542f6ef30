// The root key's values: defaults, system configuration, station data,
// logging choices, colour and options. The subkeys' groups, the band table
// and the macro variables are in CRigControlRegistryKeys.cpp.

#include "settings/CRigControlRegistry.h"

#include <QFileInfo>

#include <ctime>
#include <utility>

#include "settings/RegistryDefaults.h"
#include "settings/RegistryStore.h"

namespace tamrel {

using namespace detail;

CRigControlRegistry::CRigControlRegistry(Prompter& prompter, std::string settingsFile)
    : prompter_(prompter), file_(std::move(settingsFile)) {}

std::vector<std::string> CRigControlRegistry::LoadProblems() {
    RegistryStore st(file_, problems_); // notes what this reading of the file finds
    return problems_.all();
}

void CRigControlRegistry::error(const char* text) {
    // A file that cannot be read at all fails every read: one message that
    // says which file and why, not one per value.
    const QFileInfo info(QString::fromStdString(file_));
    if (info.exists() && (!info.isFile() || !info.isReadable())) {
        if (!std::exchange(brokenTold_, true))
            prompter_.tell("The settings file " + file_ + " cannot be read (" +
                               (info.isDir() ? "it is a folder" : "no permission") +
                               "): the defaults are used and no setting is saved.",
                           PromptIcon::Error);
        return;
    }
    prompter_.tell(text, PromptIcon::Error);
}

uint8_t DefaultUtcOffset() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long seconds = local.tm_gmtoff;
    const int hours = static_cast<int>((seconds >= 0 ? seconds + 1800 : seconds - 1800) / 3600);
    // Sign and magnitude, as the byte has always been stored; a zone beyond
    // +/-23 hours is none.
    if (hours < -23 || hours > 23)
        return 0;
    return static_cast<uint8_t>(hours < 0 ? 0x80 | -hours : hours);
}

void CRigControlRegistry::CreateDefaultSettings() {
    if (const QFileInfo info(QString::fromStdString(file_)); info.isFile() && info.size() == 0)
        prompter_.tell("The settings file " + file_ +
                           " was empty: it is made anew with the default settings.",
                       PromptIcon::Warning);
    {
        RegistryStore st(file_, problems_);
        st.putText(kRoot, "HomeDir", paths::defaultHomeDir(), kPathTextLimit);
        st.putText(kRoot, "Callsign", kDefaultCallsign);
        st.putText(kRoot, "Name", kDefaultName);
        st.putText(kRoot, "QTH", kDefaultQth);
        st.putByte(kRoot, "Offset from UTC", DefaultUtcOffset());
        st.putText(kRoot, "Log File Name", kDefaultLogFileName);
        st.putByte(kRoot, "SW Logging Mode", 0);
        // The file is written whole, so one failure covers the key and all its values.
        if (!st.commit()) {
            error("Unable to Create Main Tamrel Registry!");
            return;
        }
    }
    CreateWindowSizeKey();
    CreateCommPortKey();
}

void CRigControlRegistry::GetSystemConfig(SystemConfig& config) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        config = {paths::defaultHomeDir(),
                  kDefaultCallsign,
                  kDefaultName,
                  kDefaultQth,
                  DefaultUtcOffset(),
                  kDefaultLogFileName,
                  0};
    } else {
        auto text = [&](const char* name, const std::string& def, const char* writeFail,
                        const char* readFail, std::string& out, size_t limit = kTextLimit) {
            Read<std::string> r = st.text(kRoot, name, limit);
            if (r.ok()) {
                out = std::move(r.value);
            } else if (r.missing()) {
                st.putText(kRoot, name, def, limit);
                if (!st.commit())
                    error(writeFail);
                out = def;
            } else {
                error(readFail);
            }
        };
        auto byte = [&](const char* name, uint8_t def, const char* writeFail, const char* readFail,
                        uint8_t& out) {
            Read<uint8_t> r = st.byte(kRoot, name);
            if (r.ok()) {
                out = r.value;
            } else if (r.missing()) {
                st.putByte(kRoot, name, def);
                if (!st.commit())
                    error(writeFail);
                out = def;
            } else {
                error(readFail);
            }
        };
        text("HomeDir", paths::defaultHomeDir(), "Unable to Write Tamrel Home Directory!",
             "Unable to Read Tamrel Home Directory!", config.homeDir, kPathTextLimit);
        text("Callsign", kDefaultCallsign, "Unable to Write Default Callsign Registry!",
             "Unable to Read Operator Callsign!", config.callsign);
        text("Name", kDefaultName, "Unable to Write Default Name Registry!",
             "Unable to Read Operator Name!", config.name);
        text("QTH", kDefaultQth, "Unable to Write Default QTH Registry!",
             "Unable to Read Operator QTH!", config.qth);
        byte("Offset from UTC", DefaultUtcOffset(),
             "Unable to Write Default UTC Timezon Offset Registry!",
             "Unable to Read Operator Timezone!", config.utcOffset);
        text("Log File Name", kDefaultLogFileName,
             "Unable to Write Default Software Log File Registry!",
             "Unable to Read Software Log filename!", config.logFileName);
        byte("SW Logging Mode", 0, "Unable to Write Default Log Mode Registry!",
             "Unable to Read Software Logging Mode!", config.loggingMode);
    }
    SetMacroVariable(1, config.callsign);
    SetMacroVariable(2, config.name);
    SetMacroVariable(3, config.qth);
}

bool CRigControlRegistry::SetSystemConfig(const SystemConfig& config) {
    bool saved = false;
    uint32_t changed = 0;
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        auto differs = [&](const char* name, std::string_view value) {
            Read<std::string> r = st.text(kRoot, name, kPathTextLimit);
            return !r.ok() || r.value != value;
        };
        if (differs("Callsign", config.callsign) || differs("Name", config.name) ||
            differs("QTH", config.qth))
            changed |= kOwedOperator;
        if (differs("HomeDir", config.homeDir))
            changed |= kOwedHome;
        const Read<uint8_t> offset = st.byte(kRoot, "Offset from UTC");
        if (!offset.ok() || offset.value != config.utcOffset)
            changed |= kOwedUtc;
        st.putText(kRoot, "HomeDir", config.homeDir, kPathTextLimit);
        st.putText(kRoot, "Callsign", config.callsign);
        st.putText(kRoot, "Name", config.name);
        st.putText(kRoot, "QTH", config.qth);
        st.putByte(kRoot, "Offset from UTC", config.utcOffset);
        st.putText(kRoot, "Log File Name", config.logFileName);
        st.putByte(kRoot, "SW Logging Mode", config.loggingMode);
        saved = st.commit();
    }
    if (saved) {
        // The CW macros read these: the next message identifies with the new call.
        SetMacroVariable(1, config.callsign);
        SetMacroVariable(2, config.name);
        SetMacroVariable(3, config.qth);
    }
    announce(saved, changed);
    return saved;
}

void CRigControlRegistry::announce(bool written, uint32_t changed) {
    {
        std::lock_guard lock(owedMutex_);
        if (!written) {
            owed_ |= changed;
            return;
        }
        changed |= std::exchange(owed_, 0u);
    }
    if (changed & kOwedOperator)
        Q_EMIT operatorChanged();
    if (changed & kOwedUtc)
        Q_EMIT utcChanged();
    if (changed & kOwedLoggingMode)
        Q_EMIT loggingModeChanged();
    if (changed & kOwedCounter)
        Q_EMIT counterChanged();
    if (changed & kOwedHome)
        Q_EMIT homeDirChanged();
    for (int n = 0; n < kMemoryKeyCount; ++n)
        if (changed & (uint32_t{kOwedKeys} << n))
            Q_EMIT memoryKeyChanged(n);
}

void CRigControlRegistry::GetHomeDir(std::string& dir) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        dir = paths::defaultHomeDir();
        return;
    }
    Read<std::string> r = st.text(kRoot, "HomeDir", kPathTextLimit);
    if (r.ok()) {
        dir = std::move(r.value);
    } else if (r.missing()) {
        dir = paths::defaultHomeDir();
        st.putText(kRoot, "HomeDir", dir, kPathTextLimit);
        if (!st.commit())
            error("Unable to Write Tamrel Home Directory!");
    } else {
        error("Unable to Read Tamrel Home Directory!");
    }
}

void CRigControlRegistry::GetLoggingMode(uint8_t& mode) {
    RegistryStore st(file_, problems_);
    // A store that does not exist yet is a first run, not an error: the
    // channel asks before start-up has created the defaults.
    if (!st.keyExists(kRoot)) {
        mode = 0;
        return;
    }
    Read<uint8_t> r = st.byte(kRoot, "SW Logging Mode");
    if (r.ok()) {
        mode = r.value;
    } else if (r.missing()) {
        mode = 0;
        st.putByte(kRoot, "SW Logging Mode", 0);
        if (!st.commit())
            error("Unable to Write Default Log Mode Registry!");
    } else {
        error("Unable to Read Software Logging Mode!");
    }
}

void CRigControlRegistry::GetUtcSettings(UtcSettings& utc) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        utc = {kDefaultUseUtc, DefaultUtcOffset()};
        return;
    }
    auto byte = [&](const char* name, uint8_t def, uint8_t& out) {
        Read<uint8_t> r = st.byte(kRoot, name);
        if (r.ok()) {
            out = r.value;
            return;
        }
        out = def;
        if (r.missing()) {
            st.putByte(kRoot, name, def);
            st.commit();
        }
    };
    byte("Use UTC in Log", kDefaultUseUtc, utc.useUtc);
    byte("Offset from UTC", DefaultUtcOffset(), utc.offset);
}

uint32_t CRigControlRegistry::GetAppColor() {
    RegistryStore st(file_, problems_);
    Read<uint32_t> r = st.dword(kRoot, "Application Color");
    if (r.ok())
        return r.value;
    // Written like a setter would: into an existing root only, so that the
    // colour read before the first system configuration does not stand in
    // for the root and keep the defaults from being created.
    if (st.keyExists(kRoot)) {
        st.putDword(kRoot, "Application Color", kDefaultAppColor);
        st.commit();
    }
    return kDefaultAppColor;
}

void CRigControlRegistry::SetAppColor(uint32_t colorRef) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot))
        return;
    st.putDword(kRoot, "Application Color", colorRef);
    st.commit();
}

uint8_t CRigControlRegistry::GetQsoLoggingMode() {
    RegistryStore st(file_, problems_);
    Read<uint8_t> r = st.byte(kRoot, "QSO Logging Mode");
    if (r.ok())
        return r.value;
    if (st.keyExists(kRoot)) { // as for the colour
        st.putByte(kRoot, "QSO Logging Mode", 0);
        st.commit();
    }
    return 0;
}

bool CRigControlRegistry::SetQsoLoggingMode(uint8_t mode) {
    bool saved = false;
    uint32_t changed = 0;
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        const Read<uint8_t> was = st.byte(kRoot, "QSO Logging Mode");
        if (!was.ok() || was.value != mode)
            changed = kOwedLoggingMode;
        st.putByte(kRoot, "QSO Logging Mode", mode);
        saved = st.commit();
    }
    announce(saved, changed);
    return saved;
}

void CRigControlRegistry::GetCurrentLogFileName(std::string& name) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        name = kDefaultQsoLogFileName;
        return;
    }
    Read<std::string> r = st.text(kRoot, "Current Log File Name");
    if (r.ok()) {
        name = std::move(r.value);
    } else if (r.missing()) {
        name = kDefaultQsoLogFileName;
        st.putText(kRoot, "Current Log File Name", name);
        st.commit();
    } else {
        error("Unable to Read Current Log Filename!");
    }
}

bool CRigControlRegistry::SetCurrentLogFileName(std::string_view name) {
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        st.putText(kRoot, "Current Log File Name", name);
        if (!st.commit())
            return false;
    }
    Q_EMIT logFileChanged();
    return true;
}

void CRigControlRegistry::GetStationSettings(StationSettings& station) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        station.gridSquare = kDefaultGridSquare;
        station.cqZone = kDefaultCqZone;
        station.ituZone = kDefaultItuZone;
        station.counter = kDefaultCounter;
        station.outputMode = 0;
        return; // the use-UTC flag stays as it was
    }
    // Missing: write the default and return it; unreadable: return the default.
    auto text = [&](const char* name, const char* def, std::string& out) {
        Read<std::string> r = st.text(kRoot, name);
        out = r.ok() ? std::move(r.value) : std::string(def);
        if (r.missing())
            st.putText(kRoot, name, def);
    };
    auto byte = [&](const char* name, uint8_t def, uint8_t& out) {
        Read<uint8_t> r = st.byte(kRoot, name);
        out = r.ok() ? r.value : def;
        if (r.missing())
            st.putByte(kRoot, name, def);
    };
    text("GridSquare", kDefaultGridSquare, station.gridSquare);
    text("CQ Zone", kDefaultCqZone, station.cqZone);
    text("ITU Zone", kDefaultItuZone, station.ituZone);
    Read<uint32_t> counter = st.dword(kRoot, "Counter Value");
    station.counter = counter.ok() ? static_cast<int32_t>(counter.value) : kDefaultCounter;
    if (counter.missing())
        st.putDword(kRoot, "Counter Value", static_cast<uint32_t>(kDefaultCounter));
    bool settled = false;
    station.outputMode = SettleOutputMode(st, settled);
    if (st.byte(kRoot, "Output Mode").missing())
        PutOutputMode(st, station.outputMode, true);
    byte("Use UTC in Log", kDefaultUseUtc, station.useUtc);
    st.commit();
}

bool CRigControlRegistry::SetStationSettings(const StationSettings& station) {
    bool saved = false;
    uint32_t changed = 0;
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        auto textDiffers = [&](const char* name, std::string_view value) {
            Read<std::string> r = st.text(kRoot, name);
            return !r.ok() || r.value != value;
        };
        auto byteDiffers = [&](const char* name, uint8_t value) {
            Read<uint8_t> r = st.byte(kRoot, name);
            return !r.ok() || r.value != value;
        };
        if (textDiffers("GridSquare", station.gridSquare) ||
            textDiffers("CQ Zone", station.cqZone) || textDiffers("ITU Zone", station.ituZone))
            changed |= kOwedOperator;
        const Read<uint32_t> counter = st.dword(kRoot, "Counter Value");
        bool settled = false;
        if (!counter.ok() || counter.value != static_cast<uint32_t>(station.counter) ||
            SettleOutputMode(st, settled) != station.outputMode)
            changed |= kOwedCounter;
        if (byteDiffers("Use UTC in Log", station.useUtc))
            changed |= kOwedUtc;
        st.putText(kRoot, "GridSquare", station.gridSquare);
        st.putText(kRoot, "CQ Zone", station.cqZone);
        st.putText(kRoot, "ITU Zone", station.ituZone);
        st.putDword(kRoot, "Counter Value", static_cast<uint32_t>(station.counter));
        PutOutputMode(st, station.outputMode, true);
        st.putByte(kRoot, "Use UTC in Log", station.useUtc);
        saved = st.commit();
    }
    announce(saved, changed);
    return saved;
}

uint8_t CRigControlRegistry::GetPaOption() {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot)) {
        CreateDefaultSettings();
        RegistryStore created(file_, problems_);
        created.putByte(kRoot, "PA Option", 0);
        created.commit();
        return 0;
    }
    Read<uint8_t> r = st.byte(kRoot, "PA Option");
    if (r.ok())
        return r.value;
    if (r.missing()) {
        st.putByte(kRoot, "PA Option", 0);
        st.commit();
    }
    return 0;
}

bool CRigControlRegistry::SetPaOption(uint8_t option) {
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        st.putByte(kRoot, "PA Option", option);
        if (!st.commit())
            return false;
    }
    Q_EMIT paOptionChanged();
    return true;
}

std::string CRigControlRegistry::GetNetworkServer() {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot))
        return {};
    Read<std::string> r = st.text(kRoot, "Network Server");
    return r.ok() ? std::move(r.value) : std::string();
}

void CRigControlRegistry::SetNetworkServer(std::string_view endpoint) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot))
        return;
    st.putText(kRoot, "Network Server", endpoint);
    st.commit();
}

std::string CRigControlRegistry::GetWsjtxListen() {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kRoot))
        return {};
    Read<std::string> r = st.text(kRoot, "WSJT-X Listen");
    return r.ok() ? std::move(r.value) : std::string();
}

bool CRigControlRegistry::SetWsjtxListen(std::string_view endpoint) {
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kRoot))
            return false;
        st.putText(kRoot, "WSJT-X Listen", endpoint);
        if (!st.commit())
            return false;
    }
    Q_EMIT wsjtxListenChanged();
    return true;
}

} // namespace tamrel

// The subkeys' groups ("Window Size", "Comm Port", "HAM Band Info", "VFO
// Frequencies", "Transmit Memory Keys", "Settings"), the in-memory band table
// and the macro variables.

#include "settings/CRigControlRegistry.h"

#include "settings/RegistryDefaults.h"
#include "settings/RegistryStore.h"

namespace tamrel {

using namespace detail;

namespace {

constexpr WindowRect kDefaultRect{0, 0, kDefaultRectRight, kDefaultRectBottom};

// A rectangle taller than 768 or wider than 1024 is replaced by the default.
WindowRect sane(const WindowRect& r) {
    if (r.bottom - r.top >= 769 || r.right - r.left >= 1025)
        return kDefaultRect;
    return r;
}

// Two coordinates as the 16-bit halves of a dword, the first in the high half.
uint32_t pack(int32_t high, int32_t low) {
    return ((static_cast<uint32_t>(high) & 0xFFFF) << 16) | (static_cast<uint32_t>(low) & 0xFFFF);
}
// Each half is a signed 16-bit screen coordinate: a window placed partly left
// of or above the screen's origin comes back there, not 65,000 pixels away.
int32_t highHalf(uint32_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v >> 16));
}
int32_t lowHalf(uint32_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF));
}

std::string edgeName(int band, bool high) {
    return std::string(kBandNames[band]) + (high ? " High Band Edge" : " Low Band Edge");
}
std::string vfoName(int band, bool b) {
    return std::string(kBandNames[band]) + (b ? " VFOB Freq" : " VFOA Freq");
}
std::string memoryKeyName(int n) {
    return "F" + std::to_string(n + 1);
}

void putBands(RegistryStore& st, const BandTable& table) {
    for (int i = 0; i < kBandCount; ++i) {
        st.putDword(kBandInfo, edgeName(i, false), table[i].lowHz);
        st.putDword(kBandInfo, edgeName(i, true), table[i].highHz);
    }
}

// Reads the edges into `table`; on a missing key writes the defaults there
// and into the store. Returns true when it created the key.
bool loadBands(const std::string& file, BandTable& table, Prompter& prompter,
               LoadProblemLog& problems) {
    RegistryStore st(file, problems);
    if (!st.keyExists(kBandInfo)) {
        table = defaultBandTable();
        putBands(st, table);
        if (!st.commit())
            prompter.tell("Unable to Create Band Info Registry!", PromptIcon::Error);
        return true;
    }
    const BandTable defaults = defaultBandTable();
    for (int i = 0; i < kBandCount; ++i) {
        table[i].label = defaults[i].label;
        table[i].index = i;
        if (Read<uint32_t> r = st.dword(kBandInfo, edgeName(i, false)); r.ok())
            table[i].lowHz = r.value;
        if (Read<uint32_t> r = st.dword(kBandInfo, edgeName(i, true)); r.ok())
            table[i].highHz = r.value;
    }
    return false;
}

} // namespace

void CRigControlRegistry::CreateWindowSizeKey() {
    RegistryStore st(file_, problems_);
    st.putDword(kWindowSize, "Top Left", pack(kDefaultRect.left, kDefaultRect.top));
    st.putDword(kWindowSize, "Bottom Right", pack(kDefaultRect.right, kDefaultRect.bottom));
    if (!st.commit())
        error("Unable to Create Halvard WINSIZE Registry!");
}

void CRigControlRegistry::CreateCommPortKey() {
    RegistryStore st(file_, problems_);
    st.putByte(kCommPort, "Port", 1);
    st.putWordBE(kCommPort, "Speed", kDefaultSpeed);
    st.putByte(kCommPort, "Parity", 0);
    st.putByte(kCommPort, "Stop bit", kDefaultStopBits);
    if (!st.commit())
        error("Unable to Create Tamrel COMM PORT Registry!");
}

void CRigControlRegistry::getRect(const char* topLeft, const char* bottomRight, WindowRect& rect) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kWindowSize)) {
        rect = kDefaultRect;
        return;
    }
    // A word that cannot be read stays 0.
    Read<uint32_t> tl = st.dword(kWindowSize, topLeft);
    Read<uint32_t> br = st.dword(kWindowSize, bottomRight);
    const uint32_t tlWord = tl.ok() ? tl.value : 0;
    const uint32_t brWord = br.ok() ? br.value : 0;
    rect = sane({highHalf(tlWord), lowHalf(tlWord), highHalf(brWord), lowHalf(brWord)});
}

void CRigControlRegistry::setRect(const char* topLeft, const char* bottomRight,
                                  const WindowRect& rect) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kWindowSize))
        return;
    const WindowRect r = sane(rect);
    st.putDword(kWindowSize, topLeft, pack(r.left, r.top));
    st.putDword(kWindowSize, bottomRight, pack(r.right, r.bottom));
    st.commit();
}

void CRigControlRegistry::GetWindowRect(WindowRect& rect) {
    getRect("Top Left", "Bottom Right", rect);
}
void CRigControlRegistry::SetWindowRect(const WindowRect& rect) {
    setRect("Top Left", "Bottom Right", rect);
}
void CRigControlRegistry::GetFirstLayoutRect(WindowRect& rect) {
    getRect("Original Top Left", "Original Bottom Right", rect);
}
void CRigControlRegistry::SetFirstLayoutRect(const WindowRect& rect) {
    setRect("Original Top Left", "Original Bottom Right", rect);
}

void CRigControlRegistry::GetCommPort(CommPortSettings& port) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kCommPort)) {
        CreateCommPortKey();
        port = {0, kDefaultSpeed, 0, kDefaultStopBits, {}};
        return;
    }
    if (Read<uint8_t> r = st.byte(kCommPort, "Port"); r.ok())
        port.port = r.value;
    if (Read<uint16_t> r = st.wordBE(kCommPort, "Speed"); r.ok())
        port.speed = r.value;
    if (Read<uint8_t> r = st.byte(kCommPort, "Parity"); r.ok())
        port.parity = r.value;
    if (Read<uint8_t> r = st.byte(kCommPort, "Stop bit"); r.ok())
        port.stopBits = r.value;
    // Not created by default: missing means no device path.
    if (Read<std::string> r = st.text(kCommPort, "Device", kPathTextLimit); r.ok())
        port.device = std::move(r.value);
    else if (r.missing())
        port.device.clear();
}

bool CRigControlRegistry::SetCommPort(const CommPortSettings& port) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kCommPort))
        return false;
    st.putByte(kCommPort, "Port", port.port);
    st.putWordBE(kCommPort, "Speed", port.speed);
    st.putByte(kCommPort, "Parity", port.parity);
    st.putByte(kCommPort, "Stop bit", port.stopBits);
    // Stored once set, so clearing it works, but never created empty.
    if (!port.device.empty() || !st.text(kCommPort, "Device", kPathTextLimit).missing())
        st.putText(kCommPort, "Device", port.device, kPathTextLimit);
    return st.commit();
}

void CRigControlRegistry::LoadBandInfo(BandTable& table) {
    if (loadBands(file_, table, prompter_, problems_))
        setBandTable(table);
}

bool CRigControlRegistry::SaveBandInfo(const BandTable& table) {
    bool saved = false;
    {
        RegistryStore st(file_, problems_);
        if (st.keyExists(kBandInfo)) {
            putBands(st, table);
            saved = st.commit();
        }
    }
    setBandTable(table);
    Q_EMIT bandTableChanged();
    return saved;
}

void CRigControlRegistry::setBandTable(const BandTable& table) {
    std::lock_guard lock(bandMutex_);
    bandTable_ = table;
    bandTableStale_ = false;
    ++bandGeneration_;
}

void CRigControlRegistry::MarkBandTableStale() {
    std::lock_guard lock(bandMutex_);
    bandTableStale_ = true;
    ++bandGeneration_;
}

BandTable CRigControlRegistry::bandTable() {
    BandTable table;
    uint64_t generation = 0;
    {
        std::lock_guard lock(bandMutex_);
        if (!bandTableStale_)
            return bandTable_;
        table = bandTable_;
        generation = bandGeneration_;
    }
    // Loaded without the lock, since it may show a message. A table saved or
    // marked stale meanwhile is newer than this one and is kept.
    loadBands(file_, table, prompter_, problems_);
    std::lock_guard lock(bandMutex_);
    if (generation == bandGeneration_) {
        bandTable_ = table;
        bandTableStale_ = false;
    }
    return table;
}

std::optional<BandRecord> CRigControlRegistry::FindBand(uint32_t hz) {
    return findBandIn(bandTable(), hz);
}

std::string CRigControlRegistry::GetBandLabel(int index) {
    const BandTable table = bandTable();
    if (index < 0 || index >= kBandCount)
        return {};
    return table[index].label;
}

void CRigControlRegistry::GetVfoFrequencies(VfoMemory& vfo) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kVfoFrequencies)) {
        vfo = defaultVfoMemory();
        for (int i = 0; i < kBandCount; ++i) {
            st.putDword(kVfoFrequencies, vfoName(i, false), vfo[i].a);
            st.putDword(kVfoFrequencies, vfoName(i, true), vfo[i].b);
        }
        if (!st.commit())
            error("Unable to Create VFO Freq Info Registry!");
        return;
    }
    for (int i = 0; i < kBandCount; ++i) {
        if (Read<uint32_t> r = st.dword(kVfoFrequencies, vfoName(i, false)); r.ok())
            vfo[i].a = r.value;
        if (Read<uint32_t> r = st.dword(kVfoFrequencies, vfoName(i, true)); r.ok())
            vfo[i].b = r.value;
    }
}

bool CRigControlRegistry::SetVfoFrequencies(const VfoMemory& vfo) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kVfoFrequencies))
        return true; // no band table yet: nothing of it to keep
    for (int i = 0; i < kBandCount; ++i) {
        st.putDword(kVfoFrequencies, vfoName(i, false), vfo[i].a);
        st.putDword(kVfoFrequencies, vfoName(i, true), vfo[i].b);
    }
    return st.commit();
}

void CRigControlRegistry::GetTransmitMemoryKeys(MemoryKeyTexts& texts) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kMemoryKeys)) {
        for (int n = 0; n < kMemoryKeyCount; ++n) {
            texts[n].clear();
            st.putText(kMemoryKeys, memoryKeyName(n), "");
        }
        if (!st.commit())
            error("Unable to Create Brag Text Key Info Registry!");
        return;
    }
    for (int n = 0; n < kMemoryKeyCount; ++n)
        if (Read<std::string> r = st.text(kMemoryKeys, memoryKeyName(n), kMemoryKeyTextLimit);
            r.ok())
            texts[n] = std::move(r.value);
}

bool CRigControlRegistry::SetTransmitMemoryKeys(const MemoryKeyTexts& texts) {
    bool saved = false;
    uint32_t changed = 0;
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kMemoryKeys))
            return false;
        for (int n = 0; n < kMemoryKeyCount; ++n) {
            Read<std::string> was = st.text(kMemoryKeys, memoryKeyName(n), kMemoryKeyTextLimit);
            if (!was.ok() || was.value != texts[n])
                changed |= uint32_t{kOwedKeys} << n;
            st.putText(kMemoryKeys, memoryKeyName(n), texts[n], kMemoryKeyTextLimit);
        }
        saved = st.commit();
    }
    announce(saved, changed);
    return saved;
}

void CRigControlRegistry::SetTransmitMemoryKey(int n, std::string_view text) {
    if (n < 0 || n >= kMemoryKeyCount)
        return;
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kMemoryKeys))
            return;
        st.putText(kMemoryKeys, memoryKeyName(n), text, kMemoryKeyTextLimit);
        if (!st.commit())
            return;
    }
    Q_EMIT memoryKeyChanged(n);
}

bool CRigControlRegistry::SetMacroVariable(int id, std::string_view text) {
    if (id < kMacroVariableFirst || id > kMacroVariableLast)
        return false;
    {
        std::lock_guard lock(macroMutex_);
        if (macros_[id] == text)
            return true;
        macros_[id].assign(text);
    }
    Q_EMIT macroVariableChanged(id);
    return true;
}

std::optional<std::string> CRigControlRegistry::GetMacroVariable(int id) const {
    if (id < kMacroVariableFirst || id > kMacroVariableLast)
        return std::nullopt;
    std::lock_guard lock(macroMutex_);
    return macros_[id];
}

uint8_t detail::SettleOutputMode(RegistryStore& st, bool& wrote) {
    const Read<uint8_t> keyer = st.byte(kSettings, "Output Mode");
    const Read<uint8_t> sheet = st.byte(kRoot, "Output Mode");
    uint8_t mode = keyer.ok() ? keyer.value : 0;
    if (mode == 0 && sheet.ok())
        mode = sheet.value;
    wrote = !keyer.ok() || keyer.value != mode || (sheet.ok() && sheet.value != mode);
    if (wrote)
        PutOutputMode(st, mode);
    return mode;
}

void detail::PutOutputMode(RegistryStore& st, uint8_t mode, bool withRoot) {
    st.putByte(kSettings, "Output Mode", mode);
    if (withRoot || !st.byte(kRoot, "Output Mode").missing())
        st.putByte(kRoot, "Output Mode", mode);
}

void CRigControlRegistry::GetCounterSettings(CounterSettings& counter) {
    RegistryStore st(file_, problems_);
    Read<uint32_t> value{};
    if (st.keyExists(kSettings))
        value = st.dword(kSettings, "Counter Value");
    // Missing or unreadable: that one's default, and it is written.
    counter.counter = value.ok() ? static_cast<int32_t>(value.value) : kDefaultCounter;
    bool wrote = false;
    counter.outputMode = SettleOutputMode(st, wrote);
    if (!value.ok())
        st.putDword(kSettings, "Counter Value", static_cast<uint32_t>(counter.counter));
    if (!value.ok() || wrote)
        st.commit();
}

void CRigControlRegistry::SetCounterSettings(const CounterSettings& counter) {
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kSettings))
            return;
        st.putDword(kSettings, "Counter Value", static_cast<uint32_t>(counter.counter));
        PutOutputMode(st, counter.outputMode);
        if (!st.commit())
            return;
    }
    Q_EMIT counterChanged();
}

void CRigControlRegistry::GetTuningRange(uint8_t& index) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kSettings)) {
        index = 0;
        st.putByte(kSettings, "Selected Tuning Range", 0);
        if (!st.commit())
            error("Unable to Create Tamrel Settings Registry!");
        return;
    }
    Read<uint8_t> r = st.byte(kSettings, "Selected Tuning Range");
    if (r.ok() || r.missing())
        index = r.value; // 0 when missing
    else
        error("Unable To Read Selected Tuning Range!");
}

void CRigControlRegistry::SetTuningRange(uint8_t index) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kSettings))
        return;
    st.putByte(kSettings, "Selected Tuning Range", index);
    st.commit();
}

void CRigControlRegistry::GetScanLimits(ScanLimits& limits) {
    RegistryStore st(file_, problems_);
    const bool exists = st.keyExists(kSettings);
    Read<uint32_t> low = exists ? st.dword(kSettings, "Scan Low Limit") : Read<uint32_t>{};
    Read<uint32_t> high = exists ? st.dword(kSettings, "Scan High Limit") : Read<uint32_t>{};
    if (!exists || low.missing() || high.missing()) {
        limits = {0, 0};
        st.putDword(kSettings, "Scan Low Limit", 0);
        st.putDword(kSettings, "Scan High Limit", 0);
        if (!st.commit() && !exists)
            error("Unable to Create Tamrel Settings Registry!");
        return;
    }
    if (low.ok())
        limits.lowHz = low.value;
    if (high.ok())
        limits.highHz = high.value;
}

void CRigControlRegistry::SetScanLimits(const ScanLimits& limits) {
    RegistryStore st(file_, problems_);
    if (!st.keyExists(kSettings))
        return;
    st.putDword(kSettings, "Scan Low Limit", limits.lowHz);
    st.putDword(kSettings, "Scan High Limit", limits.highHz);
    st.commit();
}

void CRigControlRegistry::GetWindowsMoveTogether(uint8_t& together) {
    RegistryStore st(file_, problems_);
    const bool exists = st.keyExists(kWindowSize);
    Read<uint8_t> r = exists ? st.byte(kWindowSize, "Windows Move Together") : Read<uint8_t>{};
    if (r.ok()) {
        together = r.value;
    } else if (r.missing()) {
        together = 1;
        st.putByte(kWindowSize, "Windows Move Together", 1);
        if (!st.commit() && !exists)
            error("Unable to Create Tamrel Window Size Registry!");
    }
}

void CRigControlRegistry::SetWindowsMoveTogether(uint8_t together) {
    {
        RegistryStore st(file_, problems_);
        if (!st.keyExists(kWindowSize))
            return;
        st.putByte(kWindowSize, "Windows Move Together", together);
        if (!st.commit())
            return;
    }
    Q_EMIT placementChanged();
}

} // namespace tamrel

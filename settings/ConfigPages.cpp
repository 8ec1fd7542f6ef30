#include "settings/ConfigPages.h"

#include "settings/ConfigParse.h"
#include "settings/RegistryDefaults.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace tamrel {

namespace {

// 1301 is our own addition.
constexpr std::array<int, SystemCfgPage::kTextCount> kSystemIds = {1026, 1028, 1030, 1032, 1043,
                                                                   1037, 1040, 1035, 1053, 1301};
constexpr std::array<const char*, SystemCfgPage::kTextCount> kSystemLabels = {
    "Home Directory:",
    "Callsign:",
    "Name:",
    "QTH:",
    "Grid Square:",
    "CQ Zone:",
    "ITU Zone:",
    "Hours Diff. From UTC:",
    "Number of Digits in Serial Number",
    "WSJT-X Listen:"};

constexpr std::array<std::array<int, 2>, kBandCount> kEdgeIds = {{{1164, 1166},
                                                                  {1169, 1172},
                                                                  {1176, 1180},
                                                                  {1190, 1194},
                                                                  {1198, 1202},
                                                                  {1206, 1209},
                                                                  {1212, 1215},
                                                                  {1217, 1219},
                                                                  {1222, 1224}}};

constexpr std::array<int, kMemoryKeyCount> kMemoryKeyIds = {1167, 1170, 1173, 1177, 1181, 1184,
                                                            1187, 1191, 1195, 1199, 1203};

} // namespace

// --- System Configuration ---------------------------------------------------

int SystemCfgPage::ControlId(Text t) {
    return kSystemIds[t];
}

const char* SystemCfgPage::Label(Text t) {
    return kSystemLabels[t];
}

SystemCfgPage::SystemCfgPage(CRigControlRegistry& registry) : registry_(registry) {}

void SystemCfgPage::Load() {
    SystemConfig config;
    registry_.GetSystemConfig(config);
    StationSettings station;
    station.useUtc = useUtc_ ? 1 : 0;
    registry_.GetStationSettings(station);
    const uint8_t style = registry_.GetQsoLoggingMode();

    texts_[HomeDir] = config.homeDir;
    texts_[Callsign] = config.callsign;
    texts_[Name] = config.name;
    texts_[Qth] = config.qth;
    texts_[GridSquare] = station.gridSquare;
    texts_[CqZone] = station.cqZone;
    texts_[ItuZone] = station.ituZone;
    texts_[UtcOffset] = std::to_string(utcOffsetHours(config.utcOffset));
    texts_[Digits] = std::to_string(std::min(station.outputMode & 0x7F, cfg::kMaxSerialDigits));
    texts_[WsjtxListen] = registry_.GetWsjtxListen();
    rememberedWsjtx_ = texts_[WsjtxListen];
    cutNumbers_ = (station.outputMode & 0x80) != 0;
    useUtc_ = station.useUtc != 0;
    contest_ = (style & 1) != 0;
    logFileName_ = config.logFileName;
    swLoggingMode_ = config.loggingMode;
    counter_ = station.counter;
    rememberedContest_ = contest_;
    modified_ = false;
}

void SystemCfgPage::SetValue(Text t, std::string_view text) {
    texts_[t] = cfg::ClipUtf8(text, cfg::kTextLimit);
    MarkModified();
}

const char* SystemCfgPage::LoggingStyleText() const {
    return contest_ ? " Contest " : "  Normal ";
}

void SystemCfgPage::StepLoggingStyle() {
    contest_ = !contest_;
    MarkModified();
}

void SystemCfgPage::SetUseUtc(bool on) {
    useUtc_ = on;
    MarkModified();
}

void SystemCfgPage::SetCutNumbers(bool on) {
    cutNumbers_ = on;
    MarkModified();
}

std::optional<Refusal> SystemCfgPage::Validate() const {
    if (texts_[HomeDir].find_first_not_of(" \t") == std::string::npos)
        return Refusal{kSystemIds[HomeDir], cfg::kEmptyHomeDir};
    const std::optional<int32_t> offset = cfg::ParseInteger(texts_[UtcOffset]);
    if (!offset)
        return Refusal{kSystemIds[UtcOffset], cfg::kNotAnInteger};
    if (!cfg::EncodeUtcOffset(*offset))
        return Refusal{kSystemIds[UtcOffset], cfg::kOffsetOutOfRange};
    const std::optional<int32_t> digits = cfg::ParseInteger(texts_[Digits]);
    if (!digits)
        return Refusal{kSystemIds[Digits], cfg::kNotAnInteger};
    if (*digits < 0 || *digits > cfg::kMaxSerialDigits)
        return Refusal{kSystemIds[Digits], cfg::kDigitsOutOfRange};
    const std::string& wsjtx = texts_[WsjtxListen];
    if (wsjtx.find_first_not_of(" \t") != std::string::npos && !cfg::ParseUdpEndpoint(wsjtx))
        return Refusal{kSystemIds[WsjtxListen], cfg::kNotAnEndpoint};
    return std::nullopt;
}

bool SystemCfgPage::Apply() {
    if (Validate())
        return false;
    const uint8_t offset = *cfg::EncodeUtcOffset(*cfg::ParseInteger(texts_[UtcOffset]));
    const auto digits = static_cast<uint8_t>(*cfg::ParseInteger(texts_[Digits]));

    SystemConfig config{texts_[HomeDir], texts_[Callsign], texts_[Name],  texts_[Qth],
                        offset,          logFileName_,     swLoggingMode_};
    if (!registry_.SetSystemConfig(config))
        return false;

    StationSettings station{texts_[GridSquare],
                            texts_[CqZone],
                            texts_[ItuZone],
                            counter_,
                            static_cast<uint8_t>(digits | (cutNumbers_ ? 0x80 : 0)),
                            static_cast<uint8_t>(useUtc_ ? 1 : 0)};
    if (!registry_.SetStationSettings(station))
        return false;

    if (!registry_.SetQsoLoggingMode(contest_ ? 1 : 0))
        return false;
    if (contest_ != rememberedContest_) {
        // Each style keeps its records in a file of its own kind.
        if (!registry_.SetCurrentLogFileName(kDefaultQsoLogFileName))
            return false;
        rememberedContest_ = contest_;
    }
    if (texts_[WsjtxListen] != rememberedWsjtx_) {
        if (!registry_.SetWsjtxListen(texts_[WsjtxListen]))
            return false;
        rememberedWsjtx_ = texts_[WsjtxListen];
    }
    modified_ = false;
    return true;
}

// --- K2 COMM Port --------------------------------------------------------------

CommPortCfgPage::CommPortCfgPage(CRigControlRegistry& registry, std::filesystem::path devRoot)
    : registry_(registry), devRoot_(std::move(devRoot)) {
    RebuildChoices();
}

void CommPortCfgPage::Load() {
    registry_.GetCommPort(port_);
    const auto* found = std::find(kSpeeds.begin(), kSpeeds.end(), port_.speed);
    speedPos_ = found == kSpeeds.end() ? -1 : int(found - kSpeeds.begin());
    amplifier_ = registry_.GetPaOption() != 0;
    loadedAmplifier_ = amplifier_;
    present_ = ScanSerialDevices(devRoot_);
    RebuildChoices();
    modified_ = false;
}

void CommPortCfgPage::StepPort(bool next) {
    if (next)
        port_.port = port_.port >= kMaxPort ? 0 : uint8_t(port_.port + 1);
    else
        port_.port =
            port_.port == 0 || port_.port > kMaxPort ? uint8_t(kMaxPort) : uint8_t(port_.port - 1);
    MarkModified();
}

void CommPortCfgPage::StepSpeed(bool next) {
    const int count = int(kSpeeds.size());
    if (speedPos_ < 0) {
        // From a speed outside the table to its neighbour in the table.
        if (next) {
            auto it = std::upper_bound(kSpeeds.begin(), kSpeeds.end(), port_.speed);
            speedPos_ = it == kSpeeds.end() ? 0 : int(it - kSpeeds.begin());
        } else {
            auto it = std::lower_bound(kSpeeds.begin(), kSpeeds.end(), port_.speed);
            speedPos_ = it == kSpeeds.begin() ? count - 1 : int(it - kSpeeds.begin()) - 1;
        }
    } else {
        speedPos_ = (speedPos_ + (next ? 1 : count - 1)) % count;
    }
    port_.speed = kSpeeds[std::size_t(speedPos_)];
    MarkModified();
}

void CommPortCfgPage::StepParity(bool next) {
    // 0 none, 1 odd, 2 even: the port's own codes.
    port_.parity = port_.parity > 2 ? 0 : uint8_t((port_.parity + (next ? 1 : 2)) % 3);
    MarkModified();
}

void CommPortCfgPage::StepStopBits() {
    port_.stopBits = port_.stopBits == 1 ? 2 : 1;
    MarkModified();
}

void CommPortCfgPage::StepAmplifier() {
    amplifier_ = !amplifier_;
    MarkModified();
}

std::string CommPortCfgPage::PortText() const {
    return port_.port == 0 ? " None " : " COM" + std::to_string(port_.port) + " ";
}

std::string CommPortCfgPage::SpeedText() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, " %5d ", port_.speed);
    return buf;
}

std::string CommPortCfgPage::ParityText() const {
    switch (port_.parity) {
    case 0:
        return " None ";
    case 1:
        return " Odd ";
    case 2:
        return " Even ";
    default:
        return " " + std::to_string(port_.parity) + " ";
    }
}

std::string CommPortCfgPage::StopBitText() const {
    return " " + std::to_string(port_.stopBits) + " ";
}

std::string CommPortCfgPage::AmplifierText() const {
    return amplifier_ ? " Yes " : " No ";
}

void CommPortCfgPage::Rescan() {
    present_ = ScanSerialDevices(devRoot_);
    RebuildChoices();
}

void CommPortCfgPage::RebuildChoices() {
    choices_.clear();
    choices_.push_back({"", kByPortNumber});
    bool current = port_.device.empty();
    for (const SerialDevice& d : present_) {
        choices_.push_back({d.path, d.label});
        current = current || d.path == port_.device;
    }
    // A device unplugged for now stays chosen: it is the radio's.
    if (!current)
        choices_.push_back({port_.device, port_.device + kNotPresent});
}

std::string CommPortCfgPage::DeviceText() const {
    for (const DeviceChoice& c : choices_)
        if (c.path == port_.device)
            return c.label;
    return port_.device;
}

void CommPortCfgPage::SetDeviceText(std::string_view text) {
    std::string device;
    auto chosen = std::find_if(choices_.begin(), choices_.end(),
                               [&](const DeviceChoice& c) { return c.label == text; });
    if (chosen != choices_.end()) {
        device = chosen->path;
    } else {
        // Typed: blanks around a path are no part of it.
        const auto first = text.find_first_not_of(" \t");
        const auto last = text.find_last_not_of(" \t");
        if (first != std::string_view::npos)
            device = std::string(text.substr(first, last - first + 1));
    }
    if (device == port_.device)
        return;
    port_.device = std::move(device);
    MarkModified();
}

std::string CommPortCfgPage::NextStartText() const {
    if (port_.port == 0)
        return "The next start opens no radio (port None).";
    if (!port_.device.empty())
        return "The next start opens " + port_.device + ".";
    return "The next start opens /dev/ttyS" + std::to_string(port_.port - 1) + ".";
}

std::optional<Refusal> CommPortCfgPage::Validate() const {
    if (std::optional<std::string> problem = cfg::DevicePathProblem(port_.device))
        return Refusal{kDeviceId, *problem};
    return std::nullopt;
}

bool CommPortCfgPage::Apply() {
    if (Validate())
        return false;
    if (amplifier_ != loadedAmplifier_) {
        if (!registry_.SetPaOption(amplifier_ ? 1 : 0))
            return false;
        loadedAmplifier_ = amplifier_;
    }
    if (!registry_.SetCommPort(port_))
        return false;
    modified_ = false;
    return true;
}

// --- Edit HAM Band Info --------------------------------------------------------

int BandInfoCfgPage::EdgeId(int band, bool high) {
    return kEdgeIds[std::size_t(band)][high ? 1 : 0];
}

std::string BandInfoCfgPage::BandLabel(int band) {
    return " " + std::string(kBandNames[std::size_t(band)]);
}

BandInfoCfgPage::BandInfoCfgPage(CRigControlRegistry& registry)
    : registry_(registry), table_(defaultBandTable()) {
    registry_.LoadBandInfo(table_);
    for (int b = 0; b < kBandCount; ++b) {
        // Shown as the signed numbers they are exchanged as.
        edges_[b][0] = std::to_string(static_cast<int32_t>(table_[b].lowHz));
        edges_[b][1] = std::to_string(static_cast<int32_t>(table_[b].highHz));
    }
}

void BandInfoCfgPage::SetEdgeText(int band, bool high, std::string_view text) {
    edges_[band][high] = cfg::ClipUtf8(text, cfg::kTextLimit);
    MarkModified();
}

std::optional<Refusal> BandInfoCfgPage::Validate() const {
    for (int b = 0; b < kBandCount; ++b) {
        const std::string band(kBandNames[std::size_t(b)]);
        std::optional<int32_t> edge[2];
        for (int high = 0; high < 2; ++high) {
            edge[high] = cfg::ParseInteger(edges_[b][high]);
            if (!edge[high])
                return Refusal{EdgeId(b, high), cfg::kNotAnInteger};
            if (*edge[high] < 0)
                return Refusal{EdgeId(b, high), std::string("The ") + (high ? "upper" : "lower") +
                                                    " edge of the " + band +
                                                    " band cannot be negative."};
        }
        if (*edge[0] > *edge[1])
            return Refusal{EdgeId(b, false),
                           "The lower edge of the " + band + " band is above its upper edge."};
    }
    return std::nullopt;
}

bool BandInfoCfgPage::Apply() {
    if (Validate())
        return false;
    BandTable table = table_;
    for (int b = 0; b < kBandCount; ++b) {
        table[b].lowHz = static_cast<uint32_t>(*cfg::ParseInteger(edges_[b][0]));
        table[b].highHz = static_cast<uint32_t>(*cfg::ParseInteger(edges_[b][1]));
    }
    // The store's own table holds these edges now whether or not the file
    // was written; the radio model follows it.
    const bool saved = registry_.SaveBandInfo(table);
    table_ = table;
    if (!saved)
        return false;
    modified_ = false;
    return true;
}

// --- Transmit Memory Key Configuration -------------------------------------------

int MemoryKeyCfgPage::EditId(int key) {
    return kMemoryKeyIds[std::size_t(key)];
}

MemoryKeyCfgPage::MemoryKeyCfgPage(CRigControlRegistry& registry) : registry_(registry) {
    registry_.GetTransmitMemoryKeys(saved_);
    texts_ = saved_;
}

void MemoryKeyCfgPage::SetValue(int key, std::string_view text) {
    texts_[key] = cfg::ClipUtf8(text, cfg::kMemoryTextLimit);
    MarkModified();
}

bool MemoryKeyCfgPage::Apply() {
    if (!registry_.SetTransmitMemoryKeys(texts_))
        return false;
    saved_ = texts_;
    modified_ = false;
    return true;
}

// --- the sheet ---------------------------------------------------------------

const char* ConfigSheet::PageCaption(int page) {
    static constexpr std::array<const char*, kPageCount> captions = {
        "System Configuration", "K2 COMM Port", "Edit HAM Band Info",
        "Transmit Memory Key Configuration"};
    return captions[std::size_t(page)];
}

ConfigSheet::ConfigSheet(CRigControlRegistry& registry, Prompter& prompter,
                         std::filesystem::path devRoot)
    : registry_(registry), prompter_(prompter), system_(registry),
      port_(registry, std::move(devRoot)), bands_(registry), keys_(registry) {}

CfgPage& ConfigSheet::Page(int page) {
    switch (page) {
    case 0:
        return system_;
    case 1:
        return port_;
    case 2:
        return bands_;
    default:
        return keys_;
    }
}

void ConfigSheet::Show(int page) {
    if (page < 0 || page >= kPageCount)
        return;
    // Loaded when first shown; a page left and shown again keeps what was
    // typed on it.
    if (!shown_[page]) {
        if (page == 0)
            system_.Load();
        else if (page == 1)
            port_.Load();
    }
    shown_[page] = true;
}

std::optional<Refusal> ConfigSheet::Refused(int page) {
    return Page(page).Validate();
}

bool ConfigSheet::Leave(int page) {
    if (page < 0 || page >= kPageCount || !shown_[page])
        return true;
    if (std::optional<Refusal> r = Refused(page)) {
        prompter_.tell(r->message, PromptIcon::Error);
        return false;
    }
    return true;
}

bool ConfigSheet::AnyModified() const {
    return system_.Modified() || port_.Modified() || bands_.Modified() || keys_.Modified();
}

ConfigSheet::Outcome ConfigSheet::Apply() {
    for (int page = 0; page < kPageCount; ++page) {
        if (!shown_[page])
            continue;
        if (std::optional<Refusal> r = Refused(page)) {
            prompter_.tell(r->message, PromptIcon::Error);
            return {false, page, r->controlId};
        }
    }
    for (int page = 0; page < kPageCount; ++page) {
        if (shown_[page] && !Page(page).Apply()) {
            prompter_.tell(std::string(kSaveFailed) + ": " +
                               SaveFailureReason(registry_.settingsFile()),
                           PromptIcon::Error);
            return {false, page, 0};
        }
    }
    return {true, -1, 0};
}

std::string SaveFailureReason(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path(file);
    if (fs::exists(path, ec)) {
        if (::access(file.c_str(), R_OK) != 0)
            return "the file " + file + " cannot be read, so it is kept as it is.";
        if (::access(file.c_str(), W_OK) != 0)
            return "the file " + file + " is read-only.";
    }
    const fs::path folder = path.parent_path();
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder " + folder.string() + " cannot be written.";
    return "the file " + file + " could not be written (is it damaged, or the disk full?).";
}

} // namespace tamrel

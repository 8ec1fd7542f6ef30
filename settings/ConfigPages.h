#pragma once
// The logic of the configuration sheet's four pages, without widgets: each
// page loads its values from the settings store, keeps what the user types
// and steps, validates and saves. The running program follows what was saved
// through the store's own change announcements. The sheet's windows
// (CTamrelCfg.h) only show it.
//
// Thread: GUI thread only.

#include "radio/BandTable.h"
#include "settings/CRigControlRegistry.h"
#include "settings/SerialDeviceScan.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

// A value the page will not take: the control that holds it and why.
struct Refusal {
    int controlId = 0;
    std::string message;
};

class CfgPage {
public:
    virtual ~CfgPage() = default;
    bool Modified() const { return modified_; }
    void MarkModified() { modified_ = true; }
    // The first value the page will not take, if any.
    virtual std::optional<Refusal> Validate() const = 0;
    // Saves (after a Validate without refusal); false when the settings file
    // could not be written. The page stays modified then.
    virtual bool Apply() = 0;

protected:
    bool modified_ = false;
};

// Page 1: operator and station data and the logging choices.
class SystemCfgPage final : public CfgPage {
public:
    // WsjtxListen: "WSJT-X Listen", where logged QSOs of WSJT-X or JTDX come from.
    enum Text {
        HomeDir,
        Callsign,
        Name,
        Qth,
        GridSquare,
        CqZone,
        ItuZone,
        UtcOffset,
        Digits,
        WsjtxListen
    };
    static constexpr int kTextCount = 10;
    static constexpr int kLoggingStyleId = 1239;
    static constexpr int kLoggingStyleSpinId = 1046;
    static constexpr int kUseUtcId = 1049;
    static constexpr int kCutNumberId = 1051;
    static int ControlId(Text t);
    static const char* Label(Text t);

    explicit SystemCfgPage(CRigControlRegistry& registry);

    // Reads the store, as each opening of the page does.
    void Load();

    const std::string& Value(Text t) const { return texts_[t]; }
    // Cut to what the store reads back; marks the page modified.
    void SetValue(Text t, std::string_view text);
    // "  Normal " or " Contest ".
    const char* LoggingStyleText() const;
    bool Contest() const { return contest_; }
    void StepLoggingStyle();
    bool UseUtc() const { return useUtc_; }
    void SetUseUtc(bool on);
    bool CutNumbers() const { return cutNumbers_; }
    void SetCutNumbers(bool on);

    std::optional<Refusal> Validate() const override;
    bool Apply() override;

private:
    CRigControlRegistry& registry_;
    std::array<std::string, kTextCount> texts_;
    bool contest_ = false;
    bool useUtc_ = true;
    bool cutNumbers_ = false;
    // Carried unchanged.
    std::string logFileName_;
    uint8_t swLoggingMode_ = 0;
    int32_t counter_ = 1;
    // Last loaded or applied, to tell a change.
    bool rememberedContest_ = false;
    std::string rememberedWsjtx_;
};

// Page 2: the serial port's settings, the device and the amplifier option.
class CommPortCfgPage final : public CfgPage {
public:
    static constexpr int kPortId = 1001, kPortSpinId = 1004;
    static constexpr int kSpeedId = 1007, kSpeedSpinId = 1011;
    static constexpr int kParityId = 1014, kParitySpinId = 1016;
    static constexpr int kStopBitId = 1018, kStopBitSpinId = 1022;
    static constexpr int kAmplifierId = 1020, kAmplifierSpinId = 1024;
    static constexpr int kDeviceId = 1300; // our own addition
    static constexpr int kMaxPort = 18;
    static constexpr std::array<uint16_t, 7> kSpeeds = {300, 1200, 2400, 4800, 9600, 19200, 38400};
    static constexpr char kByPortNumber[] = "(by port number)";
    static constexpr char kNotPresent[] = " (not present)";

    explicit CommPortCfgPage(CRigControlRegistry& registry, std::filesystem::path devRoot = "/dev");

    // Reads the store and scans the devices, as each opening of the page does.
    void Load();

    // `next` is the up arrow; each step marks the page modified.
    void StepPort(bool next);
    void StepSpeed(bool next);
    void StepParity(bool next);
    void StepStopBits();
    void StepAmplifier();

    std::string PortText() const;
    std::string SpeedText() const;
    std::string ParityText() const;
    std::string StopBitText() const;
    std::string AmplifierText() const;
    const CommPortSettings& Settings() const { return port_; }
    bool Amplifier() const { return amplifier_; }

    // The device list: "(by port number)", what is present now, and the
    // stored device when it is not.
    struct DeviceChoice {
        std::string path;
        std::string label;
    };
    const std::vector<DeviceChoice>& DeviceChoices() const { return choices_; }
    void Rescan();
    // The current device as the list shows it.
    std::string DeviceText() const;
    // A choice's label picks that choice; any other text is a typed path.
    void SetDeviceText(std::string_view text);
    // What the next start of the program opens.
    std::string NextStartText() const;

    std::optional<Refusal> Validate() const override;
    bool Apply() override;

private:
    void RebuildChoices();

    CRigControlRegistry& registry_;
    std::filesystem::path devRoot_;
    // Before loading: port 0, 4800 at table position 3, parity 0, one stop bit.
    CommPortSettings port_{0, 4800, 0, 1, {}};
    int speedPos_ = 3; // -1 while a speed outside the table is kept
    bool amplifier_ = false;
    bool loadedAmplifier_ = false;
    std::vector<SerialDevice> present_;
    std::vector<DeviceChoice> choices_;
};

// Page 3: the edges of the nine bands, in Hz.
class BandInfoCfgPage final : public CfgPage {
public:
    static int EdgeId(int band, bool high);
    // " 10M" .. " 160M".
    static std::string BandLabel(int band);

    // Takes its copy of the band table from the store.
    explicit BandInfoCfgPage(CRigControlRegistry& registry);

    const std::string& EdgeText(int band, bool high) const { return edges_[band][high]; }
    void SetEdgeText(int band, bool high, std::string_view text);

    std::optional<Refusal> Validate() const override;
    bool Apply() override;

private:
    CRigControlRegistry& registry_;
    BandTable table_;
    std::array<std::array<std::string, 2>, kBandCount> edges_;
};

// Page 4: the texts of the memory keys F1..F11.
class MemoryKeyCfgPage final : public CfgPage {
public:
    static int EditId(int key);

    // Takes its copy of the texts from the store.
    explicit MemoryKeyCfgPage(CRigControlRegistry& registry);

    const std::string& Value(int key) const { return texts_[key]; }
    // Cut to 253 bytes; marks the page modified.
    void SetValue(int key, std::string_view text);

    std::optional<Refusal> Validate() const override { return std::nullopt; }
    bool Apply() override;

private:
    CRigControlRegistry& registry_;
    MemoryKeyTexts saved_;
    MemoryKeyTexts texts_;
};

// The sheet's own logic: which pages were shown in this run, the Apply
// button's state, and applying every shown page, or none when one refuses.
class ConfigSheet {
public:
    static constexpr int kPageCount = 4;
    static constexpr char kCaption[] = "System Configuration";
    static const char* PageCaption(int page);

    ConfigSheet(CRigControlRegistry& registry, Prompter& prompter,
                std::filesystem::path devRoot = "/dev");
    ConfigSheet(const ConfigSheet&) = delete;
    ConfigSheet& operator=(const ConfigSheet&) = delete;

    SystemCfgPage& System() { return system_; }
    CommPortCfgPage& Port() { return port_; }
    BandInfoCfgPage& Bands() { return bands_; }
    MemoryKeyCfgPage& Keys() { return keys_; }
    CfgPage& Page(int page);

    // A page comes on screen; the system and port pages load at each opening.
    void Show(int page);
    bool Shown(int page) const { return shown_[page]; }
    // Leaving a page: false (and the message told) when it holds a value it
    // will not take.
    bool Leave(int page);
    bool AnyModified() const;

    struct Outcome {
        bool applied = false;
        int page = -1; // the page to show when not applied
        int controlId = 0;
    };
    // OK and Apply: validates every shown page, then saves them in order.
    // A refusal or a failed save is told through the prompter.
    Outcome Apply();

private:
    std::optional<Refusal> Refused(int page);

    CRigControlRegistry& registry_;
    Prompter& prompter_;
    SystemCfgPage system_;
    CommPortCfgPage port_;
    BandInfoCfgPage bands_;
    MemoryKeyCfgPage keys_;
    std::array<bool, kPageCount> shown_{};
};

// The reason a save of `file` failed, for the user.
std::string SaveFailureReason(const std::string& file);

inline constexpr char kSaveFailed[] = "Settings could not be saved";

} // namespace tamrel

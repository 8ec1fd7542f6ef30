// The configuration pages' logic against a settings file in a temporary
// folder: what each page shows, what it stores, what it refuses and what it
// announces; and the serial device scan over a temporary /dev tree.

#include "SettingsFixture.h"
#include "support/FileSizeLimit.h"

#include "settings/ConfigPages.h"
#include "settings/ConfigParse.h"
#include "settings/RegistryDefaults.h"
#include "settings/SerialDeviceScan.h"

#include <filesystem>

using namespace tamrel;
using reg::Value;
using test::read;
using R = CRigControlRegistry;
using Said = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class ConfigPages : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        OpenRegistry();
    }
    // A sheet with `page` shown.
    std::unique_ptr<ConfigSheet> sheet(int page) {
        auto s = std::make_unique<ConfigSheet>(*registry_, prompter_, dev_.path().toStdString());
        s->Show(page);
        return s;
    }
    // Applies a sheet that refuses; the page and control it names, and what it told.
    std::tuple<int, int, Said> refusal(ConfigSheet& s) {
        prompter_.clear();
        const ConfigSheet::Outcome o = s.Apply();
        EXPECT_FALSE(o.applied);
        return {o.page, o.controlId, prompter_.texts()};
    }

    // A device node, or a by-id link to one, in the temporary /dev tree.
    void node(const std::string& name) { std::ofstream(root() / name) << ""; }
    void byId(const std::string& link, const std::string& target) {
        fs::create_directories(root() / "serial" / "by-id");
        fs::create_symlink("../../" + target, root() / "serial" / "by-id" / link);
    }
    fs::path root() const { return dev_.path().toStdString(); }
    std::string at(const std::string& rel) const { return (root() / rel).string(); }

    QTemporaryDir dev_;
};

} // namespace

TEST(ConfigParse, IntegersAndOffsetsAsTheSheetTakesThem) {
    EXPECT_EQ(cfg::ParseInteger("  +5 "), 5);
    EXPECT_EQ(cfg::ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(cfg::ParseInteger("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "+", "+-5", "5a", "1.5", "2147483648", "0x10", "5 5"})
        EXPECT_EQ(cfg::ParseInteger(bad), std::nullopt) << bad;
    // Offsets beyond a day are refused, not wrapped (200 would be stored as 72).
    for (auto [hours, code] : {std::pair{-8, 0x88}, {5, 0x05}, {23, 23}, {-23, 0x97}})
        EXPECT_EQ(cfg::EncodeUtcOffset(hours), code) << hours;
    EXPECT_EQ(cfg::EncodeUtcOffset(200), std::nullopt);
    EXPECT_EQ(cfg::EncodeUtcOffset(-24), std::nullopt);
}

TEST(ConfigParse, ClipsAtWholeCharactersAndChecksDevicePaths) {
    const std::string euros = std::string(78, 'a') + "\xE2\x82\xAC"; // 81 bytes
    EXPECT_EQ(cfg::ClipUtf8(euros, 79), std::string(78, 'a'));
    EXPECT_EQ(cfg::ClipUtf8("abc", 79), "abc");
    EXPECT_EQ(cfg::DevicePathProblem(""), std::nullopt);
    EXPECT_EQ(cfg::DevicePathProblem("/dev/serial/by-id/usb-FTDI_x-if00-port0"), std::nullopt);
    for (const std::string& bad : std::vector<std::string>{"ttyUSB0", "/dev/tty\nUSB0", "/dev/",
                                                           "/" + std::string(5000, 'x')})
        EXPECT_NE(cfg::DevicePathProblem(bad), std::nullopt) << bad.substr(0, 20);
}

TEST(ConfigParse, UdpEndpointsAreAPortOrAnIpv4AddressAndAPort) {
    using E = cfg::UdpEndpoint;
    EXPECT_EQ(cfg::ParseUdpEndpoint("2237"), (E{"127.0.0.1", 2237}));
    EXPECT_EQ(cfg::ParseUdpEndpoint(" 0.0.0.0:65535 "), (E{"0.0.0.0", 65535}));
    EXPECT_EQ(cfg::ParseUdpEndpoint("239.255.0.1:2237"), (E{"239.255.0.1", 2237}));
    EXPECT_TRUE(cfg::ParseUdpEndpoint("224.0.0.1:1")->multicast());
    EXPECT_FALSE(cfg::ParseUdpEndpoint("240.0.0.1:1")->multicast());
    for (const char* bad :
         {"", "0", "65536", "1.2.3:2237", "256.0.0.1:1", "localhost:2237", ":2237"})
        EXPECT_EQ(cfg::ParseUdpEndpoint(bad), std::nullopt) << bad;
}

TEST_F(ConfigPages, SystemPageStoresTheOffsetAsSignAndMagnitudeAndCarriesWhatItDoesNotShow) {
    SystemConfig config = read(*registry_, &R::GetSystemConfig);
    config.logFileName = "Old.Log";
    config.loggingMode = 6;
    ASSERT_TRUE(registry_->SetSystemConfig(config));
    auto s = sheet(0);
    SystemCfgPage& p = s->System();
    EXPECT_EQ(p.Value(SystemCfgPage::UtcOffset),
              std::to_string(utcOffsetHours(DefaultUtcOffset())));
    p.SetValue(SystemCfgPage::UtcOffset, "-8");
    p.SetValue(SystemCfgPage::Callsign, "K1ABC");
    p.SetValue(SystemCfgPage::Qth, std::string(100, 'q'));
    EXPECT_EQ(p.Value(SystemCfgPage::Qth).size(), 79u);
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_EQ(stored("", "Offset from UTC"), Value::ofBinary({0x88}));
    EXPECT_EQ(sheet(0)->System().Value(SystemCfgPage::UtcOffset), "-8");
    config.callsign = "K1ABC";
    config.qth = std::string(79, 'q');
    config.utcOffset = 0x88;
    EXPECT_EQ(read(*registry_, &R::GetSystemConfig), config);
}

TEST_F(ConfigPages, SerialDigitsAreOneSettingWithTheKeyerAndTheCounterIsCarried) {
    StationSettings station = read(*registry_, &R::GetStationSettings);
    station.outputMode = 0x83;
    station.counter = 417;
    ASSERT_TRUE(registry_->SetStationSettings(station));
    registry_->SetCounterSettings({-3, 0x05}); // "Set New Serial No"
    announced();

    auto s = sheet(0);
    SystemCfgPage& p = s->System();
    EXPECT_FALSE(p.CutNumbers());
    EXPECT_EQ(p.Value(SystemCfgPage::Digits), "5");
    p.SetCutNumbers(true);
    p.SetValue(SystemCfgPage::Digits, "3");
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_EQ(announced(), Said{"counter"});
    EXPECT_EQ(read(*registry_, &R::GetCounterSettings), (CounterSettings{-3, 0x83}));
    EXPECT_EQ(stored("Settings", "Output Mode"), Value::ofBinary({0x83}));
    EXPECT_EQ(stored("", "Output Mode"), Value::ofBinary({0x83})); // kept alike
    EXPECT_EQ(stored("", "Counter Value"), Value::ofDword(417));

    // Stored digits above 5 are shown as 5.
    station.outputMode = 0x7F;
    ASSERT_TRUE(registry_->SetStationSettings(station));
    auto more = sheet(0);
    EXPECT_EQ(more->System().Value(SystemCfgPage::Digits), "5");
    EXPECT_FALSE(more->System().CutNumbers());
}

TEST_F(ConfigPages, RefusedValuesKeepEveryPageUnapplied) {
    sheet(0); // the first opening writes the defaults it reads
    const std::string before = fileBytes();
    const std::tuple<SystemCfgPage::Text, const char*, const char*> cases[] = {
        {SystemCfgPage::Digits, "x", cfg::kNotAnInteger},
        {SystemCfgPage::UtcOffset, "200", cfg::kOffsetOutOfRange},
        {SystemCfgPage::HomeDir, "  ", cfg::kEmptyHomeDir},
        {SystemCfgPage::WsjtxListen, "localhost:2237", cfg::kNotAnEndpoint}};
    for (const auto& [field, text, message] : cases) {
        auto fresh = sheet(0);
        fresh->Show(3);
        fresh->Keys().SetValue(0, "CQ CQ DE K1ABC");
        fresh->System().SetValue(field, text);
        EXPECT_EQ(refusal(*fresh), std::tuple(0, SystemCfgPage::ControlId(field), Said{message}))
            << text;
        EXPECT_FALSE(fresh->Leave(0));
        EXPECT_EQ(fileBytes(), before) << text;
    }
    EXPECT_TRUE(announced().empty());
}

TEST_F(ConfigPages, UtcStyleAndWsjtxChangesAreAnnouncedOnce) {
    const std::string name = "Contest2026.QSO.Log";
    ASSERT_TRUE(registry_->SetCurrentLogFileName(name));
    auto s = sheet(0);
    SystemCfgPage& p = s->System();
    EXPECT_TRUE(p.UseUtc());
    p.StepLoggingStyle();
    EXPECT_STREQ(p.LoggingStyleText(), " Contest ");
    p.SetUseUtc(false);
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_EQ(announced(), (Said{"utc", "loggingMode"}));
    EXPECT_EQ(stored("", "QSO Logging Mode"), Value::ofBinary({1}));
    EXPECT_EQ(stored("", "Use UTC in Log"), Value::ofBinary({0}));
    EXPECT_EQ(stored("", "Current Log File Name"), Value::ofText("Tamrel.QSO.Log"));
    EXPECT_FALSE(s->AnyModified());

    // Applying again without a change announces nothing and keeps the file name.
    ASSERT_TRUE(registry_->SetCurrentLogFileName(name));
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_TRUE(announced().empty());
    EXPECT_EQ(stored("", "Current Log File Name"), Value::ofText(name));

    // The WSJT-X endpoint likewise, starting empty.
    EXPECT_EQ(p.Value(SystemCfgPage::WsjtxListen), "");
    const std::pair<const char*, Said> cases[] = {
        {"239.255.0.1:2237", {"wsjtx"}}, {"239.255.0.1:2237", {}}, {"", {"wsjtx"}}};
    for (const auto& [endpoint, said] : cases) {
        p.SetValue(SystemCfgPage::WsjtxListen, endpoint);
        ASSERT_TRUE(s->Apply().applied);
        EXPECT_EQ(registry_->GetWsjtxListen(), endpoint);
        EXPECT_EQ(announced(), said) << endpoint;
    }
}

TEST_F(ConfigPages, PortSpinsStepInTheirRingsFromTheStoredValues) {
    auto s = sheet(1);
    CommPortCfgPage& p = s->Port();
    auto texts = [](auto step, auto text, std::vector<bool> ups) {
        std::vector<std::string> seen{text()};
        for (bool up : ups) {
            step(up);
            seen.push_back(text());
        }
        return seen;
    };
    // Port 1 was stored by the first system read.
    EXPECT_EQ(
        texts([&](bool up) { p.StepPort(up); }, [&] { return p.PortText(); }, {false, false, true}),
        (Said{" COM1 ", " None ", " COM18 ", " None "}));
    EXPECT_EQ(texts([&](bool up) { p.StepSpeed(up); }, [&] { return p.SpeedText(); },
                    {true, true, true, true, false}),
              (Said{"  4800 ", "  9600 ", " 19200 ", " 38400 ", "   300 ", " 38400 "}));
    // The port's own parity codes: 0 none, 1 odd, 2 even.
    EXPECT_EQ(
        texts([&](bool up) { p.StepParity(up); }, [&] { return p.ParityText(); }, {false, false}),
        (Said{" None ", " Even ", " Odd "}));
    EXPECT_TRUE(p.Modified());

    // A sheet opened later shows the stored values, a speed outside the table
    // too, and keeps them until stepped.
    ASSERT_TRUE(registry_->SetCommPort({3, 57600, 2, 2, ""}));
    auto odd = sheet(1);
    EXPECT_EQ(odd->Port().SpeedText(), " 57600 ");
    EXPECT_EQ(odd->Port().ParityText(), " Even ");
    ASSERT_TRUE(odd->Apply().applied);
    EXPECT_EQ(read(*registry_, &R::GetCommPort), (CommPortSettings{3, 57600, 2, 2, ""}));
    odd->Port().StepSpeed(true);
    EXPECT_EQ(odd->Port().SpeedText(), "   300 ");
}

TEST_F(ConfigPages, ChangesAreAnnouncedOnlyWhenSavedAndAFailedSaveKeepsThePageModified) {
    auto s = sheet(0);
    s->Show(1);
    CommPortCfgPage& p = s->Port();
    p.StepAmplifier();
    EXPECT_EQ(p.AmplifierText(), " Yes ");
    s->System().SetValue(SystemCfgPage::Callsign, "K1ABC");
    const std::string before = fileBytes();
    ConfigSheet::Outcome o;
    {
        test::FileSizeLimit full(16);
        o = s->Apply();
    }
    EXPECT_FALSE(o.applied);
    EXPECT_EQ(o.page, 0);
    ASSERT_EQ(prompter_.texts().size(), 1u);
    EXPECT_TRUE(prompter_.texts()[0].starts_with(std::string(kSaveFailed) + ": "));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(s->AnyModified());
    EXPECT_TRUE(announced().empty());
    // Once the disk has room again, the same sheet saves.
    prompter_.clear();
    EXPECT_TRUE(s->Apply().applied);
    EXPECT_EQ(announced(), (Said{"operator", "paOption"}));
    EXPECT_EQ(registry_->GetPaOption(), 1);
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(ConfigPages, BandEdgesAreValidatedSavedAndHandedToThePanel) {
    auto s = sheet(2);
    BandInfoCfgPage& p = s->Bands();
    EXPECT_EQ(p.EdgeText(7, true), "4000000");
    EXPECT_FALSE(s->AnyModified());
    p.SetEdgeText(7, true, "3900000");
    EXPECT_TRUE(s->AnyModified()); // an 80M upper edge alone enables Apply
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_EQ(stored("HAM Band Info", "80M High Band Edge"), Value::ofDword(3900000));
    EXPECT_EQ(announced(), Said{"bands"});
    EXPECT_EQ(registry_->FindBand(3950000), std::nullopt);

    const std::string before = fileBytes();
    const std::tuple<int, bool, const char*, const char*> cases[] = {
        {4, false, "-1", "The lower edge of the 20M band cannot be negative."},
        {6, false, "7400000", "The lower edge of the 40M band is above its upper edge."},
        {1, false, "4294967295", cfg::kNotAnInteger}};
    for (const auto& [band, high, text, message] : cases) {
        auto fresh = sheet(2);
        fresh->Bands().SetEdgeText(band, high, text);
        EXPECT_EQ(refusal(*fresh),
                  std::tuple(2, BandInfoCfgPage::EdgeId(band, high), Said{message}))
            << text;
    }
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(announced().empty());
}

TEST_F(ConfigPages, MemoryTextsAreSavedAndChangedOnesAnnounced) {
    MemoryKeyTexts texts = read(*registry_, &R::GetTransmitMemoryKeys);
    texts[2] = "TEST DE K1ABC";
    ASSERT_TRUE(registry_->SetTransmitMemoryKeys(texts));

    auto s = sheet(3);
    MemoryKeyCfgPage& p = s->Keys();
    EXPECT_EQ(p.Value(2), "TEST DE K1ABC");
    p.SetValue(0, "CQ CQ DE K1ABC K");
    p.SetValue(2, "TEST DE K1ABC"); // typed over with the same text
    p.SetValue(10, std::string(300, 'e'));
    EXPECT_EQ(p.Value(10).size(), 253u);
    ASSERT_TRUE(s->Apply().applied);
    EXPECT_EQ(stored("Transmit Memory Keys", "F1"), Value::ofText("CQ CQ DE K1ABC K"));
    EXPECT_EQ(stored("Transmit Memory Keys", "F11"), Value::ofText(std::string(253, 'e')));
    const std::vector<std::pair<int, std::string>> changed = {
        {2, "TEST DE K1ABC"}, {0, "CQ CQ DE K1ABC K"}, {10, std::string(253, 'e')}};
    EXPECT_EQ(keysAnnounced(), changed);
}

TEST_F(ConfigPages, SerialDevicesListLinksByNameThenNodesInNaturalOrder) {
    for (const char* n : {"ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "tty", "ttySx"})
        node(n);
    byId("usb-FTDI_FT232R_A1-if00-port0", "ttyUSB0");
    byId("usb-gone-if00", "ttyUSB7"); // dangling: unplugged
    const std::vector<SerialDevice> found = ScanSerialDevices(root());
    const std::vector<SerialDevice> expected = {
        {at("serial/by-id/usb-FTDI_FT232R_A1-if00-port0"),
         "usb-FTDI_FT232R_A1-if00-port0 (ttyUSB0)"},
        {at("ttyUSB0"), "ttyUSB0"},
        {at("ttyUSB1"), "ttyUSB1"},
        {at("ttyACM0"), "ttyACM0"},
        {at("ttyS2"), "ttyS2"},
        {at("ttyS10"), "ttyS10"},
    };
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(ScanSerialDevices(root() / "nowhere").empty());
}

TEST_F(ConfigPages, StoredSerialDeviceIsChosenKeptWhenMissingAndCleared) {
    node("ttyUSB0");
    byId("usb-Radio-if00", "ttyUSB0");
    const std::string link = at("serial/by-id/usb-Radio-if00");
    {
        CommPortCfgPage page(*registry_, root());
        page.Load();
        EXPECT_EQ(page.DeviceText(), CommPortCfgPage::kByPortNumber);
        EXPECT_EQ(page.NextStartText(), "The next start opens /dev/ttyS0.");
        ASSERT_EQ(page.DeviceChoices().size(), 3u);
        page.SetDeviceText(page.DeviceChoices()[1].label);
        EXPECT_EQ(page.Settings().device, link);
        EXPECT_EQ(page.NextStartText(), "The next start opens " + link + ".");
        ASSERT_TRUE(page.Apply());
    }
    EXPECT_EQ(stored("Comm Port", "Device"), Value::ofText(link));

    // Unplugged: still chosen, marked, and stored unchanged.
    fs::remove(root() / "ttyUSB0");
    {
        CommPortCfgPage page(*registry_, root());
        page.Load();
        EXPECT_EQ(page.DeviceText(), link + CommPortCfgPage::kNotPresent);
        EXPECT_EQ(page.DeviceChoices().back().path, link);
        page.SetDeviceText(page.DeviceText());
        EXPECT_FALSE(page.Modified());
        ASSERT_TRUE(page.Apply());
        EXPECT_EQ(stored("Comm Port", "Device"), Value::ofText(link));

        // Plugged in again, Rescan finds it.
        node("ttyUSB0");
        page.Rescan();
        EXPECT_EQ(page.DeviceText(), "usb-Radio-if00 (ttyUSB0)");

        // A typed path, then back to the port number.
        page.SetDeviceText("ttyAMA0");
        ASSERT_TRUE(page.Validate());
        EXPECT_EQ(page.Validate()->controlId, CommPortCfgPage::kDeviceId);
        EXPECT_FALSE(page.Apply());
        page.SetDeviceText(CommPortCfgPage::kByPortNumber);
        ASSERT_TRUE(page.Apply());
    }
    EXPECT_EQ(stored("Comm Port", "Device"), Value::ofText(""));
    const CommPortSettings back = read(*registry_, &R::GetCommPort);
    EXPECT_EQ(back.device, "");
    EXPECT_EQ(back.port, 1);
}

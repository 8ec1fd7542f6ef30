#include "SettingsFixture.h"

#include "settings/CRigControlRegistry.h"
#include "settings/RegSettingsFormat.h"
#include "settings/RegistryDefaults.h"

#include <QSettings>

#include <cstdlib>
#include <ctime>

using namespace tamrel;
using reg::Value;

namespace {

class Registry : public test::SettingsFixture {
protected:
    // Removes one value behind the registry's back, as a user editing the file would.
    void removeValue(const QString& sub, const QString& name) {
        QSettings s(QString::fromStdString(file_), reg::settingsFormat());
        s.remove(QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control/") + sub +
                 u'/' + name);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }
    void putByte(const QString& sub, const QString& name, char value) {
        QSettings s(QString::fromStdString(file_), reg::settingsFormat());
        s.setValue(QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control/") + sub +
                       u'/' + name,
                   QByteArray(1, value));
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }
};

} // namespace

TEST_F(Registry, EmptyStoreSystemConfigCreatesEveryDefaultWithItsType) {
    CRigControlRegistry r(prompter_);
    // Start-up reads the colour first; that must not stop the defaults below.
    EXPECT_EQ(r.GetAppColor(), 0xDFB880u);
    EXPECT_EQ(r.GetQsoLoggingMode(), 0);
    SystemConfig config;
    r.GetSystemConfig(config);
    const SystemConfig expected{paths::defaultHomeDir(), "ZZ9ZZ",      "Opname", "Hometown, ST",
                                DefaultUtcOffset(),      "Tamrel.Log", 0};
    EXPECT_EQ(config, expected);
    EXPECT_TRUE(prompter_.texts().empty());
    EXPECT_EQ(*r.GetMacroVariable(1), "ZZ9ZZ");
    EXPECT_EQ(*r.GetMacroVariable(2), "Opname");
    EXPECT_EQ(*r.GetMacroVariable(3), "Hometown, ST");

    const reg::Document doc = onDisk();
    EXPECT_EQ(doc.at(keyPath()),
              (reg::Values{{"HomeDir", Value::ofText(paths::defaultHomeDir())},
                           {"Callsign", Value::ofText("ZZ9ZZ")},
                           {"Name", Value::ofText("Opname")},
                           {"QTH", Value::ofText("Hometown, ST")},
                           {"Offset from UTC", Value::ofBinary({DefaultUtcOffset()})},
                           {"Log File Name", Value::ofText("Tamrel.Log")},
                           {"SW Logging Mode", Value::ofBinary({0})}}));
    EXPECT_EQ(doc.at(keyPath("Window Size")),
              (reg::Values{{"Top Left", Value::ofDword(0)},
                           {"Bottom Right", Value::ofDword(639u << 16 | 479u)}}));
    EXPECT_EQ(doc.at(keyPath("Comm Port")), (reg::Values{{"Port", Value::ofBinary({1})},
                                                         {"Speed", Value::ofBinary({0x12, 0xC0})},
                                                         {"Parity", Value::ofBinary({0})},
                                                         {"Stop bit", Value::ofBinary({1})}}));

    // Values the user changed are read back, and a missing one gets its default.
    SystemConfig mine = config;
    mine.callsign = "N0CALL";
    mine.utcOffset = 0x05;
    ASSERT_TRUE(r.SetSystemConfig(mine));
    removeValue(QString(), QStringLiteral("QTH"));
    SystemConfig back;
    r.GetSystemConfig(back);
    EXPECT_EQ(back, mine);
    EXPECT_EQ(utcOffsetHours(back.utcOffset), 5);
    EXPECT_EQ(utcOffsetHours(0x87), -7);
    EXPECT_EQ(stored("", "QTH"), Value::ofText("Hometown, ST"));
    EXPECT_EQ(*r.GetMacroVariable(1), "N0CALL");
}

TEST_F(Registry, CommPortFirstUseOpensNoPortAndStoresPortOne) {
    CRigControlRegistry r(prompter_);
    CommPortSettings port{7, 1, 2, 3, "x"};
    r.GetCommPort(port);
    EXPECT_EQ(port, (CommPortSettings{0, 4800, 0, 1, ""}));
    EXPECT_EQ(stored("Comm Port", "Port"), Value::ofBinary({1}));
    r.GetCommPort(port);
    EXPECT_EQ(port.port, 1);

    port = {3, 9600, 2, 2, ""};
    ASSERT_TRUE(r.SetCommPort(port));
    EXPECT_EQ(stored("Comm Port", "Speed"), Value::ofBinary({0x25, 0x80}));
    EXPECT_EQ(stored("Comm Port", "Device"), Value::ofText("<missing>")); // never created empty
    CommPortSettings back;
    r.GetCommPort(back);
    EXPECT_EQ(back, port);

    port.device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-with-a-long-name-"
                  "beyond-eighty-characters";
    ASSERT_TRUE(r.SetCommPort(port));
    r.GetCommPort(back);
    EXPECT_EQ(back, port);
    port.device.clear();
    ASSERT_TRUE(r.SetCommPort(port));
    back.device = "stale";
    r.GetCommPort(back);
    EXPECT_EQ(back.device, "");
}

TEST_F(Registry, WindowRectanglesAreSanitisedAndPackedIn16BitHalves) {
    CRigControlRegistry r(prompter_);
    WindowRect rect{1, 2, 3, 4};
    r.GetWindowRect(rect); // no key yet
    EXPECT_EQ(rect, (WindowRect{0, 0, 639, 479}));
    r.CreateWindowSizeKey();

    r.SetWindowRect({100, 50, 740, 530});
    EXPECT_EQ(stored("Window Size", "Top Left"), Value::ofDword(100u << 16 | 50u));
    EXPECT_EQ(stored("Window Size", "Bottom Right"), Value::ofDword(740u << 16 | 530u));
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{100, 50, 740, 530}));

    // Too wide (or too tall) is replaced, on write and on read.
    r.SetWindowRect({0, 0, 1100, 500});
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{0, 0, 639, 479}));
    r.SetWindowRect({10, 10, 1034, 778}); // 1024 x 768 fits
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{10, 10, 1034, 778}));
    r.SetWindowRect({10, 10, 1034, 779});
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{0, 0, 639, 479}));
    // Left of or above the origin (a second screen) comes back as it was.
    r.SetWindowRect({-56, -8, 855, 579});
    EXPECT_EQ(stored("Window Size", "Top Left"), Value::ofDword(0xFFC8FFF8u));
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{-56, -8, 855, 579}));

    // The first-layout rectangle is separate; a missing word reads as 0.
    r.SetFirstLayoutRect({5, 6, 300, 200});
    removeValue(QStringLiteral("Window Size"), QStringLiteral("Original Top Left"));
    r.GetFirstLayoutRect(rect);
    EXPECT_EQ(rect, (WindowRect{0, 0, 300, 200}));
    r.GetWindowRect(rect);
    EXPECT_EQ(rect, (WindowRect{-56, -8, 855, 579}));
}

TEST_F(Registry, BandTableLookupsAndPersistence) {
    CRigControlRegistry r(prompter_);
    ASSERT_TRUE(r.FindBand(7300000));
    EXPECT_EQ(r.FindBand(7300000)->label, "  40M");
    EXPECT_EQ(r.FindBand(7000000)->index, 6);
    EXPECT_FALSE(r.FindBand(7300001));
    EXPECT_EQ(r.FindBand(29900000)->label, "  10M");
    EXPECT_EQ(r.GetBandLabel(8), "  160M");
    EXPECT_EQ(r.GetBandLabel(9), "");
    EXPECT_EQ(r.GetBandLabel(-1), "");
    // First use created the key with every edge.
    EXPECT_EQ(stored("HAM Band Info", "10M High Band Edge"), Value::ofDword(29960000));
    EXPECT_EQ(stored("HAM Band Info", "160M Low Band Edge"), Value::ofDword(1800000));

    BandTable table = defaultBandTable();
    table[6].highHz = 7350000;
    ASSERT_TRUE(r.SaveBandInfo(table));
    EXPECT_EQ(r.FindBand(7340000)->index, 6);
    EXPECT_EQ(stored("HAM Band Info", "40M High Band Edge"), Value::ofDword(7350000));

    // Another object reads the stored edges; a missing edge keeps the caller's.
    CRigControlRegistry other(prompter_);
    EXPECT_EQ(other.FindBand(7340000)->index, 6);
    removeValue(QStringLiteral("HAM Band Info"), QStringLiteral("20M Low Band Edge"));
    BandTable loaded{};
    loaded[4].lowHz = 12345;
    other.LoadBandInfo(loaded);
    EXPECT_EQ(loaded[4].lowHz, 12345u);
    EXPECT_EQ(loaded[6], (BandRecord{"  40M", 6, 7000000, 7350000}));

    // The in-memory table is reread only when marked stale.
    BandTable narrow = table;
    narrow[6].highHz = 7100000;
    CRigControlRegistry writer(prompter_);
    ASSERT_TRUE(writer.SaveBandInfo(narrow));
    EXPECT_TRUE(r.FindBand(7340000));
    r.MarkBandTableStale();
    EXPECT_FALSE(r.FindBand(7340000));
}

TEST_F(Registry, VfoFrequenciesAndMemoryKeys) {
    CRigControlRegistry r(prompter_);
    VfoMemory vfo{};
    r.GetVfoFrequencies(vfo);
    EXPECT_EQ(vfo, defaultVfoMemory());
    EXPECT_EQ(stored("VFO Frequencies", "160M VFOB Freq"), Value::ofDword(1810000));

    vfo[6] = {7030000, 7040500};
    vfo[0].b = 28500000;
    EXPECT_TRUE(r.SetVfoFrequencies(vfo));
    EXPECT_EQ(stored("VFO Frequencies", "40M VFOA Freq"), Value::ofDword(7030000));
    EXPECT_EQ(stored("VFO Frequencies", "40M VFOB Freq"), Value::ofDword(7040500));
    VfoMemory back{};
    r.GetVfoFrequencies(back);
    EXPECT_EQ(back, vfo);

    MemoryKeyTexts keys;
    keys.fill("old");
    r.GetTransmitMemoryKeys(keys);
    EXPECT_EQ(keys, MemoryKeyTexts{});
    EXPECT_EQ(onDisk().at(keyPath("Transmit Memory Keys")).size(), 11u);
    r.SetTransmitMemoryKey(10, "CQ CQ DE %1 K");
    r.SetTransmitMemoryKey(11, "ignored");
    EXPECT_EQ(stored("Transmit Memory Keys", "F11"), Value::ofText("CQ CQ DE %1 K"));
    EXPECT_EQ(stored("Transmit Memory Keys", "F12"), Value::ofText("<missing>"));
    keys[0] = std::string(300, 'E'); // longer than the 253 the reader takes
    keys[1] = "TU \"73\" \\ EE";
    ASSERT_TRUE(r.SetTransmitMemoryKeys(keys));
    MemoryKeyTexts read;
    r.GetTransmitMemoryKeys(read);
    EXPECT_EQ(read[0], std::string(253, 'E'));
    EXPECT_EQ(read[1], keys[1]);
    EXPECT_EQ(read[10], "");
}

TEST_F(Registry, MacroVariablesOnlyOneToNine) {
    CRigControlRegistry r(prompter_);
    for (int id = 1; id <= 9; ++id)
        EXPECT_TRUE(r.SetMacroVariable(id, "v" + std::to_string(id)));
    EXPECT_FALSE(r.SetMacroVariable(10, "x"));
    EXPECT_FALSE(r.SetMacroVariable(0, "x"));
    EXPECT_FALSE(r.GetMacroVariable(10));
    EXPECT_FALSE(r.GetMacroVariable(0));
    for (int id = 1; id <= 9; ++id)
        EXPECT_EQ(*r.GetMacroVariable(id), "v" + std::to_string(id));
}

TEST_F(Registry, SettingsKeyGroups) {
    CRigControlRegistry r(prompter_);
    ScanLimits limits{5, 6};
    r.GetScanLimits(limits);
    EXPECT_EQ(limits, (ScanLimits{0, 0}));
    r.SetScanLimits({7000000, 7100000});
    r.GetScanLimits(limits);
    EXPECT_EQ(limits, (ScanLimits{7000000, 7100000}));
    removeValue(QStringLiteral("Settings"), QStringLiteral("Scan High Limit"));
    r.GetScanLimits(limits);
    EXPECT_EQ(limits, (ScanLimits{0, 0}));
    EXPECT_EQ(stored("Settings", "Scan Low Limit"), Value::ofDword(0));
    EXPECT_EQ(stored("Settings", "Scan High Limit"), Value::ofDword(0));

    CounterSettings counter{9, 9};
    r.GetCounterSettings(counter);
    EXPECT_EQ(counter, (CounterSettings{1, 0}));
    r.SetCounterSettings({-3, 0x83});
    removeValue(QStringLiteral("Settings"), QStringLiteral("Output Mode"));
    r.GetCounterSettings(counter);
    EXPECT_EQ(counter, (CounterSettings{-3, 0}));
    EXPECT_EQ(stored("Settings", "Output Mode"), Value::ofBinary({0}));
    // A file whose digits were set on the configuration sheet only, at the
    // root, while the keyer's stayed 0: both read the sheet's from then on.
    putByte(QString(), QStringLiteral("Output Mode"), 0x03);
    r.GetCounterSettings(counter);
    EXPECT_EQ(counter, (CounterSettings{-3, 3}));
    EXPECT_EQ(stored("Settings", "Output Mode"), Value::ofBinary({3}));
    r.SetCounterSettings({-3, 0}); // 0 digits chosen later stays 0
    r.GetCounterSettings(counter);
    EXPECT_EQ(counter, (CounterSettings{-3, 0}));
    EXPECT_EQ(stored("", "Output Mode"), Value::ofBinary({0}));

    uint8_t range = 9;
    r.GetTuningRange(range);
    EXPECT_EQ(range, 0);
    r.SetTuningRange(4);
    r.GetTuningRange(range);
    EXPECT_EQ(range, 4);

    uint8_t together = 0;
    r.GetWindowsMoveTogether(together);
    EXPECT_EQ(together, 1);
    EXPECT_EQ(stored("Window Size", "Windows Move Together"), Value::ofBinary({1}));
    r.SetWindowsMoveTogether(0);
    r.GetWindowsMoveTogether(together);
    EXPECT_EQ(together, 0);
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(Registry, RootGroupsAndTheirDefaults) {
    CRigControlRegistry r(prompter_);
    // A first start takes the offset from this computer's zone (five hours west).
    const char* oldZone = std::getenv("TZ");
    const std::string savedZone = oldZone ? oldZone : "";
    setenv("TZ", "<-05>5", 1);
    tzset();
    UtcSettings utc{7, 7};
    r.GetUtcSettings(utc); // no root yet: the defaults
    EXPECT_EQ(utc, (UtcSettings{1, 0x85}));
    r.GetUtcSettings(utc); // root exists, flag missing: its default is written
    EXPECT_EQ(utc, (UtcSettings{1, 0x85}));
    setenv("TZ", "<+0530>-5:30", 1); // rounds to six hours east
    tzset();
    EXPECT_EQ(DefaultUtcOffset(), 0x06);
    oldZone ? setenv("TZ", savedZone.c_str(), 1) : unsetenv("TZ");
    tzset();
    EXPECT_EQ(stored("", "Use UTC in Log"), Value::ofBinary({1}));

    EXPECT_EQ(r.GetAppColor(), 0xDFB880u);
    EXPECT_EQ(stored("", "Application Color"), Value::ofDword(0xDFB880));
    r.SetAppColor(0x123456);
    EXPECT_EQ(r.GetAppColor(), 0x123456u);
    EXPECT_EQ(r.GetQsoLoggingMode(), 0);
    ASSERT_TRUE(r.SetQsoLoggingMode(1));
    EXPECT_EQ(r.GetQsoLoggingMode(), 1);
    EXPECT_EQ(r.GetPaOption(), 0);
    ASSERT_TRUE(r.SetPaOption(1));
    EXPECT_EQ(r.GetPaOption(), 1);
    // The network server is off until an address is written; nothing is stored for it.
    EXPECT_EQ(r.GetNetworkServer(), "");
    EXPECT_EQ(stored("", "Network Server"), Value::ofText("<missing>"));
    r.SetNetworkServer("127.0.0.1:4532");
    EXPECT_EQ(r.GetNetworkServer(), "127.0.0.1:4532");
    EXPECT_EQ(stored("", "Network Server"), Value::ofText("127.0.0.1:4532"));

    std::string name;
    r.GetCurrentLogFileName(name);
    EXPECT_EQ(name, "Tamrel.QSO.Log");
    ASSERT_TRUE(r.SetCurrentLogFileName("Field Day.QSO.Log"));
    r.GetCurrentLogFileName(name);
    EXPECT_EQ(name, "Field Day.QSO.Log");

    StationSettings station;
    r.GetStationSettings(station);
    EXPECT_EQ(station, (StationSettings{"AA00aa", "3", "6", 1, 0, 1}));
    EXPECT_EQ(stored("", "GridSquare"), Value::ofText("AA00aa"));
    station = {"JO62qm", "14", "28", 1234, 0x84, 0};
    ASSERT_TRUE(r.SetStationSettings(station));
    StationSettings back;
    r.GetStationSettings(back);
    EXPECT_EQ(back, station);

    std::string dir;
    r.GetHomeDir(dir);
    EXPECT_EQ(dir, std::string(::getenv("HOME") ? ::getenv("HOME") : "") + "/Tamrel");
    uint8_t mode = 9;
    r.GetLoggingMode(mode);
    EXPECT_EQ(mode, 0);
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(Registry, StoredFileRoundTripsExactly) {
    {
        CRigControlRegistry r(prompter_);
        SystemConfig config;
        r.GetSystemConfig(config);
        config.qth = "Back\\slash \"quoted\" town";
        ASSERT_TRUE(r.SetSystemConfig(config));
        VfoMemory vfo;
        r.GetVfoFrequencies(vfo);
        MemoryKeyTexts keys;
        r.GetTransmitMemoryKeys(keys);
        ScanLimits limits;
        r.GetScanLimits(limits);
        BandTable t;
        r.LoadBandInfo(t);
    }
    const std::string first = fileBytes();
    reg::ParseResult parsed = reg::parse(first);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(reg::write(parsed.doc), first);

    // A fresh object reads it back unchanged, and writing the same values
    // again gives the same bytes.
    CRigControlRegistry again(prompter_);
    SystemConfig config;
    again.GetSystemConfig(config);
    EXPECT_EQ(config.qth, "Back\\slash \"quoted\" town");
    ASSERT_TRUE(again.SetSystemConfig(config));
    EXPECT_EQ(fileBytes(), first);
}

TEST_F(Registry, ALongHomeFolderIsStoredWhole) {
    const char* saved = ::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    const std::string home = "/home/" + std::string(120, 'h') + "/op";
    ::setenv("HOME", home.c_str(), 1);
    const std::string dir = home + "/Tamrel";
    {
        CRigControlRegistry r(prompter_);
        SystemConfig config;
        r.GetSystemConfig(config);
        EXPECT_EQ(config.homeDir, dir);
        EXPECT_NE(fileBytes().find("\r\n\"HomeDir\"=\"" + dir + "\"\r\n"), std::string::npos);

        // Read back whole, also by an object that did not write it.
        CRigControlRegistry fresh(prompter_);
        std::string back;
        fresh.GetHomeDir(back);
        EXPECT_EQ(back, dir);
        SystemConfig again;
        fresh.GetSystemConfig(again);
        EXPECT_EQ(again, config);

        // Written as the default when it is missing, and when the user sets one.
        removeValue(QString(), QStringLiteral("HomeDir"));
        fresh.GetHomeDir(back);
        EXPECT_EQ(stored("", "HomeDir"), Value::ofText(dir));
        config.homeDir = "/srv/" + std::string(300, 'd');
        ASSERT_TRUE(fresh.SetSystemConfig(config));
        EXPECT_EQ(stored("", "HomeDir"), Value::ofText(config.homeDir));
        fresh.GetSystemConfig(again);
        EXPECT_EQ(again.homeDir, config.homeDir);
        EXPECT_TRUE(prompter_.texts().empty());
    }
    if (saved)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

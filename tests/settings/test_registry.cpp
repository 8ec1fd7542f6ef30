#include "SettingsFixture.h"
#include "support/FileSizeLimit.h"

#include "settings/CRigControlRegistry.h"
#include "settings/RegistryDefaults.h"
#include "settings/WindowPlacement.h"

#include <QFileInfo>
#include <QLockFile>

#include <chrono>
#include <cstdlib>
#include <ctime>

using namespace tamrel;
using reg::Value;
using test::read;
using R = CRigControlRegistry;
using Registry = test::SettingsFixture;
using RegistryFailures = test::SettingsFixture;
using Texts = std::vector<std::string>;

namespace {

const std::string kRootKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZZ9ZZ Software\\Rig Control";
const std::string kHead = "REGEDIT4\r\n\r\n" + kRootKey + "]\r\n";

// The root's values as a person typing Windows-1252 text would leave them.
const std::string kAnsiValues = "\"HomeDir\"=\"/data\"\r\n"
                                "\"Log File Name\"=\"x.Log\"\r\n"
                                "\"Name\"=\"Fran\xE7ois\"\r\n"
                                "\"Offset from UTC\"=hex:85\r\n"
                                "\"QTH\"=\"Montr\xE9"
                                "al\"\r\n";

} // namespace

TEST_F(Registry, EmptyStoreSystemConfigCreatesEveryDefaultWithItsType) {
    R r(prompter_);
    // Start-up reads the colour first; that must not stop the defaults below.
    EXPECT_EQ(r.GetAppColor(), 0xDFB880u);
    EXPECT_EQ(r.GetQsoLoggingMode(), 0);
    const SystemConfig config = read(r, &R::GetSystemConfig);
    EXPECT_EQ(config, (SystemConfig{paths::defaultHomeDir(), "ZZ9ZZ", "Opname", "Hometown, ST",
                                    DefaultUtcOffset(), "Tamrel.Log", 0}));
    EXPECT_TRUE(prompter_.texts().empty());
    EXPECT_EQ(*r.GetMacroVariable(1), "ZZ9ZZ");
    EXPECT_EQ(onDisk().at(keyPath()).size(), 7u); // each default written
    EXPECT_EQ(stored("", "Offset from UTC"), Value::ofBinary({DefaultUtcOffset()}));

    // Values the user changed are read back, and a missing one gets its default.
    SystemConfig mine = config;
    mine.callsign = "N0CALL";
    mine.utcOffset = 0x05;
    ASSERT_TRUE(r.SetSystemConfig(mine));
    edit("", "QTH");
    const SystemConfig back = read(r, &R::GetSystemConfig);
    EXPECT_EQ(back, mine);
    EXPECT_EQ(utcOffsetHours(0x87), -7);
    EXPECT_EQ(stored("", "QTH"), Value::ofText("Hometown, ST"));
    EXPECT_EQ(*r.GetMacroVariable(1), "N0CALL");
}

TEST_F(Registry, CommPortFirstUseOpensNoPortAndStoresPortOne) {
    R r(prompter_);
    EXPECT_EQ(read(r, &R::GetCommPort, {7, 1, 2, 3, "x"}), (CommPortSettings{0, 4800, 0, 1, ""}));
    EXPECT_EQ(stored("Comm Port", "Port"), Value::ofBinary({1}));
    EXPECT_EQ(read(r, &R::GetCommPort).port, 1);

    CommPortSettings port{3, 9600, 2, 2, ""};
    ASSERT_TRUE(r.SetCommPort(port));
    EXPECT_EQ(stored("Comm Port", "Speed"), Value::ofBinary({0x25, 0x80}));
    EXPECT_EQ(stored("Comm Port", "Device"), Value::ofText("<missing>")); // never created empty
    EXPECT_EQ(read(r, &R::GetCommPort), port);
    port.device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-with-a-long-name-"
                  "beyond-eighty-characters";
    ASSERT_TRUE(r.SetCommPort(port));
    EXPECT_EQ(read(r, &R::GetCommPort), port);
}

TEST_F(Registry, WindowRectanglesAreSanitisedAndPackedIn16BitHalves) {
    R r(prompter_);
    const WindowRect standard{0, 0, 639, 479};
    EXPECT_EQ(read(r, &R::GetWindowRect, {1, 2, 3, 4}), standard); // no key yet
    r.CreateWindowSizeKey();
    const std::pair<WindowRect, WindowRect> cases[] = {
        {{100, 50, 740, 530}, {100, 50, 740, 530}},
        {{10, 10, 1034, 778}, {10, 10, 1034, 778}}, // 1024 x 768 fits
        {{10, 10, 1034, 779}, standard},            // taller (or wider) is replaced
        // Left of or above the origin (a second screen) comes back as it was.
        {{-56, -8, 855, 579}, {-56, -8, 855, 579}},
    };
    for (const auto& [set, expected] : cases) {
        r.SetWindowRect(set);
        EXPECT_EQ(read(r, &R::GetWindowRect), expected) << set.right << "," << set.bottom;
    }
    EXPECT_EQ(stored("Window Size", "Top Left"), Value::ofDword(0xFFC8FFF8u));
    EXPECT_EQ(stored("Window Size", "Bottom Right"), Value::ofDword(855u << 16 | 579u));
}

// Memory dialogs and the switch panel go right under the panel's saved frame.
TEST(WindowPlacement, BelowTheSavedRectangleAndAsWideWhenItIsLargeEnough) {
    const WindowRect main{100, 50, 900, 650};
    EXPECT_EQ(PlaceBelow(main, QSize(800, 600)), QRect(100, 651, 800, 600));
    EXPECT_EQ(PlaceBelow(main, QSize(600, 300)), QRect(100, 651, 800, 300));
    EXPECT_FALSE(PlaceBelow(main, QSize(801, 300)));
    EXPECT_FALSE(PlaceBelow(main, QSize(600, 601)));
    EXPECT_FALSE(PlaceBelow({0, 0, -5, -5}, QSize(1, 1)));
    EXPECT_FALSE(PlaceBelow({INT32_MIN, 0, INT32_MAX, 10}, QSize(1, 1)));
    EXPECT_FALSE(PlaceBelow({0, 0, 10, INT32_MAX}, QSize(1, 1)));
}

TEST_F(Registry, BandTableLookupsAndPersistence) {
    R r(prompter_);
    ASSERT_TRUE(r.FindBand(7300000));
    EXPECT_EQ(r.FindBand(7300000)->label, "  40M");
    EXPECT_EQ(r.FindBand(7000000)->index, 6);
    EXPECT_FALSE(r.FindBand(7300001));
    EXPECT_EQ(r.GetBandLabel(9), "");
    // First use created the key with every edge.
    EXPECT_EQ(stored("HAM Band Info", "10M High Band Edge"), Value::ofDword(29960000));

    BandTable table = defaultBandTable();
    table[6].highHz = 7350000;
    ASSERT_TRUE(r.SaveBandInfo(table));
    EXPECT_EQ(r.FindBand(7340000)->index, 6);
    EXPECT_EQ(stored("HAM Band Info", "40M High Band Edge"), Value::ofDword(7350000));

    // Another object reads the stored edges; a missing edge keeps the caller's.
    R other(prompter_);
    edit("HAM Band Info", "20M Low Band Edge");
    BandTable loaded{};
    loaded[4].lowHz = 12345;
    other.LoadBandInfo(loaded);
    EXPECT_EQ(loaded[4].lowHz, 12345u);
    EXPECT_EQ(loaded[6], (BandRecord{"  40M", 6, 7000000, 7350000}));

    // The in-memory table is reread only when marked stale.
    table[6].highHz = 7100000;
    ASSERT_TRUE(R(prompter_).SaveBandInfo(table));
    EXPECT_TRUE(r.FindBand(7340000));
    r.MarkBandTableStale();
    EXPECT_FALSE(r.FindBand(7340000));
}

TEST_F(Registry, VfoFrequenciesMemoryKeysAndMacroVariables) {
    R r(prompter_);
    VfoMemory vfo = read(r, &R::GetVfoFrequencies);
    EXPECT_EQ(vfo, defaultVfoMemory());
    EXPECT_EQ(stored("VFO Frequencies", "160M VFOB Freq"), Value::ofDword(1810000));
    vfo[6] = {7030000, 7040500};
    vfo[0].b = 28500000;
    EXPECT_TRUE(r.SetVfoFrequencies(vfo));
    EXPECT_EQ(stored("VFO Frequencies", "40M VFOB Freq"), Value::ofDword(7040500));
    EXPECT_EQ(read(r, &R::GetVfoFrequencies), vfo);

    MemoryKeyTexts keys;
    keys.fill("old");
    EXPECT_EQ(read(r, &R::GetTransmitMemoryKeys, keys), MemoryKeyTexts{});
    EXPECT_EQ(onDisk().at(keyPath("Transmit Memory Keys")).size(), 11u);
    r.SetTransmitMemoryKey(10, "CQ CQ DE %1 K");
    r.SetTransmitMemoryKey(11, "ignored");
    EXPECT_EQ(stored("Transmit Memory Keys", "F11"), Value::ofText("CQ CQ DE %1 K"));
    EXPECT_EQ(stored("Transmit Memory Keys", "F12"), Value::ofText("<missing>"));
    keys[0] = std::string(300, 'E'); // longer than the 253 the reader takes
    keys[1] = "TU \"73\" \\ EE";
    keys[10] = "";
    ASSERT_TRUE(r.SetTransmitMemoryKeys(keys));
    MemoryKeyTexts expected = keys;
    expected[0].resize(253);
    EXPECT_EQ(read(r, &R::GetTransmitMemoryKeys), expected);

    // Macro variables are 1 to 9 only.
    for (int id = 0; id <= 10; ++id) {
        const std::string v = "v" + std::to_string(id);
        const bool taken = id >= 1 && id <= 9;
        EXPECT_EQ(r.SetMacroVariable(id, v), taken) << id;
        EXPECT_EQ(r.GetMacroVariable(id), taken ? std::optional(v) : std::nullopt) << id;
    }
}

TEST_F(Registry, SettingsKeyGroups) {
    R r(prompter_);
    r.SetScanLimits({7000000, 7100000});
    edit("Settings", "Scan High Limit");
    EXPECT_EQ(read(r, &R::GetScanLimits, {5, 6}), (ScanLimits{0, 0}));
    EXPECT_EQ(stored("Settings", "Scan High Limit"), Value::ofDword(0));

    EXPECT_EQ(read(r, &R::GetCounterSettings, {9, 9}), (CounterSettings{1, 0}));
    r.SetCounterSettings({-3, 0x83});
    edit("Settings", "Output Mode");
    EXPECT_EQ(read(r, &R::GetCounterSettings), (CounterSettings{-3, 0}));
    EXPECT_EQ(stored("Settings", "Output Mode"), Value::ofBinary({0}));
    // A file whose digits were set on the configuration sheet only, at the
    // root, while the keyer's stayed 0: both read the sheet's from then on.
    edit("", "Output Mode", QByteArray(1, 0x03));
    EXPECT_EQ(read(r, &R::GetCounterSettings), (CounterSettings{-3, 3}));
    EXPECT_EQ(stored("Settings", "Output Mode"), Value::ofBinary({3}));
    r.SetCounterSettings({-3, 0}); // 0 digits chosen later stays 0
    EXPECT_EQ(read(r, &R::GetCounterSettings), (CounterSettings{-3, 0}));
    EXPECT_EQ(stored("", "Output Mode"), Value::ofBinary({0}));

    EXPECT_EQ(read(r, &R::GetWindowsMoveTogether), 1);
    EXPECT_EQ(stored("Window Size", "Windows Move Together"), Value::ofBinary({1}));
    r.SetWindowsMoveTogether(0);
    EXPECT_EQ(read<uint8_t>(r, &R::GetWindowsMoveTogether, 1), 0);
    EXPECT_TRUE(prompter_.texts().empty());
}

// With a home folder longer than the 80 characters older settings held.
TEST_F(Registry, RootGroupsTheirDefaultsAndALongHomeFolder) {
    const std::string savedHome = std::getenv("HOME") ?: "";
    const std::string home = "/home/" + std::string(120, 'h') + "/op";
    ::setenv("HOME", home.c_str(), 1);
    const std::string dir = home + "/Tamrel";
    R r(prompter_);
    // A first start takes the offset from this computer's zone (five hours west).
    const std::string zone = std::getenv("TZ") ?: "";
    ::setenv("TZ", "<-05>5", 1);
    ::tzset();
    EXPECT_EQ(read(r, &R::GetUtcSettings, {7, 7}), (UtcSettings{1, 0x85})); // no root yet
    // Root exists, flag missing: its default is written.
    EXPECT_EQ(read(r, &R::GetUtcSettings, {7, 7}), (UtcSettings{1, 0x85}));
    ::setenv("TZ", "<+0530>-5:30", 1); // rounds to six hours east
    ::tzset();
    EXPECT_EQ(DefaultUtcOffset(), 0x06);
    zone.empty() ? ::unsetenv("TZ") : ::setenv("TZ", zone.c_str(), 1);
    ::tzset();
    EXPECT_EQ(stored("", "Use UTC in Log"), Value::ofBinary({1}));

    // The network server is off until an address is written; nothing is stored for it.
    EXPECT_EQ(r.GetNetworkServer(), "");
    EXPECT_EQ(stored("", "Network Server"), Value::ofText("<missing>"));
    r.SetNetworkServer("127.0.0.1:4532");
    EXPECT_EQ(r.GetNetworkServer(), "127.0.0.1:4532");
    EXPECT_EQ(stored("", "Network Server"), Value::ofText("127.0.0.1:4532"));

    // The home folder is stored whole, and read back whole by an object that
    // did not write it.
    SystemConfig config = read(r, &R::GetSystemConfig);
    EXPECT_EQ(config.homeDir, dir);
    EXPECT_NE(fileBytes().find("\r\n\"HomeDir\"=\"" + dir + "\"\r\n"), std::string::npos);
    R fresh(prompter_);
    EXPECT_EQ(read(fresh, &R::GetHomeDir), dir);
    EXPECT_EQ(read(fresh, &R::GetSystemConfig), config);
    config.homeDir = "/srv/" + std::string(300, 'd');
    ASSERT_TRUE(fresh.SetSystemConfig(config));
    EXPECT_EQ(stored("", "HomeDir"), Value::ofText(config.homeDir));
    EXPECT_EQ(read(fresh, &R::GetSystemConfig).homeDir, config.homeDir);
    EXPECT_TRUE(prompter_.texts().empty());
    ::setenv("HOME", savedHome.c_str(), 1);
}

// A crash between the creation of the lock beside the settings and its first
// write leaves it empty; it must not hold up the saves of the next start for
// the half minute it takes to age. A lock someone alive holds stays.
TEST_F(Registry, ALockLeftEmptyBesideTheFileHoldsUpNoSaveAndALiveOneStays) {
    const QString lockPath = QString::fromStdString(file_) + ".lock";
    writeFile("REGEDIT4\r\n");
    std::ofstream(lockPath.toStdString()).flush();
    {
        const auto start = std::chrono::steady_clock::now();
        R r(prompter_);
        ASSERT_TRUE(r.SetSystemConfig(read(r, &R::GetSystemConfig)));
        // Milliseconds, or the 30 s the lock takes to age.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    QLockFile held(lockPath);
    ASSERT_TRUE(held.tryLock());
    R r(prompter_);
    read(r, &R::GetSystemConfig);
    EXPECT_TRUE(QFileInfo::exists(lockPath));
}

TEST_F(RegistryFailures, WrongTypesAndOverlongTextsAreReadErrors) {
    writeFile("REGEDIT4\n" + kRootKey + "]\n\"HomeDir\"=\"/data\"\n\"Callsign\"=dword:1\n" +
              "\"Name\"=\"" + std::string(80, 'N') + "\"\n\"QTH\"=\"" + std::string(79, 'Q') +
              "\"\n\"Offset from UTC\"=hex:05,00\n\"Log File Name\"=\"l\"\n"
              "\"SW Logging Mode\"=\"0\"\n\"Application Color\"=hex:01\n" +
              kRootKey + "\\Comm Port]\n\"Port\"=dword:00000002\n\"Speed\"=hex:12\n");
    R r(prompter_);
    EXPECT_EQ(read(r, &R::GetSystemConfig, {"h", "c", "n", "q", 9, "l0", 9}),
              (SystemConfig{"/data", "c", "n", std::string(79, 'Q'), 9, "l", 9}));
    EXPECT_EQ(
        prompter_.texts(),
        (Texts{"Unable to Read Operator Callsign!", "Unable to Read Operator Name!",
               "Unable to Read Operator Timezone!", "Unable to Read Software Logging Mode!"}));
    EXPECT_EQ(read(r, &R::GetCommPort, {5, 1200, 1, 1, ""}), (CommPortSettings{5, 1200, 1, 1, ""}));
    // A colour of the wrong type is replaced by the default.
    EXPECT_EQ(r.GetAppColor(), 0xDFB880u);
    EXPECT_EQ(stored("", "Application Color"), Value::ofDword(0xDFB880));
}

TEST_F(RegistryFailures, BadLinesAreLeftOutReportedOnceAndTheOriginalIsKept) {
    const std::string port = kRootKey + "\\Comm Port]\r\n\"Parity\"=hex:00\r\n\"Port\"=hex:03\r\n";
    const std::string rest = kAnsiValues + "\"SW Logging Mode\"=hex:02\r\n\r\n" + port;
    const std::string original = kHead + "\"Callsign\"=\"VE2ABC\r\n" +
                                 rest + // line 4: unterminated
                                 "\"Speed\"=hex:25,zz\r\n\"Stop bit\"=hex:01\r\n\r\n"; // line 15
    writeFile(original);
    const std::string kept = file_ + ".bad";

    R r(prompter_);
    // Writes the callsign's default: the first write.
    EXPECT_EQ(read(r, &R::GetSystemConfig),
              (SystemConfig{"/data", "ZZ9ZZ", "François", "Montréal", 0x85, "x.Log", 2}));
    EXPECT_EQ(read(r, &R::GetCommPort, {0, 1200, 1, 2, ""}), (CommPortSettings{3, 1200, 0, 1, ""}));
    EXPECT_TRUE(prompter_.texts().empty());
    const Texts problems = {"Rig Control.reg line 4: unterminated text",
                            "Rig Control.reg line 15: bad byte in a hex list"};
    EXPECT_EQ(r.LoadProblems(), problems);
    EXPECT_EQ(fileBytes(kept), original);
    EXPECT_EQ(fileBytes(),
              kHead + "\"Callsign\"=\"ZZ9ZZ\"\r\n" + rest + "\"Stop bit\"=hex:01\r\n\r\n");

    // Later saves work, leave the kept copy alone, and report nothing twice.
    (void)r.SetCommPort({3, 9600, 0, 1, ""});
    EXPECT_EQ(fileBytes(kept), original);
    read(r, &R::GetSystemConfig);
    EXPECT_EQ(r.LoadProblems(), problems);
    EXPECT_TRUE(R(prompter_).LoadProblems().empty());

    // A file broken again while the program runs is kept again, as it is then.
    const std::string again = fileBytes() + "oops\r\n";
    writeFile(again);
    r.SetAppColor(0x123456);
    EXPECT_EQ(fileBytes(kept), again);
    EXPECT_EQ(r.LoadProblems().back(),
              "Rig Control.reg line 18: expected a value name in quotes or @");
    EXPECT_EQ(stored("", "Application Color"), Value::ofDword(0x123456));
}

TEST_F(RegistryFailures, UnreadableFileTakesTheReadErrorPathAndIsNeverWritten) {
    // A folder where the file should be: it exists but cannot be read.
    std::filesystem::create_directories(file_);
    // One message naming the file, not one per value.
    const Texts once = {"The settings file " + file_ +
                        " cannot be read (it is a folder): the defaults are used and no setting "
                        "is saved."};
    {
        R r(prompter_);
        const SystemConfig config{"h", "c", "n", "q", 1, "l", 2};
        EXPECT_EQ(read(r, &R::GetSystemConfig, config), config);
        EXPECT_EQ(*r.GetMacroVariable(1), "c");
        const CommPortSettings port{2, 1200, 1, 1, "/dev/x"};
        EXPECT_EQ(read(r, &R::GetCommPort, port), port);
        EXPECT_EQ(r.FindBand(14000000)->index, 4); // built-in edges
        EXPECT_EQ(prompter_.texts(), once);

        (void)r.SetSystemConfig(config);
        EXPECT_TRUE(std::filesystem::is_empty(file_));
        EXPECT_FALSE(std::filesystem::exists(file_ + ".bad"));
    }
    // An empty file is made anew, and that is said.
    std::filesystem::remove(file_);
    std::ofstream{file_};
    prompter_.clear();
    R fresh(prompter_);
    EXPECT_EQ(read(fresh, &R::GetSystemConfig).callsign, "ZZ9ZZ");
    EXPECT_EQ(prompter_.texts(), Texts{"The settings file " + file_ +
                                       " was empty: it is made anew with the default settings."});
}

TEST_F(RegistryFailures, AnsiTextSurvivesARunByteForByteAndOtherTextTurnsTheFileUnicode) {
    // 0x81 has no character in Windows-1252 and must come back as it was.
    const std::string values = "\"Callsign\"=\"VE2\x80\x81\"\r\n"
                               "\"HomeDir\"=\"C:\\\\Tamrel \xAB"
                               "dossier\xBB\"\r\n"
                               "\"Log File Name\"=\"journal \x93"
                               "2024\x94.Log\"\r\n"
                               "\"Name\"=\"Fran\xE7ois\"\r\n"
                               "\"Offset from UTC\"=hex:85\r\n"
                               "\"QTH\"=\"Montr\xE9"
                               "al\"\r\n"
                               "\"SW Logging Mode\"=hex:00\r\n\r\n";
    writeFile(kHead + values);
    R r(prompter_);
    SystemConfig config = read(r, &R::GetSystemConfig);
    EXPECT_EQ(config, (SystemConfig{"C:\\Tamrel «dossier»", "VE2€\u0081", "François", "Montréal",
                                    0x85, "journal “2024”.Log", 0}));
    (void)r.SetSystemConfig(config);
    r.SetAppColor(0x123456); // a value added, so the file is surely written again
    EXPECT_EQ(fileBytes(), kHead + "\"Application Color\"=dword:00123456\r\n" + values);
    EXPECT_FALSE(std::filesystem::exists(file_ + ".bad"));

    // Text the page cannot hold turns the file Unicode (its bytes are the
    // writer's own test's), which the next start reads.
    config.qth = "Łódź";
    (void)r.SetSystemConfig(config);
    R fresh(prompter_);
    EXPECT_EQ(read(fresh, &R::GetSystemConfig), config);
    EXPECT_TRUE(fresh.LoadProblems().empty());
    EXPECT_TRUE(prompter_.texts().empty());

    // The read buffers hold 79 characters, however many bytes UTF-8 needs.
    writeFile(kHead + "\"Name\"=\"" + std::string(80, '\xE9') + "\"\r\n\"QTH\"=\"" +
              std::string(79, '\xE9') + "\"\r\n");
    const SystemConfig wide = read(r, &R::GetSystemConfig, config);
    EXPECT_EQ(wide.name, "François");
    EXPECT_EQ(wide.qth, QString(79, QChar(0xE9)).toStdString());
    EXPECT_EQ(prompter_.texts(), Texts{"Unable to Read Operator Name!"});
}

TEST_F(RegistryFailures, UnwritableStoreKeepsThePreviousFile) {
    R r(prompter_);
    read(r, &R::GetSystemConfig);
    VfoMemory vfo = read(r, &R::GetVfoFrequencies);
    const std::string before = fileBytes();
    {
        test::FileSizeLimit full(16);
        vfo[6].a = 7023450;
        EXPECT_FALSE(r.SetVfoFrequencies(vfo)); // the caller says so
        read(r, &R::GetScanLimits);             // creates "Settings": the write fails
        EXPECT_EQ(prompter_.texts(), Texts{"Unable to Create Tamrel Settings Registry!"});
    }
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(onDisk().count(keyPath()));

    // With no place for a file at all (its folder's path runs through a
    // plain file) the getters still answer with the defaults.
    ::setenv("XDG_CONFIG_HOME", (dir_.path().toStdString() + "/plain").c_str(), 1);
    std::ofstream(dir_.path().toStdString() + "/plain") << "x";
    prompter_.clear();
    R nowhere(prompter_);
    EXPECT_EQ(read(nowhere, &R::GetSystemConfig).callsign, "ZZ9ZZ");
    EXPECT_EQ(prompter_.texts(), Texts{"Unable to Create Main Tamrel Registry!"});
    EXPECT_EQ(read(nowhere, &R::GetCommPort).port, 0);
}

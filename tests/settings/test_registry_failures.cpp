#include "SettingsFixture.h"
#include "support/FileSizeLimit.h"

#include "settings/CRigControlRegistry.h"
#include "settings/RegEncoding.h"

using namespace tamrel;
using test::read;
using R = CRigControlRegistry;
using Texts = std::vector<std::string>;

namespace {

using RegistryFailures = test::SettingsFixture;

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
    EXPECT_EQ(stored("", "Application Color"), reg::Value::ofDword(0xDFB880));
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
    EXPECT_EQ(stored("Comm Port", "Speed"), reg::Value::ofBinary({0x25, 0x80}));
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
    EXPECT_EQ(stored("", "Application Color"), reg::Value::ofDword(0x123456));
}

TEST_F(RegistryFailures, WhenTheOriginalCannotBeKeptTheFileIsNotWritten) {
    const std::string original =
        "REGEDIT4\r\n" + kRootKey + "]\r\n\"Callsign\"=\"ZZ9\r\n\"HomeDir\"=\"/data\"\r\n";
    writeFile(original);
    std::filesystem::create_directory(file_ + ".bad"); // no file can go there
    R r(prompter_);
    const SystemConfig config = read(r, &R::GetSystemConfig);
    EXPECT_EQ(config.homeDir, "/data");
    EXPECT_EQ(config.callsign, "ZZ9ZZ");
    EXPECT_EQ(prompter_.texts().front(), "Unable to Write Default Callsign Registry!");
    r.SetAppColor(1);
    EXPECT_EQ(fileBytes(), original);
    EXPECT_EQ(r.LoadProblems(), Texts{"Rig Control.reg line 3: unterminated text"});
}

TEST_F(RegistryFailures, UnreadableFileTakesTheReadErrorPathAndIsNeverWritten) {
    // A folder where the file should be: it exists but cannot be read.
    std::filesystem::create_directories(file_);
    // One message naming the file, not one per value.
    const Texts once = {"The settings file " + file_ +
                        " cannot be read (it is a folder): the defaults are used and no setting "
                        "is saved."};
    for (int round = 0; round < 2; ++round) {
        prompter_.clear();
        R r(prompter_);
        const SystemConfig config{"h", "c", "n", "q", 1, "l", 2};
        EXPECT_EQ(read(r, &R::GetSystemConfig, config), config);
        EXPECT_EQ(prompter_.texts(), once);
        EXPECT_EQ(*r.GetMacroVariable(1), "c");
        const CommPortSettings port{2, 1200, 1, 1, "/dev/x"};
        EXPECT_EQ(read(r, &R::GetCommPort, port), port);
        EXPECT_EQ(read(r, &R::GetScanLimits, {1, 2}), (ScanLimits{1, 2}));
        EXPECT_EQ(r.GetAppColor(), 0xDFB880u);
        EXPECT_EQ(r.FindBand(14000000)->index, 4); // built-in edges
        EXPECT_EQ(read<std::string>(r, &R::GetCurrentLogFileName, "mine"), "mine");
        EXPECT_EQ(read<uint8_t>(r, &R::GetTuningRange, 3), 3);
        EXPECT_EQ(prompter_.texts(), once);

        (void)r.SetSystemConfig(config);
        (void)r.SetCommPort(port);
        r.SetAppColor(1);
        EXPECT_TRUE(std::filesystem::is_directory(file_));
        EXPECT_TRUE(std::filesystem::is_empty(file_));
        EXPECT_FALSE(std::filesystem::exists(file_ + ".bad"));
    }
    // An empty file is made anew, and that is said.
    std::filesystem::remove(file_);
    std::ofstream{file_};
    prompter_.clear();
    R r(prompter_);
    EXPECT_EQ(read(r, &R::GetSystemConfig).callsign, "ZZ9ZZ");
    EXPECT_EQ(prompter_.texts(), Texts{"The settings file " + file_ +
                                       " was empty: it is made anew with the default settings."});
}

TEST_F(RegistryFailures, AnsiTextSurvivesARunByteForByte) {
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
    const SystemConfig config = read(r, &R::GetSystemConfig);
    EXPECT_EQ(config, (SystemConfig{"C:\\Tamrel «dossier»", "VE2€\u0081", "François", "Montréal",
                                    0x85, "journal “2024”.Log", 0}));
    (void)r.SetSystemConfig(config);
    r.SetAppColor(0x123456); // a value added, so the file is surely written again
    EXPECT_EQ(fileBytes(), kHead + "\"Application Color\"=dword:00123456\r\n" + values);
    EXPECT_TRUE(prompter_.texts().empty());
    EXPECT_FALSE(std::filesystem::exists(file_ + ".bad"));

    // The read buffers hold 79 characters, however many bytes UTF-8 needs.
    writeFile(kHead + "\"Name\"=\"" + std::string(80, '\xE9') + "\"\r\n\"QTH\"=\"" +
              std::string(79, '\xE9') + "\"\r\n");
    const SystemConfig wide = read(r, &R::GetSystemConfig, config);
    EXPECT_EQ(wide.name, "François");
    std::string qth;
    for (int i = 0; i < 79; ++i)
        qth += "é";
    EXPECT_EQ(wide.qth, qth);
    EXPECT_EQ(prompter_.texts(), Texts{"Unable to Read Operator Name!"});
}

TEST_F(RegistryFailures, TextTheAnsiPageCannotHoldTurnsTheFileUnicode) {
    R r(prompter_);
    SystemConfig config = read(r, &R::GetSystemConfig);
    config.homeDir = "/data";
    config.qth = "Łódź";
    (void)r.SetSystemConfig(config);
    // The exact bytes of such a file are the writer's own test's; here: it is one.
    EXPECT_TRUE(
        fileBytes().starts_with(reg::encodeUtf16le("Windows Registry Editor Version 5.00\r\n")));

    R fresh(prompter_);
    SystemConfig back = read(fresh, &R::GetSystemConfig);
    EXPECT_EQ(back.qth, "Łódź");
    EXPECT_TRUE(fresh.LoadProblems().empty());

    // Back to text the page holds: back to REGEDIT4.
    back.qth = "Lodz";
    (void)fresh.SetSystemConfig(back);
    EXPECT_TRUE(fileBytes().starts_with("REGEDIT4\r\n\r\n"));
    EXPECT_EQ(stored("", "QTH"), reg::Value::ofText("Lodz"));
    EXPECT_TRUE(prompter_.texts().empty());
}

TEST_F(RegistryFailures, UnwritableStoreKeepsThePreviousFile) {
    R r(prompter_);
    SystemConfig config = read(r, &R::GetSystemConfig);
    VfoMemory vfo = read(r, &R::GetVfoFrequencies);
    const std::string before = fileBytes();
    {
        test::FileSizeLimit full(16);
        vfo[6].a = 7023450;
        EXPECT_FALSE(r.SetVfoFrequencies(vfo)); // the caller says so
        config.callsign = "K1ABC";
        (void)r.SetSystemConfig(config);
        (void)r.SetCommPort({2, 9600, 0, 1, ""});
        read(r, &R::GetScanLimits); // creates "Settings": the write fails
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

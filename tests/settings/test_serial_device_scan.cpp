// The serial device scan over a temporary /dev tree, and the port page's
// device choice stored through SetCommPort.

#include "SettingsFixture.h"

#include "settings/ConfigPages.h"
#include "settings/SerialDeviceScan.h"

#include <filesystem>

using namespace tamrel;
namespace fs = std::filesystem;

namespace {

class DeviceTree : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        ASSERT_TRUE(devDir_.isValid());
        root_ = devDir_.path().toStdString();
    }
    void node(const std::string& name) { std::ofstream(root_ / name) << ""; }
    void byId(const std::string& link, const std::string& target) {
        fs::create_directories(root_ / "serial" / "by-id");
        fs::create_symlink("../../" + target, root_ / "serial" / "by-id" / link);
    }
    std::string at(const std::string& rel) const { return (root_ / rel).string(); }

    QTemporaryDir devDir_;
    fs::path root_;
};

} // namespace

TEST(NaturalOrder, CountsRunsOfDigits) {
    for (auto [a, b] : {std::pair{"ttyS2", "ttyS10"},
                        {"ttyS02", "ttyS3"},
                        {"ttyS", "ttyS0"},
                        {"ttyACM0", "ttyS0"}}) {
        EXPECT_TRUE(NaturalLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(NaturalLess(b, a)) << b << " < " << a;
    }
    EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
}

TEST_F(DeviceTree, ListsLinksByNameThenNodesInNaturalOrder) {
    for (const char* n : {"ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "tty", "ttyS",
                          "ttySx", "console", "ttyprintk"})
        node(n);
    byId("usb-FTDI_FT232R_A1-if00-port0", "ttyUSB0");
    byId("usb-gone-if00", "ttyUSB7"); // dangling: unplugged
    const std::vector<SerialDevice> found = ScanSerialDevices(root_);
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
    EXPECT_TRUE(ScanSerialDevices(root_ / "nowhere").empty());
}

TEST_F(DeviceTree, StoredDeviceIsChosenKeptWhenMissingAndCleared) {
    node("ttyUSB0");
    byId("usb-Radio-if00", "ttyUSB0");
    CRigControlRegistry registry(prompter_);
    test::read(registry, &CRigControlRegistry::GetSystemConfig);
    const std::string link = at("serial/by-id/usb-Radio-if00");
    {
        CommPortCfgPage page(registry, root_);
        page.Load();
        EXPECT_EQ(page.DeviceText(), CommPortCfgPage::kByPortNumber);
        EXPECT_EQ(page.NextStartText(), "The next start opens /dev/ttyS0.");
        ASSERT_EQ(page.DeviceChoices().size(), 3u);
        page.SetDeviceText(page.DeviceChoices()[1].label);
        EXPECT_EQ(page.Settings().device, link);
        EXPECT_EQ(page.NextStartText(), "The next start opens " + link + ".");
        ASSERT_TRUE(page.Apply());
    }
    EXPECT_EQ(stored("Comm Port", "Device"), reg::Value::ofText(link));

    // Unplugged: still chosen, marked, and stored unchanged.
    fs::remove(root_ / "ttyUSB0");
    {
        CommPortCfgPage page(registry, root_);
        page.Load();
        EXPECT_EQ(page.DeviceText(), link + CommPortCfgPage::kNotPresent);
        EXPECT_EQ(page.DeviceChoices().back().path, link);
        page.SetDeviceText(page.DeviceText());
        EXPECT_FALSE(page.Modified());
        page.StepPort(false);
        EXPECT_EQ(page.NextStartText(), "The next start opens no radio (port None).");
        page.StepPort(true);
        ASSERT_TRUE(page.Apply());
        EXPECT_EQ(stored("Comm Port", "Device"), reg::Value::ofText(link));

        // Plugged in again, Rescan finds it.
        node("ttyUSB0");
        page.Rescan();
        EXPECT_EQ(page.DeviceText(), "usb-Radio-if00 (ttyUSB0)");

        // A typed path, then back to the port number.
        page.SetDeviceText("  /dev/ttyAMA0 ");
        EXPECT_EQ(page.Settings().device, "/dev/ttyAMA0");
        page.SetDeviceText("ttyAMA0");
        ASSERT_TRUE(page.Validate());
        EXPECT_EQ(page.Validate()->controlId, CommPortCfgPage::kDeviceId);
        EXPECT_FALSE(page.Apply());
        page.SetDeviceText(CommPortCfgPage::kByPortNumber);
        ASSERT_TRUE(page.Apply());
    }
    EXPECT_EQ(stored("Comm Port", "Device"), reg::Value::ofText(""));
    const CommPortSettings back = test::read(registry, &CRigControlRegistry::GetCommPort);
    EXPECT_EQ(back.device, "");
    EXPECT_EQ(back.port, 1);
}

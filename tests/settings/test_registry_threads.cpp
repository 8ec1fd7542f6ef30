#include "SettingsFixture.h"

#include <thread>

using namespace tamrel;
using RegistryThreads = test::SettingsFixture;

// A QSO window's thread writes the other station's data while the keyboard
// window's thread reads it and both use the store; a second object on the
// same file (another part of the program) sees every committed write.
TEST_F(RegistryThreads, MacroVariablesAndStoreFromTwoThreads) {
    CRigControlRegistry r(prompter_);
    CRigControlRegistry other(prompter_);
    test::read(r, &CRigControlRegistry::GetSystemConfig);

    constexpr int kRounds = 200;
    const std::string a(60, 'A');
    const std::string b(60, 'B');
    std::atomic<int> torn{0};

    std::thread writer([&] {
        ScanLimits limits;
        r.GetScanLimits(limits);
        for (int i = 0; i < kRounds; ++i) {
            r.SetMacroVariable(5, (i % 2) ? a : b);
            r.SetScanLimits({static_cast<uint32_t>(i), static_cast<uint32_t>(i + 1)});
            if (!r.FindBand(14060000))
                ++torn;
        }
    });
    std::thread reader([&] {
        for (int i = 0; i < kRounds; ++i) {
            const std::string v = *r.GetMacroVariable(5);
            if (!v.empty() && v != a && v != b)
                ++torn;
            ScanLimits limits{};
            other.GetScanLimits(limits);
            // Values are written low first, then high, each one whole.
            if (limits.highHz < limits.lowHz || limits.highHz > kRounds)
                ++torn;
            r.SetMacroVariable(6, std::to_string(i));
        }
    });
    writer.join();
    reader.join();

    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(*r.GetMacroVariable(6), std::to_string(kRounds - 1));
    ScanLimits last;
    other.GetScanLimits(last);
    EXPECT_EQ(last, (ScanLimits{kRounds - 1, kRounds}));
    EXPECT_EQ(stored("Settings", "Scan High Limit"), reg::Value::ofDword(kRounds));
    EXPECT_TRUE(prompter_.texts().empty());
}

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/settings.h"
#include "support/test_operations.h"

namespace {

using testing_support::ScopedRegistry;

constexpr const char* kHost = "SOFTWARE\\Corvane\\Vantor";

TEST(SettingsTest, BrandingVariantFromUseCatBitmapAndAppVariant) {
    struct Case {
        const char* legend;
        bool key;
        std::optional<std::uint32_t> useCat;
        std::optional<std::uint32_t> appVariant;
        int variant;
    };
    const Case cases[] = {
        {"no key", false, std::nullopt, std::nullopt, 0},
        {"key without values", true, std::nullopt, std::nullopt, 0},
        {"UseCatBitmap 1", true, 1, std::nullopt, 1},
        {"UseCatBitmap with only high bits set (low byte 0)", true, 0x100, std::nullopt, 0},
        {"UseCatBitmap 1, AppVariant 0: AppVariant wins", true, 1, 0, 0},
        {"AppVariant 1", true, std::nullopt, 1, 1},
        {"AppVariant 2", true, std::nullopt, 2, 2},
        {"UseCatBitmap 1, AppVariant 2", true, 1, 2, 2},
        {"AppVariant 3: no such variant", true, std::nullopt, 3, 0},
        {"AppVariant 0x102: low byte 2", true, std::nullopt, 0x102, 2},
        {"AppVariant 0x200: low byte 0", true, 1, 0x200, 0},
    };
    for (const Case& c : cases) {
        ScopedRegistry registry;
        if (c.key) {
            registry.tree.AddKey(kHost);
        }
        if (c.useCat) {
            registry.tree.SetDword(kHost, "UseCatBitmap", *c.useCat);
        }
        if (c.appVariant) {
            registry.tree.SetDword(kHost, "AppVariant", *c.appVariant);
        }
        EXPECT_EQ(ReadBrandingVariant(), c.variant) << c.legend;
    }
}

TEST(SettingsTest, BrandingIgnoresValuesThatAreNotNumbers) {
    ScopedRegistry registry;
    registry.tree.SetDword(kHost, "UseCatBitmap", 1);
    registry.tree.SetString(kHost, "AppVariant", "0");
    EXPECT_EQ(ReadBrandingVariant(), 1) << "a text AppVariant is not an AppVariant";
}

TEST(SettingsTest, DeviceKeyIsBuiltFromString211) {
    EXPECT_EQ(DeviceRegistryKey(), "SOFTWARE\\Corvane\\Vantor\\Devices\\Orrick Receiver");
}

TEST(SettingsTest, MaxBaudKnowsOnlyTheListedRates) {
    struct Case {
        const char* legend;
        std::optional<std::uint32_t> value;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"absent", std::nullopt, 115200},
        {"9600", 9600, 9600},
        {"14400", 14400, 14400},
        {"38400", 38400, 38400},
        {"57600", 57600, 57600},
        {"115200", 115200, 115200},
        {"19200 is not listed", 19200, 115200},
        {"0", 0, 115200},
        {"230400 is not listed", 230400, 115200},
    };
    for (const Case& c : cases) {
        ScopedRegistry registry;
        registry.tree.AddKey(DeviceRegistryKey());
        if (c.value) {
            registry.tree.SetDword(DeviceRegistryKey(), "MaxBaud", *c.value);
        }
        EXPECT_EQ(ReadMaxBaud(), c.expected) << c.legend;
    }
    ScopedRegistry empty;
    EXPECT_EQ(ReadMaxBaud(), 115200U) << "no device key at all";
}

TEST(SettingsTest, MaxBaudIsReadAfreshEachTime) {
    ScopedRegistry registry;
    registry.tree.SetDword(DeviceRegistryKey(), "MaxBaud", 38400);
    EXPECT_EQ(ReadMaxBaud(), 38400U);
    registry.tree.SetDword(DeviceRegistryKey(), "MaxBaud", 9600);
    EXPECT_EQ(ReadMaxBaud(), 9600U);
}

}  // namespace

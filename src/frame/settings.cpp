#include "frame/settings.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/registry.h"
#include "platform/strings.h"

const char* const kHostRegistryKey = "SOFTWARE\\Corvane\\Vantor";

namespace {

constexpr unsigned kDeviceKeyString = 211;
constexpr std::uint32_t kDefaultMaxBaud = 115200;
constexpr std::array<std::uint32_t, 5> kMaxBaudRates = {9600, 14400, 38400, 57600, 115200};

}  // namespace

std::string DeviceRegistryKey() {
    return std::string(kHostRegistryKey) + "\\Devices\\" + platform::LoadString(kDeviceKeyString);
}

int ReadBrandingVariant() {
    const platform::RegistryKey key = platform::RegistryKey::OpenLocalMachine(kHostRegistryKey);
    if (!key.IsOpen()) {
        return 0;
    }
    int candidate = 0;
    if (const auto useCat = platform::QueryRegistryDword(key, "UseCatBitmap");
        useCat && (*useCat & 0xFFU) != 0) {
        candidate = 1;
    }
    if (const auto appVariant = platform::QueryRegistryDword(key, "AppVariant")) {
        candidate = static_cast<int>(*appVariant & 0xFFU);
    }
    return (candidate == 1 || candidate == 2) ? candidate : 0;
}

std::uint32_t ReadMaxBaud() {
    const platform::RegistryKey key = platform::RegistryKey::OpenLocalMachine(DeviceRegistryKey());
    const std::uint32_t value = platform::ReadRegistryDword(key, "MaxBaud", kDefaultMaxBaud);
    const bool listed =
        std::find(kMaxBaudRates.begin(), kMaxBaudRates.end(), value) != kMaxBaudRates.end();
    return listed ? value : kDefaultMaxBaud;
}

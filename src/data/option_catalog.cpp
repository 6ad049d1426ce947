#include "data/option_catalog.h"

#include <array>
#include <cctype>
#include <string>

#include "data/date_options.h"
#include "data/list_options.h"
#include "data/number_options.h"
#include "data/toggle_option.h"
#include "data/version_options.h"

namespace {

// Internal options are for the maker's service tools; never-listed ones are not shown at all.
enum class Listing { kByState, kInternal, kNever, kNeverInternal };

constexpr bool IsInternal(Listing listing) {
    return listing == Listing::kInternal || listing == Listing::kNeverInternal;
}
constexpr bool IsNever(Listing listing) {
    return listing == Listing::kNever || listing == Listing::kNeverInternal;
}

struct ToggleRow {
    const char* name;
    Listing listing;
};

constexpr Listing S = Listing::kByState;
constexpr Listing I = Listing::kInternal;
constexpr Listing N = Listing::kNever;
constexpr Listing NI = Listing::kNeverInternal;

// clang-format off
constexpr std::array<ToggleRow, kToggleOptionCount> kToggles = {{
    {"CMR Inputs", S},                  {"CMR Outputs", S},
    {"RTCM Inputs", S},                 {"RTCM Outputs", S},
    {"Beacon", S},                      {"KelvaCAN", S},
    {"Data Collector", S},              {"Binary Outputs", S},
    {"Moving Base", S},                 {"10 Hz Measurements", I},
    {"20 Hz Measurements", I},          {"Data Logging", S},
    {"Guidance", S},                    {"Twelve Channels", I},
    {"Event Marker", S},                {"USB Identity", S},
    {"Force RTK Float", I},             {"RSIM Output", S},
    {"Bluetooth", S},                   {"Disable L2 Output", S},
    {"Disable Beta bomb", I},           {"L2CS", S},
    {"UHF Transmit", S},                {"Cellular", S},
    {"Disable Faster than 1 Hz", S},    {"Lite DC", S},
    {"Disable NMEA", S},                {"Disable VRS", S},
    {"RTCM DGPSInput", S},              {"L5", S},
    {"LBand", S},                       {"Disable Aldric", S},
    {"Enable GLONASS", S},              {"Enable Webserver", S},
    {"Enable USB Hard drive", S},       {"Transmit High Power", S},
    {"Enable RTCM DGPS Output", S},     {"Heading Mode Only", S},
    {"No Static CMR Output", S},        {"No Static CMR Input", S},
    {"Force Float With Static CMR", S}, {"Scramble CMR Output", S},
    {"Advanced RTCM Output", S},        {"Login Required", S},
    {"Disable SBAS", I},                {"Disable FTP Server", I},
    {"Disable USB", NI},                 {"Disable Zenrec Outputs", I},
    {"Disable Zenrec Inputs", I},       {"Enable CDGPS", I},
    {"Enable RTK+", I},                 {"Enable GIOVE", I},
    {"Enable BeiDou", S},               {"Enable GPS L1E", I},
    {"Enable QZSS L1C", I},             {"Enable Galileo", S},
    {"Set Default MUXPort To CAN", I},  {"Scramble Zenrec Input", I},
    {"Enable RTK Init Limited", I},     {"Velocity COCOM", NI},
    {"Scramble Zenrec Output", I},      {"Enable Programmatic Interface", I},
    {"Disable Vector Antenna", I},      {"Disable 1PPS", I},
    {"Mardle Onboard", NI},              {"Sensors", I},
    {"Enable QZSS", I},                 {"Enable E6 Tracking", I},
    {"Enable L1-RTK", I},               {"Enable Position Monitoring", I},
    {"WiFi", I},                        {"Ephemeris Server", I},
    {"Almanac Server", I},              {"Fugro Web UI", I},
    {"Scramble Zenrec V3", I},          {"Narrow Band MSS Antenna", I},
    {"Enable Galileo E6", I},           {"Enable IRNSS", I},
    {"Enable BeiDou B3", I},            {"Inertial Navigation", I},
}};
// clang-format on

constexpr std::array<std::string_view, 7> kHiddenWithoutExtendedMemory = {
    "L5",
    "LBand",
    "Disable Aldric",
    "Enable GLONASS",
    "Enable Webserver",
    "Log Memory Limit",
    "Moving Base Limit",
};

// Every option of another kind begins enabled until the block decides.
constexpr bool kStartEnabled = true;

template <typename Option>
std::unique_ptr<CLSOption> Make(const char* name, Listing listing, bool auxiliary) {
    return std::make_unique<Option>(name, IsInternal(listing), IsNever(listing), auxiliary,
                                    kStartEnabled);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::unique_ptr<CLSOption>> CreateOptionCatalog() {
    std::vector<std::unique_ptr<CLSOption>> options;
    options.reserve(kOptionCatalogSize);
    for (std::size_t bit = 0; bit < kToggles.size(); ++bit) {
        const ToggleRow& row = kToggles[bit];
        options.push_back(std::make_unique<CLSToggleOption>(
            row.name, static_cast<int>(bit), IsInternal(row.listing), IsNever(row.listing)));
    }

    options.push_back(std::make_unique<CLSHardwareOption>("Hardware Version", false, false, true));
    options.push_back(Make<CLSFirmwareOption>("Firmware Option", S, false));
    options.push_back(Make<CLSRTKRangeLimitOption>("RTK Range Limit", S, false));
    options.push_back(Make<CLSDowngradeLimitOption>("Downgrade Limit", S, false));
    options.push_back(Make<CLSReceiverIDOption>("Receiver ID", N, false));
    options.push_back(Make<CLSDataRateOption>("Max Data Rate", S, false));
    options.push_back(Make<CLSLogMemoryLimitOption>("Log Memory Limit", S, false));
    options.push_back(Make<CLSMovingBaseLimitOption>("RTK Test Options", S, false));
    options.push_back(Make<CLSGeoFenceOption>("GeoFence", S, false));
    options.push_back(Make<CLSPPGeoFenceOption>("PP GeoFence", S, false));
    options.push_back(Make<CLSKestrixOption>("Kestrix", S, false));
    options.push_back(Make<CLSBrandOption>("Brand", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV End", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("Pendle End", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV Fast End", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV Start", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("Pendle Start", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV Fast Start", S, false));
    options.push_back(Make<CLSQSVHoursPurchasedOption>("QSV Hours Purchased", N, false));
    options.push_back(Make<CLSExtendedReceiverIDOption>("Extended Receiver ID", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV Vesk Code Start", NI, true));
    options.push_back(Make<CLSGEExpirationDayOption>("QSV Vesk Code End", NI, true));
    options.push_back(Make<CLSGEExpirationDayOption>("Tolvar Start", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("Tolvar End", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("Glenmark Start", S, false));
    options.push_back(Make<CLSGEExpirationDayOption>("Glenmark End", S, false));
    options.push_back(Make<CLSCardCageNumberOption>("CardCageNumber", NI, true));
    return options;
}

bool IsHiddenWithoutExtendedMemory(std::string_view optionName) {
    for (const std::string_view hidden : kHiddenWithoutExtendedMemory) {
        if (EqualIgnoringCase(hidden, optionName)) {
            return true;
        }
    }
    return false;
}

#pragma once

// What the typical receiver (the simulator's built-in profile) holds, as the plug-in must show
// it: worked out by hand from the receiver's information block and the definition of each option,
// never read back from the plug-in.
#include <array>
#include <string>
#include <vector>

namespace typical {

inline const std::string kSerialNumber = "5213K40078";
inline const std::string kDeviceName = "Vorin R10";

// One row of the "Device Configuration" list: Option, Status, From, To.
using OptionRow = std::array<std::string, 4>;

// Internal "10 Hz Measurements" and never-listed "Disable USB" are on but absent; unset values
// ("Downgrade Limit", "RTK Test Options", ...) are absent too.
inline const std::vector<OptionRow> kOptionRows = {
    {"CMR Inputs", "Enabled", "", ""},
    {"CMR Outputs", "Enabled", "", ""},
    {"RTCM Inputs", "Enabled", "", ""},
    {"RTCM Outputs", "Enabled", "03/05/2014", "03/05/2015"},
    {"Binary Outputs", "Enabled", "", ""},
    {"Data Logging", "Enabled", "01/01/2014", "12/31/2014"},
    {"Guidance", "Enabled", "06/01/2014", "06/01/2016"},
    {"Event Marker", "Disabled", "01/01/2013", "06/30/2013"},
    {"Bluetooth", "Enabled", "", ""},
    {"UHF Transmit", "Enabled", "03/05/2014", "03/05/2019"},
    {"L5", "Enabled", "", ""},
    {"Enable GLONASS", "Enabled", "", ""},
    {"Enable BeiDou", "Enabled", "", ""},
    {"Enable Galileo", "Enabled", "", ""},
    {"Hardware Version", "2.1", "", ""},
    {"Firmware Option", "Enabled", "", "3/2014"},
    {"RTK Range Limit", "10000", "", ""},
    {"Max Data Rate", "10 Hz", "", ""},
    {"Log Memory Limit", "10.00 G", "", ""},
    {"GeoFence", "1500", "", ""},
    {"Kestrix", "2", "", ""},
    {"Brand", "Corvane", "", ""},
    {"QSV End", "3/5/2015", "", ""},
    {"Pendle End", "Always", "", ""},
    {"QSV Start", "3/5/2014", "", ""},
    {"Extended Receiver ID", "Kessick", "", ""},
};

}  // namespace typical

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/field_reader.h"
#include "engine/profile.h"

namespace sim {

// Byte offsets of the 425-byte product information block, as the receiver sends it (numbers
// high byte first, except the three-byte geofence numbers, lowest byte first).
namespace info {
constexpr std::size_t kSerial = 2;       // 32 characters
constexpr std::size_t kDeviceName = 34;  // 40 characters
constexpr std::size_t kAux1 = 74;        // 36 characters
constexpr std::size_t kAux2 = 110;       // 36 characters
constexpr std::size_t kHardwareMajor = 146;
constexpr std::size_t kHardwareMinor = 147;  // non-zero: extended memory
constexpr std::size_t kFirmwareMonth = 148;
constexpr std::size_t kFirmwareYear = 149;
constexpr std::size_t kWord155 = 155;
constexpr std::size_t kOptionBits = 157;  // 10 bytes; a clear bit means the option is on
constexpr std::size_t kToggleCount = 80;
constexpr std::size_t kDatedToggles = 32;
constexpr std::size_t kToggleDates = 169;  // start at 169 + 4i, end at 171 + 4i
constexpr std::size_t kCardCage = 300;     // 32 characters
}  // namespace info

// Fills the block from the "infoBlock" section of a profile: an optional raw "hex" base (else all
// 0xFF, "not set"), identity texts, hardware and firmware numbers, toggles with their dates,
// named option values and raw patches, in that order.
void BuildInfoBlock(FieldReader& section, const std::string& serial, const std::string& deviceName,
                    std::array<std::uint8_t, kInfoBlockSize>& block);

}  // namespace sim

#pragma once

#include <cstdint>
#include <string>

namespace sim {

// One side's serial line format. Bytes only pass when both ends use the same format, as on a
// real wire.
struct LineSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8;
    char parity = 'N';  // 'N', 'O', 'E', 'M' or 'S'
    // 1 or 2; kOneAndHalfStopBits for one and a half (only a host can pick that).
    std::uint8_t stopBits = 1;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

constexpr std::uint8_t kOneAndHalfStopBits = 15;

// The line on which every receiver answers its identification: 9600 baud, 8N1.
constexpr LineSettings kIdentificationLine{};

// "9600 8N1" style, for traces.
std::string ToString(const LineSettings& line);

}  // namespace sim

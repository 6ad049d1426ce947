#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Line-setting indices taken by CSerialInterface. Callers pass indices, never raw values.
namespace serial {

// e_baudRate: 256000 comes before 230400 (indices 14 and 15).
constexpr std::array<std::uint32_t, 17> kBaudRates = {110,    300,    600,    1200,   2400,  4800,
                                                      9600,   14400,  19200,  38400,  56000, 57600,
                                                      115200, 128000, 256000, 230400, 460800};
// e_byteSize: index 0 = 7 data bits, 1 = 8 data bits.
constexpr std::array<std::uint8_t, 2> kByteSizes = {7, 8};
// e_stopBits: codes of the device-control block (0 one, 1 one and a half, 2 two).
constexpr std::array<std::uint8_t, 3> kStopBits = {0, 1, 2};
// e_parity: 0 none, 1 odd, 2 even, 3 mark, 4 space.
constexpr std::array<std::uint8_t, 5> kParities = {0, 1, 2, 3, 4};

constexpr int kBaud9600 = 6;
constexpr int kBaud115200 = 12;
constexpr int kByteSize8 = 1;
constexpr int kOneStopBit = 0;
constexpr int kNoParity = 0;

// Flow-control flags of SetFlowControl.
constexpr std::uint8_t kFlowDsrDtr = 0x01;
constexpr std::uint8_t kFlowCtsRts = 0x02;

}  // namespace serial

namespace serial {

// True when index selects an entry of a table of that size.
template <typename Table>
constexpr bool IsIndexOf(const Table& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

// The write time-out multiplier of an open port: 2 ms per byte at 9600 baud, 0 from 38400 up.
constexpr std::uint32_t WriteMultiplierMs(std::uint32_t baudRate) {
    return baudRate == 0 ? 0 : 19200U / baudRate;
}

// Fixed parts of the port's time-outs, in milliseconds.
constexpr std::uint32_t kReadTimeoutMs = 2000;
constexpr std::uint32_t kWriteConstantMs = 2000;

}  // namespace serial

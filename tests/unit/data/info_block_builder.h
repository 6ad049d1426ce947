#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "data/garnoth_info.h"

namespace test_data {

// A product information block as the receiver sends it: starts all 0xFF ("not set"), fields are
// written big-endian like the receiver writes them.
class InfoBlock {
  public:
    InfoBlock() { bytes_.fill(0xFF); }

    InfoBlock& Byte(std::size_t offset, std::uint8_t value) {
        bytes_.at(offset) = value;
        return *this;
    }
    InfoBlock& Bytes(std::size_t offset, std::initializer_list<std::uint8_t> values) {
        for (const std::uint8_t value : values) {
            bytes_.at(offset++) = value;
        }
        return *this;
    }
    InfoBlock& Word(std::size_t offset, std::uint16_t value) {
        return Bytes(offset, {static_cast<std::uint8_t>(value >> 8),
                              static_cast<std::uint8_t>(value & 0xFF)});
    }
    InfoBlock& Text(std::size_t offset, std::string_view text) {
        for (const char c : text) {
            bytes_.at(offset++) = static_cast<std::uint8_t>(c);
        }
        bytes_.at(offset) = 0;
        return *this;
    }
    // Option bit i on (a clear bit means on) or off.
    InfoBlock& Toggle(int bit, bool on) {
        const auto index = static_cast<std::size_t>(157 + bit / 8);
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        bytes_.at(index) =
            static_cast<std::uint8_t>(on ? bytes_[index] & ~mask : bytes_[index] | mask);
        return *this;
    }
    // Start and end GPS day of a dated toggle (bits 0 to 31).
    InfoBlock& ToggleDays(int bit, std::uint16_t start, std::uint16_t end) {
        Word(static_cast<std::size_t>(169 + 4 * bit), start);
        return Word(static_cast<std::size_t>(171 + 4 * bit), end);
    }

    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }

  private:
    std::array<std::uint8_t, CGarnothInfo::kInfoSize> bytes_;
};

// Loads a block and returns the option of that name (fails the test when there is none).
inline const CLSOption* FindOption(const CGarnothInfo& info, std::string_view name) {
    for (int i = 0; i < info.GetOptionCount(); ++i) {
        if (info.GetOptionAt(i)->GetOptionName() == name) {
            return info.GetOptionAt(i);
        }
    }
    return nullptr;
}

}  // namespace test_data

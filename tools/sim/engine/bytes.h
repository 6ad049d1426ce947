#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;

// Field writers for the receiver's replies and memory images. Each writes at a fixed offset of a
// buffer the caller has already sized; the offsets come from the reply layouts, never from input.
inline void PutBe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}
inline void PutBe32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}
inline void PutLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void PutLe32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}
inline std::uint16_t GetBe16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}
inline std::uint32_t GetBe32(const std::uint8_t* at) {
    return (static_cast<std::uint32_t>(at[0]) << 24) | (static_cast<std::uint32_t>(at[1]) << 16) |
           (static_cast<std::uint32_t>(at[2]) << 8) | static_cast<std::uint32_t>(at[3]);
}

// Copies text into a fixed-size field; the rest of the field is filled with pad.
inline void PutText(std::uint8_t* at, std::size_t size, const std::string& text,
                    std::uint8_t pad = 0) {
    for (std::size_t i = 0; i < size; ++i) {
        at[i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : pad;
    }
}

// "02 00 6F" style, for traces and test messages.
std::string HexText(const std::uint8_t* data, std::size_t size, std::size_t maxBytes = 64);
inline std::string HexText(const Bytes& bytes, std::size_t maxBytes = 64) {
    return HexText(bytes.data(), bytes.size(), maxBytes);
}

// Parses hex digits, ignoring blanks and colons. Returns false on an odd count or a stray char.
bool ParseHex(const std::string& text, Bytes& out);

}  // namespace sim

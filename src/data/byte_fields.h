#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Reading multi-byte numbers out of receiver data. Every read is bounds-checked: a byte that lies
// outside the data reads as 0xFF, the receiver's "not set", so a short or damaged block can never
// make a decoder read past its end.
namespace data {

using Bytes = std::span<const std::uint8_t>;

inline std::uint8_t ByteAt(Bytes bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : std::uint8_t{0xFF};
}

// Most significant byte first.
inline std::uint16_t ReadBigEndian16(Bytes bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((ByteAt(bytes, offset) << 8) | ByteAt(bytes, offset + 1));
}

// Least significant byte first.
inline std::uint16_t ReadLittleEndian16(Bytes bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(ByteAt(bytes, offset) | (ByteAt(bytes, offset + 1) << 8));
}

inline std::uint32_t ReadBigEndian32(Bytes bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(ReadBigEndian16(bytes, offset)) << 16) |
           ReadBigEndian16(bytes, offset + 2);
}

inline std::uint32_t ReadLittleEndian32(Bytes bytes, std::size_t offset) {
    return ReadLittleEndian16(bytes, offset) |
           (static_cast<std::uint32_t>(ReadLittleEndian16(bytes, offset + 2)) << 16);
}

// In the byte order of a source: littleEndian false means most significant byte first.
inline std::uint16_t Read16(Bytes bytes, std::size_t offset, bool littleEndian) {
    return littleEndian ? ReadLittleEndian16(bytes, offset) : ReadBigEndian16(bytes, offset);
}

inline std::uint32_t Read32(Bytes bytes, std::size_t offset, bool littleEndian) {
    return littleEndian ? ReadLittleEndian32(bytes, offset) : ReadBigEndian32(bytes, offset);
}

}  // namespace data

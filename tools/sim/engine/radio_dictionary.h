#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/bytes.h"

namespace sim {

// One entry of the radio dictionary that the receiver keeps in its radio configuration blocks:
// id (0 ends the dictionary), type code, and the stored value bytes (numbers high byte first).
struct RadioEntry {
    std::uint8_t id = 0;
    std::uint8_t type = 0;
    Bytes value;
};

bool IsRadioType(std::uint8_t type);
// Bytes a value of the type holds, and bytes it takes in the block (value plus zero fill).
std::size_t RadioValueSize(std::uint8_t type);
std::size_t RadioWireSize(std::uint8_t type);

// Gives entries 20, 150 and 254 (created where missing, before the end entry) their sums:
// 20 over ids 1..19, 150 over ids 100..149, 254 over every other entry; an entry adds its id,
// its type code and its value bytes, modulo 65536.
void SetRadioChecksums(std::vector<RadioEntry>& entries);

// Entries in order, each id, type, value and zero fill.
Bytes EncodeRadioDictionary(const std::vector<RadioEntry>& entries);

// The erased state: entry 253 (type 3, value 9), the end entry and the three sums, then fill up
// to the 2048-byte block area.
Bytes ErasedRadioConfig(std::uint8_t fill);

}  // namespace sim

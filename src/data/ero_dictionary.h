#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One type of value in the radio dictionary: its code, the bytes a value holds, and the bytes it
// takes in the block (the value, then zero bytes). Types 5 to 8 are big-endian numbers.
struct ERODictionaryType {
    std::uint8_t code;
    std::uint8_t valueSize;
    std::uint8_t wireSize;
    bool bigEndianNumber;
};

// The radio dictionary that the receiver keeps in its radio configuration blocks: entries in
// block order, each an id (0 ends the dictionary), a type code and a value. Three entries hold
// check sums: 20 over the ids 1 to 19, 150 over the ids 100 to 149, 254 over every other entry.
// The dictionary is valid when it holds an entry 253 and an end entry (id 0).
class CERODictionary {
  public:
    static constexpr std::uint8_t kEndId = 0;
    static constexpr std::uint8_t kVersionId = 253;

    struct Entry {
        std::uint8_t id = 0;
        std::uint8_t type = 0;
        // The stored value bytes (the type's value size), as they stand in the block.
        std::vector<std::uint8_t> value;
        bool operator==(const Entry&) const = default;
    };

    // The type with that code, or nullptr when the code is not in the table.
    static const ERODictionaryType* FindType(std::uint8_t code);

    // Reads entries from the start of buffer while the rest holds a whole entry of a known type,
    // up to and including the end entry. Check sums are not verified. Returns IsValid().
    bool Decode(const std::uint8_t* buffer, std::size_t length);
    // The erased state: entry 253 (type 0x03, value 9), the end entry, and the check sums.
    void ResetToErased();
    // Sets the check sums, then writes every entry in order into buffer. False, with length the
    // bytes written so far, when the dictionary is not valid (nothing written) or an entry does
    // not fit in what is left of capacity; never writes past capacity.
    bool Encode(std::uint8_t* buffer, std::size_t capacity, std::size_t& length);
    // Gives entries 20, 150 and 254 (each created where missing, before the end entry when the
    // list ends with one) type 0x06 and their 16-bit sums.
    void SetCheckSums();
    // Writes the erased dictionary over the start of block, the rest left as it was. False, with
    // block unchanged, when block holds no valid dictionary or is too short for the erased one.
    static bool EraseBlock(std::uint8_t* block, std::size_t length);

    bool IsValid() const;
    const std::vector<Entry>& Entries() const { return entries_; }

  private:
    Entry& FindOrCreate(std::uint8_t id);
    void SetSum(std::uint8_t id, std::uint8_t firstId, std::uint8_t lastId);

    std::vector<Entry> entries_;
};

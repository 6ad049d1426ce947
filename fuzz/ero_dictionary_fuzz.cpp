#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/ero_dictionary.h"

namespace {

// A broken promise of the dictionary is a finding, not a quiet pass.
void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::vector<std::uint8_t> kErased = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96,
                                           0x06, 0x00, 0x00, 0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};

// Encodes into a heap buffer of exactly capacity bytes, so that a write past it is caught.
std::vector<std::uint8_t> Encode(CERODictionary& dictionary, std::size_t capacity, bool& ok) {
    const auto buffer = std::make_unique<std::uint8_t[]>(capacity == 0 ? 1 : capacity);
    std::size_t length = 0;
    ok = dictionary.Encode(capacity == 0 ? nullptr : buffer.get(), capacity, length);
    Require(length <= capacity);
    return {buffer.get(), buffer.get() + length};
}

}  // namespace

// The radio configuration blocks as the receiver sends them. Decoding reads only what it was
// given; a valid dictionary encodes, decodes back to the same entries and encodes to the same
// bytes again; an encoding that does not fit stops short of the capacity; the erased state is
// always the same 18 bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> block(data, data + size);  // exact size: reads past it are seen
    CERODictionary dictionary;
    const bool valid = dictionary.Decode(block.empty() ? nullptr : block.data(), block.size());
    Require(valid == dictionary.IsValid());
    Require(dictionary.Entries().size() <= size / 2);
    for (const CERODictionary::Entry& entry : dictionary.Entries()) {
        const ERODictionaryType* type = CERODictionary::FindType(entry.type);
        Require(type != nullptr && entry.value.size() == type->valueSize);
    }

    bool ok = false;
    const std::vector<std::uint8_t> encoded = Encode(dictionary, 2 * size + 64, ok);
    Require(ok == valid);
    if (valid) {
        CERODictionary again;
        Require(again.Decode(encoded.data(), encoded.size()));
        Require(again.Entries() == dictionary.Entries());
        bool okAgain = false;
        Require(Encode(again, encoded.size(), okAgain) == encoded && okAgain);
        // One byte short: the encoding fails without writing past the capacity.
        Encode(again, encoded.size() - 1, okAgain);
        Require(!okAgain);
    }

    dictionary.ResetToErased();
    Require(Encode(dictionary, size + kErased.size(), ok) == kErased && ok);
    return 0;
}

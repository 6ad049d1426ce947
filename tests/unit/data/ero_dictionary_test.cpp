// The radio dictionary against byte vectors worked out by hand: decoding, the erased state,
// the three check sums and encoding.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "data/ero_dictionary.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kErased = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96,
                       0x06, 0x00, 0x00, 0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};

Bytes Encoded(CERODictionary& dictionary, std::size_t capacity, bool* ok = nullptr) {
    Bytes out(capacity, 0xEE);
    std::size_t length = 99;
    const bool encoded = dictionary.Encode(out.data(), out.size(), length);
    if (ok != nullptr) {
        *ok = encoded;
    }
    out.resize(length);
    return out;
}

TEST(ERODictionary, ErasedStateEncodesToItsEighteenBytes) {
    CERODictionary dictionary;
    const Bytes held = {0x01, 0x02, 0x05, 0x00, 0xFD, 0x03, 0x03, 0x00, 0x00, 0xFF};
    ASSERT_TRUE(dictionary.Decode(held.data(), held.size()));
    dictionary.ResetToErased();  // entry 1 and the old 253 are dropped
    EXPECT_TRUE(dictionary.IsValid());
    bool ok = false;
    EXPECT_EQ(Encoded(dictionary, 2048, &ok), kErased) << "254 carries 265 + 26 + 156 + 255";
    EXPECT_TRUE(ok);
    EXPECT_EQ(Encoded(dictionary, 18, &ok), kErased) << "exactly the capacity";
    EXPECT_TRUE(ok);
}

// Entries in 1..19 and 100..149, one outside both, an old entry 20 of another type, entries 150
// and 254 missing; bytes after the end entry are not part of the dictionary.
TEST(ERODictionary, CheckSumsOverTheirRangesAndEverythingElse) {
    const Bytes block = {0x01, 0x02, 0x05, 0x00,              // 1: 1 + 2 + 5 = 8
                         0x13, 0x05, 0x11, 0x94,              // 19: 19 + 5 + 17 + 148 = 189
                         0x14, 0x05, 0xFF, 0xFF,              // 20: stale, replaced in place
                         0x32, 0x01,                          // 50: 50 + 1 = 51
                         0x64, 0x07, 0x01, 0x02, 0x03, 0x04,  // 100: 100 + 7 + 10 = 117
                         0x95, 0x28, 'C',  'H',  '1',  0x00,
                         0x00, 0x00, 0x00, 0x00,  // 149: 149 + 40 + 188 = 377
                         0xFD, 0x03, 0x09, 0x00,  // 253: 265
                         0x00, 0xFF,              // end: 255
                         0xAA, 0xBB, 0x01};
    CERODictionary dictionary;
    ASSERT_TRUE(dictionary.Decode(block.data(), block.size()));
    ASSERT_EQ(dictionary.Entries().size(), 8u);
    EXPECT_EQ(dictionary.Entries()[5].value, (Bytes{'C', 'H', '1', 0, 0, 0, 0, 0}));

    // 20: 8 + 189 = 197; 150: 117 + 377 = 494;
    // 254: 8 + 189 + (20 + 6 + 197) + 51 + 117 + 377 + (150 + 6 + 1 + 238) + 265 + 255 = 1880.
    const Bytes expected = {0x01, 0x02, 0x05, 0x00, 0x13, 0x05, 0x11, 0x94, 0x14, 0x06, 0x00,
                            0xC5, 0x32, 0x01, 0x64, 0x07, 0x01, 0x02, 0x03, 0x04, 0x95, 0x28,
                            'C',  'H',  '1',  0x00, 0x00, 0x00, 0x00, 0x00, 0xFD, 0x03, 0x09,
                            0x00, 0x96, 0x06, 0x01, 0xEE, 0xFE, 0x06, 0x07, 0x58, 0x00, 0xFF};
    bool ok = false;
    EXPECT_EQ(Encoded(dictionary, 2048, &ok), expected);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Encoded(dictionary, 2048), expected) << "setting the sums again changes nothing";
}

// Nine 31-byte values of 0xFF in ids 1..9: the sum passes 65535. The 32nd byte of each entry is
// zero fill: it neither counts nor survives encoding.
TEST(ERODictionary, SumsWrapAtSixteenBitsAndIgnoreTheZeroFill) {
    Bytes block;
    for (std::uint8_t id = 1; id <= 9; ++id) {
        block.push_back(id);
        block.push_back(0x3F);
        block.insert(block.end(), 31, 0xFF);
        block.push_back(0x77);
    }
    block.insert(block.end(), {0xFD, 0x03, 0x09, 0x00, 0x00, 0xFF});
    CERODictionary dictionary;
    ASSERT_TRUE(dictionary.Decode(block.data(), block.size()));
    const Bytes out = Encoded(dictionary, 2048);
    ASSERT_EQ(out.size(), block.size() + 12);
    // Entry 20 is created after 253, before the end entry:
    // (1 + ... + 9) + 9 * (63 + 31 * 255) = 71757 = 65536 + 6221 (0x184D).
    const Bytes entry20(out.begin() + 9 * 34 + 4, out.begin() + 9 * 34 + 8);
    EXPECT_EQ(entry20, (Bytes{0x14, 0x06, 0x18, 0x4D}));
    EXPECT_EQ(out[33], 0x00) << "zero fill written as zero";
}

TEST(ERODictionary, DecodeTellsValidFromInvalidBlocks) {
    struct Case {
        const char* legend;
        Bytes block;
        bool valid;
        std::size_t entries;
    };
    const std::vector<Case> cases = {
        {"253 and the end entry, nothing else", {0xFD, 0x03, 0x09, 0x00, 0x00, 0xFF}, true, 2},
        {"the end entry first: nothing after it is read",
         {0x00, 0xFF, 0xFD, 0x03, 0x09, 0x00},
         false,
         1},
        {"a type code outside the table before the end entry",
         {0xFD, 0x03, 0x09, 0x00, 0x01, 0x09, 0x00, 0x00, 0x00, 0xFF},
         false,
         1},
        {"type 0x29 between 0x28 and 0x2A is not a type",
         {0xFD, 0x03, 0x09, 0x00, 0x05, 0x29, 0x00, 0xFF},
         false,
         1},
        {"no entry 253", {0x01, 0x02, 0x05, 0x00, 0x00, 0xFF}, false, 2},
        {"the last entry does not fit in the length",
         {0xFD, 0x03, 0x09, 0x00, 0x05, 0x07, 0x01, 0x02},
         false,
         1},
        {"a lone byte after the last whole entry", {0xFD, 0x03, 0x09, 0x00, 0x00}, false, 1},
        {"the end entry may carry a value type",
         {0xFD, 0x03, 0x09, 0x00, 0x00, 0x07, 0x01, 0x02, 0x03, 0x04},
         true,
         2},
        {"an empty block", {}, false, 0},
        {"an erased flash block: 1024 entries 255 of type 0xFF, no end", Bytes(2048, 0xFF), false,
         1024},
    };
    for (const Case& c : cases) {
        CERODictionary dictionary;
        EXPECT_EQ(dictionary.Decode(c.block.data(), c.block.size()), c.valid) << c.legend;
        EXPECT_EQ(dictionary.IsValid(), c.valid) << c.legend;
        EXPECT_EQ(dictionary.Entries().size(), c.entries) << c.legend;
    }
}

TEST(ERODictionary, EncodeFailsForAnInvalidDictionaryAndNeverWritesPastItsCapacity) {
    struct Case {
        const char* legend;
        Bytes block;  // decoded first
        std::size_t capacity;
        std::size_t length;  // bytes written
    };
    const std::vector<Case> cases = {
        {"no entry 253: nothing written", {0x01, 0x02, 0x05, 0x00, 0x00, 0xFF}, 2048, 0},
        {"no end entry: nothing written", {0xFD, 0x03, 0x09, 0x00}, 2048, 0},
        {"the end entry does not fit", kErased, 17, 16},
        {"entry 20 does not fit", kErased, 7, 4},
    };
    for (const Case& c : cases) {
        CERODictionary dictionary;
        dictionary.Decode(c.block.data(), c.block.size());
        Bytes buffer(c.capacity + 4, 0xEE);
        std::size_t length = 99;
        EXPECT_FALSE(dictionary.Encode(buffer.data(), c.capacity, length)) << c.legend;
        EXPECT_EQ(length, c.length) << c.legend;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(c.length)),
                  Bytes(kErased.begin(), kErased.begin() + static_cast<long>(c.length)))
            << c.legend;
        EXPECT_EQ(Bytes(buffer.begin() + static_cast<long>(c.length), buffer.end()),
                  Bytes(buffer.size() - c.length, 0xEE))
            << c.legend << ": nothing written after the last whole entry";
    }
}

// The wipe writes nothing back from a block that cannot take the erased dictionary whole.
TEST(ERODictionary, EraseBlockLeavesABlockTooShortForTheErasedDictionaryAlone) {
    Bytes block = {0xFD, 0x03, 0x09, 0x00, 0x00, 0xFF};
    ASSERT_TRUE(CERODictionary().Decode(block.data(), block.size())) << "a valid dictionary";
    EXPECT_FALSE(CERODictionary::EraseBlock(block.data(), block.size()));
    EXPECT_EQ(block, (Bytes{0xFD, 0x03, 0x09, 0x00, 0x00, 0xFF}));
}

}  // namespace

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "frame/bounded_copy.h"

namespace {

// The host's buffer sits inside a larger array filled with '#', so writes past it show.
TEST(BoundedCopyTest, WritesExactlyTheBufferAndZeroFillsOnlyWhenShorter) {
    struct Case {
        const char* legend;
        std::string text;
        std::size_t size;
        std::string expected;  // the size bytes of the buffer afterwards
    };
    const Case cases[] = {
        {"shorter text: rest zero-filled", "abc", 6, std::string("abc\0\0\0", 6)},
        {"text as long as the buffer: no terminator", "abcdef", 6, "abcdef"},
        {"longer text: cut, no terminator", "abcdefgh", 6, "abcdef"},
        {"empty text: all zero", "", 4, std::string(4, '\0')},
        {"one-byte buffer", "xyz", 1, "x"},
        {"copy ends at the text's first zero", std::string("ab\0cd", 5), 5,
         std::string("ab\0\0\0", 5)},
    };
    for (const Case& c : cases) {
        std::array<char, 16> memory;
        memory.fill('#');
        CopyBounded(c.text, memory.data() + 2, c.size);
        EXPECT_EQ(std::string(memory.data() + 2, c.size), c.expected) << c.legend;
        EXPECT_EQ(memory[1], '#') << c.legend << ": byte before the buffer";
        EXPECT_EQ(memory[2 + c.size], '#') << c.legend << ": byte after the buffer";
    }
}

TEST(BoundedCopyTest, NullOrEmptyBufferIsNeverWritten) {
    CopyBounded("text", nullptr, 10);  // must not crash
    char one = '#';
    CopyBounded("text", &one, 0);
    EXPECT_EQ(one, '#');
}

}  // namespace

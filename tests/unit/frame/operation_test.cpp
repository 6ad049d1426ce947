#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/test_operations.h"

namespace {

using testing_support::TestOperation;

const std::string kConnectHint =
    "Ensure your Orrick receiver is connected to COM%d of the PC over Bluetooth or serial cable.";

TEST(OperationTest, TextItemOneIsTheConnectHintUnformatted) {
    TestOperation operation({});
    std::array<char, 256> buffer;
    buffer.fill('#');
    ASSERT_TRUE(operation.GetTextItem(1, buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.data()), kConnectHint);
    EXPECT_EQ(buffer[kConnectHint.size() + 1], '\0') << "rest of the buffer zero-filled";
    EXPECT_EQ(buffer.back(), '\0');
}

TEST(OperationTest, TextItemOneFillsASmallBufferExactly) {
    TestOperation operation({});
    std::array<char, 12> memory;
    memory.fill('#');
    ASSERT_TRUE(operation.GetTextItem(1, memory.data(), 10));
    EXPECT_EQ(std::string(memory.data(), 10), kConnectHint.substr(0, 10));
    EXPECT_EQ(memory[10], '#') << "no terminator written past the buffer";
}

TEST(OperationTest, BaseAnswersNoOtherItemAndClearsOnlyTheFirstByte) {
    // COperation itself answers item 1 only; -1, 4 and 100 reach the base through the derived
    // class's default branch.
    TestOperation operation({});
    for (const int item : {-1, 4, 100}) {
        std::array<char, 4> buffer = {'x', 'y', 'z', 'w'};
        EXPECT_FALSE(operation.GetTextItem(item, buffer.data(), buffer.size())) << item;
        EXPECT_EQ(buffer[0], '\0') << item;
        EXPECT_EQ(buffer[1], 'y') << item << ": only the first byte is cleared";
    }
    char untouched = '#';
    EXPECT_FALSE(operation.GetTextItem(7, &untouched, 0));
    EXPECT_EQ(untouched, '#') << "a zero-size buffer is not written";
}

TEST(OperationTest, PageArrayIsSizedAtConstructionAndIndexedSafely) {
    struct Case {
        const char* legend;
        std::int32_t pageCount;
        std::int32_t expectedCount;
    };
    const Case cases[] = {
        {"no pages", 0, 0},
        {"three pages", 3, 3},
        {"negative count taken as none", -5, 0},
    };
    for (const Case& c : cases) {
        TestOperation::Script script;
        script.pageCount = c.pageCount;
        script.fillPages = true;  // filled slots: an index past a bound would return a page
        TestOperation operation(script);
        EXPECT_EQ(operation.GetPageCount(), c.expectedCount) << c.legend;
        for (const std::int32_t index : {-1, 0, 1, 2, c.expectedCount, c.expectedCount + 1}) {
            const bool inside = index >= 0 && index < c.expectedCount;
            EXPECT_EQ(operation.GetPage(index),
                      inside ? TestOperation::PageToken(static_cast<std::size_t>(index)) : nullptr)
                << c.legend << " page " << index;
        }
    }
}

}  // namespace

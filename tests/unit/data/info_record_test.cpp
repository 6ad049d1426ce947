#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/garnoth_info.h"
#include "info_block_builder.h"
#include "platform/virtual_clock.h"

namespace {

using test_data::FindOption;
using test_data::InfoBlock;

class InfoRecordTest : public ::testing::Test {
  protected:
    platform::VirtualClock clock_{1'394'020'800};  // 5 March 2014 12:00:00 UTC
    platform::ScopedClock scoped_{clock_};
};

TEST_F(InfoRecordTest, FreshRecordHasTheCatalogueAndReadsAsNotSet) {
    CGarnothInfo info;
    EXPECT_FALSE(info.IsLoaded());
    EXPECT_EQ(info.GetInfoSize(), 425);
    EXPECT_EQ(info.GetGrowStep(), 55);
    ASSERT_EQ(info.GetOptionCount(), 107);
    EXPECT_EQ(info.GetOptionAt(-1), nullptr);
    EXPECT_EQ(info.GetOptionAt(107), nullptr);
    for (int i = 0; i < info.GetOptionCount(); ++i) {
        EXPECT_TRUE(info.GetOptionAt(i)->IsMember()) << i;
        EXPECT_FALSE(info.GetOptionAt(i)->IsDecoded()) << i;
    }
    EXPECT_EQ(info.GetSerialNumber(), std::string(32, '\xFF'));
    EXPECT_TRUE(info.HasExtendedMemory());
}

TEST_F(InfoRecordTest, BlankBlockLoadsWithNoneTextsAndExtendedMemory) {
    CGarnothInfo info;
    const InfoBlock block;
    ASSERT_TRUE(info.LoadInfoAndOptions(block.data(), block.size()));
    EXPECT_TRUE(info.IsLoaded());
    EXPECT_EQ(info.GetSerialNumber(), "None");
    EXPECT_EQ(info.GetDeviceName(), "None");
    EXPECT_EQ(info.GetFirstAuxiliaryText(), "None");
    EXPECT_EQ(info.GetSecondAuxiliaryText(), "None");
    EXPECT_TRUE(info.HasExtendedMemory());
    // "None" is written like strncpy: the rest of each field is NUL, nothing beyond it changes.
    const auto stored = info.GetInfoBlock();
    EXPECT_EQ(stored[2 + 4], 0);
    EXPECT_EQ(stored[2 + 31], 0);
    EXPECT_EQ(stored[34 + 39], 0);
    EXPECT_EQ(stored[146], 0xFF);
    for (int i = 0; i < info.GetOptionCount(); ++i) {
        EXPECT_TRUE(info.GetOptionAt(i)->IsDecoded()) << i;
    }
}

TEST_F(InfoRecordTest, WrongSizeOrMissingBlockIsRefusedAndChangesNothing) {
    // legend: length offered with a 426-byte buffer of zeros
    std::vector<std::uint8_t> zeros(426, 0);
    for (std::size_t length : {std::size_t{424}, std::size_t{426}, std::size_t{0}}) {
        CGarnothInfo info;
        EXPECT_FALSE(info.LoadInfoAndOptions(zeros.data(), length)) << length;
        EXPECT_FALSE(info.IsLoaded()) << length;
        EXPECT_EQ(info.GetInfoBlock()[147], 0xFF) << length;
        EXPECT_FALSE(info.GetOptionAt(0)->IsDecoded()) << length;
    }
    CGarnothInfo info;
    EXPECT_FALSE(info.LoadInfoAndOptions(nullptr, 425));
    EXPECT_FALSE(info.LoadInfo(nullptr, 425));
    EXPECT_FALSE(info.IsLoaded());
}

TEST_F(InfoRecordTest, FailedLaterLoadKeepsThePreviousBlock) {
    CGarnothInfo info;
    InfoBlock first;
    first.Text(2, "5012A00321").Byte(146, 3).Byte(147, 1);
    ASSERT_TRUE(info.LoadInfoAndOptions(first.data(), first.size()));
    std::vector<std::uint8_t> wrong(424, 0);
    EXPECT_FALSE(info.LoadInfoAndOptions(wrong.data(), wrong.size()));
    EXPECT_TRUE(info.IsLoaded());
    EXPECT_EQ(info.GetSerialNumber(), "5012A00321");
    std::string text;
    FindOption(info, "Hardware Version")->GetValueText(text);
    EXPECT_EQ(text, "3.1");

    // A successful later load replaces the block and decodes every option again.
    InfoBlock second;
    second.Byte(146, 4).Byte(147, 2);
    ASSERT_TRUE(info.LoadInfoAndOptions(second.data(), second.size()));
    EXPECT_EQ(info.GetSerialNumber(), "None");
    FindOption(info, "Hardware Version")->GetValueText(text);
    EXPECT_EQ(text, "4.2");
}

TEST_F(InfoRecordTest, MultiByteFieldsAreTurnedIntoPluginOrderOnLoad) {
    CGarnothInfo info;
    InfoBlock block;
    block.Bytes(149, {0x07, 0xDE}).Bytes(155, {0x12, 0x34}).Bytes(169, {0x01, 0x02});
    block.Bytes(171, {0x03, 0x04}).Bytes(169 + 4 * 31, {0x05, 0x06}).Bytes(171 + 4 * 31, {7, 8});
    block.Bytes(332, {0xAA, 0xBB});  // converted by its option, not by the record
    ASSERT_TRUE(info.LoadInfo(block.data(), block.size()));
    const auto stored = info.GetInfoBlock();
    EXPECT_EQ(stored[149] | (stored[150] << 8), 2014);
    EXPECT_EQ(stored[155], 0x34);
    EXPECT_EQ(stored[156], 0x12);
    EXPECT_EQ(stored[169], 0x02);
    EXPECT_EQ(stored[172], 0x03);
    EXPECT_EQ(stored[169 + 124], 0x06);
    EXPECT_EQ(stored[171 + 124], 0x08);
    EXPECT_EQ(stored[332], 0xAA);
    // Bytes between the words (the ones at 0, 1 and 153) are stored as received.
    EXPECT_EQ(stored[0], 0xFF);
    EXPECT_EQ(stored[153], 0xFF);
}

TEST_F(InfoRecordTest, TextFieldsFollowTheirFirstByte) {
    // legend: field bytes written at the serial number -> text read back
    struct Case {
        const char* legend;
        std::vector<std::uint8_t> bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"leading NUL stays empty", {0x00, 'A', 'B'}, ""},
        {"plain text up to its NUL", {'S', 'N', '7', 0x00, 'X'}, "SN7"},
        {"0xFF after the first byte is kept", {'A', 0xFF, 0x00}, "A\xFF"},
        {"32 characters without NUL stop at the field end", std::vector<std::uint8_t>(32, 'Z'),
         std::string(32, 'Z')},
    };
    for (const Case& c : cases) {
        InfoBlock block;
        block.Text(34, "Device");
        for (std::size_t i = 0; i < c.bytes.size(); ++i) {
            block.Byte(2 + i, c.bytes[i]);
        }
        CGarnothInfo info;
        ASSERT_TRUE(info.LoadInfo(block.data(), block.size()));
        EXPECT_EQ(info.GetSerialNumber(), c.expected) << c.legend;
        EXPECT_EQ(info.GetDeviceName(), "Device") << c.legend;
    }
}

TEST_F(InfoRecordTest, ExtendedMemoryFollowsByte147) {
    // legend: byte 147 -> extended memory
    const std::pair<std::uint8_t, bool> cases[] = {{0, false}, {1, true}, {0xFF, true}};
    for (const auto& [minor, extended] : cases) {
        CGarnothInfo info;
        InfoBlock block;
        block.Byte(147, minor);
        ASSERT_TRUE(info.LoadInfoAndOptions(block.data(), block.size()));
        EXPECT_EQ(info.HasExtendedMemory(), extended) << int{minor};
    }
}

}  // namespace

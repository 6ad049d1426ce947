#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "data/garnoth_info.h"
#include "data/option_catalog.h"
#include "data/option_texts.h"
#include "device/product_table.h"
#include "info_block_builder.h"
#include "platform/virtual_clock.h"

namespace {

using test_data::FindOption;
using test_data::InfoBlock;

class OptionTest : public ::testing::Test {
  protected:
    const CLSOption& Load(const InfoBlock& block, const char* name) {
        EXPECT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
        const CLSOption* option = FindOption(info_, name);
        EXPECT_NE(option, nullptr) << name;
        return *option;
    }
    static std::string Value(const CLSOption& option) {
        std::string text = "unchanged";
        option.GetValueText(text);
        return text;
    }
    static std::string From(const CLSOption& option) {
        std::string text;
        option.GetFromText(text);
        return text;
    }
    static std::string To(const CLSOption& option) {
        std::string text;
        option.GetToText(text);
        return text;
    }

    platform::VirtualClock clock_{1'394'020'800};  // 5 March 2014 12:00:00 UTC
    platform::ScopedClock scoped_{clock_};
    CGarnothInfo info_;
};

TEST_F(OptionTest, CatalogueOrderAndFlags) {
    // legend: position, name, internal, never (suppressed), auxiliary, display flags
    struct Case {
        int position;
        const char* name;
        bool internal;
        bool never;
        bool auxiliary;
        std::uint32_t flags;
    };
    const Case cases[] = {
        {0, "CMR Inputs", false, false, false, 0x03D},
        {9, "10 Hz Measurements", true, false, false, 0x03D},
        {31, "Disable Aldric", false, false, false, 0x03D},
        {46, "Disable USB", true, true, false, 0x03D},
        {59, "Velocity COCOM", true, true, false, 0x03D},
        {64, "Mardle Onboard", true, true, false, 0x03D},
        {79, "Inertial Navigation", true, false, false, 0x03D},
        {80, "Hardware Version", false, false, true, 0x002},
        {81, "Firmware Option", false, false, false, 0x045},
        {82, "RTK Range Limit", false, false, false, 0x003},
        {83, "Downgrade Limit", false, false, false, 0x003},
        {84, "Receiver ID", false, true, false, 0x103},
        {85, "Max Data Rate", false, false, false, 0x103},
        {86, "Log Memory Limit", false, false, false, 0x003},
        {87, "RTK Test Options", false, false, false, 0x003},
        {88, "GeoFence", false, false, false, 0x003},
        {89, "PP GeoFence", false, false, false, 0x003},
        {90, "Kestrix", false, false, false, 0x003},
        {91, "Brand", false, false, false, 0x103},
        {92, "QSV End", false, false, false, 0x003},
        {96, "Pendle Start", false, false, false, 0x003},
        {97, "QSV Fast Start", false, false, false, 0x003},
        {98, "QSV Hours Purchased", false, true, false, 0x003},
        {99, "Extended Receiver ID", false, false, false, 0x103},
        {100, "QSV Vesk Code Start", true, true, true, 0x003},
        {101, "QSV Vesk Code End", true, true, true, 0x003},
        {105, "Glenmark End", false, false, false, 0x003},
        {106, "CardCageNumber", true, true, true, 0x003},
    };
    ASSERT_EQ(info_.GetOptionCount(), 107);
    for (const Case& c : cases) {
        const CLSOption* option = info_.GetOptionAt(c.position);
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->GetOptionName(), c.name) << c.position;
        EXPECT_EQ(option->IsInternal(), c.internal) << c.name;
        EXPECT_EQ(option->IsSuppressed(), c.never) << c.name;
        EXPECT_EQ(option->IsAuxiliary(), c.auxiliary) << c.name;
        EXPECT_EQ(option->GetDisplayFlags(), c.flags) << c.name;
    }
    // Counts of the listing classes over the whole catalogue.
    int internal = 0;
    int never = 0;
    std::set<std::string> names;
    for (int i = 0; i < info_.GetOptionCount(); ++i) {
        internal += info_.GetOptionAt(i)->IsInternal() ? 1 : 0;
        never += info_.GetOptionAt(i)->IsSuppressed() ? 1 : 0;
        names.insert(info_.GetOptionAt(i)->GetOptionName());
    }
    EXPECT_EQ(names.size(), 107u);
    EXPECT_EQ(never, 8);
    EXPECT_EQ(internal, 42);
}

TEST_F(OptionTest, BeforeAnyBlockTogglesAreOffAndOtherKindsStartEnabled) {
    for (int i = 0; i < info_.GetOptionCount(); ++i) {
        const CLSOption& option = *info_.GetOptionAt(i);
        EXPECT_TRUE(option.IsPermanent()) << option.GetOptionName();
        if (i < 80) {
            EXPECT_FALSE(option.IsEnabled()) << option.GetOptionName();
        } else if (i != 80) {
            EXPECT_TRUE(option.IsEnabled()) << option.GetOptionName();
        }
    }
}

TEST_F(OptionTest, BlankBlockLeavesEverythingUnset) {
    const InfoBlock block;
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    auto fresh = CreateOptionCatalog();
    for (int i = 0; i < info_.GetOptionCount(); ++i) {
        const CLSOption& option = *info_.GetOptionAt(i);
        EXPECT_FALSE(option.IsEnabled()) << option.GetOptionName();
        if (i < 80) {
            EXPECT_TRUE(option.IsPermanent()) << option.GetOptionName();
        }
        if (option.HasStatus()) {
            std::string text = "x";
            option.GetValueText(text);
            if (option.GetOptionName() != "RTK Test Options" &&
                option.GetOptionName() != "CardCageNumber") {
                EXPECT_EQ(text, "") << option.GetOptionName();
            }
        }
        // Byte 147 is 0xFF: the hide rule adds nothing.
        EXPECT_EQ(option.IsSuppressed(), fresh[static_cast<std::size_t>(i)]->IsSuppressed())
            << option.GetOptionName();
    }
    EXPECT_EQ(Value(*FindOption(info_, "Hardware Version")), "255.255");
}

TEST_F(OptionTest, OnlyTheClearBitIsOn) {
    InfoBlock block;
    block.Toggle(0, true);
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    for (int bit = 0; bit < 80; ++bit) {
        EXPECT_EQ(info_.GetOptionAt(bit)->IsEnabled(), bit == 0) << bit;
    }
    EXPECT_EQ(info_.GetOptionAt(0)->GetOptionName(), "CMR Inputs");
}

TEST_F(OptionTest, BitsMapMostSignificantFirst) {
    // legend: bit on -> byte and value that carries it (all other bits off)
    for (int bit : {7, 8, 39, 71, 79}) {
        CGarnothInfo info;
        InfoBlock block;
        block.Toggle(bit, true);
        EXPECT_EQ(block.data()[157 + bit / 8], static_cast<std::uint8_t>(~(0x80u >> (bit % 8))));
        ASSERT_TRUE(info.LoadInfoAndOptions(block.data(), block.size()));
        for (int other = 0; other < 80; ++other) {
            EXPECT_EQ(info.GetOptionAt(other)->IsEnabled(), other == bit) << bit << "/" << other;
        }
    }
}

TEST_F(OptionTest, DatedToggleShowsItsDays) {
    InfoBlock block;
    block.Toggle(3, true).Bytes(181, {0x00, 0x00}).Bytes(183, {0x01, 0x6D});
    const CLSOption& option = Load(block, "RTCM Outputs");
    EXPECT_TRUE(option.IsEnabled());
    EXPECT_FALSE(option.IsPermanent());
    EXPECT_EQ(From(option), "01/06/1980");
    EXPECT_EQ(To(option), "01/05/1981");
}

TEST_F(OptionTest, DisabledDatedToggleKeepsItsDays) {
    InfoBlock block;
    block.ToggleDays(5, 7359, 7360);
    const CLSOption& option = Load(block, "KelvaCAN");
    EXPECT_FALSE(option.IsEnabled());
    EXPECT_FALSE(option.IsPermanent());
    EXPECT_TRUE(option.ListsDatedWhenDisabled());
    EXPECT_EQ(From(option), "02/29/2000");
    EXPECT_EQ(To(option), "03/01/2000");
}

TEST_F(OptionTest, PermanentToggleDatesAreToday) {
    InfoBlock block;
    block.Toggle(1, true);
    const CLSOption& option = Load(block, "CMR Outputs");
    EXPECT_TRUE(option.IsPermanent());
    EXPECT_EQ(From(option), "03/05/2014");
    EXPECT_EQ(To(option), "03/05/2014");
    // Only both words 0xFFFF mean permanent.
    block.ToggleDays(1, 0xFFFF, 100);
    EXPECT_FALSE(Load(block, "CMR Outputs").IsPermanent());
}

TEST_F(OptionTest, TogglesAboveBit31AreAlwaysPermanent) {
    InfoBlock block;
    block.Toggle(40, true);
    // Where bit 40's date words would lie, if it had any.
    block.Bytes(169 + 4 * 40, {0, 0, 0, 0});
    const CLSOption& option = Load(block, "Force Float With Static CMR");
    EXPECT_TRUE(option.IsEnabled());
    EXPECT_TRUE(option.IsPermanent());
}

TEST_F(OptionTest, HardwareMinorZeroHidesTheExtendedMemoryOptions) {
    InfoBlock block;
    block.Byte(146, 2).Byte(147, 0).Byte(339, 10);
    for (int bit = 0; bit < 80; ++bit) {
        block.Toggle(bit, true);
    }
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    EXPECT_EQ(Value(*FindOption(info_, "Hardware Version")), "2.0");
    const std::set<std::string> hidden = {
        "L5", "LBand", "Disable Aldric", "Enable GLONASS", "Enable Webserver", "Log Memory Limit"};
    auto fresh = CreateOptionCatalog();
    for (int i = 0; i < info_.GetOptionCount(); ++i) {
        const CLSOption& option = *info_.GetOptionAt(i);
        const bool expected = hidden.count(option.GetOptionName()) != 0 ||
                              fresh[static_cast<std::size_t>(i)]->IsSuppressed();
        EXPECT_EQ(option.IsSuppressed(), expected) << option.GetOptionName();
    }
    EXPECT_TRUE(FindOption(info_, "L5")->IsEnabled());
    // The name list matches ignoring case, and only whole names.
    EXPECT_TRUE(IsHiddenWithoutExtendedMemory("lband"));
    EXPECT_TRUE(IsHiddenWithoutExtendedMemory("MOVING BASE LIMIT"));
    EXPECT_FALSE(IsHiddenWithoutExtendedMemory("Moving Base"));
    EXPECT_FALSE(IsHiddenWithoutExtendedMemory("L5 "));

    // Once hidden, an option stays hidden after a block from a receiver with extended memory.
    block.Byte(147, 1);
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    EXPECT_TRUE(FindOption(info_, "L5")->IsSuppressed());
}

TEST_F(OptionTest, HardwareMinorNonZeroHidesNothing) {
    InfoBlock block;
    block.Byte(146, 2).Byte(147, 1).Toggle(29, true);
    const CLSOption& option = Load(block, "L5");
    EXPECT_FALSE(option.IsSuppressed());
    EXPECT_TRUE(option.IsEnabled());
}

TEST_F(OptionTest, LogMemoryLimitTexts) {
    // legend: code -> text ("" while not set)
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0, "0 M"},       {63, "63 M"},     {64, "0.06 G"}, {222, "9.94 G"},
        {223, "10.00 G"}, {254, "11.94 G"}, {255, ""},
    };
    for (const auto& [code, text] : cases) {
        InfoBlock block;
        block.Byte(339, code).Byte(147, 1);
        const CLSOption& option = Load(block, "Log Memory Limit");
        EXPECT_EQ(option.IsEnabled(), code != 255) << int{code};
        EXPECT_EQ(Value(option), text) << int{code};
    }
}

TEST_F(OptionTest, DataRateBrandAndReceiverIdNames) {
    // legend: option, offset, byte -> enabled, text
    struct Case {
        const char* option;
        std::size_t offset;
        std::uint8_t byte;
        bool enabled;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"Max Data Rate", 337, 0, true, ""},  // listed code 0 has no name
        {"Max Data Rate", 337, 1, true, "1 Hz"},
        {"Max Data Rate", 337, 4, true, "10 Hz"},
        {"Max Data Rate", 337, 7, true, "100 Hz"},
        {"Max Data Rate", 337, 8, true, ""},
        {"Max Data Rate", 337, 255, false, ""},
        {"Brand", 352, 0, true, "Corvane"},
        {"Brand", 352, 10, true, BrandName(10)},
        {"Brand", 352, 11, true, "None"},
        {"Brand", 352, 255, false, ""},
        {"Receiver ID", 336, 100, true, "Tarrow"},
        {"Receiver ID", 336, 76, true, FindProductModel(76).name},
        {"Receiver ID", 336, 250, true, "UNKOWN"},
        {"Receiver ID", 336, 255, false, ""},
    };
    for (const Case& c : cases) {
        InfoBlock block;
        block.Byte(c.offset, c.byte);
        const CLSOption& option = Load(block, c.option);
        EXPECT_EQ(option.IsEnabled(), c.enabled) << c.option << " " << int{c.byte};
        EXPECT_EQ(Value(option), c.text) << c.option << " " << int{c.byte};
    }
    EXPECT_EQ(BrandNames().size(), 11u);
    EXPECT_EQ(DataRateName(3), "5 Hz");
}

TEST_F(OptionTest, ExtendedReceiverId) {
    // legend: byte 336, word 375 -> enabled, model
    struct Case {
        const char* legend;
        std::uint8_t id;
        std::uint16_t word;
        bool enabled;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"word used when the byte is 0", 0, 0x004C, true, FindProductModel(76).name},
        {"no word either", 0, 0xFFFF, false, ""},
        {"ID missing from the table", 0, 0x1234, true, "UNKOWN"},
        {"byte wins over the word", 153, 0x004C, true, "Benlow"},
        {"unset byte is no model", 0xFF, 0x004C, false, ""},
    };
    for (const Case& c : cases) {
        InfoBlock block;
        block.Byte(336, c.id).Word(375, c.word);
        const CLSOption& option = Load(block, "Extended Receiver ID");
        EXPECT_EQ(option.IsEnabled(), c.enabled) << c.legend;
        EXPECT_EQ(Value(option), c.text) << c.legend;
    }
    EXPECT_STRNE(FindProductModel(76).name, "UNKOWN");
}

TEST_F(OptionTest, ExpirationDays) {
    // legend: option, offset, day number -> enabled, text
    struct Case {
        const char* option;
        std::size_t offset;
        std::uint16_t day;
        bool enabled;
        const char* text;
    };
    const Case cases[] = {
        {"Pendle End", 363, 48573, true, "Always"},
        {"QSV End", 354, 48573, true, "1/1/2113"},
        {"Pendle End", 363, 48572, true, "12/31/2112"},
        {"QSV Start", 367, 0, true, "1/6/1980"},
        {"QSV Fast End", 365, 12477, true, "3/5/2014"},
        {"QSV Fast Start", 369, 7359, true, "2/29/2000"},
        {"Pendle Start", 371, 43884, true, "3/1/2100"},
        {"Tolvar Start", 381, 1, true, "1/7/1980"},
        {"Tolvar End", 383, 2, true, "1/8/1980"},
        {"Glenmark Start", 385, 3, true, "1/9/1980"},
        {"Glenmark End", 387, 4, true, "1/10/1980"},
        {"Glenmark End", 387, 0xFFFF, false, ""},
    };
    for (const Case& c : cases) {
        InfoBlock block;
        block.Word(c.offset, c.day);
        const CLSOption& option = Load(block, c.option);
        EXPECT_EQ(option.IsEnabled(), c.enabled) << c.option << " " << c.day;
        EXPECT_EQ(Value(option), c.text) << c.option << " " << c.day;
    }
}

TEST_F(OptionTest, VeskCodeDaysReadNoWord) {
    InfoBlock block;
    for (std::size_t offset = 352; offset < 425; ++offset) {
        block.Byte(offset, 0);
    }
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    EXPECT_FALSE(FindOption(info_, "QSV Vesk Code Start")->IsEnabled());
    EXPECT_FALSE(FindOption(info_, "QSV Vesk Code End")->IsEnabled());
    EXPECT_EQ(Value(*FindOption(info_, "QSV End")), "1/6/1980");
}

TEST_F(OptionTest, FirmwareOption) {
    // legend: month, year -> enabled, To text
    struct Case {
        std::uint8_t month;
        std::uint16_t year;
        bool enabled;
        const char* to;
    };
    const Case cases[] = {
        {3, 2014, true, "3/2014"},       {12, 1999, true, "12/1999"},
        {13, 2014, true, "Disabled"},    {0, 2014, true, "Disabled"},
        {0xFF, 2014, true, "Disabled"},  {3, 0xFFFF, true, "Disabled"},
        {0xFF, 0xFFFF, false, "3/2014"},  // not set: today
    };
    for (const Case& c : cases) {
        InfoBlock block;
        block.Byte(148, c.month).Word(149, c.year);
        const CLSOption& option = Load(block, "Firmware Option");
        EXPECT_EQ(option.IsEnabled(), c.enabled) << int{c.month} << "/" << c.year;
        EXPECT_EQ(To(option), c.to) << int{c.month} << "/" << c.year;
    }
}

TEST_F(OptionTest, NumberOptions) {
    // legend: option, bytes at offset -> enabled, text ("unchanged" = caller's text kept)
    struct Case {
        const char* option;
        std::size_t offset;
        std::vector<std::uint8_t> bytes;
        bool enabled;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"RTK Range Limit", 332, {0x01, 0x2C}, true, "300"},
        {"RTK Range Limit", 332, {0xFF, 0xFF}, false, ""},
        {"RTK Range Limit", 332, {0xFF, 0xFE}, true, "65534"},
        {"Downgrade Limit", 334, {0x00, 0x00}, true, "0"},
        {"Downgrade Limit", 334, {0xFF, 0xFF}, false, ""},
        {"QSV Hours Purchased", 373, {0x03, 0xE8}, true, "1000"},
        {"RTK Test Options", 338, {5}, true, "5"},
        {"RTK Test Options", 338, {255}, false, "unchanged"},
        {"Kestrix", 350, {2}, true, "2"},
        {"Kestrix", 350, {255}, false, ""},
        {"GeoFence", 344, {0x01, 0x02, 0x03}, true, "197121"},
        {"GeoFence", 344, {0xFF, 0xFF, 0x00}, true, "65535"},
        {"GeoFence", 344, {0xFF, 0xFF, 0xFF}, false, ""},
        {"PP GeoFence", 347, {0x00, 0x00, 0x00}, true, "0"},
    };
    for (const Case& c : cases) {
        InfoBlock block;
        for (std::size_t i = 0; i < c.bytes.size(); ++i) {
            block.Byte(c.offset + i, c.bytes[i]);
        }
        const CLSOption& option = Load(block, c.option);
        EXPECT_EQ(option.IsEnabled(), c.enabled) << c.option << " " << c.text;
        EXPECT_EQ(Value(option), c.text) << c.option << " " << c.text;
    }
    InfoBlock block;
    block.Bytes(344, {0x01, 0x02, 0x03}).Byte(350, 7).Byte(337, 3);
    ASSERT_TRUE(info_.LoadInfoAndOptions(block.data(), block.size()));
    EXPECT_EQ(FindOption(info_, "GeoFence")->GetValue(), 197121);
    EXPECT_EQ(FindOption(info_, "Kestrix")->GetValue(), 7);
    EXPECT_EQ(FindOption(info_, "Max Data Rate")->GetValue(), 3);
}

TEST_F(OptionTest, CardCageNumberAppendsItsCharacters) {
    InfoBlock block;
    block.Text(300, "CAGE-0417");
    const CLSOption& option = Load(block, "CardCageNumber");
    EXPECT_TRUE(option.IsEnabled());
    std::string text = "Enabled";
    option.GetValueText(text);
    EXPECT_EQ(text, "EnabledCAGE-0417");
}

}  // namespace

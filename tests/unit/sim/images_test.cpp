#include <gtest/gtest.h>

#include "engine/bytes.h"
#include "engine/error_log_image.h"
#include "engine/gps_date.h"
#include "engine/radio_dictionary.h"
#include "wire.h"

namespace {

using sim::Bytes;

sim::ErrorLogRecord Sample() {
    sim::ErrorLogRecord r;
    r.status = sim::kLogDeleted;
    r.errorNumber = 0x11223344;
    r.id = 0x55;
    r.vpc = 0x66;
    r.pc = 0x01020304;
    r.gpsWeek = 0x0708;
    r.upTime = 0x0A0B0C0D;
    r.userDataLength = 0x0028;
    r.userData[39] = 0x99;
    return r;
}

// Offsets of the stored record layouts, from the definition's table.
TEST(SimImages, StoredRecordsFollowTheirLayoutAndByteOrder) {
    struct Case {
        const char* legend;
        int layout;
        sim::ByteOrder order;
        std::size_t size;
        std::size_t errorNumber, id, pc, week;
        Bytes errorBytes;
    };
    const Bytes be = {0x11, 0x22, 0x33, 0x44};
    const Bytes le = {0x44, 0x33, 0x22, 0x11};
    const Case cases[] = {
        {"layout 1 big-endian", 1, sim::ByteOrder::kBig, 40, 4, 36, 8, 34, be},
        {"layout 1 little-endian", 1, sim::ByteOrder::kLittle, 40, 4, 36, 8, 34, le},
        {"layout 2 big-endian", 2, sim::ByteOrder::kBig, 35, 1, 27, 5, 33, be},
        {"layout 3 little-endian", 3, sim::ByteOrder::kLittle, 125, 1, 27, 5, 33, le},
    };
    for (const Case& c : cases) {
        const Bytes image = sim::BuildLogImage({Sample()}, c.layout, c.order, 1000, 0x00);
        ASSERT_EQ(image.size(), 1000u);
        const bool big = c.order == sim::ByteOrder::kBig;
        EXPECT_EQ(Bytes(image.begin(), image.begin() + 4),
                  big ? Bytes({'E', 'L', 'o', 'g'}) : Bytes({'g', 'o', 'L', 'E'}))
            << c.legend;
        EXPECT_EQ(image[big ? 5 : 4], c.layout) << c.legend;
        const std::uint8_t* r = &image[c.size];
        EXPECT_EQ(r[0], 0xF8) << c.legend;
        EXPECT_EQ(Bytes(r + c.errorNumber, r + c.errorNumber + 4), c.errorBytes) << c.legend;
        EXPECT_EQ(r[c.id], 0x55) << c.legend;
        EXPECT_EQ(r[c.pc + (big ? 3 : 0)], 0x04) << c.legend;
        EXPECT_EQ(r[c.week + (big ? 1 : 0)], 0x08) << c.legend;
        EXPECT_EQ(image[2 * c.size], 0x00) << c.legend << ": the written part ends";
    }
    // Layout 3 alone carries the long-record fields: up time at 35, user data at 85..124.
    const Bytes image = sim::BuildLogImage({Sample()}, 3, sim::ByteOrder::kBig, 250, 0);
    EXPECT_EQ(sim::GetBe32(&image[125 + 35]), 0x0A0B0C0Du);
    EXPECT_EQ(sim::GetBe16(&image[125 + 83]), 0x0028);
    EXPECT_EQ(image[125 + 124], 0x99);
}

TEST(SimImages, RadioDictionarySums) {
    const Bytes erased = sim::ErasedRadioConfig(0xFF);
    ASSERT_EQ(erased.size(), 2048u);
    EXPECT_EQ(Bytes(erased.begin(), erased.begin() + 19),
              (Bytes{0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96, 0x06, 0x00, 0x00, 0xFE,
                     0x06, 0x02, 0xBE, 0x00, 0xFF, 0xFF}));

    // Entry 20 sums ids 1..19, entry 150 ids 100..149, entry 254 everything else.
    std::vector<sim::RadioEntry> entries = {
        {1, 0x02, {5}}, {120, 0x05, {0x01, 0x02}}, {0, 0xFF, {}}};
    sim::SetRadioChecksums(entries);
    const Bytes encoded = sim::EncodeRadioDictionary(entries);
    const Bytes expected = {0x01, 0x02, 0x05, 0x00,  // 1: 1 + 2 + 5 = 8
                            0x78, 0x05, 0x01, 0x02,  // 120: 120 + 5 + 3 = 128
                            0x14, 0x06, 0x00, 0x08,  // 20 = 8
                            0x96, 0x06, 0x00, 0x80,  // 150 = 128
                            0xFE, 0x06, 0x02, 0xC5,  // 254 = 8 + 128 + 34 + 284 + 255
                            0x00, 0xFF};
    EXPECT_EQ(encoded, expected);
}

TEST(SimImages, DefaultInformationBlockFields) {
    const sim::Profile p = sim::DefaultProfile();
    const auto& b = p.infoBlock;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[2]), 10), "5213K40078");
    EXPECT_EQ(b[12], 0x00) << "serial is NUL-padded";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[34]), 9), "Vorin R10");
    EXPECT_EQ(b[110], 0xFF) << "second auxiliary text not set";
    EXPECT_EQ(b[146], 2);
    EXPECT_EQ(b[147], 1);
    EXPECT_EQ(b[148], 3);
    EXPECT_EQ(b[149], 0x07);
    EXPECT_EQ(b[150], 0xDE) << "2014, high byte first";
    // Bit 0 on (clear), bit 3 on, bit 4 off; bit 14 off but dated.
    EXPECT_EQ(b[157] & 0x80, 0);
    EXPECT_EQ(b[157] & 0x10, 0);
    EXPECT_EQ(b[157] & 0x08, 0x08);
    EXPECT_EQ(b[158] & 0x02, 0x02);
    EXPECT_EQ(sim::GetBe16(&b[169 + 12]), 12477) << "bit 3 from 2014-03-05";
    EXPECT_EQ(sim::GetBe16(&b[171 + 12]), 12842) << "bit 3 to 2015-03-05";
    EXPECT_EQ(sim::GetBe16(&b[169]), 0xFFFF) << "bit 0 is permanent";
    EXPECT_EQ(b[336], 0);
    EXPECT_EQ(sim::GetBe16(&b[375]), 76);
    EXPECT_EQ(b[337], 4);
    EXPECT_EQ(sim::GetBe16(&b[367]), 12477) << "QSV Start";
    EXPECT_EQ(b[300], 0xFF) << "no card cage number";
}

TEST(SimImages, GpsDayNumbers) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> day;
    };
    const Case cases[] = {
        {"1980-01-06", 0},
        {"1981-01-05", 365},
        {"2113-01-01", 48573},
        {"2000-02-29", 7359},
        {"1900-02-29", std::nullopt},
        {"1980-01-05", std::nullopt},
        {"2014-13-01", std::nullopt},
        {"2014-3-5", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sim::ParseGpsDate(c.text), c.day) << c.text;
    }
}

}  // namespace

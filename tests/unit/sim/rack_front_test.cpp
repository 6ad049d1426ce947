// vorin-sim's rack and paced line: each receiver of a rack its own serial number (in its
// identification and in its information block), and a line that spends 10 bits a byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/info_block.h"
#include "front/line_pacer.h"
#include "front/rack_profile.h"

namespace {

TEST(SimRack, EachReceiverHasASerialNumberOfItsOwn) {
    struct Case {
        const char* serial;
        int index;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"5213K40078", 1, "5213K40078"},
        {"5213K40078", 2, "5213K40079"},
        {"5213K40099", 3, "5213K40101"},
        {"A99", 2, "A100"},
        {"0009", 64, "0072"},
        {"SN", 2, "SN-2"},
        {"", 3, "-3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(simfront::RackSerial(c.serial, c.index), c.expected)
            << c.serial << " #" << c.index;
    }
    const sim::Profile second = simfront::RackProfile("", 2);
    EXPECT_EQ(second.serial, "5213K40079");
    const std::string inBlock(reinterpret_cast<const char*>(&second.infoBlock[sim::info::kSerial]),
                              10);
    EXPECT_EQ(inBlock, "5213K40079") << "the options report reads the block's serial";

    // A profile file that names its own serial and one in its block: both renumbered.
    const std::string path = ::testing::TempDir() + "rack-profile.json";
    std::ofstream(path) << R"({"serial": "X100", "infoBlock": {"serial": "Y7"}})";
    const sim::Profile third = simfront::RackProfile(path, 3);
    EXPECT_EQ(third.serial, "X102");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&third.infoBlock[sim::info::kSerial]), 2),
              "Y9");
    std::ofstream(path) << R"({"serial": 5})";
    EXPECT_THROW(simfront::RackProfile(path, 2), sim::ProfileError) << "the loader's own refusal";
    std::remove(path.c_str());
}

TEST(SimRack, APacedLineSpendsTenBitsAByteAtItsSpeed) {
    simfront::LinePacer paced(true);
    const sim::Bytes frame = {1, 2, 3};
    constexpr std::int64_t kByteAt9600 = 10'000'000'000LL / 9600;  // 1.04 ms
    paced.Push(frame, 9600, 1'000'000);
    EXPECT_TRUE(paced.Take(1'000'000 + kByteAt9600 - 1).empty()) << "no byte before it crossed";
    EXPECT_EQ(paced.Take(1'000'000 + kByteAt9600), sim::Bytes{1});
    EXPECT_EQ(paced.NextNs(), 1'000'000 + 2 * kByteAt9600);
    // Bytes handed over while the line is busy queue behind the ones on it, at their own speed.
    paced.Push(sim::Bytes{4}, 115200, 1'000'000);
    EXPECT_EQ(paced.Take(1'000'000 + 3 * kByteAt9600), (sim::Bytes{2, 3}));
    EXPECT_EQ(paced.Take(1'000'000 + 3 * kByteAt9600 + 10'000'000'000LL / 115200), sim::Bytes{4});
    EXPECT_FALSE(paced.NextNs());
    // An idle line starts the next byte when it is handed over.
    paced.Push(sim::Bytes{5}, 9600, 50'000'000);
    EXPECT_EQ(paced.NextNs(), 50'000'000 + kByteAt9600);

    simfront::LinePacer unpaced(false);
    unpaced.Push(frame, 9600, 7);
    EXPECT_EQ(unpaced.Take(7), frame) << "a pseudo-terminal carries bytes at once";
}

}  // namespace

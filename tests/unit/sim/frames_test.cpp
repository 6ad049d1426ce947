#include <gtest/gtest.h>

#include "engine/frames.h"
#include "wire.h"

namespace {

using sim::Bytes;

TEST(SimFrames, BuildersProduceTheFramesOfTheDefinition) {
    struct Case {
        const char* legend;
        Bytes built;
        Bytes expected;
    };
    const Case cases[] = {
        {"identification request",
         sim::BuildTcFrame(0x6F, {}),
         {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03}},
        {"reset frame, checksum E1",
         sim::BuildTcFrame(0x58, {0xFF, 0x00, 'R', 'E', 'S', 'E', 'T'}),
         {0x02, 0x00, 0x58, 0x07, 0xFF, 0x00, 0x52, 0x45, 0x53, 0x45, 0x54, 0xE1, 0x03}},
        {"empty LS request of type 6",
         sim::BuildLsFrame(6, {}),
         {0x02, 0x06, 0x00, 0x00, 0x00, 0x06, 0x03}},
        {"LS read memory 0x02480000, 220 bytes",
         sim::BuildLsFrame(5, {0x02, 0x48, 0x00, 0x00, 0x00, 0xDC}),
         {0x02, 0x05, 0x00, 0x06, 0x02, 0x48, 0x00, 0x00, 0x00, 0xDC, 0x01, 0x31, 0x03}},
        {"LS hardware information request",
         sim::BuildLsFrame(20, {0x01}),
         {0x02, 0x14, 0x00, 0x01, 0x01, 0x00, 0x16, 0x03}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.built, c.expected) << c.legend;
    }
}

// Feeds a stream to a fresh parser, returns the frames it completed and its reject count.
template <typename Parser>
std::pair<std::vector<sim::Frame>, int> Parse(const Bytes& stream) {
    Parser parser;
    std::vector<sim::Frame> frames;
    for (const std::uint8_t b : stream) {
        if (auto frame = parser.Feed(b)) {
            frames.push_back(*frame);
        }
    }
    return {frames, parser.RejectedFrames()};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(SimFrames, TcParserResynchronisesAndCountsBrokenFrames) {
    const Bytes good = simtest::Tc(0x91, {0x08, 0x00, 0x02});
    Bytes badSum = good;
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes noEtx = good;
    noEtx.back() = 0x00;
    struct Case {
        const char* legend;
        Bytes stream;
        std::size_t frames;
        int rejected;
    };
    const Case cases[] = {
        {"one good frame", good, 1, 0},
        {"noise before the STX", Cat({{0x00, 0xFF, 0x55}, good}), 1, 0},
        {"payload holding STX and ETX", simtest::Tc(0x77, {0x02, 0x03, 0x02}), 1, 0},
        {"wrong checksum, then a good frame", Cat({badSum, good}), 1, 1},
        {"missing ETX, then a good frame", Cat({noEtx, good}), 1, 1},
        {"broken frame whose last byte is the next STX",
         Cat({Bytes(noEtx.begin(), noEtx.end() - 1), good}), 1, 1},
        {"two frames back to back", Cat({good, good}), 2, 0},
    };
    for (const Case& c : cases) {
        const auto [frames, rejected] = Parse<sim::TcFrameParser>(c.stream);
        EXPECT_EQ(frames.size(), c.frames) << c.legend;
        EXPECT_EQ(rejected, c.rejected) << c.legend;
    }
    const auto [frames, rejected] = Parse<sim::TcFrameParser>(good);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, 0x91);
    EXPECT_EQ(frames[0].payload, (Bytes{0x08, 0x00, 0x02}));
    EXPECT_EQ(rejected, 0);
}

TEST(SimFrames, LsParserTakesLengthOnlyAndRefusesOversizedFrames) {
    const Bytes block(2048, 0x02);  // data made of STX bytes only
    Bytes badHigh = simtest::Ls(6, {});
    badHigh[4] ^= 0x01;                  // checksum differs in its high byte only
    Bytes huge{0x02, 0x13, 0x21, 0x01};  // claims 8449 data bytes
    struct Case {
        const char* legend;
        Bytes stream;
        std::size_t frames;
        int rejected;
    };
    const Case cases[] = {
        {"empty request", simtest::Ls(6, {}), 1, 0},
        {"2048 bytes of STX as data", simtest::Ls(19, block), 1, 0},
        {"checksum wrong in its high byte", badHigh, 0, 1},
        {"length above the limit, then a good frame", Cat({huge, simtest::Ls(18, {})}), 1, 1},
        {"TC identification request on the LS line", simtest::kIdentify, 0, 1},
    };
    for (const Case& c : cases) {
        const auto [frames, rejected] = Parse<sim::LsFrameParser>(c.stream);
        EXPECT_EQ(frames.size(), c.frames) << c.legend;
        EXPECT_EQ(rejected, c.rejected) << c.legend;
    }
    const auto [frames, rejected] = Parse<sim::LsFrameParser>(simtest::Ls(19, block));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, block);
}

}  // namespace

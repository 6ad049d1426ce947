#include <gtest/gtest.h>

#include <functional>

#include "engine/bytes.h"
#include "wire.h"

namespace {

using simtest::Bytes;
using simtest::Tc;
using simtest::TcFrames;
using simtest::Text;
using simtest::Wire;
using simtest::With;

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

// The default receiver's TC requests and what the definition says their replies carry.
TEST(SimApplication, RequestsOfTheCatalogueAreAnswered) {
    struct Case {
        const char* legend;
        Bytes request;
        std::uint8_t replyType;
        std::function<void(const Bytes&)> check;
    };
    const Case cases[] = {
        {"get options sel 0: radio flag bit 1 in byte 45", Tc(0x4A, {0x00}), 0x4B,
         [](const Bytes& p) {
             ASSERT_GE(p.size(), 48u);
             EXPECT_LE(p[0], 90);
             EXPECT_EQ(p[45] & 0x02, 0x02);
         }},
        {"get options sel 1: type 91, boot flags byte 29", Tc(0x4A, {0x01}), 0x4B,
         [](const Bytes& p) {
             ASSERT_GE(p.size(), 30u);
             EXPECT_EQ(p[0], 91);
             EXPECT_EQ(p[29] & 0x03, 0);
         }},
        {"version numbers at 16/19 and 26/29", Tc(0x06), 0x07,
         [](const Bytes& p) {
             ASSERT_GE(p.size(), 31u);
             EXPECT_EQ(Text(Bytes(p.begin() + 16, p.begin() + 21)), "00412");
             EXPECT_EQ(Text(Bytes(p.begin() + 26, p.begin() + 31)), "00305");
         }},
        {"GPS time: offset at characters 11 and 12", Tc(0x14), 0x15,
         [](const Bytes& p) {
             ASSERT_GE(p.size(), 13u);
             EXPECT_EQ(Text(Bytes(p.begin() + 11, p.begin() + 13)), "18");
         }},
        {"error-log count: the three valid entries", Tc(0x91, {0x06}), 0x92,
         [](const Bytes& p) {
             EXPECT_EQ(p, (Bytes{0xFF, 0x07, 0x00, 0x03}));
         }},
        {"short record 0", Tc(0x91, {0x08, 0x00, 0x00}), 0x92,
         [](const Bytes& p) {
             ASSERT_EQ(p.size(), 38u);
             EXPECT_EQ(p[0], 0xFF);
             EXPECT_EQ(p[1], 0x09);
             EXPECT_EQ(sim::GetBe32(&p[4]), 0x70085000u);   // error number
             EXPECT_EQ(p[8], 3);                            // ID
             EXPECT_EQ(sim::GetBe32(&p[10]), 0x0040A1B4u);  // PC
             EXPECT_EQ(sim::GetBe16(&p[36]), 1800);         // GPS week
         }},
        {"long record 2 skips the deleted entry", Tc(0x91, {0x0A, 0x00, 0x02}), 0x92,
         [](const Bytes& p) {
             ASSERT_EQ(p.size(), 129u);
             EXPECT_EQ(p[1], 0x0B);
             EXPECT_EQ(p[4], 0xFC);                         // record type
             EXPECT_EQ(sim::GetBe32(&p[5]), 0x0000BEEFu);   // error number
             EXPECT_EQ(sim::GetBe32(&p[47]), 0x00400100u);  // first trace word
             EXPECT_EQ(sim::GetBe16(&p[87]), 6);            // user data length
             EXPECT_EQ(p[89], 0xDE);
         }},
        {"ERASENVC", Tc(0x71, {0x00, 0x01, 'E', 'R', 'A', 'S', 'E', 'N', 'V', 'C'}), 0x72,
         [](const Bytes&) {}},
    };
    for (const Case& c : cases) {
        Wire wire;
        const auto frames = TcFrames(wire.Exchange(c.request));
        ASSERT_EQ(frames.size(), 1u) << c.legend;
        EXPECT_EQ(frames[0].type, c.replyType) << c.legend;
        SCOPED_TRACE(c.legend);
        c.check(frames[0].payload);
    }
}

TEST(SimApplication, RefusedRequestsGetALoneNak) {
    struct Case {
        const char* legend;
        const char* profile;
        Bytes request;
    };
    const Case cases[] = {
        {"unknown type", "{}", Tc(0x33)},
        {"unknown options selector", "{}", Tc(0x4A, {0x07})},
        {"record index beyond the log", "{}", Tc(0x91, {0x08, 0x00, 0x03})},
        {"long record from a receiver that keeps short ones",
         R"({"errorLog": {"longRecords": false}})", Tc(0x91, {0x0A, 0x00, 0x00})},
        {"erase with a wrong word", "{}",
         Tc(0x71, {0x00, 0x01, 'E', 'R', 'A', 'S', 'E', 'X', 'X', 'X'})},
        {"radio query without pass-through", "{}", Tc(0x77, {'0'})},
        {"pass-through for another port", "{}", Tc(0x84, {0x05, 0x04})},
        {"pass-through without a radio", R"({"radio": {"present": false}})",
         Tc(0x84, {0x02, 0x04})},
        {"pass-through the radio does not answer", R"({"radio": {"passThrough": "nak"}})",
         Tc(0x84, {0x02, 0x04})},
        {"type 0x58 that is not the reset", "{}", Tc(0x58, {0x00})},
    };
    for (const Case& c : cases) {
        Wire wire(With(c.profile));
        EXPECT_EQ(wire.Exchange(c.request), Bytes{kNak}) << c.legend;
        EXPECT_EQ(wire.receiver.GetMode(), sim::Mode::kApplication) << c.legend;
    }
}

TEST(SimApplication, ClearEmptiesTheLogBothWays) {
    Wire wire;
    EXPECT_EQ(wire.Exchange(Tc(0x91, {0x01})), Bytes{kAck});
    const auto count = TcFrames(wire.Exchange(Tc(0x91, {0x06})));
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0].payload, (Bytes{0xFF, 0x07, 0x00, 0x00}));
    // The memory copy of the log holds only its header now: the first slot after it ends it.
    const Bytes image = wire.receiver.ReadMemory(wire.receiver.ErrorLogAddress(), 250);
    EXPECT_EQ(sim::GetBe32(&image[0]), 0x454C6F67u);
    EXPECT_EQ(image[125], 0x00);
    EXPECT_EQ(wire.receiver.GetCounters().logClears, 1);
}

TEST(SimApplication, RadioPassThroughLastsUntilTheNextIdentification) {
    Wire wire;
    EXPECT_EQ(wire.Exchange(Tc(0x84, {0x02, 0x04})), Bytes{kAck});
    EXPECT_TRUE(wire.receiver.InRadioPassThrough());

    const auto radio = TcFrames(wire.Exchange(Tc(0x77, {'0'})));
    ASSERT_EQ(radio.size(), 1u);
    EXPECT_EQ(radio[0].type, 0x77);
    const std::string text = Text(radio[0].payload);
    EXPECT_NE(text.find("VERSION,01.23,"), std::string::npos) << text;

    // The radio does not speak TC: the receiver's own requests go unheard.
    EXPECT_TRUE(wire.Exchange(Tc(0x06)).empty());

    EXPECT_EQ(TcFrames(wire.Break()).size(), 1u);
    EXPECT_FALSE(wire.receiver.InRadioPassThrough());
    EXPECT_EQ(wire.Exchange(Tc(0x77, {'0'})), Bytes{kNak});

    Wire lost(With(R"({"radio": {"passThrough": "ack-lost"}})"));
    EXPECT_TRUE(lost.Exchange(Tc(0x84, {0x02, 0x04})).empty()) << "the ACK is lost";
    EXPECT_TRUE(lost.receiver.InRadioPassThrough()) << "but the radio has the port";
}

TEST(SimApplication, IdentificationRequestTakesThePortBackFromTheRadio) {
    // On a pseudo-terminal no break reaches the receiver: the request must end the hand-over.
    Wire wire;
    EXPECT_EQ(wire.Exchange(Tc(0x84, {0x02, 0x04})), Bytes{kAck});
    const auto identified = TcFrames(wire.Exchange(Tc(0x6F)));
    ASSERT_EQ(identified.size(), 1u);
    EXPECT_EQ(identified[0].type, 0x6E);
    EXPECT_FALSE(wire.receiver.InRadioPassThrough());
    EXPECT_FALSE(TcFrames(wire.Exchange(Tc(0x06))).empty());
}

TEST(SimApplication, EraseResetsTheRadioConfigurationToTheErasedDictionary) {
    Wire wire;
    wire.Exchange(Tc(0x71, {0x21, 0x01, 'E', 'R', 'A', 'S', 'E', 'N', 'V', 'C'}));
    const Bytes expected = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96,
                            0x06, 0x00, 0x00, 0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};
    const Bytes& config = wire.receiver.RadioConfig();
    ASSERT_EQ(config.size(), 2048u);
    EXPECT_EQ(Bytes(config.begin(), config.begin() + 18), expected);
    EXPECT_EQ(config[18], 0xFF);
}

}  // namespace

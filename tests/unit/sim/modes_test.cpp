#include <gtest/gtest.h>

#include <string>

#include "wire.h"

namespace {

using simtest::Bytes;
using simtest::Ls;
using simtest::Tc;
using simtest::TcFrames;
using simtest::Text;
using simtest::Wire;
using simtest::With;

std::string ProductOf(const Bytes& out) {
    const auto frames = TcFrames(out);
    if (frames.size() != 1) {
        return "<" + std::to_string(frames.size()) + " frames>";
    }
    const std::string text = Text(frames[0].payload);
    return text.substr(8, text.find(';') - 8);
}

TEST(SimModes, MonitorRequestRebootsSilentlyForTheBootDelay) {
    Wire wire;
    EXPECT_TRUE(wire.Exchange({0x02, 0x00, 0x87, 0x00, 0x87, 0x03}, 0).empty());
    EXPECT_EQ(wire.receiver.GetMode(), sim::Mode::kRebootingToMonitor);
    EXPECT_EQ(wire.receiver.NextEventMs(), std::optional<std::uint64_t>(10000));

    wire.now = 9990;
    EXPECT_TRUE(wire.Break(5).empty()) << "silent while booting";
    EXPECT_TRUE(wire.Exchange(simtest::kIdentify, 4).empty());
    EXPECT_GT(wire.receiver.GetCounters().bytesIgnoredBusy, 0);

    wire.now = 10000;
    EXPECT_EQ(ProductOf(wire.Break()), "Vorin-MONITOR");
    EXPECT_EQ(wire.receiver.GetMode(), sim::Mode::kMonitor);
    EXPECT_EQ(wire.receiver.CurrentLine(), sim::kIdentificationLine);
}

// A receiver that a run left cleared, erased, in its monitor and with a reply on its way is a
// fresh one again: the profile's log, radio block, mode and line, nothing in flight, counters
// going on.
TEST(SimModes, RestoreGivesTheProfilesFreshReceiver) {
    Wire wire;
    const Bytes block = wire.receiver.RadioConfig();
    wire.Exchange(Tc(0x91, {0x01}));
    wire.Exchange(Tc(0x71, {0x21, 0x01, 'E', 'R', 'A', 'S', 'E', 'N', 'V', 'C'}));
    wire.Exchange({0x02, 0x00, 0x87, 0x00, 0x87, 0x03});
    wire.now += 10000;
    wire.Break(0);  // the monitor's answer is queued, not yet sent
    ASSERT_EQ(wire.receiver.GetMode(), sim::Mode::kMonitor);
    ASSERT_NE(wire.receiver.RadioConfig(), block);

    wire.receiver.Restore(wire.now);
    EXPECT_TRUE(wire.Wait(200).empty()) << "the reply of the run before is dropped";
    EXPECT_EQ(wire.receiver.GetMode(), sim::Mode::kApplication);
    EXPECT_EQ(wire.receiver.RadioConfig(), block);
    EXPECT_EQ(wire.receiver.ErrorLog().size(), sim::DefaultProfile().errorLog.entries.size());
    EXPECT_EQ(ProductOf(wire.Exchange(simtest::kIdentify)), "Orrick Receiver");
    const sim::Counters counters = wire.receiver.GetCounters();
    EXPECT_EQ(counters.restores, 1);
    EXPECT_EQ(counters.logClears, 1);
    EXPECT_EQ(counters.identifications, 2);
}

TEST(SimModes, WaysBackToTheApplicationTakeTheirBootDelay) {
    struct Case {
        const char* legend;
        const char* profile;
        Bytes request;
        std::uint64_t bootMs;
        const char* product;
    };
    const Case cases[] = {
        {"LS 4 from the monitor", R"({"powerOn": "monitor"})", Ls(4), 6000, "Orrick Receiver"},
        {"reset frame in the application",
         "{}",
         {0x02, 0x00, 0x58, 0x07, 0xFF, 0x00, 0x52, 0x45, 0x53, 0x45, 0x54, 0xE1, 0x03},
         6000,
         "Orrick Receiver"},
        {"slow application boot",
         R"({"powerOn": "monitor", "delays": {"bootToApplicationMs": 25000}})", Ls(4), 25000,
         "Orrick Receiver"},
        {"monitor request on a receiver that never reaches it",
         R"({"faults": {"neverMonitor": true}})", Tc(0x87), 10000, "Orrick Receiver"},
    };
    for (const Case& c : cases) {
        Wire wire(With(c.profile));
        EXPECT_TRUE(wire.Exchange(c.request, 0).empty()) << c.legend;
        EXPECT_NE(wire.receiver.GetMode(), sim::Mode::kApplication) << c.legend;
        wire.now = c.bootMs - 1;
        EXPECT_TRUE(wire.Break(0).empty()) << c.legend;
        wire.now = c.bootMs;
        EXPECT_EQ(ProductOf(wire.Break()), c.product) << c.legend;
        EXPECT_EQ(wire.receiver.GetMode(), sim::Mode::kApplication) << c.legend;
    }
}

TEST(SimModes, ApplicationLineComesBackAfterTheMonitor) {
    Wire wire(With(R"({"port": {"baud": 38400}})"));
    wire.host = {38400, 8, 'N', 1};
    wire.Exchange(Tc(0x87), 0);
    wire.now = 10000;
    wire.Wait(0);
    EXPECT_EQ(wire.receiver.CurrentLine().baud, 9600u) << "the monitor starts at 9600 8N1";
    wire.host = sim::kIdentificationLine;
    wire.Exchange(Ls(4), 0);
    wire.now += 6000;
    wire.Wait(0);
    EXPECT_EQ(wire.receiver.CurrentLine().baud, 38400u);
}

TEST(SimModes, FaultKnobsShapeTheReplies) {
    Wire silent(With(R"({"faults": {"silent": true}})"));
    EXPECT_TRUE(silent.Break().empty());
    EXPECT_TRUE(silent.Exchange(simtest::kIdentify).empty());
    EXPECT_TRUE(silent.Exchange(Tc(0x06)).empty());

    Wire noisy(With(R"({"faults": {"noise": "00 FF 55"}})"));
    const Bytes out = noisy.Exchange(Tc(0x06));
    ASSERT_GT(out.size(), 3u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{0x00, 0xFF, 0x55}));
    EXPECT_EQ(TcFrames(out).size(), 1u);

    // One corrupt copy, then the good frame: a reader that checks sums keeps only the second.
    Wire corrupt(With(R"({"faults": {"corruptBeforeGood": true}})"));
    const Bytes twice = corrupt.Exchange(Tc(0x06));
    const Bytes good = Tc(0x07, {});  // length of a frame around the reply payload
    const auto frames = TcFrames(twice);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(twice.size(), 2 * (frames[0].payload.size() + good.size()));
    EXPECT_EQ(Bytes(twice.begin() + static_cast<long>(twice.size() / 2), twice.end()),
              Tc(0x07, frames[0].payload));
}

TEST(SimModes, RepliesComeAfterTheReplyDelay) {
    Wire wire(With(R"({"delays": {"replyMs": 150}})"));
    EXPECT_TRUE(wire.Exchange(Tc(0x06), 149).empty());
    EXPECT_EQ(wire.receiver.NextEventMs(), std::optional<std::uint64_t>(150));
    EXPECT_EQ(TcFrames(wire.Wait(1)).size(), 1u);
    EXPECT_FALSE(wire.receiver.NextEventMs().has_value()) << "nothing left to happen by itself";
}

}  // namespace

namespace {

// Line garbage of every kind, in both modes: the receiver keeps its footing and still answers.
TEST(SimModes, RandomBytesNeverUpsetTheReceiver) {
    for (const char* profile : {R"({})", R"({"powerOn": "monitor"})"}) {
        SCOPED_TRACE(profile);
        Wire wire(With(profile));
        std::uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<std::uint8_t>(seed >> 16);
        };
        for (int round = 0; round < 2000; ++round) {
            Bytes noise(1 + next() % 40);
            for (std::uint8_t& b : noise) {
                // Mostly frame bytes, so that many frames start and break off.
                const std::uint8_t r = next();
                b = r < 64 ? 0x02 : r < 96 ? 0x03 : r < 112 ? 0x00 : next();
            }
            wire.Exchange(noise, 5);
        }
        // Whatever state the noise left (even a reboot), the receiver comes back and answers.
        wire.Wait(30000);
        Bytes out;
        for (int attempt = 0; attempt < 3 && TcFrames(out).empty(); ++attempt) {
            out = wire.Exchange({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 10);
            out = wire.Break(30000);
        }
        EXPECT_EQ(TcFrames(out).size(), 1u);
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wire.h"

namespace {

using simtest::Bytes;
using simtest::Ls;
using simtest::LsFrames;
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

// A receiver on its USB port leaves the bus at every reboot and is back after usbReturnMs; from
// the leave that usbGoneAfter names it stays away.
TEST(SimModes, AUsbReceiverLeavesTheBusWhileItReboots) {
    const Bytes reset = {0x02, 0x00, 0x58, 0x07, 0xFF, 0x00, 0x52,
                         0x45, 0x53, 0x45, 0x54, 0xE1, 0x03};
    struct Case {
        const char* legend;
        const char* profile;
        std::vector<Bytes> reboots;  // requests, each after the receiver is back and booted
        std::vector<bool> back;      // whether it returns after each
    };
    const Case cases[] = {
        {"into the monitor and out of it",
         R"({"port": {"number": 15}})",
         {Tc(0x87), Ls(4)},
         {true, true}},
        {"the wipe's reset frame", R"({"port": {"number": 15}})", {reset}, {true}},
        {"gone for good from the second leave",
         R"({"port": {"number": 15}, "faults": {"usbGoneAfter": 2}})",
         {Tc(0x87), Ls(4)},
         {true, false}},
        {"a receiver on a serial port stays", R"({"port": {"number": 1}})", {Tc(0x87), Ls(4)}, {}},
    };
    for (const Case& c : cases) {
        sim::Profile profile = With(c.profile);
        profile.delays.usbReturnMs = 3000;
        Wire usb(profile);
        for (std::size_t i = 0; i < c.reboots.size(); ++i) {
            usb.Exchange(c.reboots[i], 0);
            const bool leaves = !c.back.empty();
            EXPECT_EQ(usb.receiver.OnBus(), !leaves) << c.legend << ", reboot " << i;
            usb.Wait(2999);
            usb.receiver.Advance(usb.now);
            EXPECT_EQ(usb.receiver.OnBus(), !leaves) << c.legend << ", just before its return";
            usb.Wait(20000);  // booted, and back when it comes back
            usb.receiver.Advance(usb.now);
            EXPECT_EQ(usb.receiver.OnBus(), !leaves || c.back[i]) << c.legend << ", reboot " << i;
        }
        const sim::Counters counters = usb.receiver.GetCounters();
        const auto returns = std::count(c.back.begin(), c.back.end(), true);
        EXPECT_EQ(counters.busLeaves, static_cast<int>(c.back.size())) << c.legend;
        EXPECT_EQ(counters.busReturns, static_cast<int>(returns)) << c.legend;
    }
}

namespace {

// What reached the host for one request: '-' nothing, 'N' a lone NAK, or a reply frame whose
// data are as long as a clean receiver's ('R'), one byte short ('S') or one byte long ('L').
char Outcome(const Bytes& out, std::size_t cleanSize, bool monitor) {
    if (out.empty()) {
        return '-';
    }
    if (out == Bytes{sim::kNak}) {
        return 'N';
    }
    const auto frames = monitor ? LsFrames(out) : TcFrames(out);
    if (frames.size() != 1) {
        return '?';
    }
    const std::size_t size = frames[0].payload.size();
    return size == cleanSize       ? 'R'
           : size + 1 == cleanSize ? 'S'
           : size == cleanSize + 1 ? 'L'
                                   : '?';
}

TEST(SimModes, RequestFaultsHitTheRequestsTheyName) {
    struct Case {
        const char* legend;
        const char* rules;
        Bytes request;  // sent six times, 200 ms apart; a break when empty
        const char* outcomes;
        bool monitor = false;
    };
    const Case cases[] = {
        {"the 2nd, then every 2nd, twice: answers lost",
         R"([{"on": "tc-6", "nth": 2, "every": 2, "times": 2, "action": "lost"}])", Tc(0x06),
         "R-R-RR"},
        {"no limit without times", R"([{"on": "tc", "nth": 3, "every": 1, "action": "nak"}])",
         Tc(0x06), "RRNNNN"},
        {"another type is not watched", R"([{"on": "tc-0x14", "action": "unheard"}])", Tc(0x06),
         "RRRRRR"},
        {"breaks are identifications",
         R"([{"on": "identification", "nth": 5, "action": "short"}])",
         {},
         "RRRRSR"},
        {"wrong lengths, first rule that is due wins",
         R"([{"on": "any", "nth": 2, "action": "long"}, {"on": "tc-6", "nth": 1, "every": 1,
             "times": 2, "action": "short"}])",
         Tc(0x06), "SLSRRR"},
        {"LS requests in the monitor", R"([{"on": "ls-6", "nth": 6, "action": "unheard"}])", Ls(6),
         "RRRRR-", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const std::string mode = c.monitor ? R"("powerOn": "monitor", )" : "";
        Wire clean(With(c.monitor ? R"({"powerOn": "monitor"})" : "{}"));
        Wire wire(With("{" + mode + R"("faults": {"requests": )" + c.rules + "}}"));
        const auto send = [&c](Wire& w) {
            return c.request.empty() ? w.Break() : w.Exchange(c.request);
        };
        const std::size_t cleanSize =
            (c.monitor ? LsFrames(send(clean)) : TcFrames(send(clean))).at(0).payload.size();
        std::string outcomes;
        for (int i = 0; i < 6; ++i) {
            outcomes += Outcome(send(wire), cleanSize, c.monitor);
        }
        EXPECT_EQ(outcomes, c.outcomes);
    }
}

TEST(SimModes, RequestFaultsKeepOrLoseTheEffect) {
    // An answer lost on the line: the log is cleared all the same.
    Wire lost(With(R"({"faults": {"requests": [{"on": "tc-0x91", "action": "lost"}]}})"));
    EXPECT_TRUE(lost.Exchange(Tc(0x91, {0x01})).empty());
    EXPECT_TRUE(lost.receiver.ErrorLog().empty());
    EXPECT_EQ(lost.receiver.GetCounters().answersLost, 1);
    // Unheard or refused: nothing happens; only what reached the receiver is counted.
    for (const char* action : {"unheard", "nak"}) {
        Wire wire(With(std::string(R"({"faults": {"requests": [{"on": "tc-0x91", "action": ")") +
                       action + R"("}]}})"));
        wire.Exchange(Tc(0x91, {0x01}));
        EXPECT_FALSE(wire.receiver.ErrorLog().empty()) << action;
        EXPECT_EQ(wire.receiver.GetCounters().tcRequests.count(0x91), action[0] == 'n' ? 1u : 0u)
            << action;
    }
    // A late answer, and the one after it, wait their turn.
    Wire late(With(R"({"faults": {"requests": [{"on": "tc-6", "action": "late", "ms": 1000}]}})"));
    EXPECT_TRUE(late.Exchange(Tc(0x06), 0).empty());
    EXPECT_TRUE(late.Exchange(Tc(0x14), 1000).empty());
    EXPECT_EQ(TcFrames(late.Wait(20)).size(), 2u);
    // The radio block's commit answers when it ends, lost with its request's fault.
    Wire commit(With(R"({"powerOn": "monitor", "faults": {"requests": [{"on": "ls-19",
                        "action": "lost"}]}})"));
    EXPECT_TRUE(commit.Exchange(Ls(19, Bytes(2048, 0xFF)), 20000).empty());
    EXPECT_EQ(commit.receiver.GetCounters().radioWrites, 1);
    EXPECT_EQ(LsFrames(commit.Exchange(Ls(19))).size(), 1u) << "its repeat is answered";
}

}  // namespace

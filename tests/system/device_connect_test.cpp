// Connecting to the simulated receiver: identification, the way into the monitor with its fixed
// waits, the baud negotiation and the USB restart, asserted on the exact waits of virtual time.
#include <gtest/gtest.h>

#include <cerrno>

#include "device_rig.h"
#include "platform/strings.h"
#include "transport/serial_com_exception.h"

namespace {

using namespace device_system;
using testing_support::BigEndian32;

// SwitchBaud(0) after an identification: the second identification, the follow wait.
Sleeps FollowReceiver() {
    return Join({Adopting(), Adopting(), {300}});
}

TEST(DeviceConnect, ApplicationReceiverReachesItsMonitorWithTheFixedWaits) {
    Rig rig;
    rig.device.Connect(false);
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kMonitor);
    // identify, boot, identify the monitor, keep the receiver's rate (first candidate), the
    // product information, the wait after the baud change
    EXPECT_EQ(rig.clock.Sleeps(),
              Join({Adopting(), {14000}, Adopting(), FollowReceiver(), {500}, {5000}}));
    EXPECT_EQ(rig.ui.progress, (std::vector<int>{40, 80, 100}));
    EXPECT_TRUE(rig.device.GetInfo().IsLoaded());
    EXPECT_EQ(rig.device.GetInfo().GetDeviceName(), "Vorin R10");
    EXPECT_EQ(rig.device.GetProductName(), "Vorin-MONITOR");
    EXPECT_EQ(rig.device.GetReceiverPort(), 1);
    EXPECT_EQ(rig.device.GetFlashBase(), 0x02400000u);
    EXPECT_FALSE(rig.device.IsSpecialChip());
    EXPECT_TRUE(rig.LsWrites(17).empty()) << "no rate is requested without allowBaudSwitch";
    EXPECT_EQ(rig.LsWrites(6).size(), 2u) << "read after the baud step and again in Connect";
    EXPECT_EQ(rig.transport.GetBaudRate(), 9600u);
    EXPECT_TRUE(rig.ui.boxes.empty());
}

TEST(DeviceConnect, BootWaitsFollowTheBootFlagsAndTheProductCode) {
    struct Case {
        const char* legend;
        std::string profile;
        Sleeps bootWaits;
    };
    const std::vector<Case> cases = {
        {"ordinary receiver", "{}", {14000}},
        {"boot flags announce a long boot", R"({"flags": {"bootFlags": 1}})", {24000}},
        {"boot flag bit 1 also means a long boot", R"({"flags": {"bootFlags": 2}})", {24000}},
        {"boot flag bit 2 alone does not", R"({"flags": {"bootFlags": 4}})", {14000}},
        {"code 100 needs 18 s more",
         R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR"})",
         {14000, 18000}},
        {"code 153 needs 6 s more",
         R"({"product": "Benlow", "monitorProduct": "Benlow-MONITOR"})",
         {14000, 6000}},
        {"long boot and code 100",
         R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR",
             "flags": {"bootFlags": 3}, "delays": {"bootToMonitorMs": 30000}})",
         {24000, 18000}},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.device.Connect(false);
        EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kMonitor) << c.legend;
        EXPECT_EQ(rig.clock.Sleeps(),
                  Join({Adopting(), c.bootWaits, Adopting(), FollowReceiver(), {500}, {5000}}))
            << c.legend;
    }
}

TEST(DeviceConnect, AMonitorThatComesUpLateIsFoundByTheIdentificationRetries) {
    Rig rig(R"({"delays": {"bootToMonitorMs": 40000}})");
    rig.device.Connect(false);
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kMonitor);
    // First try: three silent attempts; 7 s; second try: found in its second attempt.
    EXPECT_EQ(rig.clock.Sleeps(), Join({Adopting(),
                                        {14000},
                                        BreakOnly(),
                                        BreakOnly(),
                                        BreakOnly(),
                                        {7000},
                                        BreakOnly(),
                                        Adopting(),
                                        FollowReceiver(),
                                        {500},
                                        {5000}}));
}

TEST(DeviceConnect, AReceiverAlreadyInItsMonitorIsNotRebooted) {
    Rig rig(R"({"powerOn": "monitor"})");
    rig.device.Connect(false);
    EXPECT_EQ(rig.receiver.GetCounters().rebootsToMonitor, 0);
    EXPECT_EQ(rig.clock.Sleeps(), Join({Adopting(), FollowReceiver(), {500}, {5000}}));
}

TEST(DeviceConnect, FailuresOnTheWayIntoTheMonitor) {
    struct Case {
        const char* legend;
        std::string profile;
        int code;
        Sleeps sleeps;
    };
    Sleeps stayed = Join({Adopting(), {14000}});
    for (int attempt = 1; attempt <= 8; ++attempt) {
        stayed = Join({stayed, Adopting()});
        if (attempt < 8) {
            stayed.push_back(7000);
        }
    }
    const std::vector<Case> cases = {
        {"silence: no known receiver reached its monitor", R"({"faults": {"silent": true}})", 801,
         Join({BreakOnly(), BreakOnly(), BreakOnly()})},
        {"the receiver reboots straight back into its application: eight tries, then 819",
         R"({"faults": {"neverMonitor": true}})", 819, stayed},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        EXPECT_EQ(DeviceCode([&] { rig.device.Connect(false); }), c.code) << c.legend;
        EXPECT_EQ(rig.clock.Sleeps(), c.sleeps) << c.legend;
        EXPECT_TRUE(rig.ui.boxes.empty()) << c.legend << ": silence is not asked about";
        EXPECT_TRUE(rig.ui.progress.empty()) << c.legend;
    }
}

TEST(DeviceConnect, WithBaudSwitchTheHighestAllowedRateIsTried) {
    struct Case {
        const char* legend;
        std::uint32_t maxBaud;  // 0: no registry value
        std::uint32_t firstRate;
    };
    const std::vector<Case> cases = {
        {"no MaxBaud value", 0, 115200},
        {"MaxBaud 57600", 57600, 57600},
        {"MaxBaud 9600", 9600, 9600},
        {"an unlisted MaxBaud (19200) starts at 115200", 19200, 115200},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.maxBaud != 0) {
            rig.SetMaxBaud(c.maxBaud);
        }
        rig.device.Connect(true);
        const auto switches = rig.LsWrites(17);
        ASSERT_EQ(switches.size(), 1u) << c.legend;
        const device_system::Bytes rate(switches[0].begin() + 4, switches[0].begin() + 8);
        const device_system::Bytes expected = {static_cast<std::uint8_t>(c.firstRate >> 24),
                                               static_cast<std::uint8_t>(c.firstRate >> 16),
                                               static_cast<std::uint8_t>(c.firstRate >> 8),
                                               static_cast<std::uint8_t>(c.firstRate)};
        EXPECT_EQ(rate, expected) << c.legend;
        EXPECT_EQ(rig.transport.GetBaudRate(), c.firstRate) << c.legend;
        EXPECT_EQ(rig.receiver.CurrentLine().baud, c.firstRate) << c.legend;
        EXPECT_EQ(rig.clock.Sleeps(),
                  Join({Adopting(), {14000}, Adopting(), Adopting(), {500}, {5000}}))
            << c.legend;
    }
}

TEST(DeviceConnect, MaxBaud38400TriesTheCandidatesDownTo9600) {
    Rig rig;
    rig.SetMaxBaud(38400);
    // The 38400 and 14400 switch frames are lost.
    rig.line.loses = [](const Bytes& frame) {
        return frame[1] == 0x11 && (frame.size() != 11 || BigEndian32(frame, 4) != 9600);
    };
    rig.device.Connect(true);
    std::vector<std::uint32_t> requested;
    for (const auto& frame : rig.log.lost) {
        if (frame.size() == 11) {
            requested.push_back(BigEndian32(frame, 4));
        }
    }
    EXPECT_EQ(requested, (std::vector<std::uint32_t>{38400, 14400}));
    EXPECT_EQ(rig.log.lost.size(), 6u) << "each request and its two empty resends";
    EXPECT_EQ(rig.receiver.GetCounters().baudSwitches, 1);
    EXPECT_EQ(rig.transport.GetBaudRate(), 9600u);
    EXPECT_EQ(
        rig.clock.Sleeps(),
        Join({Adopting(), {14000}, Adopting(), Adopting(), Adopting(), Adopting(), {500}, {5000}}));
}

TEST(DeviceConnect, ASwitchRequestWithoutAnswerAtTheLowestRateIs805) {
    Rig rig;
    rig.SetMaxBaud(9600);
    rig.line.loses = [](const Bytes& frame) { return frame[1] == 0x11; };
    EXPECT_EQ(DeviceCode([&] { rig.device.Connect(true); }), 805);
}

TEST(DeviceConnect, SwitchBaudFollowsTheReceiverWhenAskedToOrRefused) {
    struct Case {
        const char* legend;
        std::string profile;
        std::uint32_t request;
        std::uint32_t hostRate;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"rate 0 adopts the reported speed", R"({"powerOn": "monitor"})", 0, 57600, false},
        {"a refused rate adopts the reported speed",
         R"({"powerOn": "monitor", "port": {"supportedBauds": [9600, 57600]}})", 115200, 57600,
         true},
        {"an accepted rate is taken", R"({"powerOn": "monitor"})", 38400, 38400, false},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.device.SwitchBaud(57600);  // receiver and host now at 57600
        ASSERT_EQ(rig.receiver.CurrentLine().baud, 57600u) << c.legend;
        rig.transport.SetBaudRate(6);  // the host forgets it
        const std::size_t before = rig.clock.Sleeps().size();
        rig.device.SwitchBaud(c.request);
        EXPECT_EQ(rig.transport.GetBaudRate(), c.hostRate) << c.legend;
        EXPECT_EQ(rig.receiver.GetCounters().baudRefusals, c.refused ? 1 : 0) << c.legend;
        const bool follows = c.request == 0 || c.refused;
        EXPECT_EQ(rig.SleepsSince(before), follows ? FollowReceiver() : Adopting()) << c.legend;
        // The receiver still answers at the host's new rate.
        EXPECT_NO_THROW(rig.device.ReadProductInfo()) << c.legend;
    }
}

TEST(DeviceConnect, AReceiverKeepingItsLineSettingsIsFollowedAfterTheLongerWait) {
    Rig rig(R"({"powerOn": "monitor", "port": {"mode": "TCP"}})");
    rig.device.SwitchBaud(0);
    // Neither identification adopts a line; the follow waits 300 ms and 5.1 s more.
    EXPECT_EQ(rig.clock.Sleeps(), Join({BreakOnly(), BreakOnly(), {300, 5100}}));
    EXPECT_EQ(rig.transport.GetBaudRate(), 9600u);
}

TEST(DeviceConnect, AReceiverOnItsUsbPortIsRestartedAndKeepsItsRate) {
    Rig rig(R"({"port": {"number": 15, "baud": 115200}})");
    rig.device.Connect(true);
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kMonitor);
    EXPECT_TRUE(rig.LsWrites(17).empty()) << "the USB port is not asked to change its rate";
    EXPECT_EQ(rig.device.GetReceiverPort(), 15);
    // identify (adopting 115200), close after 500 ms, boot, the restart, reopen, identify
    EXPECT_EQ(rig.clock.Sleeps(), Join({Adopting(), {500, 14000, 5000, 1000, 1000}, Adopting()}));
    ASSERT_EQ(rig.tree.calls.size(), 2u);
    EXPECT_EQ(rig.tree.calls[0].nameContains, "Corvane GNSS (COM5)");
    EXPECT_FALSE(rig.tree.calls[0].enabled);
    EXPECT_EQ(rig.tree.calls[1].nameContains, "Corvane GNSS (COM5)");
    EXPECT_TRUE(rig.tree.calls[1].enabled);
    EXPECT_EQ(rig.tree.calls[1].atMs - rig.tree.calls[0].atMs, 1000u);
    EXPECT_EQ(rig.transport.OpenCount(), 2);
    EXPECT_TRUE(rig.transport.IsOpen());
    EXPECT_EQ(rig.transport.GetPortNumber(), 5);
}

// A USB port that is not back when the restart reopens it costs five seconds, and is opened
// again before each identification try; one that never comes back ends the connection with its
// open failure after the eighth try.
TEST(DeviceConnect, AUsbPortThatIsLateIsOpenedAgainBeforeEachIdentificationTry) {
    struct Case {
        const char* legend;
        std::string profile;
        bool connects;
        Sleeps afterRestart;
    };
    const Sleeps restart = {500, 14000, 5000, 1000, 1000, 5000};
    const std::vector<Case> cases = {
        {"back 25 s after the reboot: the first try opens it",
         R"({"port": {"number": 15}, "delays": {"usbReturnMs": 25000}})", true, Adopting()},
        {"never back", R"({"port": {"number": 15}, "faults": {"usbGoneAfter": 1}})", false,
         Sleeps(7, 7000)},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        try {
            rig.device.Connect(true);
            EXPECT_TRUE(c.connects) << c.legend;
            EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kMonitor) << c.legend;
        } catch (const CSerialComException& failure) {
            EXPECT_FALSE(c.connects) << c.legend;
            EXPECT_EQ(failure.GetCode(), CSerialComException::kOpenFailed) << c.legend;
            EXPECT_EQ(failure.GetPortNumber(), 5) << c.legend;
            EXPECT_EQ(failure.GetSystemError(), ENOENT) << c.legend;
        }
        EXPECT_EQ(rig.clock.Sleeps(), Join({Adopting(), restart, c.afterRestart})) << c.legend;
        EXPECT_EQ(rig.receiver.GetCounters().busLeaves, 1) << c.legend;
    }
}

TEST(DeviceConnect, UnknownProductsAndSilenceAreAskedAboutUntilCancelled) {
    struct Case {
        const char* legend;
        std::string profile;
        int branding;
        std::string prompt;
    };
    const std::vector<Case> cases = {
        {"an unknown product", R"({"product": "Unlisted-7"})", 0,
         "Invalid Device!\n\nVantor detected a product on COM5 that was was not recognized as "
         "an Orrick  receiver.\n\nMake sure that a Orrick receiver is connected to COM5."},
        {"an unknown product, branding variant 1", R"({"product": "Unlisted-7"})", 1,
         "Invalid Device!\n\nBrackfell detected a product on COM5 that was was not recognized "
         "as an Orrick  receiver.\n\nMake sure that a Orrick receiver is connected to COM5."},
        {"silence", R"({"faults": {"silent": true}})", 0,
         "No device detected!\n\nVantor was unable to detect a Orrick receiver on COM5.\n\nCheck "
         "and secure all cables and restart the Orrick receiver by shutting off the power and "
         "turning the receiver back on."},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        SetBrandingVariant(c.branding);
        rig.ui.AnswerNextBox(platform::answer::kRetry);
        rig.ui.AnswerNextBox(platform::answer::kCancel);
        EXPECT_THROW(rig.device.DetectReceiver(true), CUserException) << c.legend;
        ASSERT_EQ(rig.ui.boxes.size(), 2u) << c.legend << ": retried once";
        for (const auto& box : rig.ui.boxes) {
            EXPECT_EQ(box.text, c.prompt) << c.legend;
            EXPECT_EQ(box.caption, "DevVorin") << c.legend;
            EXPECT_EQ(box.flags, platform::mb::kSetForeground | platform::mb::kRetryCancel)
                << c.legend;
            EXPECT_EQ(box.owner, rig.context.hostWindow) << c.legend;
        }
        EXPECT_EQ(rig.receiver.GetCounters().identifications,
                  c.profile.find("silent") == std::string::npos ? 2 : 0)
            << c.legend;
    }
}

TEST(DeviceConnect, CancellationIsPolledBeforeConnecting) {
    Rig rig;
    platform::PosixEvent cancel;
    cancel.signalled = true;
    rig.context.cancelEvent = &cancel;
    CGarnothInterface device(rig.transport, rig.context);
    EXPECT_THROW(device.Connect(false), CUserException);
    EXPECT_TRUE(rig.transport.Writes().empty());
    EXPECT_TRUE(rig.clock.Sleeps().empty());
}

}  // namespace

// The receiver services after Connect and the way back into the application, against the
// simulated receiver on virtual time.
#include <gtest/gtest.h>

#include "device_rig.h"
#include "transport/serial_com_exception.h"

namespace {

using namespace device_system;

const char* const kInMonitor = R"({"powerOn": "monitor"})";

// A receiver in its monitor with its information read, as the services expect it.
void Connected(Rig& rig) {
    rig.device.Connect(false);
    rig.clock.ClearSleeps();
}

TEST(DeviceExit, TheReceiverComesBackIntoItsApplication) {
    Rig rig;
    Connected(rig);
    rig.device.ExitMonitor();
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication);
    EXPECT_EQ(rig.receiver.GetCounters().rebootsToApplication, 1);
    ASSERT_FALSE(rig.clock.Sleeps().empty());
    EXPECT_EQ(rig.clock.Sleeps().front(), 2000u);
    EXPECT_EQ(rig.clock.Sleeps().back(), 8000u) << "the last identification adopts the line";
    EXPECT_EQ(rig.LsWrites(4).size(), 1u) << "the reboot request is sent once, unanswered";
}

TEST(DeviceExit, AReceiverThatDoesNotComeBackWithin18SecondsIs812) {
    Rig rig(R"({"delays": {"bootToApplicationMs": 60000}})");
    Connected(rig);
    const std::uint64_t start = rig.clock.ElapsedMs();
    EXPECT_EQ(DeviceCode([&] { rig.device.ExitMonitor(); }), 812);
    const std::uint64_t elapsed = rig.clock.ElapsedMs() - start;
    EXPECT_GT(elapsed, 2000u + 18000u);
    EXPECT_LT(elapsed, 2000u + 18000u + 15000u) << "one identification past the limit at most";
    // Between the silent identifications it polls every 500 ms.
    const Sleeps& sleeps = rig.clock.Sleeps();
    EXPECT_EQ(sleeps.front(), 2000u);
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 500u), sleeps.end());
}

TEST(DeviceExit, WithoutAnEarlierIdentificationASilentReceiverIs701) {
    Rig rig(R"({"faults": {"silent": true}})");
    try {
        rig.device.ExitMonitor();
        FAIL() << "no exception";
    } catch (const CGarnothException& failure) {
        EXPECT_EQ(failure.GetCode(), 701);
        EXPECT_EQ(failure.GetValue(), 5);
    }
    EXPECT_TRUE(rig.LsWrites(4).empty());
}

TEST(DeviceExit, ExitMonitorIdentifiesFirstWhenConnectWasNotCalled) {
    Rig rig(kInMonitor);
    rig.device.ExitMonitor();
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication);
    EXPECT_EQ(rig.device.GetReceiverPort(), 1);
}

// The reboot's reopen tries every 5 s, ten times: a port back after 14 s is found at the third
// try; one that never comes back ends with its open failure, not with a read of a closed port.
TEST(DeviceExit, AUsbReceiverIsReopenedUntilItsPortIsBack) {
    struct Case {
        const char* legend;
        std::string profile;
        bool back;
        Sleeps sleeps;  // the first ones
    };
    const std::vector<Case> cases = {
        {"back 14 s after the reboot",
         R"({"port": {"number": 15}, "delays": {"usbReturnMs": 14000}})",
         true,
         {2000, 6000, 5000, 5000, 2000}},
        {"gone for good when it leaves the monitor",
         R"({"port": {"number": 15}, "faults": {"usbGoneAfter": 2}})", false,
         Join({{2000, 6000}, Sleeps(10, 5000)})},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        Connected(rig);
        const int opens = rig.transport.OpenCount();
        try {
            rig.device.ExitMonitor();
            EXPECT_TRUE(c.back) << c.legend;
            EXPECT_EQ(rig.transport.OpenCount(), opens + 3) << c.legend;
            EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication) << c.legend;
        } catch (const CSerialComException& failure) {
            EXPECT_FALSE(c.back) << c.legend;
            EXPECT_EQ(failure.GetCode(), CSerialComException::kOpenFailed) << c.legend;
            EXPECT_EQ(failure.GetPortNumber(), 5) << c.legend;
            EXPECT_EQ(rig.clock.Sleeps(), c.sleeps) << c.legend << ": nothing after the tries";
        }
        EXPECT_EQ(rig.transport.IsOpen(), c.back) << c.legend;
        const Sleeps& sleeps = rig.clock.Sleeps();
        ASSERT_GE(sleeps.size(), c.sleeps.size()) << c.legend;
        EXPECT_EQ(Sleeps(sleeps.begin(), sleeps.begin() + static_cast<long>(c.sleeps.size())),
                  c.sleeps)
            << c.legend;
    }
}

TEST(DeviceServices, RadioConfigurationReadTellsNoRadioFromAWrongLength) {
    struct Case {
        const char* legend;
        std::string profile;
        std::int32_t length;
        int code;
    };
    const std::vector<Case> cases = {
        {"the whole block", kInMonitor, 2048, 0},
        {"no internal radio: the single byte 0", R"({"powerOn": "monitor",
             "radio": {"present": false}})",
         2048, 820},
        {"a block of another length than expected", kInMonitor, 2047, 817},
        {"a silent receiver", R"({"powerOn": "monitor", "faults": {"silent": true}})", 2048, 801},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        Bytes block(2048, 0xEE);
        std::int32_t length = c.length;
        EXPECT_EQ(DeviceCode([&] { rig.device.ReadRadioConfig(block.data(), length); }), c.code)
            << c.legend;
        if (c.code == 0) {
            EXPECT_EQ(block, rig.receiver.RadioConfig()) << c.legend;
        } else {
            EXPECT_EQ(block, Bytes(2048, 0xEE)) << c.legend << ": nothing copied";
        }
    }
}

TEST(DeviceServices, RetrieveRadioConfigReturnsTheReceiversBlock) {
    Rig rig(kInMonitor);
    const std::vector<std::uint8_t> block = rig.device.RetrieveRadioConfig();
    EXPECT_EQ(block, rig.receiver.RadioConfig());
    EXPECT_EQ(rig.receiver.GetCounters().radioReads, 1);
}

TEST(DeviceServices, ASlowRadioCommitIsAnsweredInTheFifthReplyWindow) {
    // Each reply window is three attempts of about 2 s here; the commit ends in the fifth.
    Rig rig(R"({"powerOn": "monitor", "delays": {"radioCommitMs": 25000}})");
    Bytes block = rig.receiver.RadioConfig();
    block[100] ^= 0x5A;
    const std::uint64_t start = rig.clock.ElapsedMs();
    rig.device.SendRadioConfig(block.data(), static_cast<std::int32_t>(block.size()));
    EXPECT_EQ(rig.receiver.RadioConfig(), block);
    EXPECT_EQ(rig.receiver.GetCounters().radioWrites, 1);
    // Windows 1 to 4 retransmit two empty frames each; the fifth is answered in its first
    // attempt.
    EXPECT_EQ(rig.receiver.GetCounters().radioEmptyFrames, 8);
    const auto frames = rig.LsWrites(19);
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(frames[0].size(), 2048u + 7u);
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i], (Bytes{0x02, 0x13, 0x00, 0x00, 0x00, 0x13, 0x03}));
    }
    const std::uint64_t elapsed = rig.clock.ElapsedMs() - start;
    EXPECT_GE(elapsed, 24000u);
    EXPECT_LT(elapsed, 30000u);
}

TEST(DeviceServices, RadioConfigurationWriteOutcomes) {
    struct Case {
        const char* legend;
        std::string profile;
        int code;
    };
    const std::vector<Case> cases = {
        {"committed", kInMonitor, 0},
        {"the receiver reports the write failed",
         R"({"powerOn": "monitor", "faults": {"radioWriteFails": true}})", 818},
        {"a commit that outlasts the 21 windows",
         R"({"powerOn": "monitor", "delays": {"radioCommitMs": 200000}})", 801},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        const Bytes block = rig.receiver.RadioConfig();
        EXPECT_EQ(DeviceCode([&] {
                      rig.device.SendRadioConfig(block.data(),
                                                 static_cast<std::int32_t>(block.size()));
                  }),
                  c.code)
            << c.legend;
    }
}

TEST(DeviceServices, ReadMemoryIsOneExchangePerCall) {
    Rig rig(kInMonitor);
    Connected(rig);
    const std::uint32_t address = rig.receiver.ErrorLogAddress();
    const std::size_t readsBefore = rig.LsWrites(5).size();
    Bytes block(220, 0);
    rig.device.ReadMemory(address, block.data(), 220);
    EXPECT_EQ(block, rig.receiver.ReadMemory(address, 220));
    const auto reads = rig.LsWrites(5);
    ASSERT_EQ(reads.size(), readsBefore + 1);
    const Bytes payload(reads.back().begin() + 4, reads.back().end() - 3);
    EXPECT_EQ(payload, (Bytes{static_cast<std::uint8_t>(address >> 24),
                              static_cast<std::uint8_t>(address >> 16),
                              static_cast<std::uint8_t>(address >> 8),
                              static_cast<std::uint8_t>(address), 0x00, 0xDC}));
    EXPECT_EQ(rig.receiver.GetCounters().memoryReads, 1);
    // The header slot of the log image: the magic "ELog".
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), (Bytes{'E', 'L', 'o', 'g'}));
}

TEST(DeviceServices, AMemoryReadTheReceiverCannotServeFails) {
    Rig rig(kInMonitor);
    Bytes block(2056, 0xEE);
    EXPECT_EQ(DeviceCode([&] { rig.device.ReadMemory(0, block.data(), 2056); }), 817)
        << "more than one LS reply can carry";
    EXPECT_TRUE(rig.LsWrites(5).empty());
    Rig silent(R"({"powerOn": "monitor", "faults": {"silent": true}})");
    EXPECT_EQ(DeviceCode([&] { silent.device.ReadMemory(0, block.data(), 220); }), 801);
    EXPECT_EQ(block, Bytes(2056, 0xEE));
}

TEST(DeviceServices, HardwareAndFlashInformationOfTheReceiver) {
    struct Case {
        const char* legend;
        std::string profile;
        std::uint32_t flashBase;
        std::uint8_t hardwareFlag;
        bool special;
    };
    const std::vector<Case> cases = {
        {"hardware information", R"({"powerOn": "monitor",
             "flash": {"base": "0x03000000", "hardwareFlag": 7}})",
         0x03000000, 7, false},
        {"the special chip", R"({"powerOn": "monitor",
             "flash": {"chip": "Velmora 5"}})",
         0x02400000, 0, true},
        {"no hardware information: the flash information is read",
         R"({"powerOn": "monitor", "faults": {"noHardwareInfo": true},
             "flash": {"base": "0x01000000", "hardwareFlag": 9}})",
         0x01000000, 0, false},
        {"neither: the default base",
         R"({"powerOn": "monitor", "faults": {"noHardwareInfo": true, "noFlashInfo": true},
             "flash": {"base": "0x01000000"}})",
         0x02400000, 0, false},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.device.Connect(false);
        EXPECT_EQ(rig.device.GetFlashBase(), c.flashBase) << c.legend;
        EXPECT_EQ(rig.device.GetHardwareFlag(), c.hardwareFlag) << c.legend;
        EXPECT_EQ(rig.device.IsSpecialChip(), c.special) << c.legend;
        EXPECT_EQ(rig.device.GetByteOrderFlag(), c.hardwareFlag != 0) << c.legend;
    }
}

TEST(DeviceServices, ClearErrorLogOnTheApplication) {
    Rig rig;
    rig.device.ClearErrorLog();
    EXPECT_EQ(rig.receiver.GetCounters().logClears, 1);
    EXPECT_EQ(rig.clock.Sleeps(), Adopting());

    Rig monitor(kInMonitor);
    try {
        monitor.device.ClearErrorLog();
        FAIL() << "no exception";
    } catch (const CGarnothException& failure) {
        EXPECT_EQ(failure.GetCode(), 709);
        EXPECT_EQ(failure.GetValue(), 5) << "the port";
    }
    EXPECT_EQ(monitor.receiver.GetCounters().logClears, 0);
}

// The clear's answer is awaited over three reply windows (9 s) with nothing sent after the clear
// request: a receiver that erases for longer than one read time-out would answer anything else
// with NAK.
TEST(DeviceServices, ClearErrorLogAwaitsASlowEraseWithoutSendingMore) {
    struct Case {
        const char* legend;
        std::string profile;
        int code;  // 0: success
        int clearsAfter30s;
        std::uint64_t waitAtLeastMs;  // from the clear request to the end of the call
        std::uint64_t waitAtMostMs;
    };
    const std::vector<Case> cases = {
        {"erase of 7 s, longer than two read time-outs", R"({"delays": {"logClearMs": 7000}})", 0,
         1, 7000, 7500},
        {"erase of 12 s outlasts the three windows", R"({"delays": {"logClearMs": 12000}})", 708, 1,
         9000, 12000},
        {"clear refused", R"({"faults": {"clearAnswer": "nak"}})", 707, 0, 0, 500},
        {"clear never answered", R"({"faults": {"clearAnswer": "silent"}})", 708, 0, 9000, 12000},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        const std::size_t before = rig.transport.Writes().size();
        int code = 0;
        try {
            rig.device.ClearErrorLog();
        } catch (const CGarnothException& failure) {
            code = failure.GetCode();
            EXPECT_EQ(failure.GetValue(), Rig::kPort) << c.legend;
        }
        EXPECT_EQ(code, c.code) << c.legend;
        std::uint64_t clearAt = 0;
        for (const auto& record : rig.transport.Transcript()) {
            if (record.bytes.size() == 4 && record.bytes[2] == 0x91) {
                clearAt = record.ms;
            }
        }
        EXPECT_GE(rig.clock.ElapsedMs() - clearAt, c.waitAtLeastMs) << c.legend;
        EXPECT_LE(rig.clock.ElapsedMs() - clearAt, c.waitAtMostMs) << c.legend;
        // The identification, then the clear request, and nothing after it.
        const std::vector<Bytes> writes = rig.transport.Writes();
        std::vector<int> types;
        for (std::size_t i = before; i < writes.size(); ++i) {
            if (writes[i].size() == 4 && writes[i][0] == 0x02 && writes[i][1] == 0x00) {
                types.push_back(writes[i][2]);
            }
        }
        ASSERT_FALSE(types.empty()) << c.legend;
        EXPECT_EQ(types.back(), 0x91) << c.legend;
        EXPECT_EQ(std::count(types.begin(), types.end(), 0x91), 1) << c.legend;
        EXPECT_EQ(std::count(types.begin(), types.end(), 0x6F) + 1, static_cast<long>(types.size()))
            << c.legend;
        rig.receiver.Advance(30000);
        EXPECT_EQ(rig.receiver.GetCounters().logClears, c.clearsAfter30s) << c.legend;
        EXPECT_EQ(rig.receiver.GetCounters().unknownRequests, 0) << c.legend;
    }
}

}  // namespace

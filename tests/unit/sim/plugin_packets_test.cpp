// The plug-in's own packet classes against the simulator: the two sides were written apart from
// the same definitions, so a misunderstanding on either side shows here.
#include <gtest/gtest.h>

#include "platform/virtual_clock.h"
#include "protocol/ls_packet.h"
#include "protocol/ls_requests.h"
#include "protocol/tc_packet.h"
#include "protocol/tc_requests.h"
#include "support/sim_transport.h"
#include "transport/serial_settings.h"
#include "wire.h"

namespace {

using testing_support::SimTransport;

struct Bench {
    explicit Bench(const std::string& profile = "{}") : receiver(simtest::With(profile)) {
        port.OpenPort(3, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                      serial::kBaud9600);
    }
    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    sim::Receiver receiver;
    SimTransport port{receiver, clock};
};

TEST(SimWithPluginPackets, TcRequestsOfTheCatalogue) {
    struct Case {
        const char* legend;
        const char* profile;
    };
    for (const Case& c :
         {Case{"plain line", "{}"},
          Case{"noise before frames", R"({"faults": {"noise": "00 FF 55 13"}})"},
          Case{"corrupt copy first", R"({"faults": {"corruptBeforeGood": true}})"}}) {
        SCOPED_TRACE(c.legend);
        Bench bench(c.profile);
        CTCGetOpts radio(0);
        ASSERT_TRUE(radio.SendPacket(bench.port));
        CTCGetOpts radioReply(0);
        ASSERT_TRUE(radioReply.ReceiveReply(bench.port));
        EXPECT_EQ(radioReply.GetFlags() & 0x02, 0x02);

        CTCRetrieveVersionNumbers versions;
        ASSERT_TRUE(versions.SendPacket(bench.port));
        ASSERT_TRUE(versions.ReceiveReply(bench.port));
        EXPECT_EQ(versions.GetSoftwareVersion(), "004.12");
        EXPECT_EQ(versions.GetBootVersion(), "003.05");

        CTCRetrieveGPSTime time;
        ASSERT_TRUE(time.SendPacket(bench.port));
        ASSERT_TRUE(time.ReceiveReply(bench.port));
        EXPECT_EQ(time.GetUtcOffset(), 18);

        CTCErrorLog count;
        count.SetCountRequest();
        ASSERT_TRUE(count.SendRequest(bench.port));
        CTCErrorLog countReply;
        ASSERT_TRUE(countReply.ReceiveReply(bench.port));
        std::uint16_t entries = 0;
        EXPECT_TRUE(countReply.GetCount(entries));
        EXPECT_EQ(entries, 3);

        // Every request was answered in its first attempt: no retransmission on the wire.
        EXPECT_EQ(simtest::TcFrames(bench.port.HostBytes()).size(), 4u)
            << bench.port.FormatTranscript();
    }
}

TEST(SimWithPluginPackets, LongBootFlagsAndRadioPassThrough) {
    Bench bench(R"({"flags": {"bootFlags": 1}})");
    CTCGetOpts boot(1);
    ASSERT_TRUE(boot.SendPacket(bench.port));
    CTCGetOpts bootReply(1);
    ASSERT_TRUE(bootReply.ReceiveReply(bench.port));
    EXPECT_EQ(bootReply.GetSecondFlags(), 1);

    CTCPacket pass(tc_type::kRadioPassThrough);
    pass.AppendByte(2);
    pass.AppendByte(4);
    ASSERT_TRUE(pass.SendPacket(bench.port));
    ASSERT_TRUE(pass.ReceivePacket(bench.port, 3.0));
    EXPECT_TRUE(pass.IsAckReceived());

    CTCPacket query(tc_type::kRadioQuery);
    query.AppendByte('0');
    ASSERT_TRUE(query.SendPacket(bench.port));
    ASSERT_TRUE(query.ReceivePacket(bench.port, 3.0));
    const std::string text(query.GetPayload().begin(), query.GetPayload().end());
    EXPECT_NE(text.find("VERSION,01.23,"), std::string::npos) << text;
}

TEST(SimWithPluginPackets, MonitorRequestsAndTheSlowRadioCommit) {
    Bench bench(R"({"powerOn": "monitor"})");
    CLSRequestProductInfoPacket info;
    ASSERT_TRUE(info.SendPacket(bench.port));
    CLSRequestProductInfoPacket infoReply;
    ASSERT_TRUE(infoReply.ReceivePacket(bench.port, 5.0));
    EXPECT_EQ(infoReply.GetSize(), 425u);

    CLSRequestFlashInfo hardware(true);
    ASSERT_TRUE(hardware.SendPacket(bench.port));
    CLSRequestFlashInfo hardwareReply(true);
    ASSERT_TRUE(hardwareReply.ReceivePacket(bench.port, 15.0));
    EXPECT_EQ(hardwareReply.GetSize(), 72u);

    const sim::Bytes block(2048, 0x5A);
    CLSSendRadioCfgPacket write(block.data(), block.size());
    ASSERT_TRUE(write.SendPacket(bench.port));
    CLSPacket reply(19);
    int windows = 0;
    bool answered = false;
    while (!answered && windows < 21) {
        ++windows;
        answered = reply.ReceivePacket(bench.port, 3.0);
    }
    ASSERT_TRUE(answered);
    EXPECT_GT(windows, 1) << "the commit outlasts one reply window";
    EXPECT_EQ(reply.GetAt(0), 1);
    EXPECT_EQ(bench.receiver.RadioConfig(), block);
    // Meanwhile the reply object repeated empty type-19 frames.
    int repeats = 0;
    for (const auto& frame : simtest::LsFrames(bench.port.HostBytes())) {
        repeats += frame.type == 19 && frame.payload.empty() ? 1 : 0;
    }
    EXPECT_GT(repeats, 0);
    EXPECT_EQ(repeats, bench.receiver.GetCounters().radioEmptyFrames);
}

}  // namespace

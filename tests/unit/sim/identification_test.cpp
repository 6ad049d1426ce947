#include <gtest/gtest.h>

#include "wire.h"

namespace {

using simtest::Bytes;
using simtest::Tc;
using simtest::TcFrames;
using simtest::Text;
using simtest::Wire;
using simtest::With;

constexpr const char* kDefaultText =
    "PRODUCT,Orrick Receiver;PORT,1,9600,9600,8,1,N,NONE;PORTSTATUS,1,OK;VERSION,4.12,3.05;"
    "COMM,TC;SERIAL,5213K40078;HARDWARE,2.1;";

TEST(SimIdentification, BreakAndRequestAnswerWithTheIdentificationText) {
    struct Case {
        const char* legend;
        bool useBreak;
    };
    for (const Case& c : {Case{"break", true}, Case{"request 02 00 6F 00 6F 03", false}}) {
        Wire wire;
        const Bytes out = c.useBreak ? wire.Break() : wire.Exchange(simtest::kIdentify);
        const auto frames = TcFrames(out);
        ASSERT_EQ(frames.size(), 1u) << c.legend;
        EXPECT_EQ(frames[0].type, 0x6E) << c.legend;
        EXPECT_EQ(Text(frames[0].payload), kDefaultText) << c.legend;
        EXPECT_EQ(wire.receiver.GetCounters().identifications, 1) << c.legend;
    }
}

TEST(SimIdentification, TextFollowsModeLineAndProfile) {
    struct Case {
        const char* legend;
        const char* profile;
        const char* expected;
    };
    const Case cases[] = {
        {"monitor: monitor name, LS", R"({"powerOn": "monitor"})",
         "PRODUCT,Vorin-MONITOR;PORT,1,9600,9600,8,1,N,NONE;PORTSTATUS,1,OK;VERSION,4.12,3.05;"
         "COMM,LS;SERIAL,5213K40078;HARDWARE,2.1;"},
        {"application line 115200 7E2, USB port, no PORTSTATUS",
         R"({"port": {"number": 15, "baud": 115200, "dataBits": 7, "parity": "E", "stopBits": 2},
             "identification": {"portStatus": false}})",
         "PRODUCT,Orrick Receiver;PORT,15,115200,115200,7,2,E,NONE;VERSION,4.12,3.05;"
         "COMM,TC;SERIAL,5213K40078;HARDWARE,2.1;"},
        {"verbatim text", R"({"identification": {"text": "PRODUCT,Odd;PORT,1,9600"}})",
         "PRODUCT,Odd;PORT,1,9600"},
    };
    for (const Case& c : cases) {
        Wire wire(With(c.profile));
        const auto frames = TcFrames(wire.Break());
        ASSERT_EQ(frames.size(), 1u) << c.legend;
        EXPECT_EQ(Text(frames[0].payload), c.expected) << c.legend;
    }
}

TEST(SimIdentification, PortFieldsFollowTheMonitorsSwitchedRate) {
    Wire wire(With(R"({"powerOn": "monitor"})"));
    const auto switched =
        simtest::LsFrames(wire.Exchange(simtest::Ls(17, {0x00, 0x01, 0xC2, 0x00})));
    ASSERT_EQ(switched.size(), 1u);
    EXPECT_EQ(switched[0].payload, Bytes{1});
    EXPECT_EQ(wire.receiver.CurrentLine().baud, 115200u);

    // Identification still happens at 9600 8N1 and reports the receiver's own line.
    const auto frames = TcFrames(wire.Exchange(simtest::kIdentify));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_NE(Text(frames[0].payload).find(";PORT,1,115200,115200,8,1,N,"), std::string::npos);
}

TEST(SimIdentification, BytesOnlyPassAtMatchingLineSettings) {
    const sim::LineSettings at19200{19200, 8, 'N', 1};
    const sim::LineSettings at115200{115200, 8, 'N', 1};
    const sim::LineSettings even9600{9600, 8, 'E', 1};
    struct Case {
        const char* legend;
        const char* profile;
        sim::LineSettings hostLine;
        Bytes request;
        std::uint8_t replyType;  // 0: no reply expected
        int ignored;             // bytes the receiver did not hear
    };
    const Case cases[] = {
        {"request at another rate is not heard", "{}", at19200, Tc(0x06), 0, 6},
        {"request at another parity is not heard", "{}", even9600, Tc(0x06), 0, 6},
        {"matching line is answered", "{}", sim::kIdentificationLine, Tc(0x06), 0x07, 0},
        {"receiver at 115200: TC request at 9600 is not served", R"({"port": {"baud": 115200}})",
         sim::kIdentificationLine, Tc(0x06), 0, 0},
        {"receiver at 115200: identification at 9600 is", R"({"port": {"baud": 115200}})",
         sim::kIdentificationLine, simtest::kIdentify, 0x6E, 0},
        {"receiver at 115200: request at 115200 is served", R"({"port": {"baud": 115200}})",
         at115200, Tc(0x06), 0x07, 0},
        {"USB port: any line", R"({"port": {"number": 15, "baud": 115200}})", at19200, Tc(0x06),
         0x07, 0},
        {"mode letter W: any line", R"({"port": {"mode": "WIRELESS"}})", at19200, Tc(0x06), 0x07,
         0},
    };
    for (const Case& c : cases) {
        Wire wire(With(c.profile));
        wire.host = c.hostLine;
        const auto frames = TcFrames(wire.Exchange(c.request));
        if (c.replyType == 0) {
            EXPECT_TRUE(frames.empty()) << c.legend;
        } else {
            ASSERT_EQ(frames.size(), 1u) << c.legend;
            EXPECT_EQ(frames[0].type, c.replyType) << c.legend;
        }
        EXPECT_EQ(wire.receiver.GetCounters().bytesIgnoredLine, c.ignored) << c.legend;
    }
}

TEST(SimIdentification, ReplyIsLostToAHostThatChangedItsLine) {
    Wire wire;
    wire.receiver.Receive(Tc(0x06), wire.host, 0);
    wire.host = {115200, 8, 'N', 1};
    EXPECT_TRUE(wire.Wait(200).empty());
    EXPECT_GT(wire.receiver.GetCounters().bytesLostLine, 30);
    // Nothing is left over for later either.
    wire.host = sim::kIdentificationLine;
    EXPECT_TRUE(wire.Wait(200).empty());
}

}  // namespace

namespace {

TEST(SimIdentification, MonitorTellsTheRequestFromLsFrames) {
    Wire wire(With(R"({"powerOn": "monitor"})"));
    // An LS frame of type 0 shares the request's first two bytes; the request itself follows.
    Bytes stream = simtest::Ls(0);
    stream.insert(stream.end(), simtest::kIdentify.begin(), simtest::kIdentify.end());
    const Bytes six = simtest::Ls(6);
    stream.insert(stream.end(), six.begin(), six.end());
    const Bytes out = wire.Exchange(stream);
    EXPECT_EQ(TcFrames(out).size(), 1u) << "identification";
    EXPECT_EQ(simtest::LsFrames(out).size(), 1u) << "information block";
    const sim::Counters counters = wire.receiver.GetCounters();
    EXPECT_EQ(counters.identifications, 1);
    EXPECT_EQ(counters.lsFrames, 2);
    EXPECT_EQ(counters.rejectedFrames, 0);
}

}  // namespace

#include "device/break_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_frames.h"
#include "platform/virtual_clock.h"
#include "support/fake_transport.h"
#include "transport/serial_com_exception.h"

namespace {

using device_test::Bytes;
using device_test::IdentFrame;
using device_test::IdentText;
using testing_support::FakeTransport;

// What a record holds after parsing, for comparing whole records at once.
struct Fields {
    std::string product = "NoSuchProduct";
    int port = -1;
    int baudCode = 6;
    int byteSize = 1;
    int stopBits = 0;
    int parity = 0;
    bool keep = false;
    std::string serial;
};

Fields Read(const CBreakInfo& info) {
    return Fields{info.GetProductName(),      info.GetPortNumber(),    info.GetBaudCode(),
                  info.GetByteSizeIndex(),    info.GetStopBitsIndex(), info.GetParityIndex(),
                  info.GetKeepLineSettings(), info.GetSerialNumber()};
}

void ExpectFields(const Fields& actual, const Fields& expected, const std::string& legend) {
    EXPECT_EQ(actual.product, expected.product) << legend;
    EXPECT_EQ(actual.port, expected.port) << legend;
    EXPECT_EQ(actual.baudCode, expected.baudCode) << legend;
    EXPECT_EQ(actual.byteSize, expected.byteSize) << legend;
    EXPECT_EQ(actual.stopBits, expected.stopBits) << legend;
    EXPECT_EQ(actual.parity, expected.parity) << legend;
    EXPECT_EQ(actual.keep, expected.keep) << legend;
    EXPECT_EQ(actual.serial, expected.serial) << legend;
}

TEST(ParsePacketData, FillsTheRecordFromTheReceiversText) {
    struct Case {
        const char* legend;
        std::string text;
        bool valid;
        Fields expected;
    };
    const std::string longProduct(300, 'x');
    const std::vector<Case> cases = {
        {"115200 8N1, ordinary mode",
         IdentText("Orrick Receiver", "1,115200,115200,8,1,N,NONE"),
         true,
         {"Orrick Receiver", 1, 12, 1, 0, 0, false, "5213K40078"}},
        {"7 data bits, two stop bits, even parity, 460800",
         IdentText("Tarrow", "3,460800,460800,7,2,E,NONE"),
         true,
         {"Tarrow", 3, 16, 0, 2, 2, false, "5213K40078"}},
        {"every parity letter is known: O, M, S",
         IdentText("Tarrow", "2,1200,1200,8,1,S,NONE"),
         true,
         {"Tarrow", 2, 3, 1, 0, 4, false, "5213K40078"}},
        {"mode beginning with T keeps the line settings",
         IdentText("Tarrow", "1,38400,38400,8,1,N,TRANSPARENT"),
         true,
         {"Tarrow", 1, 9, 1, 0, 0, true, "5213K40078"}},
        {"mode beginning with W keeps the line settings",
         IdentText("Tarrow", "1,57600,57600,8,1,O,WIRELESS"),
         true,
         {"Tarrow", 1, 11, 1, 0, 1, true, "5213K40078"}},
        {"two commas after the port number: the baud text is still field 2",
         IdentText("Tarrow", "4,,19200,19200,8,1,N,NONE"),
         true,
         {"Tarrow", 4, 8, 1, 0, 0, false, "5213K40078"}},
        {"an unlisted baud text leaves the baud code",
         IdentText("Tarrow", "1,56000,56000,8,1,N,NONE"),
         true,
         {"Tarrow", 1, 6, 1, 0, 0, false, "5213K40078"}},
        {"unlisted data bits, stop bits and parity leave their indexes",
         IdentText("Tarrow", "1,9600,9600,6,3,X,NONE"),
         true,
         {"Tarrow", 1, 6, 1, 0, 0, false, "5213K40078"}},
        {"without ;COMM the fields are read but the text is not valid",
         "PRODUCT,Tarrow;PORT,1,115200,115200,8,1,N,NONE;PORTSTATUS,1,OK;VERSION,4.12;"
         "SERIAL,77;",
         false,
         {"Tarrow", 1, 12, 1, 0, 0, false, "77"}},
        {"without PORTSTATUS the PORT segment ends at ;VERSION",
         "PRODUCT,Tarrow;PORT,9,2400,2400,8,1,N,NONE;VERSION,4.12;COMM,TC;SERIAL,9;",
         true,
         {"Tarrow", 9, 4, 1, 0, 0, false, "9"}},
        {"without PORTSTATUS and VERSION the PORT fields are not read; SERIAL still is",
         "PRODUCT,Tarrow;PORT,9,2400,2400,8,1,N,NONE;COMM,TC;SERIAL,9;",
         false,
         {"Tarrow", -1, 6, 1, 0, 0, false, "9"}},
        {"a SERIAL segment without a closing ';' is not read",
         "PRODUCT,Tarrow;PORT,1,9600,9600,8,1,N,NONE;PORTSTATUS;VERSION;COMM,TC;SERIAL,42",
         true,
         {"Tarrow", 1, 6, 1, 0, 0, false, ""}},
        {"only the first 255 characters of a segment count: the name is cut",
         "PRODUCT," + longProduct + ";PORT,1,9600,9600,8,1,N,NONE;PORTSTATUS;VERSION;COMM;",
         true,
         {std::string(247, 'x'), 1, 6, 1, 0, 0, false, ""}},
        {"a text that does not start with PRODUCT changes nothing",
         " PRODUCT,Tarrow;PORT,1,115200,115200,8,1,N,NONE;PORTSTATUS;VERSION;COMM;SERIAL,1;",
         false,
         {}},
        {"a text without ;PORT changes nothing",
         "PRODUCT,Tarrow;VERSION,4.12;COMM,TC;SERIAL,1;",
         false,
         {}},
        {"an empty text changes nothing", "", false, {}},
    };
    for (const Case& c : cases) {
        CBreakInfo info;
        EXPECT_EQ(info.ParsePacketData(c.text), c.valid) << c.legend;
        ExpectFields(Read(info), c.expected, c.legend);
    }
}

TEST(BreakInfo, BaudCodesConvertToBitsPerSecond) {
    struct Case {
        const char* legend;
        std::string baudText;
        std::uint32_t bitsPerSecond;
    };
    const std::vector<Case> cases = {
        {"default record", "none", 9600}, {"1200", "1200", 1200},
        {"14400", "14400", 14400},        {"115200", "115200", 115200},
        {"230400", "230400", 230400},     {"460800", "460800", 460800},
    };
    for (const Case& c : cases) {
        CBreakInfo info;
        info.ParsePacketData(IdentText("Tarrow", "1," + c.baudText + ",0,8,1,N,NONE"));
        EXPECT_EQ(info.GetBaudRate(), c.bitsPerSecond) << c.legend;
    }
}

class RawBreakData : public ::testing::Test {
  protected:
    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    FakeTransport transport;
};

TEST_F(RawBreakData, ReadsOneIdentificationFrame) {
    struct Case {
        const char* legend;
        Bytes incoming;
        std::optional<std::string> text;
    };
    const Bytes good = IdentFrame("PRODUCT,Tarrow;");
    Bytes badSum = IdentFrame("PRODUCT,Wrong;");
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes badEtx = IdentFrame("PRODUCT,Wrong;");
    badEtx.back() = 0x04;
    const std::vector<Case> cases = {
        {"a plain frame", good, "PRODUCT,Tarrow;"},
        {"noise before the frame", device_test::Concat({0x00, 0xFF, 0x03, 0x6E}, good),
         "PRODUCT,Tarrow;"},
        {"a frame with a bad checksum is dropped, the next one read",
         device_test::Concat(badSum, good), "PRODUCT,Tarrow;"},
        {"a frame without ETX is dropped, the next one read", device_test::Concat(badEtx, good),
         "PRODUCT,Tarrow;"},
        {"a frame of another type is skipped",
         device_test::Concat(device_test::TcFrame(0x4B, {1, 2, 3}), good), "PRODUCT,Tarrow;"},
        {"any status byte is accepted", device_test::TcFrame(0x6E, {'P', 'R'}, 0x55), "PR"},
        {"a frame without data yields nothing", device_test::TcFrame(0x6E, {}), std::nullopt},
        {"the text ends at its first NUL", device_test::TcFrame(0x6E, {'A', 0, 'B'}), "A"},
        {"silence yields nothing", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        FakeTransport port;
        port.QueueIncoming(c.incoming);
        EXPECT_EQ(CBreakInfo::GetRawBreakData(port), c.text) << c.legend;
    }
}

TEST_F(RawBreakData, GivesUpAfterThreeSecondsOfBytesWithoutAFrame) {
    // A receiver that chatters without ever completing a frame: one byte every 100 ms.
    transport.QueueIncoming(Bytes(100, 0x55));
    transport.QueueIncoming(IdentFrame("PRODUCT,Late;"));
    transport.SetMsPerByte(100);
    EXPECT_EQ(CBreakInfo::GetRawBreakData(transport), std::nullopt);
    EXPECT_GE(clock.ElapsedMs(), 3000u);
    EXPECT_LT(clock.ElapsedMs(), 4100u);
}

TEST_F(RawBreakData, ABadChecksumFrameDoesNotEndTheThreeSecondRead) {
    Bytes bad = IdentFrame("PRODUCT,Bad;");
    bad[bad.size() - 2] ^= 0xFF;
    transport.QueueIncoming(bad);
    transport.QueueIncoming(Bytes(10, 0x00));  // one second of noise
    transport.QueueIncoming(IdentFrame("PRODUCT,Good;"));
    transport.SetMsPerByte(50);
    EXPECT_EQ(CBreakInfo::GetRawBreakData(transport), "PRODUCT,Good;");
}

class RetrieveBreakInfo : public ::testing::Test {
  protected:
    RetrieveBreakInfo() { transport.OpenPort(5, 1, 0, 0, 12); }
    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    FakeTransport transport;
    const Bytes identRequest = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};
};

TEST_F(RetrieveBreakInfo, AdoptsTheReportedLineAfterTheSettleWait) {
    transport.QueueBreakReply(IdentFrame(IdentText("Tarrow", "1,115200,115200,8,1,N,NONE")));
    CBreakInfo info;
    EXPECT_TRUE(info.RetrieveBreakInfo(transport, true, false));
    EXPECT_EQ(transport.GetBaudRate(), 115200u);
    EXPECT_EQ(transport.GetByteSize(), 8);
    EXPECT_EQ(transport.GetParity(), 0);
    EXPECT_EQ(transport.GetStopBits(), 0);
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{350, 350, 8000}));
    // The line starts at 9600 8N1 for the break, whatever it was before.
    const std::vector<std::string> firstCalls(transport.Calls().begin() + 1,
                                              transport.Calls().begin() + 6);
    EXPECT_EQ(firstCalls, (std::vector<std::string>{"SetBaudRate 6", "SetByteSize 1", "SetParity 0",
                                                    "SetStopBits 0", "SendBreak 350"}));
}

TEST_F(RetrieveBreakInfo, LineSettingsAndWaitsFollowTheRecord) {
    struct Case {
        const char* legend;
        std::string portFields;
        bool skipSettleWait;
        std::uint32_t baud;
        std::vector<std::uint32_t> sleeps;
    };
    const std::vector<Case> cases = {
        {"mode T keeps 9600 and skips the wait",
         "1,115200,115200,8,1,N,TCP",
         false,
         9600,
         {350, 350}},
        {"mode W keeps 9600 and skips the wait",
         "1,115200,115200,8,1,N,WIFI",
         false,
         9600,
         {350, 350}},
        {"skipSettleWait adopts the line without waiting",
         "1,38400,38400,8,1,N,NONE",
         true,
         38400,
         {350, 350}},
    };
    for (const Case& c : cases) {
        platform::VirtualClock local;
        platform::ScopedClock use(local);
        FakeTransport port;
        port.OpenPort(5, 1, 0, 0, 6);
        port.QueueBreakReply(IdentFrame(IdentText("Tarrow", c.portFields)));
        CBreakInfo info;
        EXPECT_TRUE(info.RetrieveBreakInfo(port, true, c.skipSettleWait)) << c.legend;
        EXPECT_EQ(port.GetBaudRate(), c.baud) << c.legend;
        EXPECT_EQ(local.Sleeps(), c.sleeps) << c.legend;
    }
}

TEST_F(RetrieveBreakInfo, FallsBackToTheRequestWhenTheBreakBringsNoAnswer) {
    transport.QueueBreakReply({});
    transport.QueueReply(IdentFrame(IdentText("Tarrow", "1,9600,9600,8,1,N,NONE")));
    CBreakInfo info;
    EXPECT_TRUE(info.RetrieveBreakInfo(transport, true, false));
    EXPECT_EQ(transport.Writes(), std::vector<Bytes>{identRequest});
    EXPECT_EQ(info.GetProductName(), "Tarrow");
}

TEST_F(RetrieveBreakInfo, SilenceCostsThreeAttemptsOrOne) {
    CBreakInfo info;
    EXPECT_FALSE(info.RetrieveBreakInfo(transport, true, false));
    EXPECT_EQ(transport.Writes(), std::vector<Bytes>(3, identRequest));
    EXPECT_EQ(clock.Sleeps(), std::vector<std::uint32_t>(6, 350));
    EXPECT_EQ(info.GetProductName(), "NoSuchProduct");

    FakeTransport once;
    once.OpenPort(5, 1, 0, 0, 6);
    EXPECT_FALSE(info.RetrieveBreakInfo(once, false, false));
    EXPECT_EQ(once.Writes(), std::vector<Bytes>(1, identRequest));
}

TEST_F(RetrieveBreakInfo, AnInvalidTextKeepsTheLineAt9600) {
    transport.QueueBreakReply(
        IdentFrame("PRODUCT,Tarrow;PORT,1,115200,115200,8,1,N,NONE;PORTSTATUS;VERSION;"));
    CBreakInfo info;
    EXPECT_FALSE(info.RetrieveBreakInfo(transport, true, false));
    EXPECT_EQ(transport.GetBaudRate(), 9600u);
    EXPECT_EQ(info.GetBaudCode(), 12);
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{350, 350}));
}

TEST_F(RetrieveBreakInfo, TransportFailuresEndOnlyTheirAttemptUntilTheLast) {
    // First attempt: the request write fails; second: answered.
    transport.QueueBreakReply({});
    transport.FailWrite(1);
    transport.QueueBreakReply(IdentFrame(IdentText("Tarrow", "1,9600,9600,8,1,N,NONE")));
    CBreakInfo info;
    EXPECT_TRUE(info.RetrieveBreakInfo(transport, true, false));

    FakeTransport failing;
    failing.OpenPort(5, 1, 0, 0, 6);
    failing.FailWrite(1, 3);
    CBreakInfo other;
    EXPECT_THROW(other.RetrieveBreakInfo(failing, true, false), CSerialComException);
}

TEST_F(RetrieveBreakInfo, ApplyPortSettingsOfAnInvalidRecordIs9600EightNOne) {
    CBreakInfo info;
    info.ParsePacketData(IdentText("Tarrow", "1,115200,115200,7,2,E,NONE"));
    info.ApplyPortSettings(transport);  // never validated by an identification
    EXPECT_EQ(transport.GetBaudRate(), 9600u);
    EXPECT_EQ(transport.GetByteSize(), 8);
    EXPECT_EQ(transport.GetParity(), 0);
    EXPECT_EQ(transport.GetStopBits(), 0);
}

}  // namespace

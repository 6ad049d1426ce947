#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "frames.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

// The fake port is shared by the packet, device and operation tests; these cases pin down the
// script rules they rely on.
namespace {

using protocol_test::Bytes;
using protocol_test::ProtocolTest;
using testing_support::FakeTransport;
using testing_support::HexBytes;
using testing_support::ParseHex;

using FakeTransportTest = ProtocolTest;

std::string ReadAll(FakeTransport& line) {
    Bytes got;
    std::uint8_t byte = 0;
    while (line.ReadByte(byte)) {
        got.push_back(byte);
    }
    return HexBytes(got);
}

TEST_F(FakeTransportTest, RepliesAreReleasedOnePerRoundOfWrites) {
    port.QueueIncoming({0x01});
    port.QueueReply({0x0A});
    port.QueueReply({});
    port.QueueReply({0x0C});
    EXPECT_EQ(ReadAll(port), "01") << "a reply waits for a write";

    const std::uint8_t frame[] = {1, 2, 3};
    port.Write(frame, 1);
    port.Write(frame, 2);  // several writes of one request release one reply
    EXPECT_EQ(ReadAll(port), "0A");
    port.Write(frame, 3);
    EXPECT_EQ(ReadAll(port), "") << "an empty reply stands for silence";
    port.Write(frame, 3);
    EXPECT_EQ(ReadAll(port), "0C");
    EXPECT_EQ(port.Writes().size(), 4U);
    EXPECT_EQ(HexBytes(port.Written()), "01 01 02 01 02 03 01 02 03");
}

TEST_F(FakeTransportTest, EmptyReadsCostTheReadTimeOutOnVirtualTime) {
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.ReadByte(byte));
    EXPECT_FALSE(port.ReadByte(byte));
    EXPECT_EQ(clock.ElapsedMs(), 4000U);
    EXPECT_TRUE(clock.Sleeps().empty()) << "the port's wait is not a sleep of the plug-in";
    EXPECT_EQ(port.EmptyReads(), 2U);
}

TEST_F(FakeTransportTest, FailureSwitchesCountFromTheirCall) {
    port.QueueIncoming({1, 2, 3, 4});
    port.FailRead(2, 2);
    std::uint8_t byte = 0;
    EXPECT_TRUE(port.ReadByte(byte));
    EXPECT_THROW(port.ReadByte(byte), CSerialComException);
    EXPECT_THROW(port.ReadByte(byte), CSerialComException);
    EXPECT_TRUE(port.ReadByte(byte));
    EXPECT_EQ(byte, 2) << "a failed read consumes nothing";

    port.FailWrite(1);
    try {
        port.WriteByte(0x55);
        ADD_FAILURE() << "the write should have failed";
    } catch (const CSerialComException& failure) {
        EXPECT_EQ(failure.GetCode(), CSerialComException::kWriteFailed);
    }
    port.WriteByte(0x56);
    EXPECT_EQ(HexBytes(port.Written()), "56");
}

TEST_F(FakeTransportTest, LineCallsAreRecordedAndSettingsKept) {
    port.FailNextOpens(1);
    EXPECT_THROW(port.OpenPort(5, 1, 0, 0, 6), CSerialComException);
    EXPECT_FALSE(port.IsOpen());
    port.OpenPort(5, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity, serial::kBaud9600);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetPortNumber(), 5);
    port.SetBaudRate(serial::kBaud115200);
    EXPECT_EQ(port.GetBaudRate(), 115200U);
    EXPECT_THROW(port.SetBaudRate(99), CSerialComException);
    EXPECT_FALSE(port.IsOpen()) << "a failed setting closes the port, like the real one";

    const std::vector<std::string> expected = {"OpenPort 5 1 0 0 6", "OpenPort 5 1 0 0 6",
                                               "SetBaudRate 12", "SetBaudRate 99"};
    EXPECT_EQ(port.Calls(), expected);
}

TEST_F(FakeTransportTest, BreakSleepsTwiceAndReleasesItsReply) {
    port.QueueBreakReply({0x50, 0x52});
    port.SendBreak(350);
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{350, 350}));
    EXPECT_EQ(ReadAll(port), "50 52");
}

TEST_F(FakeTransportTest, ReceivePurgeDropsWhatIsReadableButNotQueuedReplies) {
    port.QueueIncoming({0x01, 0x02});
    port.QueueReply({0x03});
    port.Purge(false, true);
    port.WriteByte(0x00);
    EXPECT_EQ(ReadAll(port), "03");
}

TEST_F(FakeTransportTest, ClosedPortFailsWhenAskedTo) {
    port.SetRequireOpen(true);
    std::uint8_t byte = 0;
    EXPECT_THROW(port.ReadByte(byte), CSerialComException);
    EXPECT_THROW(port.WriteByte(1), CSerialComException);
}

TEST(HexTest, ParseAndFormat) {
    EXPECT_EQ(HexBytes(ParseHex("02 06 00 0a ff")), "02 06 00 0A FF");
    EXPECT_EQ(HexBytes(ParseHex("0206")), "02 06");
    EXPECT_THROW(ParseHex("0 2"), std::invalid_argument);
    EXPECT_THROW(ParseHex("02 0"), std::invalid_argument);
    EXPECT_THROW(ParseHex("zz"), std::invalid_argument);
}

}  // namespace

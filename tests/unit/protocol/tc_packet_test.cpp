#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frames.h"
#include "protocol/tc_frame_parser.h"
#include "protocol/tc_packet.h"
#include "transport/serial_com_exception.h"

namespace {

using protocol_test::Bytes;
using protocol_test::Concat;
using protocol_test::ProtocolTest;
using protocol_test::Repeat;
using protocol_test::TcFrame;
using testing_support::HexBytes;
using testing_support::ParseHex;

constexpr std::uint8_t kRequest = 0x14;
constexpr std::uint8_t kReply = 0x15;
const Bytes kRequestFrame = ParseHex("02 00 14 00 14 03");

using TCPacketTest = ProtocolTest;

TEST_F(TCPacketTest, FramesOnTheWire) {
    struct Case {
        const char* legend;
        std::uint8_t type;
        Bytes payload;
        bool longFrame;
        const char* frame;
    };
    const Case cases[] = {
        {"empty request: checksum equals the type", 0x6F, {}, false, "02 00 6F 00 6F 03"},
        {"error-log count request", 0x91, {0x06}, false, "02 00 91 01 06 98 03"},
        {"the checksum keeps the low 8 bits", 0x91, {0xFF, 0xFF}, false, "02 00 91 02 FF FF 91 03"},
        {"long frame: 16-bit length in the header and the checksum",
         0x91,
         {0x06},
         true,
         "02 00 91 00 01 06 98 03"},
        {"long empty frame", 0x80, {}, true, "02 00 80 00 00 80 03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        port.ClearWritten();
        CTCPacket packet(c.type);
        packet.SetPayload(c.payload);
        ASSERT_TRUE(c.longFrame ? packet.SendLongPacket(port) : packet.SendPacket(port));
        EXPECT_EQ(HexBytes(port.Written()), c.frame);
    }
}

TEST_F(TCPacketTest, SendRefusesWhatItsFrameCannotCarry) {
    struct Case {
        const char* legend;
        std::uint8_t type;
        std::size_t size;
        bool longFrame;
        bool sent;
    };
    const Case cases[] = {
        {"255 payload bytes fit the short frame", 0x71, 255, false, true},
        {"256 bytes would wrap the 8-bit length: refused", 0x71, 256, false, false},
        {"a large payload is refused, nothing written", 0x71, 4000, false, false},
        {"the long frame carries 256 bytes", 0x71, 256, true, true},
        {"the long frame carries 65535 bytes", 0x71, 65535, true, true},
        {"the long frame refuses 65536 bytes", 0x71, 65536, true, false},
        {"a long frame of type 0 is never sent", 0x00, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        port.ClearWritten();
        CTCPacket packet(c.type);
        packet.SetPayload(Bytes(c.size, 0x01));
        EXPECT_EQ(c.longFrame ? packet.SendLongPacket(port) : packet.SendPacket(port), c.sent);
        if (c.sent) {
            EXPECT_EQ(port.Written(), TcFrame(c.type, Bytes(c.size, 0x01), 0, c.longFrame));
        } else {
            EXPECT_TRUE(port.Written().empty());
        }
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TCPacketTest, ReceiveResultsForScriptedReplies) {
    const Bytes good = TcFrame(kReply, {0x31, 0x32});
    Bytes badSum = good;
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes noEtx = good;
    noEtx.back() = 0x00;

    struct Case {
        const char* legend;
        bool ignoreAckNak;
        std::vector<Bytes> replies;
        bool result;
        Bytes payload;
        bool ack;
        bool nak;
        int framesWritten;
    };
    const Case cases[] = {
        {"a lone ACK ends the wait", false, {{0x06}}, true, {}, true, false, 1},
        {"a lone NAK ends the wait", false, {{0x15}}, true, {}, false, true, 1},
        {"an ignored ACK is skipped and the frame that follows is taken",
         true,
         {Concat({{0x06, 0x15}, good})},
         true,
         {0x31, 0x32},
         false,
         false,
         1},
        {"only ignored ACKs: the request is resent twice",
         true,
         {{0x06}, {0x06}, {0x06}},
         false,
         {},
         false,
         false,
         3},
        {"payload with 02 and 03 inside",
         true,
         {TcFrame(kReply, {0x02, 0x03, 0x02})},
         true,
         {0x02, 0x03, 0x02},
         false,
         false,
         1},
        {"any status value is accepted and summed",
         true,
         {TcFrame(kReply, {0x01}, 0x80)},
         true,
         {0x01},
         false,
         false,
         1},
        {"noise before the STX is dropped",
         true,
         {Concat({{0xFF, 0x03, 0x00}, good})},
         true,
         {0x31, 0x32},
         false,
         false,
         1},
        {"an echo of the request is skipped",
         true,
         {Concat({TcFrame(kRequest, {0x99}), good})},
         true,
         {0x31, 0x32},
         false,
         false,
         1},
        {"a frame of another type is skipped in the same attempt",
         true,
         {Concat({TcFrame(0x92, {0xFF, 0x07}), good})},
         true,
         {0x31, 0x32},
         false,
         false,
         1},
        {"a frame of another type only: the request is resent, the next reply is right",
         true,
         {TcFrame(0x92, {0xFF, 0x07}), good},
         true,
         {0x31, 0x32},
         false,
         false,
         2},
        {"a bad checksum fails the frame",
         true,
         {badSum, badSum, badSum},
         false,
         {},
         false,
         false,
         3},
        {"a missing ETX fails the frame", true, {noEtx, noEtx, noEtx}, false, {}, false, false, 3},
        {"a zero-length reply gives an empty payload",
         true,
         {TcFrame(kReply, {})},
         true,
         {},
         false,
         false,
         1},
        {"an ACK in the middle of a frame is payload, not an answer",
         false,
         {TcFrame(kReply, {0x06, 0x15})},
         true,
         {0x06, 0x15},
         false,
         false,
         1},
        {"no reply at all", false, {}, false, {}, false, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        for (const Bytes& reply : c.replies) {
            line.QueueReply(reply);
        }
        CTCPacket packet(kRequest);
        packet.SetPayload({0x99});
        ASSERT_TRUE(packet.SendPacket(line));
        packet.SetPacketType(kReply);
        packet.SetIgnoreAckNak(c.ignoreAckNak);
        EXPECT_EQ(packet.ReceivePacket(line, 3.0), c.result);
        if (c.result) {
            EXPECT_EQ(HexBytes(packet.GetPayload()), HexBytes(c.payload));
        }
        EXPECT_EQ(packet.IsAckReceived(), c.ack);
        EXPECT_EQ(packet.IsNakReceived(), c.nak);
        EXPECT_EQ(packet.GetPacketType(), kReply) << "the expected reply type survives resends";
        EXPECT_EQ(HexBytes(line.Written()),
                  HexBytes(Repeat(TcFrame(kRequest, {0x99}), c.framesWritten)));
    }
}

TEST_F(TCPacketTest, AckFlagsAreClearedByTheNextReceive) {
    CTCPacket packet(kRequest);
    ASSERT_TRUE(packet.SendPacket(port));
    packet.SetPacketType(kReply);
    port.QueueReply({0x06});
    ASSERT_TRUE(packet.ReceivePacket(port, 3.0));
    ASSERT_TRUE(packet.IsAckReceived());

    ASSERT_TRUE(packet.SendPacket(port));
    packet.SetPacketType(kReply);
    port.QueueReply(TcFrame(kReply, {0x01}));
    ASSERT_TRUE(packet.ReceivePacket(port, 3.0));
    EXPECT_FALSE(packet.IsAckReceived());
    EXPECT_FALSE(packet.IsNakReceived());
}

TEST_F(TCPacketTest, ReceiveOnlyPacketRetransmitsEmptyFramesOfItsType) {
    // The clear answer is waited for on a plain packet of type 0 that never sent.
    CTCPacket packet(0);
    EXPECT_FALSE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(HexBytes(port.Written()), "02 00 00 00 00 03 02 00 00 00 00 03");
}

TEST_F(TCPacketTest, LongFramesCarrySixteenBitLengths) {
    struct Case {
        const char* legend;
        std::size_t size;
    };
    const Case cases[] = {{"empty", 0},
                          {"one byte", 1},
                          {"past the short limit", 300},
                          {"length bytes 02 03", 0x0203},
                          {"largest", 65535}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        Bytes data(c.size);
        for (std::size_t i = 0; i < c.size; ++i) {
            data[i] = static_cast<std::uint8_t>(i * 13);
        }
        testing_support::FakeTransport line;
        CTCPacket packet(0x80);
        ASSERT_TRUE(packet.SendLongPacket(line));
        packet.SetPacketType(0x81);
        line.QueueReply(TcFrame(0x81, data, 0, true));
        ASSERT_TRUE(packet.ReceiveLongPacket(line, 3.0));
        EXPECT_EQ(packet.GetPayload(), data);
    }
}

TEST_F(TCPacketTest, ShortReceiverRejectsLongFrameAndViceVersa) {
    struct Case {
        const char* legend;
        bool longReader;
        bool longFrame;
        bool accepted;
    };
    const Case cases[] = {
        {"short receiver, short frame", false, false, true},
        {"long receiver, long frame", true, true, true},
        // 02 00 15 00 01 AA: read as a short frame the length is 0 and AA is no checksum.
        {"short receiver, long frame", false, true, false},
        // 02 00 15 01 AA C0 03: read as a long frame the length is 0x01AA and never completes.
        {"long receiver, short frame", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        line.QueueIncoming(TcFrame(kReply, {0xAA}, 0, c.longFrame));
        CTCPacket reader(kReply);
        const bool got =
            c.longReader ? reader.ReceiveLongPacket(line, 3.0) : reader.ReceivePacket(line, 3.0);
        EXPECT_EQ(got, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(reader.GetPayload(), Bytes{0xAA});
        }
    }
}

TEST_F(TCPacketTest, AttemptEndsByTimeOutWhenTheLineOnlyCarriesNoise) {
    port.SetMsPerByte(1);
    port.QueueIncoming(Bytes(10000, 0x55));
    CTCPacket packet(kRequest);
    ASSERT_TRUE(packet.SendPacket(port));
    packet.SetPacketType(kReply);
    EXPECT_FALSE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(port.PendingIncoming(), 1000U);
    EXPECT_EQ(HexBytes(port.Written()), HexBytes(Repeat(kRequestFrame, 3)));
}

TEST_F(TCPacketTest, TransportFailuresWhileReceiving) {
    struct Case {
        const char* legend;
        int failFromRead;
        int failCount;
        bool throws;
        int framesWritten;
    };
    const Case cases[] = {
        {"failure in attempt 1 leads to a resend", 1, 1, false, 2},
        {"failure in attempt 2 leads to a resend", 2, 1, false, 3},
        {"failure in attempt 3 reaches the caller", 3, 1, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        line.FailRead(c.failFromRead, c.failCount);
        for (int i = 1; i < c.failFromRead; ++i) {
            line.QueueReply({});
        }
        line.QueueReply({});  // consumed by the failing read
        if (!c.throws) {
            line.QueueReply(TcFrame(kReply, {0x01}));
        }
        CTCPacket packet(kRequest);
        ASSERT_TRUE(packet.SendPacket(line));
        packet.SetPacketType(kReply);
        if (c.throws) {
            EXPECT_THROW(packet.ReceivePacket(line, 3.0), CSerialComException);
        } else {
            EXPECT_TRUE(packet.ReceivePacket(line, 3.0));
        }
        EXPECT_EQ(HexBytes(line.Written()), HexBytes(Repeat(kRequestFrame, c.framesWritten)));
    }
}

TEST_F(TCPacketTest, SendFailureIsShownAndBecomesFalse) {
    port.FailWrite(1);
    CTCPacket packet(kRequest);
    EXPECT_FALSE(packet.SendPacket(port));
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text,
              CSerialComException(0, CSerialComException::kWriteFailed, 5).GetMessageText());
}

TEST(TCFrameParserTest, GoodFrameFedByteByByteCompletesOnItsLastByte) {
    const Bytes frame = TcFrame(kReply, {0x03, 0x02}, 0x01);
    Bytes payload;
    TCFrameParser parser(kReply, false, true, payload);
    std::vector<std::string> trace;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const auto result = parser.Feed(frame[i]);
        EXPECT_EQ(result == TCFrameParser::Result::kFrame, i + 1 == frame.size()) << "byte " << i;
        trace.emplace_back(TCFrameParser::StateName(parser.GetState()));
    }
    const std::vector<std::string> expected = {"status",  "type",     "length", "payload",
                                               "payload", "checksum", "etx",    "hunt"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(HexBytes(payload), "03 02");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frames.h"
#include "protocol/ls_frame_parser.h"
#include "protocol/ls_packet.h"
#include "protocol/ls_requests.h"
#include "transport/serial_com_exception.h"

namespace {

using protocol_test::Bytes;
using protocol_test::Concat;
using protocol_test::LsFrame;
using protocol_test::ProtocolTest;
using protocol_test::Repeat;
using testing_support::HexBytes;
using testing_support::ParseHex;

constexpr std::uint8_t kType = ls_type::kReadMemory;

Bytes Filled(std::size_t n, std::uint8_t first = 0) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) {
        data[i] = static_cast<std::uint8_t>(first + i);
    }
    return data;
}

// A frame of type 5 with a length field of `length` followed by `length` zero bytes and the
// right checksum: used to probe the 2055-byte limit.
Bytes WithLength(std::size_t length) {
    return LsFrame(kType, Bytes(length, 0x00));
}

using LSPacketTest = ProtocolTest;

TEST_F(LSPacketTest, ReceiveResultsForScriptedReplies) {
    const Bytes good = LsFrame(kType, {0x11, 0x22});
    Bytes badHigh = good;
    badHigh[badHigh.size() - 3] ^= 0x01;  // checksum high byte only
    Bytes badLow = good;
    badLow[badLow.size() - 2] ^= 0x80;
    Bytes noEtx = good;
    noEtx.back() = 0x04;

    struct Case {
        const char* legend;
        std::vector<Bytes> replies;  // one per frame written: request, retransmission 1, 2
        bool result;
        Bytes payload;
        std::size_t framesWritten;
    };
    const Case cases[] = {
        {"data holding 02 and 03 are delimited by the length alone",
         {LsFrame(kType, {0x02, 0x03, 0x03, 0x02, 0x00, 0x03})},
         true,
         {0x02, 0x03, 0x03, 0x02, 0x00, 0x03},
         1},
        {"a length field and checksum that contain 02 and 03",
         {LsFrame(kType, Filled(0x0203, 0x7D))},
         true,
         Filled(0x0203, 0x7D),
         1},
        {"noise before the STX is dropped",
         {Concat({{0xFF, 0x00, 0x03, 0x55, 0xAA}, good})},
         true,
         {0x11, 0x22},
         1},
        {"a whole frame of another type is skipped within the same attempt",
         {Concat({LsFrame(ls_type::kProductInfo, {0x99}), good})},
         true,
         {0x11, 0x22},
         1},
        {"exactly 2055 data bytes are accepted", {WithLength(2055)}, true, Bytes(2055, 0), 1},
        {"a length of 2056 is ignored in every attempt",
         {WithLength(2056), WithLength(2056), WithLength(2056)},
         false,
         {},
         3},
        {"a checksum wrong only in its high byte fails the frame",
         {badHigh, badHigh, badHigh},
         false,
         {},
         3},
        {"a checksum wrong in its low byte fails the frame",
         {badLow, badLow, badLow},
         false,
         {},
         3},
        {"a frame without ETX fails", {noEtx, noEtx, noEtx}, false, {}, 3},
        {"a corrupt frame followed by a good one in the same attempt",
         {Concat({badHigh, good})},
         true,
         {0x11, 0x22},
         1},
        {"no answer to the request, the reply comes after the first retransmission",
         {{}, good},
         true,
         {0x11, 0x22},
         2},
        {"the reply comes after the second retransmission", {{}, {}, good}, true, {0x11, 0x22}, 3},
        {"no reply at all: sent once, retransmitted twice", {}, false, {}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        for (const Bytes& reply : c.replies) {
            line.QueueReply(reply);
        }
        CLSReadMemoryPacket packet(0x02480000, 220);
        const Bytes request = LsFrame(kType, {0x02, 0x48, 0x00, 0x00, 0x00, 0xDC});
        ASSERT_TRUE(packet.SendPacket(line));
        EXPECT_EQ(packet.ReceivePacket(line, 3.0), c.result);
        if (c.result) {
            EXPECT_EQ(HexBytes(packet.GetPayload()), HexBytes(c.payload));
        }
        EXPECT_EQ(HexBytes(line.Written()), HexBytes(Repeat(request, int(c.framesWritten))))
            << "every retransmission repeats the request byte for byte";
        EXPECT_EQ(packet.GetPacketType(), kType);
    }
    EXPECT_TRUE(ui.boxes.empty()) << "receive failures are never shown by the packet";
}

TEST_F(LSPacketTest, ZeroLengthReplyLeavesThePayloadAsItWas) {
    CLSPacket packet(kType);
    packet.AppendByte(0xAA);
    packet.AppendByte(0xBB);
    port.QueueReply(ParseHex("02 05 00 00 00 05 03"));
    ASSERT_TRUE(packet.SendPacket(port));
    ASSERT_TRUE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(HexBytes(packet.GetPayload()), "AA BB");
}

TEST_F(LSPacketTest, ReceiveOnlyPacketRetransmitsEmptyFramesOfItsType) {
    CLSRequestProductInfoPacket reply;
    EXPECT_FALSE(reply.ReceivePacket(port, 5.0));
    EXPECT_EQ(HexBytes(port.Written()), "02 06 00 00 00 06 03 02 06 00 00 00 06 03")
        << "two retransmissions and no send of its own";
}

TEST_F(LSPacketTest, RetransmissionKeepsTheReplyTypeSetByTheOwner) {
    CLSPacket packet(0x11);
    packet.AppendByte(0x42);
    ASSERT_TRUE(packet.SendPacket(port));
    packet.SetPacketType(0x22);
    port.QueueReply({});
    port.QueueReply(LsFrame(0x22, {0x01}));
    ASSERT_TRUE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(packet.GetPacketType(), 0x22);
    EXPECT_EQ(HexBytes(port.Written()), HexBytes(Repeat(LsFrame(0x11, {0x42}), 2)));
    EXPECT_EQ(HexBytes(packet.GetPayload()), "01");
}

TEST_F(LSPacketTest, AttemptEndsByTimeOutWhenTheLineOnlyCarriesNoise) {
    // One byte per millisecond: each 3 s attempt reads 3000 noise bytes before it gives up.
    port.SetMsPerByte(1);
    port.QueueIncoming(Bytes(10000, 0x55));
    CLSPacket packet(kType);
    ASSERT_TRUE(packet.SendPacket(port));
    EXPECT_FALSE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(port.PendingIncoming(), 1000U);
    EXPECT_EQ(HexBytes(port.Written()), HexBytes(Repeat(LsFrame(kType, {}), 3)));
    EXPECT_EQ(clock.ElapsedMs(), 9000U);
}

TEST_F(LSPacketTest, TransportFailuresWhileReceiving) {
    struct Case {
        const char* legend;
        int failFromRead;  // the first read that throws
        int failCount;
        bool replyAfterFirstRetransmission;
        bool throws;
        bool result;
        std::size_t framesWritten;
    };
    const Case cases[] = {
        {"failure in attempt 1 is swallowed and the request retransmitted", 1, 1, true, false, true,
         2},
        {"failures in attempts 1 and 2 are swallowed", 1, 2, false, false, false, 3},
        {"failure in attempt 3 reaches the caller", 3, 1, false, true, false, 3},
        {"failures in every attempt: the third reaches the caller", 1, 3, false, true, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        line.FailRead(c.failFromRead, c.failCount);
        if (c.replyAfterFirstRetransmission) {
            line.QueueReply({});  // answers the first read, which throws before it is seen
            line.QueueReply(LsFrame(kType, {0x07}));
        }
        CLSPacket packet(kType);
        ASSERT_TRUE(packet.SendPacket(line));
        if (c.throws) {
            EXPECT_THROW(packet.ReceivePacket(line, 3.0), CSerialComException);
        } else {
            EXPECT_EQ(packet.ReceivePacket(line, 3.0), c.result);
        }
        EXPECT_EQ(line.Written().size(), 7 * c.framesWritten);
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LSPacketTest, TransportFailuresWhileSending) {
    struct Case {
        const char* legend;
        int failingWrite;  // 1 header, 2 payload, 3 trailer
        std::size_t bytesWritten;
    };
    const Case cases[] = {
        {"header write fails", 1, 0},
        {"payload write fails", 2, 4},
        {"trailer write fails", 3, 10},
    };
    const std::string expectedText =
        CSerialComException(0, CSerialComException::kWriteFailed, 5).GetMessageText();
    ASSERT_FALSE(expectedText.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        ui.boxes.clear();
        testing_support::FakeTransport line;
        line.FailWrite(c.failingWrite);
        CLSReadMemoryPacket packet(0x02480000, 220);
        EXPECT_FALSE(packet.SendPacket(line)) << "the failure becomes false, not an exception";
        EXPECT_EQ(line.Written().size(), c.bytesWritten);
        ASSERT_EQ(ui.boxes.size(), 1U) << "the transport's failure is shown once";
        EXPECT_EQ(ui.boxes[0].text, expectedText);
    }
}

TEST_F(LSPacketTest, LostRetransmissionIsShownAndTheNextAttemptListensAnyway) {
    CLSPacket packet(kType);
    ASSERT_TRUE(packet.SendPacket(port));
    port.FailWrite(1);  // the header of the first retransmission
    port.QueueReply({});
    port.QueueReply(LsFrame(kType, {0x01}));
    EXPECT_TRUE(packet.ReceivePacket(port, 3.0));
    EXPECT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(port.Written().size(), 14U) << "the request and the second retransmission";
}

TEST_F(LSPacketTest, PayloadBeyondASixteenBitLengthIsRefused) {
    CLSPacket packet(kType);
    packet.SetPayload(Bytes(65536, 0x01));
    EXPECT_FALSE(packet.SendPacket(port));
    EXPECT_TRUE(port.Written().empty()) << "no frame with a wrapped length goes out";
    EXPECT_TRUE(ui.boxes.empty());

    packet.SetPayload(Bytes(65535, 0x01));
    ASSERT_TRUE(packet.SendPacket(port));
    EXPECT_EQ(HexBytes(Bytes(port.Written().begin(), port.Written().begin() + 4)), "02 05 FF FF");
}

TEST_F(LSPacketTest, AppendBytesTakesTheCountModulo65536) {
    const Bytes source(65536 + 3, 0x5A);
    CLSPacket packet(kType);
    packet.AppendBytes(source.data(), source.size());
    EXPECT_EQ(packet.GetSize(), 3U);
    packet.AppendBytes(source.data(), 65536);
    EXPECT_EQ(packet.GetSize(), 3U);
    EXPECT_EQ(packet.GetAt(2), 0x5A);
    EXPECT_EQ(packet.GetAt(3), 0) << "past the payload reads as absent";
}

TEST_F(LSPacketTest, ReplyCutAtEveryPointThenResentIsReceived) {
    // Each attempt starts the parser afresh: a frame cut off by silence cannot poison the next.
    const Bytes good = LsFrame(kType, {0x02, 0x03, 0x10});
    for (std::size_t cut = 1; cut < good.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        testing_support::FakeTransport line;
        line.QueueReply(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
        line.QueueReply(good);
        CLSPacket packet(kType);
        ASSERT_TRUE(packet.SendPacket(line));
        ASSERT_TRUE(packet.ReceivePacket(line, 3.0));
        EXPECT_EQ(HexBytes(packet.GetPayload()), "02 03 10");
        EXPECT_EQ(line.Written().size(), 14U);
    }
}

TEST(LSFrameParserTest, GoodFrameFedByteByByteCompletesOnItsLastByte) {
    const Bytes frame = LsFrame(kType, {0x02, 0x03});
    Bytes payload;
    LSFrameParser parser(kType, payload);
    std::vector<std::string> trace;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const bool done = parser.Feed(frame[i]);
        EXPECT_EQ(done, i + 1 == frame.size()) << "byte " << i;
        trace.emplace_back(LSFrameParser::StateName(parser.GetState()));
    }
    const std::vector<std::string> expected = {"type",         "length-high", "length-low",
                                               "data",         "data",        "checksum-high",
                                               "checksum-low", "etx",         "hunt"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(HexBytes(payload), "02 03");
}

TEST(LSFrameParserTest, TwoFramesBackToBackAreBothAccepted) {
    const Bytes stream = Concat({LsFrame(kType, {0x01}), LsFrame(kType, {0x02})});
    Bytes payload;
    LSFrameParser parser(kType, payload);
    int frames = 0;
    for (const std::uint8_t byte : stream) {
        frames += parser.Feed(byte) ? 1 : 0;
    }
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(HexBytes(payload), "02");
}

}  // namespace

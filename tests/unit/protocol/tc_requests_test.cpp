#include <gtest/gtest.h>

#include <string>

#include "frames.h"
#include "protocol/tc_requests.h"

namespace {

using protocol_test::Bytes;
using protocol_test::Concat;
using protocol_test::ProtocolTest;
using protocol_test::Repeat;
using protocol_test::TcFrame;
using testing_support::HexBytes;

using TCRequestsTest = ProtocolTest;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST_F(TCRequestsTest, ErrorLogRequestsOnTheWire) {
    struct Case {
        const char* legend;
        void (*fill)(CTCErrorLog&);
        const char* frame;
    };
    const Case cases[] = {
        {"count", [](CTCErrorLog& log) { log.SetCountRequest(); }, "02 00 91 01 06 98 03"},
        {"clear", [](CTCErrorLog& log) { log.SetClearRequest(); }, "02 00 91 01 01 93 03"},
        {"short record 0x0102, index high byte first",
         [](CTCErrorLog& log) { log.SetReadShortRequest(0x0102); }, "02 00 91 03 08 01 02 9F 03"},
        {"long record 7", [](CTCErrorLog& log) { log.SetReadLongRequest(7); },
         "02 00 91 03 0A 00 07 A5 03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        port.ClearWritten();
        CTCErrorLog log;
        c.fill(log);
        log.SetPacketType(0x92);  // left over from an earlier reply: SendRequest resets it
        ASSERT_TRUE(log.SendRequest(port));
        EXPECT_EQ(HexBytes(port.Written()), c.frame);
    }
}

TEST_F(TCRequestsTest, ErrorLogCountReplies) {
    struct Case {
        const char* legend;
        bool answered;
        Bytes reply;
        bool result;
        std::uint16_t count;
    };
    const Case cases[] = {
        {"an empty log", true, {0xFF, 0x07, 0x00, 0x00}, true, 0},
        {"count high byte first", true, {0xFF, 0x07, 0x12, 0x34}, true, 0x1234},
        {"five bytes are no count reply", true, {0xFF, 0x07, 0x00, 0x05, 0x00}, false, 0},
        {"three bytes are no count reply", true, {0xFF, 0x07, 0x00}, false, 0},
        {"a record reply is no count reply", true, {0xFF, 0x09, 0x00, 0x01}, false, 0},
        {"wrong first byte", true, {0x00, 0x07, 0x00, 0x01}, false, 0},
        {"no reply", false, {}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        if (c.answered) {
            // The ACK before the frame is skipped: the reply operation ignores lone ACK/NAK.
            line.QueueReply(Concat({{0x06}, TcFrame(0x92, c.reply)}));
        }
        CTCErrorLog log;
        log.SetCountRequest();
        ASSERT_TRUE(log.SendRequest(line));
        EXPECT_EQ(log.ReceiveReply(line), c.answered);
        EXPECT_EQ(log.IsReplyReceived(), c.answered);
        std::uint16_t count = 0xBEEF;
        EXPECT_EQ(log.GetCount(count), c.result);
        EXPECT_EQ(count, c.count);
    }
}

TEST_F(TCRequestsTest, GpsTimeOffset) {
    struct Case {
        const char* legend;
        bool answered;
        std::string text;
        int offset;
    };
    const Case cases[] = {
        {"two digits at 11 and 12", true,
         "GPSTIME,123"
         "18"
         ",0000",
         18},
        {"a leading blank", true,
         "GPSTIME,123"
         " 7"
         ",0000",
         7},
        {"a sign", true,
         "GPSTIME,123"
         "-3"
         ",0000",
         -3},
        {"conversion stops at the first non-digit", true,
         "GPSTIME,123"
         "4x"
         ",0000",
         4},
        {"no digits give 0", true,
         "GPSTIME,123"
         "ab"
         ",0000",
         0},
        {"only the two characters count", true,
         "GPSTIME,123"
         "189"
         "000",
         18},
        {"12 characters: only character 11 arrived", true, "GPSTIME,1231", 1},
        {"11 characters: no offset arrived", true, "GPSTIME,123", 0},
        {"an empty reply", true, "", 0},
        {"no reply", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        if (c.answered) {
            line.QueueReply(TcFrame(0x15, Text(c.text)));
        }
        CTCRetrieveGPSTime time;
        ASSERT_TRUE(time.SendPacket(line));
        EXPECT_EQ(time.ReceiveReply(line), c.answered);
        EXPECT_EQ(time.GetUtcOffset(), c.offset);
    }
}

TEST_F(TCRequestsTest, GpsTimeSkipsAnErrorLogFrameAndResends) {
    port.QueueReply(TcFrame(0x92, {0xFF, 0x07, 0x00, 0x00}));
    port.QueueReply(TcFrame(0x15, Text("GPSTIME,12318")));
    CTCRetrieveGPSTime time;
    ASSERT_TRUE(time.SendPacket(port));
    ASSERT_TRUE(time.ReceiveReply(port));
    EXPECT_EQ(time.GetUtcOffset(), 18);
    EXPECT_EQ(HexBytes(port.Written()), "02 00 14 00 14 03 02 00 14 00 14 03")
        << "the request, not the reply type, is resent";
}

TEST_F(TCRequestsTest, VersionTexts) {
    // Software version from bytes 16 (up to 3 characters) and 19 (up to 2); boot version from
    // 26 and 29.
    Bytes full(31, 0x00);
    full[16] = '4';
    full[19] = '1';
    full[20] = '0';
    full[26] = '1';
    full[27] = '2';
    full[28] = '3';
    full[29] = '0';
    full[30] = '3';
    Bytes wide = full;
    wide[17] = '5';
    wide[18] = '6';

    struct Case {
        const char* legend;
        bool answered;
        Bytes reply;
        const char* software;
        const char* boot;
    };
    const Case cases[] = {
        {"a full reply", true, full, "4.10", "123.03"},
        {"three characters at most before the point", true, wide, "456.10", "123.03"},
        {"30 bytes: the boot text loses its last digit", true, Bytes(full.begin(), full.end() - 1),
         "4.10", "123.0"},
        {"20 bytes: no boot text at all", true, Bytes(full.begin(), full.begin() + 20), "4.1", "."},
        {"an empty reply", true, {}, ".", "."},
        {"no reply: no text", false, {}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        if (c.answered) {
            line.QueueReply(TcFrame(0x07, c.reply));
        }
        CTCRetrieveVersionNumbers versions;
        ASSERT_TRUE(versions.SendPacket(line));
        EXPECT_EQ(versions.ReceiveReply(line), c.answered);
        EXPECT_EQ(versions.GetSoftwareVersion(), c.software);
        EXPECT_EQ(versions.GetBootVersion(), c.boot);
    }
}

TEST_F(TCRequestsTest, GetOptsRequestsOnTheWire) {
    CTCGetOpts flags;
    ASSERT_TRUE(flags.SendPacket(port));
    CTCGetOpts second(1);
    ASSERT_TRUE(second.SendPacket(port));
    EXPECT_EQ(HexBytes(port.Written()), "02 00 4A 01 00 4B 03 02 00 4A 01 01 4C 03");
}

TEST_F(TCRequestsTest, GetOptsTypedReplies) {
    Bytes type50(48, 0x00);
    type50[0] = 50;
    type50[44] = 0x44;
    type50[45] = 0x02;
    type50[47] = 0x47;

    Bytes type91(30, 0x00);
    type91[0] = 91;
    type91[6] = 0x01;
    type91[7] = 0x02;
    for (std::size_t i = 8; i < 20; ++i) {
        type91[i] = static_cast<std::uint8_t>(i);
    }
    type91[20] = 0xAB;
    type91[21] = 0xCD;
    type91[29] = 0x03;

    Bytes type92(38, 0xFF);
    type92[0] = 92;
    type92[1] = 2;
    type92[2] = 1;
    Bytes named = type92;
    const std::string name = "VORIN ROVER";
    std::copy(name.begin(), name.end(), named.begin() + 6);
    named[6 + name.size()] = 0x00;
    Bytes otherPage = named;
    otherPage[1] = 1;

    struct Case {
        const char* legend;
        Bytes reply;
        std::uint8_t flags;
        std::uint8_t secondFlags;
        std::string text;
    };
    const Case cases[] = {
        {"type 50: byte 45", type50, 0x02, 0, ""},
        {"type 90 is still a flags reply", Concat({{90}, Bytes(type50.begin() + 1, type50.end())}),
         0x02, 0, ""},
        {"a flags reply of 45 bytes has no byte 45", Bytes(type50.begin(), type50.begin() + 45), 0,
         0, ""},
        {"type 91: byte 29", type91, 0, 0x03, ""},
        {"a type-91 reply of 29 bytes has no byte 29", Bytes(type91.begin(), type91.begin() + 29),
         0, 0, ""},
        {"type 92 with all 0xFF leaves the text empty", type92, 0, 0, ""},
        {"type 92 text ends at its NUL", named, 0, 0, name},
        {"type 92 cut short: only the characters that arrived",
         Bytes(named.begin(), named.begin() + 11), 0, 0, "VORIN"},
        {"type 92 cut short and all 0xFF", Bytes(type92.begin(), type92.begin() + 20), 0, 0, ""},
        {"type 92 without 2, 1 in bytes 1 and 2", otherPage, 0, 0, ""},
        {"type 93 extracts nothing", Concat({{93}, Bytes(50, 0x02)}), 0, 0, ""},
        {"an empty reply extracts nothing", {}, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        line.QueueReply(TcFrame(0x4B, c.reply));
        CTCGetOpts opts;
        ASSERT_TRUE(opts.SendPacket(line));
        ASSERT_TRUE(opts.ReceiveReply(line));
        EXPECT_EQ(opts.GetFlags(), c.flags);
        EXPECT_EQ(opts.GetSecondFlags(), c.secondFlags);
        EXPECT_EQ(opts.GetText(), c.text);
    }
}

TEST_F(TCRequestsTest, GetOptsFurtherValues) {
    Bytes type91(30, 0x00);
    type91[0] = 91;
    type91[6] = 0x01;
    type91[7] = 0x02;
    const std::uint8_t values[12] = {0x11, 0x12, 0x13, 0x14, 0x21, 0x22,
                                     0x23, 0x24, 0x31, 0x32, 0x33, 0x34};
    std::copy(values, values + 12, type91.begin() + 8);
    type91[20] = 0xAB;
    type91[21] = 0xCD;
    port.QueueReply(TcFrame(0x4B, type91));
    CTCGetOpts opts(1);
    ASSERT_TRUE(opts.SendPacket(port));
    ASSERT_TRUE(opts.ReceiveReply(port));
    EXPECT_EQ(opts.GetWord6(), 0x0102);
    EXPECT_EQ(opts.GetValue8(), 0x11121314U);
    EXPECT_EQ(opts.GetValue12(), 0x21222324U);
    EXPECT_EQ(opts.GetValue16(), 0x31323334U);
    EXPECT_EQ(opts.GetWord20(), 0xABCD);

    // A shorter reply: values whose bytes did not all arrive read as 0.
    testing_support::FakeTransport line;
    line.QueueReply(TcFrame(0x4B, Bytes(type91.begin(), type91.begin() + 15)));
    CTCGetOpts cut(1);
    ASSERT_TRUE(cut.SendPacket(line));
    ASSERT_TRUE(cut.ReceiveReply(line));
    EXPECT_EQ(cut.GetValue8(), 0x11121314U);
    EXPECT_EQ(cut.GetValue12(), 0U);
    EXPECT_EQ(cut.GetWord20(), 0);
}

TEST_F(TCRequestsTest, GetOptsValuesDoNotOutliveAFailedExchange) {
    Bytes type50(48, 0x00);
    type50[0] = 50;
    type50[45] = 0x02;
    port.QueueReply(TcFrame(0x4B, type50));
    CTCGetOpts opts;
    ASSERT_TRUE(opts.SendPacket(port));
    ASSERT_TRUE(opts.ReceiveReply(port));
    ASSERT_EQ(opts.GetFlags(), 0x02);
    ASSERT_TRUE(opts.SendPacket(port));
    EXPECT_FALSE(opts.ReceiveReply(port));
    EXPECT_EQ(opts.GetFlags(), 0) << "a silent receiver has no internal radio to report";
}

TEST_F(TCRequestsTest, NoReplyMeansThreeRequestsAndNothingExtracted) {
    CTCGetOpts opts;
    ASSERT_TRUE(opts.SendPacket(port));
    EXPECT_FALSE(opts.ReceiveReply(port));
    EXPECT_FALSE(opts.IsReplyReceived());
    EXPECT_EQ(opts.GetFlags(), 0);
    EXPECT_EQ(HexBytes(port.Written()), HexBytes(Repeat(TcFrame(0x4A, {0x00}), 3)));
}

}  // namespace

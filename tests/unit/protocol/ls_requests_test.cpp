#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "frames.h"
#include "protocol/ls_requests.h"

namespace {

using protocol_test::Bytes;
using protocol_test::LsFrame;
using protocol_test::ProtocolTest;
using testing_support::HexBytes;
using testing_support::ParseHex;

using LSRequestsTest = ProtocolTest;

const Bytes kData = {0xAA, 0x02, 0x03};

TEST_F(LSRequestsTest, CatalogueFramesOnTheWire) {
    struct Case {
        const char* legend;
        std::function<std::unique_ptr<CLSPacket>()> make;
        const char* frame;  // the exact bytes written
    };
    const Case cases[] = {
        {"empty request of type 6 (product information)",
         [] { return std::make_unique<CLSRequestProductInfoPacket>(); }, "02 06 00 00 00 06 03"},
        {"read memory 0x02480000, 220 bytes",
         [] { return std::make_unique<CLSReadMemoryPacket>(0x02480000, 220); },
         "02 05 00 06 02 48 00 00 00 DC 01 31 03"},
        {"switch to 115200 baud", [] { return std::make_unique<CLSSwitchBaudPacket>(115200); },
         "02 11 00 04 00 01 C2 00 00 D8 03"},
        {"flash information, no selector", [] { return std::make_unique<CLSRequestFlashInfo>(); },
         "02 14 00 00 00 14 03"},
        {"hardware information: selector byte 1",
         [] { return std::make_unique<CLSRequestFlashInfo>(true); }, "02 14 00 01 01 00 16 03"},
        {"reboot", [] { return std::make_unique<CLSRebootPacket>(); }, "02 04 00 00 00 04 03"},
        {"retrieve radio configuration",
         [] { return std::make_unique<CLSRetrieveRadioCfgPacket>(); }, "02 12 00 00 00 12 03"},
        {"program KRM firmware now", [] { return std::make_unique<CLSProgramKRMFWNowPacket>(); },
         "02 1A 00 00 00 1A 03"},
        {"get auto-on mode", [] { return std::make_unique<CLSPellanGetAutoOnPacket>(); },
         "02 1E 00 00 00 1E 03"},
        {"set auto-on mode 2", [] { return std::make_unique<CLSPellanSetAutoOnPacket>(2); },
         "02 1D 00 01 02 00 20 03"},
        {"set auto-on with a mode other than 1 or 2 carries no payload",
         [] { return std::make_unique<CLSPellanSetAutoOnPacket>(3); }, "02 1D 00 00 00 1D 03"},
        {"erase enquire, alternative command set",
         [] { return std::make_unique<CLSEraseEnquirePacket>(20); }, "02 16 00 00 00 16 03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        port.ClearWritten();
        const auto packet = c.make();
        ASSERT_TRUE(packet->SendPacket(port));
        EXPECT_EQ(HexBytes(port.Written()), c.frame);
    }
}

TEST_F(LSRequestsTest, CataloguePayloadsAndTypes) {
    struct Case {
        const char* legend;
        std::function<std::unique_ptr<CLSPacket>()> make;
        std::uint8_t type;
        const char* payload;
    };
    const Case cases[] = {
        {"erase flash: the byte 1, then the address",
         [] { return std::make_unique<CLSEraseFlashPacket>(0x00100000); }, 1, "01 00 10 00 00"},
        {"erase flash in the alternative command set",
         [] { return std::make_unique<CLSEraseFlashPacket>(0x12345678, 20); }, 21,
         "01 12 34 56 78"},
        {"program flash: address then data",
         [] { return std::make_unique<CLSProgramFlashPacket>(0x01020304, kData.data(), 3); }, 3,
         "01 02 03 04 AA 02 03"},
        {"program flash in the alternative command set",
         [] { return std::make_unique<CLSProgramFlashPacket>(0, kData.data(), 1, 20); }, 23,
         "00 00 00 00 AA"},
        {"product ID write: the bytes in order",
         [] { return std::make_unique<CLSProductIDWritePacket>(kData.data(), 3); }, 13, "AA 02 03"},
        {"program RAM",
         [] { return std::make_unique<CLSProgramRamPacket>(0xA0000000, kData.data(), 2); }, 14,
         "A0 00 00 00 AA 02"},
        {"execute", [] { return std::make_unique<CLSExecutePacket>(0xA0000010); }, 16,
         "A0 00 00 10"},
        {"KRM firmware buffer: block, two zero bytes, data",
         [] { return std::make_unique<CLSProgramKRMFWBufPacket>(0x0102, kData.data(), 3); }, 25,
         "01 02 00 00 AA 02 03"},
        {"send radio configuration: the block as given",
         [] { return std::make_unique<CLSSendRadioCfgPacket>(kData.data(), 3); }, 19, "AA 02 03"},
        {"send radio configuration without a block",
         [] { return std::make_unique<CLSSendRadioCfgPacket>(nullptr, 0); }, 19, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const auto packet = c.make();
        EXPECT_EQ(packet->GetPacketType(), c.type);
        EXPECT_EQ(HexBytes(packet->GetPayload()), c.payload);
        port.ClearWritten();
        ASSERT_TRUE(packet->SendPacket(port));
        EXPECT_EQ(HexBytes(port.Written()), HexBytes(LsFrame(c.type, ParseHex(c.payload))));
    }
}

TEST_F(LSRequestsTest, RadioConfigurationBlockOf2048BytesIsSentWhole) {
    Bytes block(2048);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7);
    }
    CLSSendRadioCfgPacket packet(block.data(), block.size());
    ASSERT_TRUE(packet.SendPacket(port));
    EXPECT_EQ(port.Written(), LsFrame(ls_type::kSendRadioCfg, block));
}

TEST_F(LSRequestsTest, HasRadioDataIsFalseOnlyForTheSingleByteZero) {
    struct Case {
        const char* legend;
        Bytes reply;
        bool hasRadio;
    };
    const Case cases[] = {
        {"the single byte 0: no internal radio", {0x00}, false},
        {"a single other byte", {0x01}, true},
        {"two zero bytes", {0x00, 0x00}, true},
        {"a full block", Bytes(2048, 0x00), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        testing_support::FakeTransport line;
        CLSRetrieveRadioCfgPacket request;
        ASSERT_TRUE(request.SendPacket(line));
        line.QueueReply(LsFrame(ls_type::kRetrieveRadioCfg, c.reply));
        CLSRetrieveRadioCfgPacket reply;
        ASSERT_TRUE(reply.ReceivePacket(line, 3.0));
        EXPECT_EQ(reply.HasRadioData(), c.hasRadio);
    }
}

}  // namespace

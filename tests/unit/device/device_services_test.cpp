#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "device_frames.h"
#include "platform/virtual_clock.h"
#include "support/fake_transport.h"

namespace {

using device_test::Bytes;
using device_test::IdentFrame;
using device_test::IdentText;
using device_test::LsFrame;
using testing_support::FakeTransport;

// Runs body and returns the code of the CLSDeviceException it threw (0 when none).
int DeviceFailure(const std::function<void()>& body) {
    try {
        body();
    } catch (const CLSDeviceException& failure) {
        EXPECT_EQ(failure.GetValue(), 5) << "the exception carries the transport's port";
        EXPECT_FALSE(failure.IsSilent());
        return failure.GetCode();
    }
    return 0;
}

int GarnothFailure(const std::function<void()>& body, int* value = nullptr) {
    try {
        body();
    } catch (const CGarnothException& failure) {
        if (value != nullptr) {
            *value = failure.GetValue();
        }
        return failure.GetCode();
    }
    return 0;
}

Bytes Pattern(std::size_t size, std::uint8_t seed = 1) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

class DeviceServices : public ::testing::Test {
  protected:
    DeviceServices() { transport.OpenPort(5, 1, 0, 0, 6); }

    // A port of its own, open, that answers the first requests with the replies.
    static std::unique_ptr<FakeTransport> Answering(const std::vector<Bytes>& replies) {
        auto port = std::make_unique<FakeTransport>();
        port->OpenPort(5, 1, 0, 0, 6);
        for (const Bytes& reply : replies) {
            port->QueueReply(reply);
        }
        return port;
    }

    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    FakeTransport transport;
    OperationContext context{5, 1, nullptr, nullptr};
    CGarnothInterface device{transport, context};
};

TEST_F(DeviceServices, ReadMemoryIsOneExchangeOfTheRequestedCount) {
    const Bytes memory = Pattern(220);
    transport.QueueReply(LsFrame(5, memory));
    Bytes destination(220, 0xEE);
    device.ReadMemory(0x02402000, destination.data(), 220);
    EXPECT_EQ(destination, memory);
    EXPECT_EQ(transport.Written(), LsFrame(5, {0x02, 0x40, 0x20, 0x00, 0x00, 0xDC}));
}

TEST_F(DeviceServices, ReadMemoryRefusesAReplyOfAnyOtherLength) {
    struct Case {
        const char* legend;
        std::int32_t count;
        std::vector<Bytes> replies;  // one per request and retransmission
        int code;
    };
    const std::vector<Case> cases = {
        {"a reply one byte short", 220, {LsFrame(5, Pattern(219))}, 817},
        {"a reply one byte long", 220, {LsFrame(5, Pattern(221))}, 817},
        {"a reply without data", 220, {LsFrame(5, {})}, 817},
        // The request's own payload is six bytes: an empty reply must not pass for them.
        {"a reply without data to a six-byte read", 6, {LsFrame(5, {})}, 817},
        {"an empty reply after a lost first answer, six-byte read", 6, {{}, LsFrame(5, {})}, 817},
        {"no reply to the request and its two retransmissions", 220, {}, 801},
    };
    for (const Case& c : cases) {
        const auto port = Answering(c.replies);
        CGarnothInterface local(*port, context);
        Bytes destination(static_cast<std::size_t>(c.count), 0xEE);
        EXPECT_EQ(DeviceFailure([&] { local.ReadMemory(0x1000, destination.data(), c.count); }),
                  c.code)
            << c.legend;
        EXPECT_EQ(destination, Bytes(destination.size(), 0xEE))
            << c.legend << ": nothing is copied";
    }
}

TEST_F(DeviceServices, ReadMemoryTakesASixByteReplyAfterARetransmission) {
    transport.QueueReply({});  // the first answer is lost
    transport.QueueReply(LsFrame(5, {9, 8, 7, 6, 5, 4}));
    Bytes destination(6, 0);
    device.ReadMemory(0x1000, destination.data(), 6);
    EXPECT_EQ(destination, (Bytes{9, 8, 7, 6, 5, 4}));
}

TEST_F(DeviceServices, RequestProductInfoChecksTheBlockLength) {
    struct Case {
        const char* legend;
        std::vector<Bytes> replies;
        int code;
    };
    const std::vector<Case> cases = {
        {"425 bytes", {LsFrame(6, Pattern(425))}, 0},
        {"424 bytes", {LsFrame(6, Pattern(424))}, 811},
        {"426 bytes", {LsFrame(6, Pattern(426))}, 811},
        {"no reply", {}, 801},
    };
    for (const Case& c : cases) {
        const auto port = Answering(c.replies);
        CGarnothInterface local(*port, context);
        Bytes buffer(425, 0);
        EXPECT_EQ(DeviceFailure([&] { local.RequestProductInfo(425, buffer.data()); }), c.code)
            << c.legend;
        if (c.code == 0) {
            EXPECT_EQ(buffer, Pattern(425)) << c.legend;
        }
    }
}

TEST_F(DeviceServices, ReadRadioConfigTellsAMissingRadioFromAWrongLength) {
    struct Case {
        const char* legend;
        Bytes reply;
        int code;
    };
    const std::vector<Case> cases = {
        {"the whole block", Pattern(2048), 0},
        {"the single byte 0: no internal radio", {0}, 820},
        {"the single byte 1 is a wrong length", {1}, 817},
        {"2047 bytes", Pattern(2047), 817},
        {"2049 bytes", Pattern(2049), 817},
    };
    for (const Case& c : cases) {
        const auto port = Answering({LsFrame(18, c.reply)});
        CGarnothInterface local(*port, context);
        std::vector<std::uint8_t> block;
        EXPECT_EQ(DeviceFailure([&] { block = local.RetrieveRadioConfig(); }), c.code) << c.legend;
        if (c.code == 0) {
            EXPECT_EQ(block, c.reply) << c.legend;
        }
    }
    FakeTransport silent;
    silent.OpenPort(5, 1, 0, 0, 6);
    CGarnothInterface local(silent, context);
    EXPECT_EQ(DeviceFailure([&] { local.RetrieveRadioConfig(); }), 801);
}

TEST_F(DeviceServices, SendRadioConfigNeedsAStatusByteThatIsNotZero) {
    struct Case {
        const char* legend;
        Bytes reply;
        int code;
    };
    const std::vector<Case> cases = {
        {"status 1: written", {1}, 0},
        {"status 2 with more bytes: written", {2, 0, 0}, 0},
        {"status 0: the write failed", {0}, 818},
        {"no status byte cannot confirm the write", {}, 818},
    };
    const Bytes block = Pattern(2048);
    for (const Case& c : cases) {
        const auto port = Answering({LsFrame(19, c.reply)});
        CGarnothInterface local(*port, context);
        EXPECT_EQ(DeviceFailure([&] { local.SendRadioConfig(block.data(), 2048); }), c.code)
            << c.legend;
        ASSERT_FALSE(port->Writes().empty());
        EXPECT_EQ(port->Written().size(), 2048u + 7u) << c.legend << ": the block is sent once";
    }
}

TEST_F(DeviceServices, SendRadioConfigWaitsTwentyOneReplyWindows) {
    const Bytes block = Pattern(2048);
    EXPECT_EQ(DeviceFailure([&] { device.SendRadioConfig(block.data(), 2048); }), 801);
    // The block once, then two empty type-19 frames per window from the reply object.
    const Bytes emptyFrame = LsFrame(19, {});
    std::size_t emptyFrames = 0;
    Bytes rest(transport.Written().begin() + 2048 + 7, transport.Written().end());
    for (std::size_t i = 0; i + emptyFrame.size() <= rest.size(); i += emptyFrame.size()) {
        EXPECT_TRUE(
            std::equal(emptyFrame.begin(), emptyFrame.end(), rest.begin() + static_cast<long>(i)));
        ++emptyFrames;
    }
    EXPECT_EQ(emptyFrames, 42u);
    EXPECT_EQ(rest.size(), 42u * emptyFrame.size());
}

TEST_F(DeviceServices, FlashAndHardwareInformationSetTheFlashLayout) {
    Bytes flash(68, 0);
    flash[0] = 0x01;
    flash[1] = 0x80;
    const std::string chip = "Velmora 5";
    std::copy(chip.begin(), chip.end(), flash.begin() + 10);
    Bytes hardware = flash;
    hardware.insert(hardware.end(), {0x5A, 0, 0, 0});

    transport.QueueReply(LsFrame(20, hardware));
    EXPECT_TRUE(device.ReadHardwareInfo());
    EXPECT_EQ(device.GetFlashBase(), 0x01800000u);
    EXPECT_EQ(device.GetHardwareFlag(), 0x5A);
    EXPECT_TRUE(device.IsSpecialChip());
    EXPECT_EQ(transport.Written(), LsFrame(20, {1}));
    EXPECT_TRUE(clock.Sleeps().empty());

    struct Case {
        const char* legend;
        std::string chipBytes;  // 16 bytes at offset 10
        bool special;
    };
    const std::vector<Case> cases = {
        {"the special chip", std::string("Velmora 5\0\0\0\0\0\0\0", 16), true},
        {"another chip", std::string("Tamsel 2\0\0\0\0\0\0\0\0", 16), false},
        {"byte 25 is forced to 0: 15 characters count", std::string("Velmora 5      X", 16), false},
        {"a longer name is not the special chip", std::string("Velmora 50\0\0\0\0\0\0", 16), false},
    };
    for (const Case& c : cases) {
        Bytes info(68, 0x00);
        info[3] = 0x10;
        std::copy(c.chipBytes.begin(), c.chipBytes.end(), info.begin() + 10);
        const auto port = Answering({LsFrame(20, info)});
        CGarnothInterface local(*port, context);
        local.ReadFlashInfo();
        EXPECT_EQ(local.GetFlashBase(), 0x10u) << c.legend;
        EXPECT_EQ(local.IsSpecialChip(), c.special) << c.legend;
        EXPECT_EQ(local.GetHardwareFlag(), 0) << c.legend;
    }
}

TEST_F(DeviceServices, MissingHardwareInformationIsAskedForTwiceThenGivenUp) {
    EXPECT_FALSE(device.ReadHardwareInfo());
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{2000, 2000}));
    EXPECT_EQ(device.GetHardwareFlag(), 0);

    const auto port = Answering({LsFrame(20, Bytes(67, 1))});
    CGarnothInterface local(*port, context);
    local.ReadFlashInfo();
    EXPECT_EQ(local.GetFlashBase(), CGarnothInterface::kDefaultFlashBase)
        << "a flash reply of the wrong length leaves the default base";
}

TEST_F(DeviceServices, ClearErrorLogNeedsAnAcknowledgingApplication) {
    struct Case {
        const char* legend;
        std::string product;  // empty: no identification at all
        std::vector<Bytes> answers;
        int code;
        int value;
    };
    const Bytes ack = {0x06};
    const Bytes nak = {0x15};
    const std::vector<Case> cases = {
        {"acknowledged", "Orrick Receiver", {ack}, 0, 0},
        {"refused with NAK", "Orrick Receiver", {nak}, 707, 5},
        {"no answer to the clear request", "Orrick Receiver", {}, 708, 5},
        {"a receiver in its monitor", "Vorin-MONITOR", {}, 709, 5},
        {"an unknown product", "Unlisted-7", {}, 709, 5},
        {"nobody answers the identification", "", {}, 701, 5},
    };
    for (const Case& c : cases) {
        platform::VirtualClock local;
        platform::ScopedClock use(local);
        const auto port = Answering(c.answers);
        if (!c.product.empty()) {
            port->QueueBreakReply(IdentFrame(IdentText(c.product, "1,9600,9600,8,1,N,NONE")));
        }
        CGarnothInterface interface(*port, context);
        int value = -1;
        EXPECT_EQ(GarnothFailure([&] { interface.ClearErrorLog(); }, &value), c.code) << c.legend;
        if (c.code != 0) {
            EXPECT_EQ(value, c.value) << c.legend;
        }
        if (c.code == 0 || c.code == 707 || c.code == 708) {
            const Bytes clear = {0x02, 0x00, 0x91, 0x01, 0x01, 0x93, 0x03};
            ASSERT_GE(port->Written().size(), clear.size()) << c.legend;
            EXPECT_TRUE(std::equal(clear.begin(), clear.end(), port->Written().begin()))
                << c.legend;
        }
    }
}

TEST_F(DeviceServices, TheBaseRebootWaitsThreeSecondsForItsReply) {
    transport.QueueReply(LsFrame(4, {}));
    EXPECT_EQ(DeviceFailure([&] { device.CLSDeviceInterface::ExitMonitor(); }), 0);
    EXPECT_EQ(transport.Writes().size(), 2u) << "header and trailer of one empty type-4 frame";

    FakeTransport silent;
    silent.OpenPort(5, 1, 0, 0, 6);
    CGarnothInterface local(silent, context);
    EXPECT_EQ(DeviceFailure([&] { local.CLSDeviceInterface::ExitMonitor(); }), 812);
}

TEST(DeviceExceptionText, EachClassAndFormatGivesItsFullText) {
    struct Case {
        const char* legend;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"CGarnothException 700: the text as it stands", CGarnothException(700, 5).GetMessageText(),
         "Operation failure!"},
        {"CGarnothException 701: code and port", CGarnothException(701, 5).GetMessageText(),
         "Failure! [701] - There was an error communicating with the Orrick receiver on COM5.\n"
         "Check that the receiver has power, the cables are connected and\n"
         "restart the receiver and try again."},
        {"CGarnothException 709 with value 0", CGarnothException(709, 0).GetMessageText(),
         "Failure! [709] - The device on COM0 is either not a Orrick receiver or is not in the "
         "correct state.\nRestart the receiver and try again."},
        {"CLSDeviceException 800: the text as it stands",
         CLSDeviceException(800, 5).GetMessageText(), "Operation Failure!"},
        {"CLSDeviceException 801: code, receiver name, port, receiver name",
         CLSDeviceException(801, 5).GetMessageText(),
         "Device failure! [801]  - There was no response from the Orrick receiver on COM5\n\n"
         "Restart the Orrick receiver and try again."},
        {"CLSDeviceException 817", CLSDeviceException(817, 12).GetMessageText(),
         "Device failure! [817] - Vantor encountered an error while communicating with the "
         "Orrick receiver on COM12.\n\nRestart the Orrick receiver, and try again."},
        {"CLSDeviceException 818", CLSDeviceException(818, 3).GetMessageText(),
         "Device failure! [818] - Vantor encountered an error while attempting to update\nthe "
         "radio configuration of the Orrick receiver on COM 3.\n\nRestart the Orrick receiver "
         "and, try again."},
        {"CLSDeviceException 820", CLSDeviceException(820, 4).GetMessageText(),
         "Hardware not installed! [820] - The Orrick receiver on COM4 does not have an internal "
         "radio to configure."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, c.expected) << c.legend;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "engine/bytes.h"
#include "wire.h"

namespace {

using simtest::Bytes;
using simtest::Ls;
using simtest::LsFrames;
using simtest::Wire;
using simtest::With;

sim::Profile Monitor(const std::string& extra = "") {
    return With(R"({"powerOn": "monitor")" + (extra.empty() ? "" : ", " + extra) + "}");
}

// One LS reply of the expected type, or a failure.
Bytes ReplyOf(Wire& wire, const Bytes& request, std::uint8_t type, std::uint64_t waitMs = 200) {
    const auto frames = LsFrames(wire.Exchange(request, waitMs));
    EXPECT_EQ(frames.size(), 1u);
    if (frames.size() != 1) {
        return {};
    }
    EXPECT_EQ(frames[0].type, type);
    return frames[0].payload;
}

TEST(SimMonitor, InformationRequestsAreAnswered) {
    Wire wire(Monitor());
    const Bytes block = ReplyOf(wire, Ls(6), 6);
    const auto& expected = wire.receiver.GetProfile().infoBlock;
    EXPECT_EQ(block, Bytes(expected.begin(), expected.end()));

    const Bytes flash = ReplyOf(wire, Ls(20), 20);
    ASSERT_EQ(flash.size(), 68u);
    EXPECT_EQ(sim::GetBe32(&flash[0]), 0x02400000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[10])), "Tamsel 2");
    EXPECT_EQ(flash[25], 0);

    const Bytes hardware = ReplyOf(wire, Ls(20, {0x01}), 20);
    ASSERT_EQ(hardware.size(), 72u);
    EXPECT_EQ(Bytes(hardware.begin(), hardware.begin() + 68), flash);
    EXPECT_EQ(hardware[68], 0);

    const Bytes radio = ReplyOf(wire, Ls(18), 18);
    EXPECT_EQ(radio, wire.receiver.RadioConfig());
    EXPECT_EQ(radio.size(), 2048u);
}

TEST(SimMonitor, KnobsRemoveAnswers) {
    struct Case {
        const char* legend;
        std::string profile;
        Bytes request;
        Bytes reply;  // empty: no answer at all
    };
    const Case cases[] = {
        {"no hardware information", R"("faults": {"noHardwareInfo": true})", Ls(20, {0x01}), {}},
        {"no flash information", R"("faults": {"noFlashInfo": true})", Ls(20), {}},
        {"unknown flash selector", "", Ls(20, {0x02}), {}},
        {"no radio: single byte 0", R"("radio": {"present": false})", Ls(18), {0x00}},
        {"memory read of more than one reply holds", "", Ls(5, {0x02, 0x40, 0, 0, 0x08, 0x08}), {}},
        {"memory read with a short payload", "", Ls(5, {0x02, 0x40}), {}},
        {"unknown LS type", "", Ls(9), {}},
    };
    for (const Case& c : cases) {
        Wire wire(Monitor(c.profile));
        const auto frames = LsFrames(wire.Exchange(c.request));
        if (c.reply.empty()) {
            EXPECT_TRUE(frames.empty()) << c.legend;
        } else {
            ASSERT_EQ(frames.size(), 1u) << c.legend;
            EXPECT_EQ(frames[0].payload, c.reply) << c.legend;
        }
    }
}

TEST(SimMonitor, BaudSwitchAcceptedOrRefused) {
    const Bytes to115200 = Ls(17, {0x00, 0x01, 0xC2, 0x00});
    struct Case {
        const char* legend;
        std::string profile;
        Bytes request;
        std::uint8_t first;
        std::uint32_t lineAfter;
    };
    const Case cases[] = {
        {"115200 accepted", "", to115200, 1, 115200},
        {"refusing receiver", R"("faults": {"refuseBaud": true})", to115200, 0, 9600},
        {"rate the receiver lacks", R"("port": {"supportedBauds": [9600, 38400]})", to115200, 0,
         9600},
        {"14400 not in the default list", "", Ls(17, {0x00, 0x00, 0x38, 0x40}), 0, 9600},
        {"malformed rate", "", Ls(17, {0x01}), 0, 9600},
    };
    for (const Case& c : cases) {
        Wire wire(Monitor(c.profile));
        const Bytes reply = ReplyOf(wire, c.request, 17);
        ASSERT_FALSE(reply.empty()) << c.legend;
        EXPECT_EQ(reply[0], c.first) << c.legend;
        EXPECT_EQ(wire.receiver.CurrentLine().baud, c.lineAfter) << c.legend;
    }

    // After an accepted switch the monitor speaks at the new rate only.
    Wire wire(Monitor());
    ReplyOf(wire, to115200, 17);
    EXPECT_TRUE(LsFrames(wire.Exchange(Ls(6))).empty()) << "still at 9600: not heard";
    wire.host.baud = 115200;
    EXPECT_EQ(ReplyOf(wire, Ls(6), 6).size(), 425u);
}

TEST(SimMonitor, MemoryReadsServeTheErrorLogImage) {
    struct Case {
        const char* legend;
        std::string profile;
        std::uint32_t address;  // start of the log window
        Bytes head;             // magic and layout as stored
    };
    const Case cases[] = {
        {"extended memory: base + 0x80000, big-endian layout 3",
         "",
         0x02480000,
         {0x45, 0x4C, 0x6F, 0x67, 0x00, 0x03}},
        {"minor 0: base + 0x2000, little-endian layout 1",
         R"("infoBlock": {"hardware": {"minor": 0}}, "errorLog": {"layout": 1, "byteOrder": "little"})",
         0x02402000,
         {0x67, 0x6F, 0x4C, 0x45, 0x01, 0x00}},
        {"other flash base",
         R"("flash": {"base": "0x01000000"})",
         0x01080000,
         {0x45, 0x4C, 0x6F, 0x67, 0x00, 0x03}},
    };
    for (const Case& c : cases) {
        Wire wire(Monitor(c.profile));
        EXPECT_EQ(wire.receiver.ErrorLogAddress(), c.address) << c.legend;
        Bytes request(6);
        sim::PutBe32(&request[0], c.address);
        sim::PutBe16(&request[4], 220);
        const Bytes data = ReplyOf(wire, Ls(5, request), 5);
        ASSERT_EQ(data.size(), 220u) << c.legend;
        EXPECT_EQ(Bytes(data.begin(), data.begin() + 6), c.head) << c.legend;
    }

    // Addresses outside every region read as erased flash.
    Wire wire(Monitor());
    const Bytes erased = ReplyOf(wire, Ls(5, {0x00, 0x00, 0x10, 0x00, 0x00, 0x04}), 5);
    EXPECT_EQ(erased, (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SimMonitor, RadioWriteCommitsOverSeveralReplyWindows) {
    Wire wire(Monitor());
    Bytes block(2048, 0xA5);
    block[0] = 0xFD;
    // The write itself gets no answer until the 12-second commit is over.
    EXPECT_TRUE(wire.Exchange(Ls(19, block), 3000).empty());
    EXPECT_TRUE(wire.receiver.Committing());
    for (int window = 0; window < 2; ++window) {
        EXPECT_TRUE(wire.Exchange(Ls(19), 3000).empty()) << "window " << window;
    }
    EXPECT_EQ(wire.receiver.GetCounters().radioEmptyFrames, 2);
    EXPECT_EQ(wire.receiver.NextEventMs(), std::optional<std::uint64_t>(12000));
    const auto done = LsFrames(wire.Wait(3020));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].payload, Bytes{1});
    EXPECT_EQ(wire.receiver.RadioConfig(), block);

    // A late empty frame hears the result again; a read returns the new block.
    EXPECT_EQ(ReplyOf(wire, Ls(19), 19), Bytes{1});
    EXPECT_EQ(ReplyOf(wire, Ls(18), 18), block);
}

TEST(SimMonitor, RadioWriteFailures) {
    const Bytes block(2048, 0x00);
    struct Case {
        const char* legend;
        std::string profile;
        Bytes payload;
        std::uint64_t answerAfterMs;
    };
    const Case cases[] = {
        {"receiver reports a failed commit", R"("faults": {"radioWriteFails": true})", block,
         12000},
        {"block of the wrong size", "", Bytes(2047, 0), 0},
        {"no radio", R"("radio": {"present": false})", block, 0},
        {"empty frame before any write", "", {}, 0},
    };
    for (const Case& c : cases) {
        Wire wire(Monitor(c.profile));
        const Bytes before = wire.receiver.RadioConfig();
        wire.receiver.Receive(Ls(19, c.payload), wire.host, 0);
        if (c.answerAfterMs > 0) {
            EXPECT_TRUE(wire.Wait(c.answerAfterMs - 1).empty()) << c.legend;
        }
        const auto frames = LsFrames(wire.Wait(100));
        ASSERT_EQ(frames.size(), 1u) << c.legend;
        EXPECT_EQ(frames[0].payload, Bytes{0}) << c.legend;
        EXPECT_EQ(wire.receiver.RadioConfig(), before) << c.legend;
    }
}

TEST(SimMonitor, RebootAbandonsACommit) {
    Wire wire(Monitor());
    const Bytes before = wire.receiver.RadioConfig();
    wire.Exchange(Ls(19, Bytes(2048, 0x11)), 100);
    wire.Exchange(Ls(4), 0);
    EXPECT_FALSE(wire.receiver.Committing());
    wire.Wait(20000);
    EXPECT_EQ(wire.receiver.RadioConfig(), before);
}

}  // namespace

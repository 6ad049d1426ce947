#include "support/sim_transport.h"

#include <gtest/gtest.h>

#include "platform/virtual_clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"
#include "wire.h"

namespace {

using simtest::Bytes;
using testing_support::SimTransport;

class SimTransportTest : public ::testing::Test {
  protected:
    explicit SimTransportTest(sim::Profile profile = sim::DefaultProfile())
        : receiver_(std::move(profile)), port_(receiver_, clock_) {
        port_.OpenPort(4, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                       serial::kBaud9600);
    }

    // Reads until nothing more comes within one read time-out.
    Bytes ReadAll() {
        Bytes all;
        std::uint8_t buffer[64];
        while (const std::size_t n = port_.Read(buffer, sizeof buffer)) {
            all.insert(all.end(), buffer, buffer + n);
        }
        return all;
    }
    void Write(const Bytes& bytes) { port_.Write(bytes.data(), bytes.size()); }

    platform::VirtualClock clock_;
    platform::ScopedClock scoped_{clock_};
    sim::Receiver receiver_;
    SimTransport port_;
};

TEST_F(SimTransportTest, BreakSleepsThroughTheClockSeamAndIdentifies) {
    port_.SendBreak(350);
    EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{350, 350}));
    const Bytes reply = ReadAll();
    const auto frames = simtest::TcFrames(reply);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, 0x6E);
    // The break came between the two waits; the reply was waiting in the buffer at 700 ms.
    ASSERT_GE(port_.Transcript().size(), 2u);
    EXPECT_EQ(port_.Transcript()[0].direction, SimTransport::Direction::kBreak);
    EXPECT_EQ(port_.Transcript()[0].ms, 350u);
    EXPECT_EQ(port_.Transcript()[1].direction, SimTransport::Direction::kReceiverToHost);
    EXPECT_EQ(port_.Transcript()[1].ms, 700u);
}

TEST_F(SimTransportTest, ReadWaitsForTheNextReplyOrTheTimeOutOnVirtualTime) {
    struct Case {
        const char* legend;
        Bytes request;
        std::uint64_t elapsed;  // virtual ms the read took
        bool bytes;
    };
    const Case cases[] = {
        {"reply after the 20 ms reply delay", simtest::Tc(0x06), 20, true},
        {"silence: the 2000 ms read time-out", {}, 2000, false},
        {"monitor request: silent reboot beyond the time-out", simtest::Tc(0x87), 2000, false},
    };
    for (const Case& c : cases) {
        if (!c.request.empty()) {
            Write(c.request);
        }
        const std::uint64_t before = clock_.ElapsedMs();
        std::uint8_t byte = 0;
        EXPECT_EQ(port_.ReadByte(byte), c.bytes) << c.legend;
        EXPECT_EQ(clock_.ElapsedMs() - before, c.elapsed) << c.legend;
        ReadAll();
    }
    EXPECT_TRUE(clock_.Sleeps().empty()) << "reads advance the clock; they do not sleep";

    // After the plug-in's own boot wait the monitor answers.
    clock_.Sleep(14000);
    port_.SendBreak(350);
    const auto frames = simtest::TcFrames(ReadAll());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(simtest::Text(frames[0].payload).rfind("PRODUCT,Vorin-MONITOR;", 0), 0u);
}

TEST_F(SimTransportTest, HostLineSettingsReachTheReceiver) {
    port_.SetBaudRate(serial::kBaud115200);
    EXPECT_EQ(port_.HostLine(), (sim::LineSettings{115200, 8, 'N', 1}));
    Write(simtest::Tc(0x06));
    EXPECT_TRUE(ReadAll().empty()) << "the receiver listens at 9600";
    EXPECT_EQ(receiver_.GetCounters().bytesIgnoredLine, 6);

    port_.SetBaudRate(serial::kBaud9600);
    port_.SetParity(2);
    port_.SetByteSize(0);
    port_.SetStopBits(2);
    EXPECT_EQ(port_.HostLine(), (sim::LineSettings{9600, 7, 'E', 2}));
    port_.SetStopBits(1);
    EXPECT_EQ(port_.HostLine().stopBits, sim::kOneAndHalfStopBits);
}

TEST_F(SimTransportTest, PortFailuresAreSerialExceptions) {
    auto code = [](auto&& call) {
        try {
            call();
        } catch (const CSerialComException& e) {
            return e.GetCode();
        }
        return 0;
    };
    std::uint8_t byte = 0;
    EXPECT_EQ(code([&] { port_.OpenPort(4, 1, 0, 0, 6); }), 301) << "already open";
    EXPECT_EQ(code([&] { port_.SetBaudRate(17); }), 302) << "bad index";
    EXPECT_FALSE(port_.IsOpen()) << "a failed setting closes the port";
    EXPECT_EQ(code([&] { port_.ReadByte(byte); }), 303);
    EXPECT_EQ(code([&] { port_.WriteByte(0); }), 304);
    EXPECT_EQ(code([&] { port_.SetParity(0); }), 302);
    EXPECT_EQ(code([&] { port_.SendBreak(350); }), 0) << "a break never throws";
    EXPECT_EQ(port_.GetPortNumber(), 0);

    port_.FailNextOpens(1);
    EXPECT_EQ(code([&] { port_.OpenPort(4, 1, 0, 0, 6); }), 301) << "device gone";
    EXPECT_EQ(code([&] { port_.OpenPort(4, 1, 0, 0, 6); }), 0);
    EXPECT_EQ(port_.GetPortNumber(), 4);
    EXPECT_EQ(port_.OpenCount(), 4);
}

TEST_F(SimTransportTest, BytesSentWhileClosedOrPurgedAreGone) {
    Write(simtest::Tc(0x06));
    port_.ClosePort();
    clock_.Advance(100);
    port_.OpenPort(4, 1, 0, 0, 6);
    EXPECT_TRUE(ReadAll().empty()) << "nobody listened while the port was closed";

    Write(simtest::Tc(0x06));
    clock_.Advance(100);
    port_.PurgeReceive();
    EXPECT_TRUE(ReadAll().empty()) << "purged";

    Write(simtest::Tc(0x06));
    clock_.Advance(100);
    port_.SetParity(0);  // no purge: the reply stays
    EXPECT_EQ(simtest::TcFrames(ReadAll()).size(), 1u);
}

TEST_F(SimTransportTest, ReadsHandOutWhatIsBufferedInPieces) {
    Write(simtest::Ls(6));  // the application does not speak LS; switch to the monitor first
    ReadAll();
    Write(simtest::Tc(0x87));
    clock_.Sleep(10000);
    Write(simtest::Ls(6));
    std::uint8_t buffer[100];
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 100u);
    std::size_t total = 100;
    while (const std::size_t n = port_.Read(buffer, sizeof buffer)) {
        total += n;
    }
    EXPECT_EQ(total, 425u + 7u);
}

TEST_F(SimTransportTest, TranscriptRecordsBothDirections) {
    Write(simtest::kIdentify);
    ReadAll();
    ASSERT_EQ(port_.Writes().size(), 1u);
    EXPECT_EQ(port_.Writes()[0], simtest::kIdentify);
    const std::string text = port_.FormatTranscript();
    EXPECT_NE(text.find("host> 02 00 6F 00 6F 03 @9600 8N1"), std::string::npos) << text;
    EXPECT_NE(text.find("recv> 02 00 6E"), std::string::npos) << text;
}

}  // namespace

namespace {

// The cable pulled half a second after the version request: the answer already sent gets
// through, the read under way fails at that moment, and every later call on this line and on
// a new one fails as on a device that went away, naming the port.
TEST(SimTransportHangUp, TheCableGoesAtItsEventAndStaysOut) {
    platform::VirtualClock clock;
    platform::ScopedClock scoped(clock);
    sim::Receiver receiver;
    testing_support::LineSwitches line;
    testing_support::LineLog log;
    line.hangUpWhen = [](const sim::Counters& c) { return c.tcRequests.count(0x06) != 0; };
    line.hangUpDelayMs = 500;
    SimTransport port(receiver, clock, &line, &log);
    port.OpenPort(4, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity, serial::kBaud9600);
    const Bytes request = simtest::Tc(0x06);
    port.Write(request.data(), request.size());
    std::uint8_t buffer[64];
    EXPECT_GT(port.Read(buffer, sizeof buffer), 0u);

    // "code [system error] COMn" of the failure a call meets.
    const auto failure = [](auto&& call) -> std::string {
        try {
            call();
        } catch (const CSerialComException& e) {
            return std::to_string(e.GetCode()) + " [" + std::to_string(e.GetSystemError()) +
                   "] COM" + std::to_string(e.GetPortNumber());
        }
        return "none";
    };
    const std::string gone = " [" + std::to_string(EIO) + "] COM4";
    EXPECT_EQ(failure([&] { port.Read(buffer, 1); }), "303" + gone);
    EXPECT_EQ(clock.ElapsedMs(), 500u) << "the read fails when the cable goes";
    EXPECT_EQ(failure([&] { port.WriteByte(0); }), "304" + gone);
    EXPECT_EQ(failure([&] { port.SetBaudRate(6); }), "302" + gone);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(failure([&] { port.WriteByte(0); }), "304 [" + std::to_string(EBADF) + "] COM4")
        << "closed by the failure, and still naming its port";
    SimTransport next(receiver, clock, &line, &log);
    EXPECT_EQ(failure([&] { next.OpenPort(4, 1, 0, 0, 6); }),
              "301 [" + std::to_string(ENOENT) + "] COM4");
    EXPECT_EQ(log.hangUpAt, std::optional<std::uint64_t>(500));
}

}  // namespace

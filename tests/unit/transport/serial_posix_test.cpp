// The termios transport against a real pseudo-terminal: the test holds the master (the far end of
// the line) and the slave descriptor, which keeps the line alive as a simulator would.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/virtual_clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 5;

class Pty {
  public:
    Pty() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            name_ = name;
        }
    }
    ~Pty() {
        CloseMaster();
        if (slave_ >= 0) {
            close(slave_);
        }
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !name_.empty(); }
    const std::string& name() const { return name_; }
    int slave() const { return slave_; }
    void CloseMaster() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

    void Send(const std::vector<std::uint8_t>& bytes) const {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the transport sent, waiting up to a second for the first byte.
    std::vector<std::uint8_t> Receive(std::size_t max) const {
        std::vector<std::uint8_t> bytes(max);
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) {
            return {};
        }
        const ssize_t n = read(master_, bytes.data(), bytes.size());
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    }
    termios Settings() const {
        termios tio{};
        tcgetattr(slave_, &tio);
        return tio;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

class SerialPosixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.ok()) << "openpty failed";
        setenv("DEVVORIN_COM5", pty_.name().c_str(), 1);
    }
    void TearDown() override { unsetenv("DEVVORIN_COM5"); }

    static void Open9600(CSerialInterface& port, int number = kPort) {
        port.OpenPort(number, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                      serial::kBaud9600);
    }

    // Runs call, which must throw CSerialComException; returns it.
    static CSerialComException Thrown(const std::function<void()>& call) {
        try {
            call();
        } catch (const CSerialComException& e) {
            return e;
        }
        ADD_FAILURE() << "no CSerialComException";
        return CSerialComException(0, 0, 0);
    }

    Pty pty_;
};

TEST_F(SerialPosixTest, OpenCloseAndReopenOneObject) {
    CSerialInterface port;
    EXPECT_TRUE(port.IsSerialLine());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetPortNumber(), 0);
    EXPECT_EQ(port.GetBaudRate(), 9600U);
    EXPECT_EQ(port.GetByteSize(), 8);

    for (int round = 0; round < 3; ++round) {
        Open9600(port);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_EQ(port.GetPortNumber(), kPort);
        EXPECT_EQ(port.GetPortName(), pty_.name());
        port.ClosePort();
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.GetPortNumber(), 0);
        port.ClosePort();  // closing twice is harmless
    }
    // Opening an open port starts afresh instead of failing on its own lock.
    Open9600(port);
    Open9600(port);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPosixTest, DestructorReleasesThePort) {
    {
        CSerialInterface first;
        Open9600(first);
    }
    CSerialInterface second;
    Open9600(second);
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(SerialPosixTest, OpenSetsARaw9600EightNoneOneLine) {
    CSerialInterface port;
    Open9600(port);
    const termios tio = pty_.Settings();
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(cfgetispeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0U);
    EXPECT_NE(tio.c_cflag & CREAD, 0U);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0U) << "line is not raw";
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0U);
    EXPECT_EQ(tio.c_oflag & OPOST, 0U);
}

TEST_F(SerialPosixTest, SettersChangeOneSettingSeenOnTheFarSide) {
    struct Case {
        const char* legend;
        std::function<void(CSerialInterface&)> change;
        std::function<bool(const termios&)> seen;
    };
    const std::vector<Case> cases = {
        {"baud index 12 is 115200", [](CSerialInterface& p) { p.SetBaudRate(12); },
         [](const termios& t) { return cfgetospeed(&t) == B115200; }},
        {"baud index 15 is 230400 (after 256000 in the table)",
         [](CSerialInterface& p) { p.SetBaudRate(15); },
         [](const termios& t) { return cfgetospeed(&t) == B230400; }},
        {"two stop bits", [](CSerialInterface& p) { p.SetStopBits(2); },
         [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }},
        {"CTS/RTS handshake", [](CSerialInterface& p) { p.SetFlowControl(serial::kFlowCtsRts); },
         [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; }},
        {"DTR handshake alone leaves CTS flow off (pty has no modem lines)",
         [](CSerialInterface& p) { p.SetFlowControl(serial::kFlowDsrDtr); },
         [](const termios& t) { return (t.c_cflag & CRTSCTS) == 0 && (t.c_iflag & IXON) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        CSerialInterface port;
        Open9600(port);
        c.change(port);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_TRUE(c.seen(pty_.Settings()));
        // Only that one setting changed.
        const termios tio = pty_.Settings();
        if (port.GetBaudRate() == 9600U) {
            EXPECT_EQ(cfgetospeed(&tio), B9600);
        }
        if (port.GetByteSize() == 8) {
            EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        }
    }
}

// A pseudo-terminal has no framing: its driver forces 8 data bits and clears PARENB whatever is
// asked. Parity and data bits are still accepted and recorded, so the line behaves as a UART does
// for every caller; the parity flags the driver keeps show the request reached the line.
TEST_F(SerialPosixTest, FramingIsAcceptedAndRecordedOnAPty) {
    struct Case {
        const char* legend;
        int parityIndex;
        tcflag_t kept;  // PARODD and CMSPAR as the far side sees them
    };
    const std::vector<Case> cases = {
        {"none", 0, 0},       {"odd", 1, PARODD}, {"even", 2, 0}, {"mark", 3, PARODD | CMSPAR},
        {"space", 4, CMSPAR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        CSerialInterface port;
        Open9600(port);
        port.SetParity(c.parityIndex);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_EQ(port.GetParity(), c.parityIndex);
        const termios tio = pty_.Settings();
        EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.kept);
        EXPECT_EQ(cfgetospeed(&tio), B9600) << "parity changes nothing else";
    }
    CSerialInterface port;
    Open9600(port);
    port.SetByteSize(0);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetByteSize(), 7);
    port.OpenPort(kPort, 0, serial::kOneStopBit, 3, serial::kBaud9600);
    EXPECT_TRUE(port.IsOpen()) << "7 data bits, mark parity at open";
    EXPECT_EQ(port.GetByteSize(), 7);
    EXPECT_EQ(port.GetParity(), 3);
}

TEST_F(SerialPosixTest, RefusedSettingsThrow302AndClose) {
    struct Case {
        const char* legend;
        std::function<void(CSerialInterface&)> change;
        long error;
    };
    const std::vector<Case> cases = {
        {"14400 does not exist in termios", [](CSerialInterface& p) { p.SetBaudRate(7); }, EINVAL},
        {"56000", [](CSerialInterface& p) { p.SetBaudRate(10); }, EINVAL},
        {"128000", [](CSerialInterface& p) { p.SetBaudRate(13); }, EINVAL},
        {"256000", [](CSerialInterface& p) { p.SetBaudRate(14); }, EINVAL},
        {"baud index past the table", [](CSerialInterface& p) { p.SetBaudRate(17); }, EINVAL},
        {"negative baud index", [](CSerialInterface& p) { p.SetBaudRate(-1); }, EINVAL},
        {"parity index past the table", [](CSerialInterface& p) { p.SetParity(5); }, EINVAL},
        {"data-bits index past the table", [](CSerialInterface& p) { p.SetByteSize(2); }, EINVAL},
        {"one and a half stop bits", [](CSerialInterface& p) { p.SetStopBits(1); }, EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        CSerialInterface port;
        Open9600(port);
        const CSerialComException e = Thrown([&] { c.change(port); });
        EXPECT_EQ(e.GetCode(), CSerialComException::kSettingsFailed);
        EXPECT_EQ(e.GetSystemError(), c.error);
        EXPECT_EQ(e.GetPortNumber(), kPort);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.GetPortNumber(), 0);
        EXPECT_EQ(port.GetBaudRate(), 9600U) << "a refused rate is not recorded";
        Open9600(port);  // and the transport is reusable
        EXPECT_TRUE(port.IsOpen());
    }
}

TEST_F(SerialPosixTest, OpenWithARateThePlatformLacksThrows302AndStaysClosed) {
    for (int index : {7, 10, 13, 14, 17, -1}) {
        SCOPED_TRACE(index);
        CSerialInterface port;
        const CSerialComException e = Thrown([&] { port.OpenPort(kPort, 1, 0, 0, index); });
        EXPECT_EQ(e.GetCode(), CSerialComException::kSettingsFailed);
        EXPECT_EQ(e.GetPortNumber(), kPort);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.GetPortNumber(), 0);
    }
}

TEST_F(SerialPosixTest, ClosedPortRefusesEveryCallWithItsCode) {
    CSerialInterface port;
    std::uint8_t byte = 0;
    struct Case {
        const char* legend;
        std::function<void()> call;
        int code;
    };
    const std::vector<Case> cases = {
        {"read", [&] { port.Read(&byte, 1); }, CSerialComException::kReadFailed},
        {"write", [&] { port.WriteByte(0x10); }, CSerialComException::kWriteFailed},
        {"baud rate", [&] { port.SetBaudRate(6); }, CSerialComException::kSettingsFailed},
        {"parity", [&] { port.SetParity(0); }, CSerialComException::kSettingsFailed},
        {"data bits", [&] { port.SetByteSize(1); }, CSerialComException::kSettingsFailed},
        {"stop bits", [&] { port.SetStopBits(0); }, CSerialComException::kSettingsFailed},
        {"flow control", [&] { port.SetFlowControl(0); }, CSerialComException::kSettingsFailed},
    };
    // Never opened, the failures name no port; closed after use, they name the user's port
    // rather than COM0.
    for (const int named : {0, kPort}) {
        if (named != 0) {
            Open9600(port);
            port.ClosePort();
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.legend) + " on COM" + std::to_string(named));
            const CSerialComException e = Thrown(c.call);
            EXPECT_EQ(e.GetCode(), c.code);
            EXPECT_EQ(e.GetSystemError(), EBADF);
            EXPECT_EQ(e.GetPortNumber(), named);
        }
    }
    EXPECT_EQ(port.GetPortNumber(), 0);
    port.Purge(true, true);  // purging a closed port does nothing
}

TEST_F(SerialPosixTest, BytesPassBothWays) {
    CSerialInterface port;
    Open9600(port);
    const std::vector<std::uint8_t> out = {0x10, 0x00, 0xFF, 0x03, 0x0D, 0x0A};
    port.Write(out.data(), out.size());
    EXPECT_EQ(pty_.Receive(64), out) << "bytes must pass unchanged (no CR/LF mapping)";

    pty_.Send({0x11, 0x13, 0x0D});
    std::uint8_t byte = 0;
    ASSERT_TRUE(port.ReadByte(byte));
    EXPECT_EQ(byte, 0x11) << "XON is data, not flow control";
    ASSERT_TRUE(port.ReadByte(byte));
    EXPECT_EQ(byte, 0x13);
    ASSERT_TRUE(port.ReadByte(byte));
    EXPECT_EQ(byte, 0x0D);
}

TEST_F(SerialPosixTest, BufferedBytesReturnAtOnceAndNothingIsDiscarded) {
    CSerialInterface port;
    Open9600(port);
    pty_.Send({1, 2, 3});
    // Let the bytes reach the slave side before asking.
    pollfd p{pty_.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);

    std::uint8_t buffer[10] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 3U);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);

    // A short read must not throw away what arrives right after it.
    pty_.Send({4});
    std::uint8_t byte = 0;
    ASSERT_TRUE(port.ReadByte(byte));
    EXPECT_EQ(byte, 4);
}

TEST_F(SerialPosixTest, SilentLineReturnsNothingAfterTheReadTimeOut) {
    CSerialInterface port;
    Open9600(port);
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(byte));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPosixTest, MissingDeviceThrows301WithENOENT) {
    setenv("DEVVORIN_COM7", "/dev/devvorin-no-such-port", 1);
    CSerialInterface port;
    const CSerialComException e = Thrown([&] { Open9600(port, 7); });
    unsetenv("DEVVORIN_COM7");
    EXPECT_EQ(e.GetCode(), CSerialComException::kOpenFailed);
    EXPECT_EQ(e.GetSystemError(), ENOENT);
    EXPECT_EQ(e.GetPortNumber(), 7);
    EXPECT_NE(e.GetMessageText().find("[2] attempting to open COM7."), std::string::npos)
        << e.GetMessageText();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetPortNumber(), 0);
}

TEST_F(SerialPosixTest, HeldPortThrows301AndLeavesTheSecondTransportReusable) {
    CSerialInterface holder;
    Open9600(holder);
    // Bytes in flight both ways while the second open fails: the holder has not read its input
    // yet, and the far side has not read the holder's output.
    pty_.Send({0x31, 0x32});
    pollfd p{pty_.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    holder.WriteByte(0x24);

    // The holder's exclusive mode would stop an ordinary user's second open in open() itself;
    // without it the second open reaches the lock, as root does, and fails there.
    int exclusive = 0;
    ASSERT_EQ(ioctl(pty_.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0) << "the holder's exclusive mode";
    ASSERT_EQ(ioctl(pty_.slave(), TIOCNXCL), 0);

    CSerialInterface second;
    const CSerialComException e = Thrown([&] { Open9600(second); });
    EXPECT_EQ(e.GetCode(), CSerialComException::kOpenFailed);
    EXPECT_EQ(e.GetSystemError(), EBUSY);
    EXPECT_EQ(e.GetPortNumber(), kPort);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.GetPortNumber(), 0);
    EXPECT_TRUE(holder.IsOpen()) << "the holder keeps its port";

    // The failed open must not touch the holder's line: no exclusive mode of its own left
    // behind, no flushed queues.
    ASSERT_EQ(ioctl(pty_.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "the failed open changed the line's exclusive mode";
    EXPECT_EQ(pty_.Receive(4), std::vector<std::uint8_t>{0x24}) << "the holder's output";
    std::uint8_t buffer[4] = {};
    const auto start = Clock::now();
    EXPECT_EQ(holder.Read(buffer, sizeof buffer), 2U) << "the holder's unread input";
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(buffer[0], 0x31);

    holder.ClosePort();
    Open9600(second);
    EXPECT_TRUE(second.IsOpen());
    second.WriteByte(0x42);
    EXPECT_EQ(pty_.Receive(4), std::vector<std::uint8_t>{0x42});
}

TEST_F(SerialPosixTest, HungUpPeerThrows303OnReadAndLeavesThePortOpen) {
    CSerialInterface port;
    Open9600(port);
    pty_.CloseMaster();
    std::uint8_t buffer[4] = {};
    const auto start = Clock::now();
    const CSerialComException e = Thrown([&] { port.Read(buffer, sizeof buffer); });
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000)) << "must not wait";
    EXPECT_EQ(e.GetCode(), CSerialComException::kReadFailed);
    EXPECT_EQ(e.GetSystemError(), EIO);
    EXPECT_EQ(e.GetPortNumber(), kPort);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPosixTest, HungUpPeerThrows304OnWriteAndLeavesThePortOpen) {
    CSerialInterface port;
    Open9600(port);
    pty_.CloseMaster();
    const CSerialComException e = Thrown([&] { port.WriteByte(0x10); });
    EXPECT_EQ(e.GetCode(), CSerialComException::kWriteFailed);
    EXPECT_EQ(e.GetSystemError(), EIO);
    EXPECT_EQ(e.GetPortNumber(), kPort);
    EXPECT_TRUE(port.IsOpen());
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPosixTest, PortAboveNineHasItsOwnVariable) {
    setenv("DEVVORIN_COM12", pty_.name().c_str(), 1);
    setenv("DEVVORIN_COM1", "/dev/devvorin-no-such-port", 1);
    CSerialInterface port;
    Open9600(port, 12);
    unsetenv("DEVVORIN_COM12");
    unsetenv("DEVVORIN_COM1");
    EXPECT_EQ(port.GetPortNumber(), 12);
    EXPECT_EQ(port.GetPortName(), pty_.name());
    port.WriteByte(0x7E);
    EXPECT_EQ(pty_.Receive(4), std::vector<std::uint8_t>{0x7E});
}

TEST_F(SerialPosixTest, SendBreakWaitsTwiceOnTheClockAndNeverThrows) {
    platform::VirtualClock clock;
    platform::ScopedClock scoped(clock);
    CSerialInterface port;
    EXPECT_NO_THROW(port.SendBreak(350));
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{350, 350})) << "closed port";

    clock.ClearSleeps();
    Open9600(port);
    EXPECT_NO_THROW(port.SendBreak(350));
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{350, 350})) << "open port";
    EXPECT_EQ(clock.ElapsedMs(), 1400U);
    EXPECT_TRUE(port.IsOpen());
}

// The whole write is bounded from its start: a far side that takes a little now and then must not
// stretch it, whatever the number of waits.
TEST_F(SerialPosixTest, WriteThatCannotLeaveWithinItsBoundFailsWith304InsteadOfHanging) {
    struct Case {
        const char* legend;
        std::size_t drainBytes;  // taken by the far side every 10 ms; 0: it never reads
    };
    const Case cases[] = {{"far side never reads", 0}, {"far side drains slowly", 512}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        Pty pty;
        ASSERT_TRUE(pty.ok());
        setenv("DEVVORIN_COM5", pty.name().c_str(), 1);
        CSerialInterface port;
        // 115200 baud: no per-byte allowance, so the write is bounded by its 2000 ms constant.
        port.OpenPort(kPort, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                      serial::kBaud115200);
        std::atomic<bool> stop{false};
        std::thread drain([&] {
            while (c.drainBytes > 0 && !stop) {
                pty.Receive(c.drainBytes);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        // 400 KiB: about 8 s at the slow far side's pace.
        const std::vector<std::uint8_t> lots(400 * 1024, 0x55);
        const auto start = Clock::now();
        const CSerialComException e = Thrown([&] { port.Write(lots.data(), lots.size()); });
        const auto took = Clock::now() - start;
        stop = true;
        drain.join();
        EXPECT_GE(took, std::chrono::milliseconds(1900));
        EXPECT_LT(took, std::chrono::milliseconds(2600));
        EXPECT_EQ(e.GetCode(), CSerialComException::kWriteFailed);
        EXPECT_EQ(e.GetSystemError(), ETIMEDOUT);
        EXPECT_TRUE(port.IsOpen()) << "write failures leave the port open";
    }
}

}  // namespace

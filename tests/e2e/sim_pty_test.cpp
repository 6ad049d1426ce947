// A process talks to vorin-sim over its pseudo-terminal: the simulator reads the host's line
// settings from the terminal and answers the identification request only at its own; a
// receiver on its USB port takes its terminal away while it reboots.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim_process.h"

namespace {

using Bytes = std::vector<unsigned char>;

void SetLine(int fd, speed_t speed) {
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    cfmakeraw(&tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
}

// Reads until a whole TC frame (02 status type length data sum 03) or the time-out.
Bytes ReadFrame(int fd, int timeoutMs) {
    Bytes in;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (in.size() >= 4 && in.size() >= 6u + in[3]) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && (p.revents & POLLIN) != 0) {
            unsigned char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                in.insert(in.end(), buffer, buffer + n);
            }
            while (!in.empty() && in[0] != 0x02) {
                in.erase(in.begin());  // a lone ACK or NAK before the frame
            }
        }
    }
    return in;
}

TEST(SimPty, IdentificationOverThePseudoTerminal) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error)) << error;

    const int fd = open(sim.Port().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const Bytes request = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};

    // At 19200 the receiver (9600 8N1) does not hear the request.
    SetLine(fd, B19200);
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_TRUE(ReadFrame(fd, 400).empty());

    SetLine(fd, B9600);
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    const Bytes reply = ReadFrame(fd, 3000);
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(reply[0], 0x02);
    EXPECT_EQ(reply[2], 0x6E);
    ASSERT_EQ(reply.size(), 6u + reply[3]);
    unsigned sum = 0;
    for (std::size_t i = 1; i < reply.size() - 2; ++i) {
        sum += reply[i];
    }
    EXPECT_EQ(reply[reply.size() - 2], sum & 0xFF);
    EXPECT_EQ(reply.back(), 0x03);
    const std::string text(reply.begin() + 4, reply.end() - 2);
    EXPECT_EQ(text.rfind("PRODUCT,Orrick Receiver;PORT,1,9600,", 0), 0u) << text;
    close(fd);

    EXPECT_EQ(sim.Stop(), 0) << "SIGTERM ends the simulator cleanly";
    struct stat info {};
    EXPECT_NE(lstat(sim.Port().c_str(), &info), 0) << "the link is removed";
}

// The monitor request reboots a receiver on its USB port: the host holding the terminal sees a
// hang-up and the link goes; the receiver answers on a new terminal behind the same link.
TEST(SimPty, AUsbReceiverTakesItsTerminalAwayWhileItReboots) {
    setenv("DEVVORIN_TIME_SCALE", "0.1", 1);  // the boot and the return at a tenth
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("usb-port", error)) << error;
    const int fd = open(sim.Port().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    SetLine(fd, B9600);
    const Bytes monitor = {0x02, 0x00, 0x87, 0x00, 0x87, 0x03};
    ASSERT_EQ(write(fd, monitor.data(), monitor.size()), 6);

    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 2000), 0) << "nothing happened to the terminal";
    EXPECT_NE(p.revents & POLLHUP, 0) << "hang-up";
    unsigned char byte = 0;
    EXPECT_LE(read(fd, &byte, 1), 0) << "a terminal that hung up reads nothing";
    struct stat info {};
    EXPECT_NE(lstat(sim.Port().c_str(), &info), 0) << "the link is gone";
    close(fd);

    // Back after usbReturnMs, at a tenth: the link is there again, to a terminal that answers.
    int back = -1;
    for (int waited = 0; waited < 3000 && back < 0; waited += 50) {
        usleep(50000);
        back = open(sim.Port().c_str(), O_RDWR | O_NOCTTY);
    }
    ASSERT_GE(back, 0) << "the link did not come back\n" << sim.Log();
    SetLine(back, B9600);
    const Bytes request = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};
    Bytes reply;
    for (int attempt = 0; attempt < 10 && reply.empty(); ++attempt) {  // the monitor boots
        ASSERT_EQ(write(back, request.data(), request.size()), 6);
        reply = ReadFrame(back, 300);
    }
    ASSERT_GE(reply.size(), 6u) << sim.Log();
    const std::string text(reply.begin() + 4, reply.end() - 2);
    EXPECT_EQ(text.rfind("PRODUCT,Vorin-MONITOR;PORT,15,", 0), 0u) << text;
    close(back);
    EXPECT_EQ(sim.Stop(), 0);
}

// The error log's count as the receiver answers it now (-1 without an answer).
int LogCount(int fd) {
    const Bytes count = {0x02, 0x00, 0x91, 0x01, 0x06, 0x98, 0x03};
    if (write(fd, count.data(), count.size()) != 7) {
        return -1;
    }
    const Bytes reply = ReadFrame(fd, 3000);
    return reply.size() == 10 && reply[2] == 0x92 ? reply[6] * 256 + reply[7] : -1;
}

// With --fresh-on-close the receiver a host changed is fresh again once the host has closed its
// terminal: the cleared log is whole again. Without it the change stays, as on a real receiver.
TEST(SimPty, FreshReceiverOnceThePortIsClosed) {
    for (const bool fresh : {false, true}) {
        SCOPED_TRACE(fresh ? "--fresh-on-close" : "without --fresh-on-close");
        e2e::SimProcess sim;
        std::string error;
        ASSERT_TRUE(sim.Start(
            "", error,
            fresh ? std::vector<std::string>{"--fresh-on-close"} : std::vector<std::string>{}))
            << error;
        int host = open(sim.Port().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(host, 0);
        SetLine(host, B9600);
        EXPECT_EQ(LogCount(host), 3);
        const Bytes clear = {0x02, 0x00, 0x91, 0x01, 0x01, 0x93, 0x03};
        ASSERT_EQ(write(host, clear.data(), clear.size()), 7);
        EXPECT_EQ(LogCount(host), 0) << "cleared (the ACK comes first)";
        close(host);

        // The next run opens the port at once.
        host = open(sim.Port().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(host, 0);
        EXPECT_EQ(LogCount(host), fresh ? 3 : 0);
        close(host);
        EXPECT_EQ(sim.Stop(), 0);
    }
}

}  // namespace

namespace {

// A rack of paced receivers from one process: each its own terminal and serial number, and a
// reply that takes the line's time, 10 bits a byte at 9600 baud, for the request and the reply.
TEST(SimPty, PacedRackReceiversAnswerAtTheLinesPace) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error, {"--pace"}, 2)) << error;

    const int fd = open(sim.Port(2).c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    SetLine(fd, B9600);
    const Bytes request = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    const Bytes reply = ReadFrame(fd, 3000);
    const auto tookUs = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - sent)
                            .count();
    ASSERT_GE(reply.size(), 6u);
    ASSERT_EQ(reply.size(), 6u + reply[3]);
    const std::string text(reply.begin() + 4, reply.end() - 2);
    EXPECT_NE(text.find(";SERIAL,5213K40079;"), std::string::npos) << text;
    const auto wireUs = static_cast<long long>(request.size() + reply.size()) * 10'000'000 / 9600;
    EXPECT_GE(tookUs, wireUs) << reply.size() << " bytes back";
    close(fd);
}

}  // namespace

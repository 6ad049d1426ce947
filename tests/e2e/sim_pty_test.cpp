// A process talks to vorin-sim over its pseudo-terminal: the simulator reads the host's line
// settings from the terminal and answers the identification request only at its own.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
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

// Reads until a whole identification frame (02 status 6E length text sum 03) or the time-out.
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

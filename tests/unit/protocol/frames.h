#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/virtual_clock.h"
#include "support/fake_transport.h"
#include "support/scripted_ui.h"

namespace protocol_test {

using Bytes = std::vector<std::uint8_t>;

// Frames built the way the receiver builds them, independently of the code under test.
inline Bytes LsFrame(std::uint8_t type, const Bytes& data) {
    const std::size_t n = data.size();
    Bytes frame = {0x02, type, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    unsigned sum = type + static_cast<unsigned>(n >> 8 & 0xFF) + static_cast<unsigned>(n & 0xFF);
    for (const std::uint8_t byte : data) {
        sum += byte;
    }
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

inline Bytes TcFrame(std::uint8_t type, const Bytes& data, std::uint8_t status = 0,
                     bool longFrame = false) {
    const std::size_t n = data.size();
    Bytes frame = {0x02, status, type};
    if (longFrame) {
        frame.push_back(static_cast<std::uint8_t>(n >> 8));
    }
    frame.push_back(static_cast<std::uint8_t>(n));
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    for (const std::uint8_t byte : data) {
        sum += byte;
    }
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes Repeat(const Bytes& frame, int times) {
    Bytes all;
    for (int i = 0; i < times; ++i) {
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

// Virtual time, a recording UI and a scripted port for every protocol test.
class ProtocolTest : public ::testing::Test {
  protected:
    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    testing_support::ScriptedUi ui;
    testing_support::FakeTransport port;
};

}  // namespace protocol_test

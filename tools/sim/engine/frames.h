#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/bytes.h"

namespace sim {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

// TC frame of the application: STX, status, type, 8-bit length, payload, 8-bit sum of status,
// type, length and payload, ETX. The payload must not exceed 255 bytes.
Bytes BuildTcFrame(std::uint8_t type, const Bytes& payload, std::uint8_t status = 0);
// LS frame of the monitor: STX, type, 16-bit length (high byte first), data, 16-bit sum of type,
// length and data (high byte first), ETX. The data must not exceed 65535 bytes.
Bytes BuildLsFrame(std::uint8_t type, const Bytes& data);

struct Frame {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    Bytes payload;
};

// The receiver's parser of TC requests, one byte at a time. A frame that breaks off (wrong sum,
// no ETX) is counted and dropped; the byte that broke it starts a new frame when it is an STX.
class TcFrameParser {
  public:
    enum class State { kHunt, kStatus, kType, kLength, kPayload, kChecksum, kEnd };

    std::optional<Frame> Feed(std::uint8_t byte);
    void Reset();
    State GetState() const { return state_; }
    static const char* StateName(State state);
    // Frames dropped for a wrong checksum or a missing ETX since construction.
    int RejectedFrames() const { return rejected_; }

  private:
    void Reject(std::uint8_t byte);

    State state_ = State::kHunt;
    Frame frame_;
    std::size_t length_ = 0;
    std::uint8_t sum_ = 0;
    int rejected_ = 0;
};

// The monitor's parser of LS requests. Lengths above kMaxLength are taken for noise: the parser
// drops the start and hunts for the next STX.
class LsFrameParser {
  public:
    static constexpr std::size_t kMaxLength = 8192;
    enum class State { kHunt, kType, kLengthHigh, kLengthLow, kData, kSumHigh, kSumLow, kEnd };

    std::optional<Frame> Feed(std::uint8_t byte);
    void Reset();
    State GetState() const { return state_; }
    static const char* StateName(State state);
    int RejectedFrames() const { return rejected_; }

  private:
    void Reject(std::uint8_t byte);

    State state_ = State::kHunt;
    Frame frame_;
    std::size_t length_ = 0;
    std::uint16_t sum_ = 0;
    std::uint16_t receivedSum_ = 0;
    int rejected_ = 0;
};

}  // namespace sim

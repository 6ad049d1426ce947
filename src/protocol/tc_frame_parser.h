#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Byte-at-a-time parser of one TC frame: STX, status, type, length (one byte for the short frame,
// two for the long one), payload, 8-bit checksum, ETX. While hunting it also accepts a lone ACK or
// NAK byte unless those are ignored. A frame that fails in the middle sends the parser back to
// hunting for STX.
class TCFrameParser {
  public:
    static constexpr std::uint8_t kAck = 0x06;
    static constexpr std::uint8_t kNak = 0x15;

    enum class State { kHunt, kStatus, kType, kLength, kPayload, kChecksum, kEtx };
    enum class Result { kNone, kFrame, kAck, kNak };

    TCFrameParser(std::uint8_t expectedType, bool longFrame, bool ignoreAckNak,
                  std::vector<std::uint8_t>& payload)
        : expectedType_(expectedType),
          longFrame_(longFrame),
          ignoreAckNak_(ignoreAckNak),
          payload_(payload) {}

    void Reset();
    Result Feed(std::uint8_t byte);
    State GetState() const { return state_; }
    static const char* StateName(State state);

  private:
    std::uint8_t expectedType_;
    bool longFrame_;
    bool ignoreAckNak_;
    std::vector<std::uint8_t>& payload_;
    State state_ = State::kHunt;
    std::uint8_t sum_ = 0;
    std::size_t lengthBytesSeen_ = 0;
    std::size_t length_ = 0;
    std::size_t count_ = 0;
};

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Byte-at-a-time parser of one LS frame: STX, type, 16-bit length, data, 16-bit checksum, ETX.
// Only the length field delimits the data (no escaping). An unexpected byte sends the parser back
// to hunting for STX; that byte itself is dropped.
class LSFrameParser {
  public:
    static constexpr std::size_t kMaxReplyData = 2055;

    enum class State {
        kHunt,
        kType,
        kLengthHigh,
        kLengthLow,
        kData,
        kChecksumHigh,
        kChecksumLow,
        kEtx,
    };

    // Data are stored in payload; a zero-length frame leaves payload as it was.
    LSFrameParser(std::uint8_t expectedType, std::vector<std::uint8_t>& payload)
        : expectedType_(expectedType), payload_(payload) {}

    void Reset();
    // Feeds one byte; true when it completed a valid frame.
    bool Feed(std::uint8_t byte);
    State GetState() const { return state_; }
    static const char* StateName(State state);

  private:
    std::uint8_t expectedType_;
    std::vector<std::uint8_t>& payload_;
    State state_ = State::kHunt;
    std::uint16_t sum_ = 0;
    std::uint16_t length_ = 0;
    std::uint16_t received_ = 0;
    std::size_t dataIndex_ = 0;
};

#include "engine/frames.h"

namespace sim {

Bytes BuildTcFrame(std::uint8_t type, const Bytes& payload, std::uint8_t status) {
    const auto length = static_cast<std::uint8_t>(payload.size());
    Bytes frame{kStx, status, type, length};
    std::uint8_t sum = static_cast<std::uint8_t>(status + type + length);
    for (const std::uint8_t b : payload) {
        frame.push_back(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    frame.push_back(sum);
    frame.push_back(kEtx);
    return frame;
}

Bytes BuildLsFrame(std::uint8_t type, const Bytes& data) {
    const auto length = static_cast<std::uint16_t>(data.size());
    Bytes frame{kStx, type, static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length)};
    std::uint16_t sum = static_cast<std::uint16_t>(type + (length >> 8) + (length & 0xFF));
    for (const std::uint8_t b : data) {
        frame.push_back(b);
        sum = static_cast<std::uint16_t>(sum + b);
    }
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(kEtx);
    return frame;
}

void TcFrameParser::Reset() {
    state_ = State::kHunt;
    frame_ = Frame{};
    length_ = 0;
    sum_ = 0;
}

void TcFrameParser::Reject(std::uint8_t byte) {
    ++rejected_;
    Reset();
    if (byte == kStx) {
        state_ = State::kStatus;
    }
}

std::optional<Frame> TcFrameParser::Feed(std::uint8_t byte) {
    switch (state_) {
        case State::kHunt:
            if (byte == kStx) {
                state_ = State::kStatus;
            }
            return std::nullopt;
        case State::kStatus:
            frame_.status = byte;
            sum_ = byte;
            state_ = State::kType;
            return std::nullopt;
        case State::kType:
            frame_.type = byte;
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            state_ = State::kLength;
            return std::nullopt;
        case State::kLength:
            length_ = byte;
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            frame_.payload.clear();
            state_ = length_ == 0 ? State::kChecksum : State::kPayload;
            return std::nullopt;
        case State::kPayload:
            frame_.payload.push_back(byte);
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            if (frame_.payload.size() == length_) {
                state_ = State::kChecksum;
            }
            return std::nullopt;
        case State::kChecksum:
            if (byte != sum_) {
                Reject(byte);
            } else {
                state_ = State::kEnd;
            }
            return std::nullopt;
        case State::kEnd:
            if (byte != kEtx) {
                Reject(byte);
                return std::nullopt;
            }
            Frame done = std::move(frame_);
            Reset();
            return done;
    }
    return std::nullopt;
}

const char* TcFrameParser::StateName(State state) {
    switch (state) {
        case State::kHunt:
            return "hunt";
        case State::kStatus:
            return "status";
        case State::kType:
            return "type";
        case State::kLength:
            return "length";
        case State::kPayload:
            return "payload";
        case State::kChecksum:
            return "checksum";
        case State::kEnd:
            return "end";
    }
    return "?";
}

void LsFrameParser::Reset() {
    state_ = State::kHunt;
    frame_ = Frame{};
    length_ = 0;
    sum_ = 0;
    receivedSum_ = 0;
}

void LsFrameParser::Reject(std::uint8_t byte) {
    ++rejected_;
    Reset();
    if (byte == kStx) {
        state_ = State::kType;
    }
}

std::optional<Frame> LsFrameParser::Feed(std::uint8_t byte) {
    switch (state_) {
        case State::kHunt:
            if (byte == kStx) {
                state_ = State::kType;
            }
            return std::nullopt;
        case State::kType:
            frame_.type = byte;
            sum_ = byte;
            state_ = State::kLengthHigh;
            return std::nullopt;
        case State::kLengthHigh:
            length_ = static_cast<std::size_t>(byte) << 8;
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            state_ = State::kLengthLow;
            return std::nullopt;
        case State::kLengthLow:
            length_ |= byte;
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            if (length_ > kMaxLength) {
                Reject(byte);
                return std::nullopt;
            }
            frame_.payload.clear();
            frame_.payload.reserve(length_);
            state_ = length_ == 0 ? State::kSumHigh : State::kData;
            return std::nullopt;
        case State::kData:
            frame_.payload.push_back(byte);
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            if (frame_.payload.size() == length_) {
                state_ = State::kSumHigh;
            }
            return std::nullopt;
        case State::kSumHigh:
            receivedSum_ = static_cast<std::uint16_t>(byte << 8);
            state_ = State::kSumLow;
            return std::nullopt;
        case State::kSumLow:
            receivedSum_ = static_cast<std::uint16_t>(receivedSum_ | byte);
            if (receivedSum_ != sum_) {
                Reject(byte);
            } else {
                state_ = State::kEnd;
            }
            return std::nullopt;
        case State::kEnd:
            if (byte != kEtx) {
                Reject(byte);
                return std::nullopt;
            }
            Frame done = std::move(frame_);
            Reset();
            return done;
    }
    return std::nullopt;
}

const char* LsFrameParser::StateName(State state) {
    switch (state) {
        case State::kHunt:
            return "hunt";
        case State::kType:
            return "type";
        case State::kLengthHigh:
            return "length-high";
        case State::kLengthLow:
            return "length-low";
        case State::kData:
            return "data";
        case State::kSumHigh:
            return "sum-high";
        case State::kSumLow:
            return "sum-low";
        case State::kEnd:
            return "end";
    }
    return "?";
}

}  // namespace sim

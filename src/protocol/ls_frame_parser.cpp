#include "protocol/ls_frame_parser.h"

void LSFrameParser::Reset() {
    state_ = State::kHunt;
    sum_ = 0;
    length_ = 0;
    received_ = 0;
    dataIndex_ = 0;
}

bool LSFrameParser::Feed(std::uint8_t byte) {
    switch (state_) {
        case State::kHunt:
            if (byte == 0x02) {
                state_ = State::kType;
            }
            return false;
        case State::kType:
            if (byte != expectedType_) {
                Reset();
                return false;
            }
            sum_ = byte;
            state_ = State::kLengthHigh;
            return false;
        case State::kLengthHigh:
            length_ = static_cast<std::uint16_t>(byte << 8);
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            state_ = State::kLengthLow;
            return false;
        case State::kLengthLow:
            length_ = static_cast<std::uint16_t>(length_ | byte);
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            dataIndex_ = 0;
            if (length_ == 0) {
                state_ = State::kChecksumHigh;
            } else if (length_ > kMaxReplyData) {
                Reset();
            } else {
                payload_.assign(length_, 0);
                state_ = State::kData;
            }
            return false;
        case State::kData:
            payload_[dataIndex_++] = byte;
            sum_ = static_cast<std::uint16_t>(sum_ + byte);
            if (dataIndex_ == length_) {
                state_ = State::kChecksumHigh;
            }
            return false;
        case State::kChecksumHigh:
            received_ = static_cast<std::uint16_t>(byte << 8);
            state_ = State::kChecksumLow;
            return false;
        case State::kChecksumLow:
            received_ = static_cast<std::uint16_t>(received_ | byte);
            if (received_ == sum_) {
                state_ = State::kEtx;
            } else {
                Reset();
            }
            return false;
        case State::kEtx:
            if (byte == 0x03) {
                state_ = State::kHunt;
                return true;
            }
            Reset();
            return false;
    }
    return false;
}

const char* LSFrameParser::StateName(State state) {
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
        case State::kChecksumHigh:
            return "checksum-high";
        case State::kChecksumLow:
            return "checksum-low";
        case State::kEtx:
            return "etx";
    }
    return "?";
}

#include "protocol/tc_frame_parser.h"

void TCFrameParser::Reset() {
    state_ = State::kHunt;
    sum_ = 0;
    lengthBytesSeen_ = 0;
    length_ = 0;
    count_ = 0;
}

TCFrameParser::Result TCFrameParser::Feed(std::uint8_t byte) {
    switch (state_) {
        case State::kHunt:
            if (byte == 0x02) {
                state_ = State::kStatus;
            } else if (!ignoreAckNak_ && (byte == kAck || byte == kNak)) {
                payload_.clear();
                return byte == kAck ? Result::kAck : Result::kNak;
            }
            return Result::kNone;
        case State::kStatus:
            sum_ = byte;
            state_ = State::kType;
            return Result::kNone;
        case State::kType:
            if (byte != expectedType_) {
                Reset();
                return Result::kNone;
            }
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            lengthBytesSeen_ = 0;
            length_ = 0;
            state_ = State::kLength;
            return Result::kNone;
        case State::kLength:
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            length_ = (length_ << 8) | byte;
            if (++lengthBytesSeen_ < (longFrame_ ? 2U : 1U)) {
                return Result::kNone;
            }
            payload_.assign(length_, 0);
            count_ = 0;
            state_ = length_ == 0 ? State::kChecksum : State::kPayload;
            return Result::kNone;
        case State::kPayload:
            payload_[count_++] = byte;
            sum_ = static_cast<std::uint8_t>(sum_ + byte);
            if (count_ == length_) {
                state_ = State::kChecksum;
            }
            return Result::kNone;
        case State::kChecksum:
            if (byte == sum_) {
                state_ = State::kEtx;
            } else {
                Reset();
            }
            return Result::kNone;
        case State::kEtx:
            if (byte == 0x03) {
                state_ = State::kHunt;
                return Result::kFrame;
            }
            Reset();
            return Result::kNone;
    }
    return Result::kNone;
}

const char* TCFrameParser::StateName(State state) {
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
        case State::kEtx:
            return "etx";
    }
    return "?";
}

#include "trace/wire_reader.h"

#include <array>

namespace trace {
namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

// Bytes of everything around the payload: STX, header, checksum, ETX.
constexpr std::size_t kTcShortFrame = 6;  // STX status type len sum ETX
constexpr std::size_t kTcLongFrame = 7;   // STX status type lenHi lenLo sum ETX
constexpr std::size_t kLsFrame = 7;       // STX type lenHi lenLo sumHi sumLo ETX
constexpr std::size_t kHeader[] = {4, 5, 4};

// Bytes already taken are dropped from the buffer once this many have piled up.
constexpr std::size_t kCompactAt = 4096;

}  // namespace

WireReader::Candidate WireReader::Evaluate(WireItem::Protocol protocol) const {
    const std::uint8_t* frame = buffer_.data() + start_;
    const std::size_t available = buffer_.size() - start_;
    const std::size_t header = kHeader[static_cast<int>(protocol)];
    if (available < header) {
        return {protocol, Fit::kNeedMore, 0};
    }
    std::size_t total = 0;
    switch (protocol) {
        case WireItem::Protocol::kTc:
            total = frame[3] + kTcShortFrame;
            break;
        case WireItem::Protocol::kTcLong:
            total = ((std::size_t{frame[3]} << 8) | frame[4]) + kTcLongFrame;
            break;
        case WireItem::Protocol::kLs:
            total = ((std::size_t{frame[2]} << 8) | frame[3]) + kLsFrame;
            break;
    }
    if (available < total) {
        return {protocol, Fit::kNeedMore, total};
    }
    if (frame[total - 1] != kEtx) {
        return {protocol, Fit::kNoFrame, total};
    }
    bool ok = false;
    if (protocol == WireItem::Protocol::kLs) {
        std::uint16_t sum = 0;
        for (std::size_t i = 1; i < total - 3; ++i) {
            sum = static_cast<std::uint16_t>(sum + frame[i]);
        }
        ok = sum == ((frame[total - 3] << 8) | frame[total - 2]);
    } else {
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < total - 2; ++i) {
            sum = static_cast<std::uint8_t>(sum + frame[i]);
        }
        ok = sum == frame[total - 2];
    }
    return {protocol, ok ? Fit::kValid : Fit::kBadChecksum, total};
}

void WireReader::EmitFrame(const Candidate& candidate, std::vector<WireItem>& out) {
    FlushNoise(out);
    const std::uint8_t* frame = buffer_.data() + start_;
    WireItem item;
    item.kind = WireItem::Kind::kFrame;
    item.protocol = candidate.protocol;
    item.checksumOk = candidate.fit == Fit::kValid;
    item.raw.assign(frame, frame + candidate.total);
    switch (candidate.protocol) {
        case WireItem::Protocol::kTc:
            item.status = frame[1];
            item.type = frame[2];
            item.payload.assign(frame + 4, frame + candidate.total - 2);
            break;
        case WireItem::Protocol::kTcLong:
            item.status = frame[1];
            item.type = frame[2];
            item.payload.assign(frame + 5, frame + candidate.total - 2);
            break;
        case WireItem::Protocol::kLs:
            item.type = frame[1];
            item.payload.assign(frame + 4, frame + candidate.total - 3);
            break;
    }
    out.push_back(std::move(item));
    start_ += candidate.total;
}

void WireReader::FlushNoise(std::vector<WireItem>& out) {
    if (!noise_.empty()) {
        WireItem item;
        item.kind = WireItem::Kind::kNoise;
        item.raw.swap(noise_);
        out.push_back(std::move(item));
    }
}

void WireReader::Take(std::vector<WireItem>& out, bool settle) {
    while (start_ < buffer_.size()) {
        const std::uint8_t byte = buffer_[start_];
        if (byte == kAck || byte == kNak) {
            FlushNoise(out);
            WireItem item;
            item.kind = byte == kAck ? WireItem::Kind::kAck : WireItem::Kind::kNak;
            item.raw = {byte};
            out.push_back(std::move(item));
            ++start_;
            continue;
        }
        if (byte != kStx) {
            noise_.push_back(byte);
            ++start_;
            continue;
        }
        // An STX: the shortest framing that ends in ETX with its checksum right wins; a framing
        // still short of bytes is waited for unless the reader settles.
        const std::array<Candidate, 3> candidates = {Evaluate(WireItem::Protocol::kTc),
                                                     Evaluate(WireItem::Protocol::kLs),
                                                     Evaluate(WireItem::Protocol::kTcLong)};
        const Candidate* valid = nullptr;
        const Candidate* badChecksum = nullptr;
        bool waiting = false;
        for (const Candidate& candidate : candidates) {
            if (candidate.fit == Fit::kValid &&
                (valid == nullptr || candidate.total < valid->total)) {
                valid = &candidate;
            } else if (candidate.fit == Fit::kBadChecksum && badChecksum == nullptr) {
                badChecksum = &candidate;
            } else if (candidate.fit == Fit::kNeedMore) {
                waiting = true;
            }
        }
        if (valid != nullptr) {
            EmitFrame(*valid, out);
        } else if (waiting && !settle) {
            break;
        } else if (badChecksum != nullptr) {
            EmitFrame(*badChecksum, out);
        } else {
            noise_.push_back(byte);
            ++start_;
        }
    }
    if (start_ >= kCompactAt || start_ == buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
}

void WireReader::Feed(const std::uint8_t* data, std::size_t size, std::vector<WireItem>& out) {
    buffer_.insert(buffer_.end(), data, data + size);
    Take(out, false);
}

void WireReader::Settle(std::vector<WireItem>& out) {
    Take(out, true);
    FlushNoise(out);
}

}  // namespace trace

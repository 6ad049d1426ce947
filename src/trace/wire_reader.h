#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Recognises what went over the wire in one direction, from the bytes alone: TC frames (short or
// long length), LS frames, lone ACK/NAK bytes and whatever lies between them (noise). It knows no
// request and no operation, so every exchange, present and future, is read the same way.
namespace trace {

struct WireItem {
    enum class Kind { kFrame, kAck, kNak, kNoise };
    enum class Protocol { kTc, kTcLong, kLs };

    Kind kind = Kind::kNoise;
    Protocol protocol = Protocol::kTc;
    std::uint8_t status = 0;  // TC only
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
    bool checksumOk = false;
    // The bytes as they went over the wire: the whole frame, or the noise.
    std::vector<std::uint8_t> raw;
};

class WireReader {
  public:
    // Feeds bytes; what they complete is appended to out, in order.
    void Feed(const std::uint8_t* data, std::size_t size, std::vector<WireItem>& out);
    // The other side spoke, or the run ended: what is still waiting for bytes is settled now
    // (a frame whose end came with a wrong checksum, else noise).
    void Settle(std::vector<WireItem>& out);

  private:
    enum class Fit { kNeedMore, kValid, kBadChecksum, kNoFrame };
    struct Candidate {
        WireItem::Protocol protocol;
        Fit fit;
        std::size_t total;
    };

    void Take(std::vector<WireItem>& out, bool settle);
    Candidate Evaluate(WireItem::Protocol protocol) const;
    void EmitFrame(const Candidate& candidate, std::vector<WireItem>& out);
    void FlushNoise(std::vector<WireItem>& out);

    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first byte of buffer_ not yet taken
    std::vector<std::uint8_t> noise_;
};

}  // namespace trace

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "engine/bytes.h"

namespace simfront {

// One direction of the line when the simulator spends the line's time (--pace): every byte takes
// 10 bits at the line speed in force when it was handed over, one byte after the other, so a
// byte is there at the far end only once it has crossed. Without pacing a byte is there at once,
// as a pseudo-terminal carries it. Times are nanoseconds of the server's clock.
class LinePacer {
  public:
    explicit LinePacer(bool paced) : paced_(paced) {}

    // Hands bytes to the line at nowNs, at baud (0: a rate the receiver never uses; the bytes
    // cross at once and the engine does not hear them anyway).
    void Push(const std::uint8_t* data, std::size_t size, std::uint32_t baud, std::int64_t nowNs);
    void Push(const sim::Bytes& data, std::uint32_t baud, std::int64_t nowNs) {
        Push(data.data(), data.size(), baud, nowNs);
    }
    // The bytes that have crossed by nowNs, in order.
    sim::Bytes Take(std::int64_t nowNs);
    // When the next byte will have crossed; nullopt when none is on the line.
    std::optional<std::int64_t> NextNs() const;
    // Drops what is on the line (the cable was pulled).
    void Clear() { line_.clear(); }

  private:
    struct Byte {
        std::int64_t thereNs;
        std::uint8_t value;
    };
    const bool paced_;
    std::int64_t freeNs_ = 0;  // when the line has carried the last byte handed to it
    std::deque<Byte> line_;
};

}  // namespace simfront

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/bytes.h"

namespace sim {

class ReplayError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The receiver side of a recorded wire trace (the plug-in's DEVVORIN_TRACE file), played back:
// each frame the host sends is answered with the bytes the receiver sent after that frame in the
// trace, with the same delays. Host frames are taken in the trace's order; one that does not
// come (a retransmission the host no longer needs) is skipped when a later one of the trace
// arrives. Like the receiver engine, it has a byte input, a byte output and a clock that the
// caller supplies, and no threads.
class Replay {
  public:
    struct Turn {
        Bytes hostFrame;  // the frame as the host wrote it
        struct Answer {
            std::uint64_t delayMs;  // after the host frame
            Bytes bytes;
        };
        std::vector<Answer> answers;
    };

    // Reads the trace's JSON lines; throws ReplayError naming the line when one is no JSON or
    // when the trace holds no host frame.
    static Replay FromTrace(const std::string& text);
    explicit Replay(std::vector<Turn> turns) : turns_(std::move(turns)) {}

    void Receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs);
    // The answer bytes whose time has come.
    Bytes TransmitAll(std::uint64_t nowMs);
    std::optional<std::uint64_t> NextEventMs() const;

    const std::vector<Turn>& Turns() const { return turns_; }
    // Host frames answered so far, and those of the trace skipped on the way.
    int Answered() const { return answered_; }
    int Skipped() const { return skipped_; }

  private:
    struct Due {
        std::uint64_t at;
        Bytes bytes;
    };
    void Match(std::uint64_t nowMs);

    std::vector<Turn> turns_;
    std::size_t next_ = 0;
    Bytes inbox_;
    std::deque<Due> due_;
    int answered_ = 0;
    int skipped_ = 0;
};

}  // namespace sim

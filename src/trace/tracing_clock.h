#pragma once

#include <cstdint>
#include <ctime>

#include "platform/clock.h"

namespace trace {

class TraceRecorder;

// Stands in front of the clock in force during a traced run and records every fixed wait with
// its length before passing it on.
class TracingClock final : public platform::Clock {
  public:
    TracingClock(platform::Clock& inner, TraceRecorder& recorder)
        : inner_(inner), recorder_(recorder) {}

    std::time_t Now() override { return inner_.Now(); }
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t MonotonicMs() override { return inner_.MonotonicMs(); }

  private:
    platform::Clock& inner_;
    TraceRecorder& recorder_;
};

}  // namespace trace

#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "platform/clock.h"

namespace platform {

// Virtual time for tests and the in-process simulator front: sleeping advances the clock at once
// and is recorded, so a test can assert the exact sequence of fixed waits. Fakes that model a
// blocking read advance the clock with Advance, which is not recorded as a sleep.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(std::time_t start = 1'000'000'000) : start_(start) {}

    std::time_t Now() override { return start_ + static_cast<std::time_t>(elapsedMs_ / 1000); }
    void Sleep(std::uint32_t milliseconds) override {
        sleeps_.push_back(milliseconds);
        elapsedMs_ += milliseconds;
    }

    std::uint64_t MonotonicMs() override { return elapsedMs_; }

    void Advance(std::uint64_t milliseconds) { elapsedMs_ += milliseconds; }
    std::uint64_t ElapsedMs() const { return elapsedMs_; }
    const std::vector<std::uint32_t>& Sleeps() const { return sleeps_; }
    void ClearSleeps() { sleeps_.clear(); }

  private:
    std::time_t start_;
    std::uint64_t elapsedMs_ = 0;
    std::vector<std::uint32_t> sleeps_;
};

// Installs a clock for the lifetime of the guard and restores the previous one afterwards.
class ScopedClock {
  public:
    explicit ScopedClock(Clock& clock) : previous_(&CurrentClock()) { SetClock(&clock); }
    ~ScopedClock() { SetClock(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    Clock* previous_;
};

}  // namespace platform

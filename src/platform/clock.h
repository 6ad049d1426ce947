#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace platform {

// The clock seam: every fixed wait, every time-out and the calendar clock of the plug-in go
// through the current clock, so that tests can run whole operations on virtual time.
class Clock {
  public:
    virtual ~Clock() = default;
    // Calendar time in whole seconds, as the packet time-outs measure it.
    virtual std::time_t Now() = 0;
    // Blocks the calling thread for the given milliseconds.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds on a clock that never goes back, from an arbitrary origin: the time base of
    // the wire trace.
    virtual std::uint64_t MonotonicMs();
};

// The clock in force: the system clock unless a test or tool installed another one.
Clock& CurrentClock();
// Installs clock (nullptr restores the system clock). The caller keeps ownership.
void SetClock(Clock* clock);

// Told of each fixed wait of the system clock as it begins, with its real length, so that a host
// can show the time left; never of virtual time, and it must not hold the wait up. nullptr (the
// default): nobody is told.
using WaitObserver = void (*)(std::uint32_t milliseconds);
void SetWaitObserver(WaitObserver observer);

// Shorthands for the current clock.
inline std::time_t Now() {
    return CurrentClock().Now();
}
inline void Sleep(std::uint32_t milliseconds) {
    CurrentClock().Sleep(milliseconds);
}

// Simulation-only time scale for demos: DEVVORIN_TIME_SCALE (a factor, default 1) shortens the
// fixed waits of the system clock. Read once; a value that is not a factor is said once on
// standard error and the waits keep their length.
double TimeScale();
// The factor the whole text gives: a number above 0 and at most 1, nothing trailing; nullopt
// for anything else (0, negative, "nan", "0.5abc").
std::optional<double> ParseTimeScale(std::string_view text);

}  // namespace platform

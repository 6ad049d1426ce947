#include "platform/clock.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

WaitObserver g_waitObserver = nullptr;

class SystemClock final : public Clock {
  public:
    std::time_t Now() override { return std::time(nullptr); }
    void Sleep(std::uint32_t milliseconds) override {
        const auto scaled = static_cast<double>(milliseconds) * TimeScale();
        if (g_waitObserver != nullptr) {
            g_waitObserver(static_cast<std::uint32_t>(scaled));
        }
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(scaled));
    }
};

SystemClock& SystemClockInstance() {
    static SystemClock clock;
    return clock;
}

Clock* g_clock = nullptr;

}  // namespace

std::uint64_t Clock::MonotonicMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

Clock& CurrentClock() {
    return g_clock != nullptr ? *g_clock : SystemClockInstance();
}

void SetClock(Clock* clock) {
    g_clock = clock;
}

void SetWaitObserver(WaitObserver observer) {
    g_waitObserver = observer;
}

std::optional<double> ParseTimeScale(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    // Written this way round, NaN fails the range test too.
    if (error != std::errc() || stop != end || !(value > 0.0 && value <= 1.0)) {
        return std::nullopt;
    }
    return value;
}

double TimeScale() {
    static const double scale = [] {
        const char* text = std::getenv("DEVVORIN_TIME_SCALE");
        if (text == nullptr || *text == '\0') {
            return 1.0;
        }
        if (const auto value = ParseTimeScale(text)) {
            return *value;
        }
        std::fprintf(stderr,
                     "DevVorin: ignoring DEVVORIN_TIME_SCALE=%s (a factor above 0 and at most 1)\n",
                     text);
        return 1.0;
    }();
    return scale;
}

}  // namespace platform

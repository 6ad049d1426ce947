#include "platform/clock.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

class SystemClock final : public Clock {
  public:
    std::time_t Now() override { return std::time(nullptr); }
    void Sleep(std::uint32_t milliseconds) override {
        const auto scaled = static_cast<double>(milliseconds) * TimeScale();
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

double TimeScale() {
    static const double scale = [] {
        const char* text = std::getenv("DEVVORIN_TIME_SCALE");
        if (text == nullptr) {
            return 1.0;
        }
        char* end = nullptr;
        const double value = std::strtod(text, &end);
        return (end != text && value > 0.0 && value <= 1.0) ? value : 1.0;
    }();
    return scale;
}

}  // namespace platform

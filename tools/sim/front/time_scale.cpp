#include "front/time_scale.h"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <system_error>

namespace simfront {

std::optional<double> ParseTimeScale(std::string_view text) {
    double factor = 0;
    const char* last = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), last, factor);
    const bool inRange = factor > 0.0 && factor <= 1.0;  // false for NaN
    if (read.ec != std::errc() || read.ptr != last || !inRange) {
        return std::nullopt;
    }
    return factor;
}

double TimeScaleFromEnvironment() {
    const char* text = std::getenv("DEVVORIN_TIME_SCALE");
    if (text == nullptr || *text == '\0') {
        return 1.0;
    }
    const std::optional<double> factor = ParseTimeScale(text);
    if (!factor) {
        std::cerr << "vorin-sim: ignoring DEVVORIN_TIME_SCALE=" << text
                  << " (a factor above 0 and at most 1)\n";
        return 1.0;
    }
    return *factor;
}

}  // namespace simfront

#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// Days since 6 January 1980 (day 0) for a Gregorian date; nothing for an impossible date or one
// before day 0.
std::optional<std::int64_t> GpsDayNumber(int year, int month, int day);

// Parses "YYYY-MM-DD" into a GPS day number.
std::optional<std::int64_t> ParseGpsDate(const std::string& text);

}  // namespace sim

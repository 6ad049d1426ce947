#include "engine/gps_date.h"

#include <cstdio>

namespace sim {
namespace {

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1 January 1970 of a proleptic Gregorian date (the well-known era computation).
std::int64_t DaysFromCivil(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int monthIndex = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * monthIndex + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<std::int64_t> GpsDayNumber(int year, int month, int day) {
    if (year < 1980 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    const std::int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1980, 1, 6);
    if (days < 0) {
        return std::nullopt;
    }
    return days;
}

std::optional<std::int64_t> ParseGpsDate(const std::string& text) {
    int year = 0;
    int month = 0;
    int day = 0;
    char tail = 0;
    if (text.size() != 10 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3) {
        return std::nullopt;
    }
    return GpsDayNumber(year, month, day);
}

}  // namespace sim

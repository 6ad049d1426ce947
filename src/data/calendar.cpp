#include "data/calendar.h"

#include <optional>
#include <utility>

#include "platform/clock.h"
#include "platform/date_format.h"

namespace data {

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::uint32_t kMillisecondsPerDay = 86'400'000;
// 6 January 1980 counted from 1 January 1970.
constexpr std::int64_t kGpsEpochDaysSince1970 = 3'657;
// 31 December 9999 counted from 1 January 1970; later days have no valid date.
constexpr std::int64_t kLastValidDaySince1970 = 2'932'896;

// Gregorian date of a day count since 1 January 1970 (era arithmetic over 400-year cycles, the
// same calendar as adding years of 365/366 days and then months).
DateTime CivilFromDays(std::int64_t days) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const std::int64_t dayOfEra = days - era * 146'097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return MakeDateTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + (value / 10) % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
    DateTime value{year, month, day, hour, minute, second, false};
    value.valid = year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month) &&
                  hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
                  second < 60;
    return value;
}

DateTime GpsDayToDate(std::uint64_t dayNumber, std::uint32_t millisecondsOfDay) {
    if (dayNumber > static_cast<std::uint64_t>(kLastValidDaySince1970 - kGpsEpochDaysSince1970) ||
        millisecondsOfDay >= kMillisecondsPerDay) {
        return DateTime{};
    }
    DateTime value = CivilFromDays(static_cast<std::int64_t>(dayNumber) + kGpsEpochDaysSince1970);
    const auto seconds = static_cast<int>(millisecondsOfDay / 1000);
    value.hour = seconds / 3600;
    value.minute = seconds / 60 % 60;
    value.second = seconds % 60;
    return value;
}

DateTime DateTimeFromCalendarSeconds(std::time_t seconds) {
    const auto total = static_cast<std::int64_t>(seconds);
    std::int64_t days = total / kSecondsPerDay;
    std::int64_t rest = total % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    if (days > kLastValidDaySince1970) {
        return DateTime{};
    }
    DateTime value = CivilFromDays(days);
    value.hour = static_cast<int>(rest / 3600);
    value.minute = static_cast<int>(rest / 60 % 60);
    value.second = static_cast<int>(rest % 60);
    return value;
}

DateTime CurrentDateTime() {
    return DateTimeFromCalendarSeconds(platform::Now());
}

std::string FormatDateTime(const DateTime& value, std::string_view format) {
    if (!value.valid) {
        return std::string(kInvalidDateText);
    }
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out.push_back(format[i]);
            continue;
        }
        const char conversion = format[++i];
        switch (conversion) {
            case 'Y':
                AppendTwoDigits(out, value.year / 100);
                AppendTwoDigits(out, value.year % 100);
                break;
            case 'm':
                AppendTwoDigits(out, value.month);
                break;
            case 'd':
                AppendTwoDigits(out, value.day);
                break;
            case 'H':
                AppendTwoDigits(out, value.hour);
                break;
            case 'M':
                AppendTwoDigits(out, value.minute);
                break;
            case 'S':
                AppendTwoDigits(out, value.second);
                break;
            case '%':
                out.push_back('%');
                break;
            default:
                out.push_back('%');
                out.push_back(conversion);
                break;
        }
    }
    return out;
}

std::string FormatDefaultDateTime(const DateTime& value) {
    if (!value.valid) {
        return std::string(kInvalidDateText);
    }
    const platform::CalendarTime time{value.year, value.month,  value.day,
                                      value.hour, value.minute, value.second};
    if (std::optional<std::string> text = platform::FormatUserDateTime(time)) {
        return *std::move(text);
    }
    return FormatDateTime(value, kDefaultDateTimeFormat);
}

}  // namespace data

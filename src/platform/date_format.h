#pragma once

#include <optional>
#include <string>

// The user's default date and time format, for texts that a technician reads (the error log's
// times). Windows: the user's locale, short date then time (GetDateFormatA / GetTimeFormatA with
// LOCALE_USER_DEFAULT). POSIX: the LC_TIME locale in force in the process, "%x %X" (the host
// adopts the user's locale when it starts).
namespace platform {

// A calendar date and time of day, all fields in their usual ranges (month 1..12, day 1..31).
struct CalendarTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// The text in the user's format; nothing where the user has no format of their own (the C and
// POSIX locales, whose date has a two-digit year) or the system cannot format the value: the
// caller then uses its fixed text.
std::optional<std::string> FormatUserDateTime(const CalendarTime& value);

}  // namespace platform

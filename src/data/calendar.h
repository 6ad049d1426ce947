#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// Calendar dates of the receiver data: GPS day numbers (days since 6 January 1980) of the options
// and the error log, and the plug-in's "now". A date that no calendar has (month 13, day 0, a year
// past 9999) is kept as an invalid value, which formats as a visible invalid-date text.
namespace data {

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool valid = false;

    bool operator==(const DateTime&) const = default;
};

// The date and time text where the user's system has no format of its own (the C locale): the
// month first, a four-digit year and a 24-hour clock.
inline constexpr std::string_view kDefaultDateTimeFormat = "%m/%d/%Y %H:%M:%S";
// What an invalid date formats as.
inline constexpr std::string_view kInvalidDateText = "(invalid date)";

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// A date-time from its parts; valid only for a real Gregorian date in the years 1 to 9999 and a
// time of day from 00:00:00 to 23:59:59.
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The date that many days after 6 January 1980, at the given milliseconds into that day (whole
// seconds kept). Days past the year 9999 or a time of day of 24 hours or more give an invalid date.
DateTime GpsDayToDate(std::uint64_t dayNumber, std::uint32_t millisecondsOfDay = 0);

// Calendar seconds (since 1 January 1970, UTC) as a date-time.
DateTime DateTimeFromCalendarSeconds(std::time_t seconds);

// Now, from the clock seam, in UTC.
DateTime CurrentDateTime();

// Formats with %Y (four-digit year), %m, %d, %H, %M, %S (two digits each) and %%; any other
// character is copied as it stands. An invalid date gives kInvalidDateText.
std::string FormatDateTime(const DateTime& value, std::string_view format);

// A date and time in the user's default format (platform/date_format.h), else with
// kDefaultDateTimeFormat. An invalid date gives kInvalidDateText.
std::string FormatDefaultDateTime(const DateTime& value);

}  // namespace data

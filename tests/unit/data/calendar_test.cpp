#include <gtest/gtest.h>

#include "data/calendar.h"
#include "platform/virtual_clock.h"

namespace {

using data::DateTime;

TEST(Calendar, GpsDayNumbersNameTheirDates) {
    // legend: day number -> year, month, day
    struct Case {
        const char* legend;
        std::uint64_t day;
        int year;
        int month;
        int dayOfMonth;
    };
    const Case cases[] = {
        {"day 0 is the GPS epoch", 0, 1980, 1, 6},
        {"end of the first year", 0x16D, 1981, 1, 5},
        {"1980 is a leap year", 54, 1980, 2, 29},
        {"2000 is a leap century", 7359, 2000, 2, 29},
        {"2100 is not", 43883, 2100, 2, 28},
        {"... so the next day is March", 43884, 2100, 3, 1},
        {"the receiver's never-ending day", 48573, 2113, 1, 1},
        {"largest 16-bit day", 0xFFFF, 2159, 6, 11},
    };
    for (const Case& c : cases) {
        const DateTime date = data::GpsDayToDate(c.day);
        EXPECT_TRUE(date.valid) << c.legend;
        EXPECT_EQ(date.year, c.year) << c.legend;
        EXPECT_EQ(date.month, c.month) << c.legend;
        EXPECT_EQ(date.day, c.dayOfMonth) << c.legend;
        EXPECT_EQ(date.hour, 0) << c.legend;
    }
}

TEST(Calendar, TimeOfDayAndRangeLimits) {
    const DateTime last = data::GpsDayToDate(0, 86'399'999);
    EXPECT_EQ(data::FormatDateTime(last, data::kDefaultDateTimeFormat), "01/06/1980 23:59:59");
    EXPECT_FALSE(data::GpsDayToDate(0, 86'400'000).valid);
    // 31 December 9999 is the last day a date can name.
    const DateTime end = data::GpsDayToDate(2'932'896 - 3'657);
    EXPECT_TRUE(end.valid);
    EXPECT_EQ(end.year, 9999);
    EXPECT_EQ(end.month, 12);
    EXPECT_EQ(end.day, 31);
    EXPECT_FALSE(data::GpsDayToDate(2'932'896 - 3'657 + 1).valid);
    EXPECT_FALSE(data::GpsDayToDate(UINT64_MAX).valid);
}

TEST(Calendar, OnlyRealDatesAreValid) {
    // legend: year, month, day, hour, minute, second -> valid
    struct Case {
        int year, month, day, hour, minute, second;
        bool valid;
    };
    const Case cases[] = {
        {2014, 3, 1, 0, 0, 0, true},   {2014, 13, 1, 0, 0, 0, false},
        {2014, 0, 1, 0, 0, 0, false},  {2014, 2, 29, 0, 0, 0, false},
        {2016, 2, 29, 0, 0, 0, true},  {1900, 2, 29, 0, 0, 0, false},
        {2014, 4, 31, 0, 0, 0, false}, {2014, 1, 0, 0, 0, 0, false},
        {0, 1, 1, 0, 0, 0, false},     {9999, 12, 31, 23, 59, 59, true},
        {10000, 1, 1, 0, 0, 0, false}, {2014, 1, 1, 24, 0, 0, false},
        {2014, 1, 1, 0, 60, 0, false}, {2014, 1, 1, 0, 0, -1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(data::MakeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second).valid,
                  c.valid)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":"
            << c.second;
    }
}

TEST(Calendar, Formatting) {
    const DateTime date = data::MakeDateTime(2014, 3, 5, 7, 8, 9);
    // legend: format -> text
    const std::pair<const char*, const char*> cases[] = {
        {"%m/%d/%Y", "03/05/2014"}, {"%m/%d/%Y %H:%M:%S", "03/05/2014 07:08:09"},
        {"100%% %Y", "100% 2014"},  {"%q%Y", "%q2014"},
        {"end %", "end %"},         {"", ""},
    };
    for (const auto& [format, text] : cases) {
        EXPECT_EQ(data::FormatDateTime(date, format), text) << format;
    }
    EXPECT_EQ(data::FormatDateTime(data::MakeDateTime(812, 1, 2), "%Y"), "0812");
    EXPECT_EQ(data::FormatDateTime(data::MakeDateTime(2014, 13, 1), "%m/%d/%Y"),
              data::kInvalidDateText);
}

TEST(Calendar, NowComesFromTheClockSeamInUtc) {
    // legend: calendar seconds -> formatted UTC
    const std::pair<std::time_t, const char*> cases[] = {
        {0, "01/01/1970 00:00:00"},
        {1'394'020'800, "03/05/2014 12:00:00"},
        {-1, "12/31/1969 23:59:59"},
        {951'782'400, "02/29/2000 00:00:00"},
    };
    for (const auto& [seconds, text] : cases) {
        platform::VirtualClock clock(seconds);
        platform::ScopedClock scoped(clock);
        EXPECT_EQ(data::FormatDateTime(data::CurrentDateTime(), data::kDefaultDateTimeFormat), text)
            << seconds;
    }
}

}  // namespace

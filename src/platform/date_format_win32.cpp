#include <windows.h>

#include "platform/date_format.h"

namespace platform {

std::optional<std::string> FormatUserDateTime(const CalendarTime& value) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(value.year);
    time.wMonth = static_cast<WORD>(value.month);
    time.wDay = static_cast<WORD>(value.day);
    time.wHour = static_cast<WORD>(value.hour);
    time.wMinute = static_cast<WORD>(value.minute);
    time.wSecond = static_cast<WORD>(value.second);
    char date[128];
    char clock[128];
    // Dates before 1601 are outside what the system formats; the caller's text stands in.
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date) ==
            0 ||
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock) == 0) {
        return std::nullopt;
    }
    return std::string(date) + " " + clock;
}

}  // namespace platform

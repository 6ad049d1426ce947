#include <clocale>
#include <cstring>
#include <ctime>

#include "platform/date_format.h"

namespace platform {
namespace {

// The locales that format dates the C way ("C", "POSIX", "C.UTF-8" and the like).
bool IsCLocale(const char* name) {
    return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

}  // namespace

std::optional<std::string> FormatUserDateTime(const CalendarTime& value) {
    if (IsCLocale(std::setlocale(LC_TIME, nullptr))) {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = value.year - 1900;
    parts.tm_mon = value.month - 1;
    parts.tm_mday = value.day;
    parts.tm_hour = value.hour;
    parts.tm_min = value.minute;
    parts.tm_sec = value.second;
    char text[128];
    // The locale's own date, whatever its year looks like: that is the point of asking it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &parts);
#pragma GCC diagnostic pop
    if (length == 0) {
        return std::nullopt;
    }
    return std::string(text, length);
}

}  // namespace platform

#pragma once

#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Text resources: the numbered strings of the plug-in, loaded by id. The table itself has one
// source (resources/strings.inc) for the Win32 STRINGTABLE and the POSIX table.
namespace platform {

// The string with that id, or an empty text when the table has none.
std::string LoadString(unsigned id);

namespace detail {
template <typename T>
decltype(auto) FormatArgument(const T& value) {
    if constexpr (std::is_same_v<T, std::string>) {
        return value.c_str();
    } else {
        return value;
    }
}
}  // namespace detail

// printf-style formatting of a format text that comes from the string table or another constant.
// std::string arguments are passed as C strings.
template <typename... Args>
std::string FormatText(const std::string& format, const Args&... args) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
    const int needed = std::snprintf(nullptr, 0, format.c_str(), detail::FormatArgument(args)...);
    if (needed <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), detail::FormatArgument(args)...);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

// The string with that id, formatted with the arguments.
template <typename... Args>
std::string FormatString(unsigned id, const Args&... args) {
    return FormatText(LoadString(id), args...);
}

}  // namespace platform

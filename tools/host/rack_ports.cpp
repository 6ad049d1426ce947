#include "rack_ports.h"

#include <charconv>

namespace {

constexpr int kHighestPort = 1024;
constexpr std::size_t kMostPorts = 1024;

}  // namespace

bool ParseDecimal(const std::string& text, int low, int high, int& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && stop == end && number >= low && number <= high;
}

bool ParsePortNumber(const std::string& text, int& port) {
    return ParseDecimal(text, 1, kHighestPort, port);
}

bool ParsePortList(const std::string& text, std::vector<int>& ports, std::string& error) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        int low = 0;
        int high = 0;
        const bool read = dash == std::string::npos
                              ? ParsePortNumber(item, low) && ParsePortNumber(item, high)
                              : ParsePortNumber(item.substr(0, dash), low) &&
                                    ParsePortNumber(item.substr(dash + 1), high);
        if (!read || low > high) {
            error =
                "--ports takes COM port numbers from 1 to 1024 and ranges low-high, such as "
                "3-18 or 3,5,9-11, not '" +
                text + "'";
            return false;
        }
        if (ports.size() + static_cast<std::size_t>(high - low + 1) > kMostPorts) {
            error = "at most 1024 ports in one rack";
            return false;
        }
        for (int port = low; port <= high; ++port) {
            ports.push_back(port);
        }
        start = comma + 1;
    }
    return true;
}

bool ParsePortDevice(const std::string& text, std::map<int, std::string>& devices,
                     std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 ||
        text.find_first_not_of("0123456789") != equals) {
        return false;
    }
    int port = 0;
    if (!ParsePortNumber(text.substr(0, equals), port) || equals + 1 == text.size()) {
        error =
            "--device N=PATH takes a COM port number from 1 to 1024 and a path, not '" + text + "'";
        return false;
    }
    if (!devices.emplace(port, text.substr(equals + 1)).second) {
        error = "--device names COM" + std::to_string(port) + "'s device twice";
        return false;
    }
    return true;
}

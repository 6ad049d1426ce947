#include "front/hang_up.h"

#include <charconv>
#include <system_error>

namespace simfront {
namespace {

// A whole number of at most max from the start of text, in decimal, or in hex after "0x" where
// hex is allowed; pos moves past it. Decimal means decimal: "010" is ten, not eight.
std::optional<unsigned long> Number(const std::string& text, std::size_t& pos, unsigned long max,
                                    bool hexAllowed = false) {
    int base = 10;
    std::size_t start = pos;
    if (hexAllowed && pos + 1 < text.size() && text[pos] == '0' &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        start += 2;
    }
    const char* last = text.data() + text.size();
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data() + start, last, value, base);
    if (error != std::errc() || value > max) {
        return std::nullopt;
    }
    pos = static_cast<std::size_t>(end - text.data());
    return value;
}

}  // namespace

std::optional<HangUpTrigger> HangUpTrigger::Parse(const std::string& text, std::string& error) {
    HangUpTrigger trigger;
    std::size_t pos = 0;
    const std::string identification = "identification";
    if (text.compare(0, identification.size(), identification) == 0) {
        trigger.event = Event::kIdentification;
        pos = identification.size();
    } else if (text.compare(0, 3, "tc-") == 0 || text.compare(0, 3, "ls-") == 0) {
        trigger.event = text[0] == 't' ? Event::kTcRequest : Event::kLsRequest;
        pos = 3;
        const auto type = Number(text, pos, 0xFF, true);
        if (!type) {
            error = "a request type of 0 to 255 follows '" + text.substr(0, 3) + "'";
            return std::nullopt;
        }
        trigger.type = static_cast<std::uint8_t>(*type);
    } else {
        error = "begins with identification, tc-TYPE or ls-TYPE";
        return std::nullopt;
    }
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        const auto count = Number(text, pos, 100000);
        if (!count || *count == 0) {
            error = "a count of 1 to 100000 follows ':'";
            return std::nullopt;
        }
        trigger.count = static_cast<int>(*count);
    }
    if (pos < text.size() && text[pos] == '+') {
        ++pos;
        const auto delay = Number(text, pos, 600000);
        if (!delay) {
            error = "a delay of 0 to 600000 ms follows '+'";
            return std::nullopt;
        }
        trigger.delayMs = static_cast<std::uint32_t>(*delay);
    }
    if (pos != text.size()) {
        error = "unexpected '" + text.substr(pos) + "'";
        return std::nullopt;
    }
    return trigger;
}

bool HangUpTrigger::Reached(const sim::Counters& counters) const {
    switch (event) {
        case Event::kIdentification:
            return counters.identifications >= count;
        case Event::kTcRequest: {
            const auto it = counters.tcRequests.find(type);
            return it != counters.tcRequests.end() && it->second >= count;
        }
        case Event::kLsRequest: {
            const auto it = counters.lsRequests.find(type);
            return it != counters.lsRequests.end() && it->second >= count;
        }
    }
    return false;
}

}  // namespace simfront

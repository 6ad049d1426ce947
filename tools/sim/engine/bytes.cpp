#include "engine/bytes.h"

#include <cctype>

namespace sim {

std::string HexText(const std::uint8_t* data, std::size_t size, std::size_t maxBytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    const std::size_t shown = size < maxBytes ? size : maxBytes;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    if (shown < size) {
        text += " ... (" + std::to_string(size) + " bytes)";
    }
    return text;
}

bool ParseHex(const std::string& text, Bytes& out) {
    out.clear();
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == ':' || c == '\n' || c == '\t' || c == '\r') {
            continue;
        }
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>((high << 4) | digit));
            high = -1;
        }
    }
    return high < 0;
}

}  // namespace sim

#include "platform/decimal.h"

#include <cstddef>

namespace platform {

int DecimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < 1'000'000'000LL) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (value > 0x7FFFFFFFLL) {
        value = 0x7FFFFFFFLL;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace platform

#include "frame/bounded_copy.h"

#include <algorithm>
#include <cstring>

void CopyBounded(std::string_view text, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    const std::size_t n = std::min(text.size(), size);
    if (n > 0) {
        std::memcpy(buffer, text.data(), n);  // an empty view may have no data at all
    }
    std::memset(buffer + n, 0, size - n);
}

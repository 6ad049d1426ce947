#pragma once

#include <string_view>

namespace platform {

// Decimal conversion as the C library's atoi does it: leading blanks, a sign, digits up to the
// first other character; no digits give 0. Saturates instead of overflowing.
int DecimalValue(std::string_view text);

}  // namespace platform

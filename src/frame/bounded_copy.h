#pragma once

#include <cstddef>
#include <string_view>

// Copies text into a host buffer of size bytes: at most size bytes are written, the rest of the
// buffer is zero-filled when the text is shorter, and no terminating zero is added when the
// text fills the buffer. The copy ends at the text's first zero, if any.
void CopyBounded(std::string_view text, char* buffer, std::size_t size);

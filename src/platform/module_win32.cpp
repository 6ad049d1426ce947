#include <windows.h>

#include <vector>

#include "platform/module.h"
#include "platform/win32/module_path.h"

namespace platform {

std::optional<std::string> ReadOwnFileVersion() {
    const std::optional<std::string> path = win32::OwnModulePath();
    if (!path) {
        return std::nullopt;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path->c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path->c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    void* value = nullptr;
    UINT length = 0;
    char query[] = "\\StringFileInfo\\040904B0\\FileVersion";
    if (!VerQueryValueA(block.data(), query, &value, &length) || value == nullptr) {
        return std::nullopt;
    }
    // length counts characters including the terminator; never read past the block.
    const char* text = static_cast<const char*>(value);
    const char* blockEnd = block.data() + block.size();
    std::size_t n = 0;
    while (n < length && text + n < blockEnd && text[n] != '\0') {
        ++n;
    }
    return std::string(text, n);
}

}  // namespace platform

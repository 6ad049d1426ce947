#include <windows.h>

#include <vector>

#include "platform/module.h"
#include "platform/win32/module_path.h"

namespace platform::win32 {

std::optional<std::string> OwnModulePath() {
    // Grow the buffer until the whole name fits: a cut name would find no version resource.
    for (DWORD size = 260; size <= 32768; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(OwnModule()), buffer.data(), size);
        if (n == 0) {
            return std::nullopt;
        }
        if (n < size) {
            return std::string(buffer.data(), n);
        }
    }
    return std::nullopt;
}

}  // namespace platform::win32

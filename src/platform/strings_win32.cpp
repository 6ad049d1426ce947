#include <windows.h>
// windows.h maps LoadString to LoadStringA; ours is platform::LoadString.
#undef LoadString

#include <vector>

#include "platform/module.h"
#include "platform/strings.h"

namespace platform {

// Texts come from the STRINGTABLE of the module whose resources are current (the DLL's own
// inside every export).
std::string LoadString(unsigned id) {
    // A string-table entry holds at most 4095 characters.
    std::vector<char> buffer(4097);
    const int n = LoadStringA(static_cast<HINSTANCE>(ResourceModule()), id, buffer.data(),
                              static_cast<int>(buffer.size()));
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

}  // namespace platform

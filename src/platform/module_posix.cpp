#include "platform/module.h"

namespace platform {

// The shared object carries no version resource; the build embeds the DLL's FileVersion text.
std::optional<std::string> ReadOwnFileVersion() {
    return std::string(DEVVORIN_FILE_VERSION);
}

}  // namespace platform

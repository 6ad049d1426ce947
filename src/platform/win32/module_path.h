#pragma once

#include <optional>
#include <string>

namespace platform::win32 {

// The full file name of the plug-in's own module (the host program's when no module was
// recorded); nullopt when it cannot be had.
std::optional<std::string> OwnModulePath();

}  // namespace platform::win32

#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"

// Shared between registry.cpp and the per-platform backends (registry_win32.cpp,
// registry_posix.cpp). Not for use outside src/platform.
namespace platform {

// A key is either a snapshot of a RegistryTree key (installed tree, POSIX file) or a native
// handle of the system registry.
struct RegistryKey::Handle {
    std::optional<RegistryTree::Values> snapshot;
    void* native = nullptr;
};

namespace registry_backend {
// Opens HKEY_LOCAL_MACHINE\path in the platform's own registry; false when it cannot.
bool OpenSystemKey(const std::string& path, RegistryKey::Handle& handle);
std::optional<RegistryValue> QuerySystemValue(const RegistryKey::Handle& handle, const char* name);
void CloseSystemKey(RegistryKey::Handle& handle);
}  // namespace registry_backend

}  // namespace platform

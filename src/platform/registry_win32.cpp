#include <windows.h>

#include "platform/registry_backend.h"

namespace platform::registry_backend {

bool OpenSystemKey(const std::string& path, RegistryKey::Handle& handle) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    handle.native = key;
    return true;
}

std::optional<RegistryValue> QuerySystemValue(const RegistryKey::Handle& handle, const char* name) {
    HKEY key = static_cast<HKEY>(handle.native);
    // Ask for the size first; the value may grow between the two calls, so retry a little.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        RegistryValue value;
        value.data.resize(size);
        DWORD got = size;
        const LONG result = RegQueryValueExA(key, name, nullptr, &type,
                                             size == 0 ? nullptr : value.data.data(), &got);
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.type = type;
        value.data.resize(got);
        return value;
    }
    return std::nullopt;
}

void CloseSystemKey(RegistryKey::Handle& handle) {
    RegCloseKey(static_cast<HKEY>(handle.native));
    handle.native = nullptr;
}

}  // namespace platform::registry_backend

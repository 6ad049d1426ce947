#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/registry_backend.h"

// POSIX stands in for HKEY_LOCAL_MACHINE with a ".reg" file named by DEVVORIN_REGISTRY_FILE. It
// is read afresh at every open, as the real registry would show later changes.
namespace platform::registry_backend {

bool OpenSystemKey(const std::string& path, RegistryKey::Handle& handle) {
    const char* file = std::getenv("DEVVORIN_REGISTRY_FILE");
    if (file == nullptr || *file == '\0') {
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const RegistryTree tree = RegistryTree::Parse(text);
    const RegistryTree::Values* values = tree.FindKey(path);
    if (values == nullptr) {
        return false;
    }
    handle.snapshot = *values;
    return true;
}

std::optional<RegistryValue> QuerySystemValue(const RegistryKey::Handle&, const char*) {
    return std::nullopt;  // every POSIX key is a snapshot
}

void CloseSystemKey(RegistryKey::Handle& handle) {
    handle.native = nullptr;
}

}  // namespace platform::registry_backend

#include <windows.h>

#include "plugin.h"

Plugin::~Plugin() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

bool Plugin::Load(const std::string& path, std::string& error) {
    path_ = path;
    handle_ = LoadLibraryA(path.c_str());
    if (handle_ == nullptr) {
        error = "cannot load " + path + ": error " + std::to_string(GetLastError());
        return false;
    }
    return ResolveAll(error);
}

void* Plugin::Symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string DefaultPluginPath(const char*) {
    char buffer[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string dir(buffer, n);
    const std::size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    return dir + "\\DevVorin.dll";
}

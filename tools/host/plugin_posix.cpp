#include <dlfcn.h>

#include "plugin.h"

Plugin::~Plugin() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

bool Plugin::Load(const std::string& path, std::string& error) {
    path_ = path;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown error");
        return false;
    }
    return ResolveAll(error);
}

void* Plugin::Symbol(const char* name) const {
    return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

std::string DefaultPluginPath(const char* argv0) {
    std::string dir = argv0 != nullptr ? argv0 : "";
    const std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    return dir + "/libDevVorin.so";
}

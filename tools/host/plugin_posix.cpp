#include <dlfcn.h>
#include <unistd.h>

#include <array>

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

// Beside the program in a build folder; in an installed tree (/usr/bin/vantor-host), in the
// package's own library folder /usr/lib/devvorin. The program's folder is the one it was started
// from, also when it was found through PATH.
std::string DefaultPluginPath(const char* argv0) {
    std::array<char, 4096> self{};
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string dir = n > 0 ? std::string(self.data(), static_cast<std::size_t>(n))
                            : std::string(argv0 != nullptr ? argv0 : "");
    const std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    const std::string beside = dir + "/libDevVorin.so";
    const std::string installed = dir + "/../lib/devvorin/libDevVorin.so";
    return access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0 ? installed
                                                                                     : beside;
}

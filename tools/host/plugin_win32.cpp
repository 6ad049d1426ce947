#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugin.h"

namespace {

bool KeyListed(const std::string& keys, const std::string& name) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = keys.find(',', start);
        if (keys.substr(start, end == std::string::npos ? std::string::npos : end - start) ==
            name) {
            return true;
        }
        if (end == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
}

// Holds the keys that DEVVORIN_KEYS lists ("ctrl", "alt") for the lifetime of the object, as
// far as the calling thread's key state goes, and restores the state afterwards. The plug-in
// reads Ctrl and Alt with GetKeyState while it initialises, which happens inside LoadLibrary on
// this thread; the thread's key state is what GetKeyState reports, so the plug-in sees the chord
// exactly as when a user holds it, without synthesised input that depends on window focus.
class HeldKeys {
  public:
    HeldKeys() {
        const char* keys = std::getenv("DEVVORIN_KEYS");
        if (keys == nullptr || *keys == '\0' || !GetKeyboardState(saved_)) {
            return;
        }
        BYTE held[256];
        CopyMemory(held, saved_, sizeof held);
        const bool control = KeyListed(keys, "ctrl");
        const bool alt = KeyListed(keys, "alt");
        if (control) {
            held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
        }
        if (alt) {
            held[VK_MENU] = held[VK_LMENU] = 0x80;
        }
        if ((control || alt) && SetKeyboardState(held)) {
            changed_ = true;
            std::fprintf(stderr, "holding %s%s%s while the plug-in loads\n", control ? "Ctrl" : "",
                         control && alt ? "+" : "", alt ? "Alt" : "");
        }
    }
    ~HeldKeys() {
        if (changed_) {
            SetKeyboardState(saved_);
        }
    }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

  private:
    BYTE saved_[256] = {};
    bool changed_ = false;
};

}  // namespace

Plugin::~Plugin() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

bool Plugin::Load(const std::string& path, std::string& error) {
    path_ = path;
    {
        const HeldKeys keys;
        handle_ = LoadLibraryA(path.c_str());
    }
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

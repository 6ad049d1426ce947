#pragma once

#include <optional>
#include <string>

// The plug-in's own module and the module state of each export. On Win32 resources (strings,
// dialog templates, the bitmap) must be looked up in the DLL, never in the host program that
// called in; each export holds a ModuleStateGuard for its whole duration. On POSIX there is no
// module handle and the guard changes nothing.
namespace platform {

using ModuleHandle = void*;

// The DLL's instance handle, recorded when the library is attached (null on POSIX).
ModuleHandle OwnModule();
void SetOwnModule(ModuleHandle module);

// The module whose resources are looked up now, and a way to make another one current (the
// caller's state as an export finds it).
ModuleHandle ResourceModule();
void SetResourceModule(ModuleHandle module);

// Makes the plug-in's own module current and restores the caller's on every way out.
class ModuleStateGuard {
  public:
    ModuleStateGuard();
    ~ModuleStateGuard();
    ModuleStateGuard(const ModuleStateGuard&) = delete;
    ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;

  private:
    ModuleHandle previous_;
};

// The FileVersion text of the plug-in's own version resource (\StringFileInfo\040904B0), read
// afresh; nullopt when the module's file name or its version resource cannot be read. POSIX
// returns the same text, embedded at build time.
std::optional<std::string> ReadOwnFileVersion();

}  // namespace platform

#pragma once

#include <string>

#include "frame/exports.h"

// The plug-in as the host sees it: a loaded library and its eleven entry points, resolved by
// name. One implementation per platform: plugin_posix.cpp (dlopen), plugin_win32.cpp
// (LoadLibraryA).
class Plugin {
  public:
    Plugin() = default;
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Loads the library and resolves every entry point; on failure error says why.
    bool Load(const std::string& path, std::string& error);

    // The path it was loaded from.
    const std::string& Path() const { return path_; }
    // The library's own handle (the module whose resources hold the bitmap on Win32).
    void* Handle() const { return handle_; }
    // Resolves one more symbol by name (nullptr when absent).
    void* Symbol(const char* name) const;

    plugin_abi::GetNumberOperationsFn getNumberOperations = nullptr;
    plugin_abi::GetOperationFn getOperation = nullptr;
    plugin_abi::GetDescriptionFn getDescription = nullptr;
    plugin_abi::GetNumberOfPagesFn getNumberOfPages = nullptr;
    plugin_abi::GetPageFn getPage = nullptr;
    plugin_abi::GetTextFn getText = nullptr;
    plugin_abi::DoOperationFn doOperation = nullptr;
    plugin_abi::PreInitializeFn preInitialize = nullptr;
    plugin_abi::GetVersionInfoFn getVersionInfo = nullptr;
    plugin_abi::GetBitmapIDFn getBitmapId = nullptr;
    plugin_abi::SetControlAltStateFn setControlAltState = nullptr;

  private:
    bool ResolveAll(std::string& error);

    void* handle_ = nullptr;
    std::string path_;
};

// Where the plug-in sits by default: beside the host program (or, for an installed POSIX host,
// in the package's library folder).
std::string DefaultPluginPath(const char* argv0);

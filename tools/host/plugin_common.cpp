#include <cstring>

#include "plugin.h"

namespace {

template <typename Fn>
bool Resolve(const Plugin& plugin, const char* name, Fn& target, std::string& error) {
    void* symbol = plugin.Symbol(name);
    if (symbol == nullptr) {
        error = std::string("the plug-in has no entry point ") + name;
        return false;
    }
    // The loader hands out untyped addresses; the exported function has exactly this type.
    std::memcpy(&target, &symbol, sizeof target);
    return true;
}

}  // namespace

bool Plugin::ResolveAll(std::string& error) {
    return Resolve(*this, "GetNumberOperations", getNumberOperations, error) &&
           Resolve(*this, "GetOperation", getOperation, error) &&
           Resolve(*this, "GetDescription", getDescription, error) &&
           Resolve(*this, "GetNumberOfPages", getNumberOfPages, error) &&
           Resolve(*this, "GetPage", getPage, error) && Resolve(*this, "GetText", getText, error) &&
           Resolve(*this, "DoOperation", doOperation, error) &&
           Resolve(*this, "PreInitialize", preInitialize, error) &&
           Resolve(*this, "GetVersionInfo", getVersionInfo, error) &&
           Resolve(*this, "GetBitmapID", getBitmapId, error) &&
           Resolve(*this, "SetControlAltState", setControlAltState, error);
}

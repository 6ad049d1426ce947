#include "frame/error_box.h"

#include "frame/plugin_version.h"
#include "platform/strings.h"

namespace {
constexpr unsigned kErrorBoxString = 157;
}

void ShowErrorBox(const std::string& text, platform::WindowHandle owner) {
    const std::string message = platform::FormatString(kErrorBoxString, PluginVersion(), text);
    platform::ShowMessageBox(owner, message, platform::ApplicationName(), kErrorBoxFlags);
}

#pragma once

#include <string>

#include "platform/ui.h"

// The message box of a failed run: string 157 ("DevVorin Version: %s\n\n%s") with the plug-in
// version and text, owned by owner (may be null), captioned with the application name, OK
// button, warning icon, brought to the foreground.
void ShowErrorBox(const std::string& text, platform::WindowHandle owner);

constexpr unsigned kErrorBoxFlags =
    platform::mb::kOk | platform::mb::kIconWarning | platform::mb::kSetForeground;  // 0x10030

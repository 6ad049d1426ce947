#pragma once

#include "platform/export_abi.h"
#include "platform/posix/ui_driver.h"

// The one export of the POSIX build only: the host hands the plug-in its UI driver (status,
// progress, message boxes, key state, cancel event, clipboard). nullptr restores the terminal
// driver. The host keeps ownership and keeps the driver alive while the plug-in is loaded.
extern "C" DEVVORIN_EXPORT void DevVorinInstallUiDriver(platform::UiDriver* driver);

namespace plugin_abi {
using DevVorinInstallUiDriverFn = decltype(&DevVorinInstallUiDriver);
}

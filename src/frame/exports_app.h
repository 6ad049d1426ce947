#pragma once

#include "frame/app.h"
#include "operations/operation_catalog.h"

// The one application object of a loaded plug-in (defined in exports.cpp, built only into the
// plug-in artifacts). Initialised when the library is attached: exports_win32.cpp (DllMain) or
// exports_posix.cpp (load-time constructor).
CGarnothApp& TheApp();

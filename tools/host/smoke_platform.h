#pragma once

#include <string>

#include "plugin.h"

// What the smoke check needs from the platform it runs on (smoke_posix.cpp, smoke_win32.cpp).
namespace smoke {

// A host window that receives the plug-in's messages.
void* HostWindow();
// True when WM_OPERATION_DONE (wParam 0, lParam 0) was posted to window since the last call;
// takes it.
bool TakeDonePosted(void* window);
// Loads the bitmap whose id the plug-in gave and checks it is 150 x 250 pixels, 24-bit. false
// with detail on failure; true with a note when the platform has no resources to check.
bool CheckBitmap(Plugin& plugin, int id, std::string& detail);
// Reads every numbered string back from the plug-in's string table and compares it with the
// source table. Same result rules as CheckBitmap.
bool CheckStrings(Plugin& plugin, std::string& detail);

}  // namespace smoke

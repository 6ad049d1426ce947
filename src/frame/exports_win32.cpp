#include <windows.h>

#include "frame/exports_app.h"
#include "platform/module.h"

// The framework's part of a DLL: record the instance handle for resource lookups, initialise
// the application when the library is attached (a failure makes the load fail) and run its exit
// processing when it is detached.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH: {
            DisableThreadLibraryCalls(instance);
            platform::SetOwnModule(instance);
            platform::ModuleStateGuard guard;
            return TheApp().InitInstance() ? TRUE : FALSE;
        }
        case DLL_PROCESS_DETACH:
            TheApp().ExitInstance();
            return TRUE;
        default:
            return TRUE;
    }
}

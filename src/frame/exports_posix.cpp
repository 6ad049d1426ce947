#include "frame/exports_posix.h"

#include "frame/exports_app.h"

namespace {

// Initialisation at load and exit processing at unload, as the framework does for the DLL. A
// shared object cannot refuse to load, so a failed initialisation leaves an empty list.
struct LibraryLifetime {
    LibraryLifetime() { TheApp().InitInstance(); }
    ~LibraryLifetime() { TheApp().ExitInstance(); }
    LibraryLifetime(const LibraryLifetime&) = delete;
    LibraryLifetime& operator=(const LibraryLifetime&) = delete;
};

const LibraryLifetime g_lifetime;

}  // namespace

extern "C" void DevVorinInstallUiDriver(platform::UiDriver* driver) {
    platform::InstallUiDriver(driver);
}

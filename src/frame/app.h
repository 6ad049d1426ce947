#pragma once

#include <string>

#include "frame/operation_list.h"
#include "platform/ui.h"

// The application object: one per loaded plug-in. It holds the plug-in version and the
// operation list, both fixed from initialisation to unload.
class CGarnothApp {
  public:
    explicit CGarnothApp(OperationCatalog catalog);
    ~CGarnothApp();
    CGarnothApp(const CGarnothApp&) = delete;
    CGarnothApp& operator=(const CGarnothApp&) = delete;

    // Library initialisation: records the settings location, reads the plug-in's own file
    // version, the branding variant and builds the operation list (with the service operation
    // when Ctrl+Alt are held now). False makes the library load fail.
    bool InitInstance();
    // Unload: destroys the operation list.
    int ExitInstance();
    void DestroyOperationList() { operations_.Destroy(); }

    // The framework's per-user settings location ("CORVANE\Vantor", profile "LSDevice"); the
    // plug-in stores nothing there.
    const std::string& GetRegistryKey() const { return registryKey_; }
    const std::string& GetProfileName() const { return profileName_; }
    const std::string& GetVersion() const { return version_; }

    const COperationList& Operations() const { return operations_; }

    // See ShowErrorBox (error_box.h).
    void ShowErrorBox(const std::string& text, platform::WindowHandle owner) const;

  private:
    OperationCatalog catalog_;
    std::string registryKey_;
    std::string profileName_;
    std::string version_;
    COperationList operations_;
};

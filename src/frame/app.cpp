#include "frame/app.h"

#include <new>
#include <utility>

#include "frame/branding.h"
#include "frame/error_box.h"
#include "frame/plugin_version.h"
#include "frame/settings.h"
#include "platform/module.h"

CGarnothApp::CGarnothApp(OperationCatalog catalog) : catalog_(std::move(catalog)) {}

CGarnothApp::~CGarnothApp() {
    DestroyOperationList();
}

bool CGarnothApp::InitInstance() {
    try {
        registryKey_ = "CORVANE\\Vantor";
        profileName_ = "LSDevice";
        version_ = platform::ReadOwnFileVersion().value_or(std::string());
        SetPluginVersion(version_);
        SetBrandingVariant(ReadBrandingVariant());
        return BuildOperationList(operations_, catalog_);
    } catch (const std::bad_alloc&) {
        DestroyOperationList();
        return false;
    }
}

int CGarnothApp::ExitInstance() {
    DestroyOperationList();
    return 0;
}

void CGarnothApp::ShowErrorBox(const std::string& text, platform::WindowHandle owner) const {
    ::ShowErrorBox(text, owner);
}

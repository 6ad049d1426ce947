#include "smoke_platform.h"

#include "host_ui_posix.h"

namespace smoke {

void* HostWindow() {
    return HostUi().Window();
}

bool TakeDonePosted(void* window) {
    return HostUi().TakeDonePosted(window);
}

bool CheckBitmap(Plugin&, int, std::string& detail) {
    detail = "a shared object carries no resources; checked in the Windows build";
    return true;
}

bool CheckStrings(Plugin&, std::string& detail) {
    detail = "compiled into the shared object; checked in the Windows build";
    return true;
}

}  // namespace smoke

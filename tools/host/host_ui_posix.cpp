#include "host_ui_posix.h"

#include <cstdio>

#include "commands.h"
#include "frame/exports_posix.h"
#include "frame/operation_context.h"

std::intptr_t HostUiDriver::SendWindowMessage(platform::WindowHandle, unsigned message,
                                              std::uintptr_t, std::intptr_t lParam) {
    if (message == WM_OPERATION_STATUS && lParam != 0) {
        std::fprintf(stderr, "status: %s\n", reinterpret_cast<const char*>(lParam));
    } else if (message == WM_OPERATION_PROGRESS) {
        std::fprintf(stderr, "progress: %ld%%\n", static_cast<long>(lParam));
    }
    return 0;
}

bool HostUiDriver::PostWindowMessage(platform::WindowHandle window, unsigned message,
                                     std::uintptr_t wParam, std::intptr_t lParam) {
    posted_.push_back({window, message, wParam, lParam});
    return window != nullptr;
}

void HostUiDriver::SetWindowTitle(platform::WindowHandle, const std::string& title) {
    std::fprintf(stderr, "title: %s\n", title.c_str());
}

int HostUiDriver::ShowMessageBox(platform::WindowHandle, const std::string& text,
                                 const std::string& caption, unsigned flags) {
    std::fprintf(stderr, "[%s]\n%s\n", caption.c_str(), text.c_str());
    switch (flags & 0xFU) {
        case platform::mb::kYesNo:
            return platform::answer::kYes;
        case platform::mb::kRetryCancel:
            return platform::answer::kRetry;
        default:
            return platform::answer::kOk;
    }
}

bool HostUiDriver::SetClipboardText(const std::string& text) {
    std::fprintf(stderr, "clipboard:\n%s\n", text.c_str());
    return true;
}

bool HostUiDriver::TakeDonePosted(platform::WindowHandle window) {
    bool found = false;
    for (const Posted& post : posted_) {
        found = found || (post.window == window && post.message == WM_OPERATION_DONE &&
                          post.wParam == 0 && post.lParam == 0);
    }
    posted_.clear();
    return found;
}

HostUiDriver& HostUi() {
    static HostUiDriver driver;
    return driver;
}

void PrepareHostUi(Plugin& plugin) {
    void* symbol = plugin.Symbol("DevVorinInstallUiDriver");
    if (symbol == nullptr) {
        std::fprintf(stderr, "vantor-host: the plug-in takes no UI driver; using its terminal\n");
        return;
    }
    plugin_abi::DevVorinInstallUiDriverFn install = nullptr;
    static_assert(sizeof install == sizeof symbol);
    __builtin_memcpy(&install, &symbol, sizeof install);
    install(&HostUi());
}

#include <objbase.h>
#include <windows.h>

#include <cstring>

#include "platform/module.h"
#include "platform/ui.h"
#include "platform/win32/module_path.h"

namespace platform {

std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (window == nullptr) {
        return 0;
    }
    return static_cast<std::intptr_t>(
        SendMessageA(static_cast<HWND>(window), message, wParam, lParam));
}

bool PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    return PostMessageA(static_cast<HWND>(window), message, wParam, lParam) != FALSE;
}

void SetWindowTitle(WindowHandle window, const std::string& title) {
    if (window != nullptr) {
        SetWindowTextA(static_cast<HWND>(window), title.c_str());
    }
}

int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned flags) {
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

bool IsKeyDown(int virtualKey) {
    // The high bit of the key state tells "down"; shifted right by one bit it is non-zero.
    return (static_cast<unsigned short>(GetKeyState(virtualKey)) >> 1) != 0;
}

bool IsEventSignalled(EventHandle event) {
    if (event == nullptr) {
        return false;
    }
    // An invalid handle makes the wait fail, which is "not signalled".
    return WaitForSingleObject(static_cast<HANDLE>(event), 0) == WAIT_OBJECT_0;
}

bool SetClipboardText(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    const HRESULT com = CoInitialize(nullptr);
    bool done = false;
    if (OpenClipboard(nullptr)) {
        HGLOBAL memory =
            GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, text.size() + 1);
        if (memory != nullptr) {
            if (void* target = GlobalLock(memory)) {
                std::memcpy(target, text.c_str(), text.size() + 1);
                GlobalUnlock(memory);
                EmptyClipboard();
                done = SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            if (!done) {
                GlobalFree(memory);  // the clipboard owns it only when the hand-over worked
            }
        }
        CloseClipboard();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return done;
}

std::string ApplicationName() {
    const std::optional<std::string> path = win32::OwnModulePath();
    if (!path) {
        return "DevVorin";
    }
    std::string name = *path;
    if (const std::size_t slash = name.find_last_of("\\/"); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

}  // namespace platform

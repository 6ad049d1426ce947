#include <windows.h>
// windows.h maps LoadString to LoadStringA.
#undef LoadString

#include <string>
#include <vector>

#include "commands.h"
#include "frame/operation_context.h"
#include "smoke_platform.h"

namespace {

struct SourceString {
    unsigned id;
    const char* text;
};

const SourceString kSourceStrings[] = {
#define DV_STRING(id, text) {id, text},
#include "resources/strings.inc"
#undef DV_STRING
};

}  // namespace

namespace smoke {

void* HostWindow() {
    // A hidden window of a built-in class is enough to receive posted messages.
    static HWND window = CreateWindowExA(0, "STATIC", "vantor-host", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                         100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return window;
}

bool TakeDonePosted(void* window) {
    bool found = false;
    MSG message;
    while (PeekMessageA(&message, static_cast<HWND>(window), WM_OPERATION_DONE, WM_OPERATION_DONE,
                        PM_REMOVE)) {
        found = found || (message.wParam == 0 && message.lParam == 0);
    }
    return found;
}

bool CheckBitmap(Plugin& plugin, int id, std::string& detail) {
    HANDLE image = LoadImageA(static_cast<HINSTANCE>(plugin.Handle()), MAKEINTRESOURCEA(id),
                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (image == nullptr) {
        detail = "cannot be loaded (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    BITMAP info{};
    const bool got = GetObjectA(image, sizeof info, &info) == sizeof info;
    DeleteObject(image);
    detail = std::to_string(info.bmWidth) + " x " + std::to_string(info.bmHeight) + " x " +
             std::to_string(info.bmBitsPixel) + " (150 x 250 x 24)";
    return got && info.bmWidth == 150 && info.bmHeight == 250 && info.bmBitsPixel == 24;
}

bool CheckStrings(Plugin& plugin, std::string& detail) {
    int wrong = 0;
    std::string first;
    for (const SourceString& source : kSourceStrings) {
        std::vector<char> buffer(4097);
        const int n = LoadStringA(static_cast<HINSTANCE>(plugin.Handle()), source.id, buffer.data(),
                                  static_cast<int>(buffer.size()));
        const std::string loaded(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
        if (loaded != source.text) {
            if (wrong++ == 0) {
                first = " (first: " + std::to_string(source.id) + ")";
            }
        }
    }
    const std::size_t total = sizeof kSourceStrings / sizeof kSourceStrings[0];
    detail = std::to_string(total - static_cast<std::size_t>(wrong)) + " of " +
             std::to_string(total) + " strings read back exactly" + first;
    return wrong == 0;
}

}  // namespace smoke

void PrepareHostUi(Plugin&) {}

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/operation_context.h"
#include "run_platform.h"

namespace {

HANDLE g_cancel = nullptr;
std::atomic<bool> g_done{false};

LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_OPERATION_STATUS:
            if (lParam != 0) {
                std::fprintf(stderr, "status: %s\n", reinterpret_cast<const char*>(lParam));
            }
            return 0;
        case WM_OPERATION_PROGRESS:
            std::fprintf(stderr, "progress: %ld%%\n", static_cast<long>(lParam));
            return 0;
        case WM_OPERATION_DONE:
            g_done = true;
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type == CTRL_C_EVENT && g_cancel != nullptr) {
        SetEvent(g_cancel);
        std::fprintf(stderr, "\nvantor-host: cancel requested\n");
        return TRUE;
    }
    return FALSE;
}

HWND CreateHostWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VantorHostWindow";
    RegisterClassA(&windowClass);
    return CreateWindowA("VantorHostWindow", "Vantor", WS_OVERLAPPEDWINDOW, 0, 0, 320, 120, nullptr,
                         nullptr, windowClass.hInstance, nullptr);
}

std::string TextOf(HWND window) {
    char buffer[2048] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

// Saves the window's pixels as a 24-bit BMP (the test turns it into PNG).
bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) *
                                      static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
    return true;
}

struct Watcher {
    RunArgs* run = nullptr;
    DWORD process = 0;
    std::atomic<bool> stop{false};
    int shots = 0;
    std::vector<HWND> handled;
};

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    std::fprintf(stderr, "  control %d %s: \"%s\"%s\n", GetDlgCtrlID(control),
                 ClassOf(control).c_str(), TextOf(control).c_str(),
                 (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0 ? "" : " (hidden)");
    return TRUE;
}

std::string NextAnswer(RunArgs& run) {
    if (run.answers.empty()) {
        return {};
    }
    std::string answer = run.answers.front();
    run.answers.pop_front();
    return answer;
}

void HandleDialog(Watcher& watcher, HWND dialog) {
    // Give the dialog time to paint before it is read and photographed.
    Sleep(300);
    const std::string caption = TextOf(dialog);
    if (HWND text = GetDlgItem(dialog, 0xFFFF); text != nullptr) {
        std::fprintf(stderr, "message box [%s]:\n%s\n", caption.c_str(), TextOf(text).c_str());
    } else {
        std::fprintf(stderr, "dialog \"%s\":\n", caption.c_str());
        EnumChildWindows(dialog, PrintControl, 0);
    }
    std::string name = caption;
    for (char& c : name) {
        c = (c == ' ' || c == '/' || c == '\\' || c == ':') ? '_' : c;
    }
    const std::string path =
        watcher.run->shotDir + "\\dialog-" + name + "-" + std::to_string(++watcher.shots) + ".bmp";
    if (SaveWindowBitmap(dialog, path)) {
        std::fprintf(stderr, "screenshot: %s\n", path.c_str());
    }
    const std::string answer = NextAnswer(*watcher.run);
    int id = IDOK;
    if (answer == "cancel" || answer == "escape") {
        id = IDCANCEL;
    } else if (answer == "yes") {
        id = IDYES;
    } else if (answer == "no") {
        id = IDNO;
    } else if (answer == "retry") {
        id = IDRETRY;
    } else if (std::sscanf(answer.c_str(), "press:%d", &id) != 1) {
        id = IDOK;
    }
    std::fprintf(stderr, "pressing %d\n", id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto& watcher = *reinterpret_cast<Watcher*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != watcher.process || ClassOf(window) != "#32770" || !IsWindowVisible(window)) {
        return TRUE;
    }
    for (HWND seen : watcher.handled) {
        if (seen == window) {
            return TRUE;
        }
    }
    watcher.handled.push_back(window);
    HandleDialog(watcher, window);
    return TRUE;
}

void Watch(Watcher& watcher) {
    while (!watcher.stop) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&watcher));
        // Forget closed windows so that a handle reused by a later dialog is seen again.
        std::vector<HWND> open;
        for (HWND window : watcher.handled) {
            if (IsWindow(window)) {
                open.push_back(window);
            }
        }
        watcher.handled.swap(open);
        Sleep(100);
    }
}

DWORD WINAPI WatchThread(LPVOID parameter) {
    Watch(*static_cast<Watcher*>(parameter));
    return 0;
}

}  // namespace

int RunOnPlatform(Plugin& plugin, int index, RunArgs& run) {
    HWND window = CreateHostWindow();
    g_cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    Watcher watcher;
    watcher.run = &run;
    watcher.process = GetCurrentProcessId();
    HANDLE thread = nullptr;
    if (!run.shotDir.empty()) {
        CreateDirectoryA(run.shotDir.c_str(), nullptr);
        thread = CreateThread(nullptr, 0, WatchThread, &watcher, 0, nullptr);
    }

    OperationContext context{run.port, index, window, g_cancel};
    const int result = plugin.doOperation(&context);

    // The done message is posted: pick it up from the queue.
    MSG message;
    for (int i = 0; i < 50 && !g_done; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!g_done) {
            Sleep(10);
        }
    }
    std::fprintf(stderr, g_done ? "done message (0x5F7) received\n"
                                : "vantor-host: the plug-in posted no done message (0x5F7)\n");
    std::fprintf(stderr, "window title: %s\n", TextOf(window).c_str());
    if (thread != nullptr) {
        watcher.stop = true;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    DestroyWindow(window);
    CloseHandle(g_cancel);
    g_cancel = nullptr;
    return result;
}

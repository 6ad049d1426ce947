// The Win32 backends of the platform layer against the real API, run under Wine: registry,
// window messages, title, cancel event, clipboard, module state and the plug-in's string table.
// Run from the directory that holds DevVorin.dll. Exit 0 when every check passes.
#include <windows.h>
#undef LoadString

#include <cstdio>
#include <string>

#include "frame/host_reporting.h"
#include "frame/operation_context.h"
#include "platform/exception.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/ui.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
    g_failures += ok ? 0 : 1;
}

std::string g_lastStatus;
LPARAM g_lastProgress = -1;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_OPERATION_STATUS) {
        g_lastStatus = reinterpret_cast<const char*>(lParam);
        return 0;
    }
    if (message == WM_OPERATION_PROGRESS) {
        g_lastProgress = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CheckRegistry() {
    const char* path = "SOFTWARE\\DevVorinWineTest";
    HKEY key = nullptr;
    // The test writes; the plug-in's code only reads.
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Check(false, "creating the test key");
        return;
    }
    const char name[] = "Orrick";
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    const DWORD number = 0x12345678;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);

    const platform::RegistryKey opened = platform::RegistryKey::OpenLocalMachine(path);
    Check(opened.IsOpen(), "HKLM key opens for reading");
    std::string text;
    const bool read = platform::ReadRegistryString(opened, "Name", text);
    Check(read && text == "Orrick", "ReadRegistryString reads \"" + text + "\"");
    Check(platform::ReadRegistryDword(opened, "Number", 0) == 0x12345678U,
          "ReadRegistryDword reads the DWORD");
    Check(platform::ReadRegistryDword(opened, "Name", 7) == 7U,
          "a text value is not read as a DWORD");
    Check(platform::ReadRegistryDword(opened, "Missing", 9) == 9U, "a missing value: default");
    Check(!platform::RegistryKey::OpenLocalMachine("SOFTWARE\\DevVorinNoSuchKey").IsOpen(),
          "a missing key does not open");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

void CheckWindowMessages() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DevVorinWineTestHost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    Check(window != nullptr, "host window created");

    const OperationContext context{1, 0, window, nullptr};
    ReportStatusText(context, "Establishing communication");
    Check(g_lastStatus == "Establishing communication", "status text reaches the window");
    ReportProgress(context, 42);
    Check(g_lastProgress == 42, "progress reaches the window");

    platform::SetWindowTitle(window, "Retrieve Software Version");
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    Check(std::string(title) == "Retrieve Software Version", "window title set");

    Check(platform::PostWindowMessage(window, WM_OPERATION_DONE, 0, 0), "done message posted");
    MSG message;
    Check(PeekMessageA(&message, window, WM_OPERATION_DONE, WM_OPERATION_DONE, PM_REMOVE) &&
              message.lParam == 0,
          "done message waits in the host's queue");
    DestroyWindow(window);
}

void CheckCancelEvent() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Check(!platform::IsEventSignalled(event), "a fresh event is not signalled");
    const OperationContext context{1, 0, nullptr, event};
    bool cancelled = false;
    try {
        CheckForCancel(context);
    } catch (const CUserException&) {
        cancelled = true;
    }
    Check(!cancelled, "CheckForCancel carries on while the event is clear");
    SetEvent(event);
    try {
        CheckForCancel(context);
    } catch (const CUserException&) {
        cancelled = true;
    }
    Check(cancelled, "CheckForCancel throws CUserException once the host sets the event");
    CloseHandle(event);
    Check(!platform::IsEventSignalled(nullptr), "a null event never cancels");
    Check(!platform::IsEventSignalled(reinterpret_cast<HANDLE>(0x7FF0)),
          "an invalid event handle never cancels");
}

void CheckClipboard() {
    Check(platform::SetClipboardText("Type: Fatal\r\nNumber: 0x00000001\r\n"),
          "text put on the clipboard");
    std::string back;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                back = text;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    Check(back == "Type: Fatal\r\nNumber: 0x00000001\r\n", "clipboard holds the text");
    Check(!platform::SetClipboardText(""), "an empty text copies nothing");
    std::string after;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                after = text;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    Check(after == back, "the clipboard keeps its text after an empty copy");
}

void CheckModuleAndStrings() {
    Check(platform::ReadOwnFileVersion() == std::nullopt,
          "a program without a version resource has no file version");
    HMODULE plugin = LoadLibraryA("DevVorin.dll");
    Check(plugin != nullptr, "DevVorin.dll loads");
    if (plugin == nullptr) {
        return;
    }
    // Resources of the host program are current; the guard switches to the plug-in's.
    platform::SetOwnModule(plugin);
    platform::SetResourceModule(GetModuleHandleA(nullptr));
    Check(platform::LoadString(157).empty(), "the host program has no string 157");
    {
        platform::ModuleStateGuard guard;
        Check(platform::LoadString(157) == "DevVorin Version: %s\n\n%s",
              "string 157 comes from the plug-in, escapes intact");
        Check(platform::ReadOwnFileVersion() == std::optional<std::string>("4.86b0"),
              "the plug-in's file version is 4.86b0");
        Check(platform::ApplicationName() == "DevVorin", "application name is the module's");
    }
    Check(platform::ResourceModule() == GetModuleHandleA(nullptr),
          "the caller's resources are current again");
    platform::SetOwnModule(nullptr);
    FreeLibrary(plugin);
}

}  // namespace

int main() {
    CheckRegistry();
    CheckWindowMessages();
    CheckCancelEvent();
    CheckClipboard();
    CheckModuleAndStrings();
    std::printf("%s\n", g_failures == 0 ? "platform_wine: all checks passed"
                                        : "platform_wine: some checks FAILED");
    return g_failures == 0 ? 0 : 1;
}

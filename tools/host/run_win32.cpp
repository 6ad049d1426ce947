#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/operation_context.h"
#include "run_platform.h"
#include "run_report.h"

namespace {

HANDLE g_cancel = nullptr;
std::atomic<bool> g_done{false};

LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_OPERATION_STATUS:
            if (lParam != 0) {
                std::fprintf(stderr, "status: %s\n", reinterpret_cast<const char*>(lParam));
                HostRunReport().Status(reinterpret_cast<const char*>(lParam));
            }
            return 0;
        case WM_OPERATION_PROGRESS:
            std::fprintf(stderr, "progress: %ld%%\n", static_cast<long>(lParam));
            HostRunReport().Progress(static_cast<long>(lParam));
            return 0;
        case WM_SETTEXT:
            if (lParam != 0) {
                HostRunReport().Title(reinterpret_cast<const char*>(lParam));
            }
            return DefWindowProcA(window, message, wParam, lParam);
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

// A list view's columns (title and width in pixels) and its rows, cell by cell.
void PrintListView(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns =
        header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
        char title[256] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = sizeof title;
        SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&column));
        std::fprintf(stderr, "    column %d \"%s\" width %d\n", c, title, column.cx);
    }
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::string line = "    row " + std::to_string(r) + ":";
        for (int c = 0; c < columns; ++c) {
            char cell[512] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(&item));
            line += std::string(c == 0 ? " " : " | ") + cell;
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// A list box's lines.
void PrintListBox(HWND list) {
    const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(r), 0);
        std::vector<char> text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
        if (length > 0) {
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(text.data()));
        }
        std::fprintf(stderr, "    line %d: %s\n", r, text.data());
    }
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    std::fprintf(stderr, "  control %d %s: \"%s\"%s\n", GetDlgCtrlID(control),
                 ClassOf(control).c_str(), TextOf(control).c_str(),
                 (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0 ? "" : " (hidden)");
    if (lstrcmpiA(ClassOf(control).c_str(), WC_LISTVIEWA) == 0) {
        PrintListView(control);
    } else if (lstrcmpiA(ClassOf(control).c_str(), "ListBox") == 0) {
        PrintListBox(control);
    }
    return TRUE;
}

// The report's name of a control's window class.
std::string KindOf(HWND control) {
    const std::string name = ClassOf(control);
    static const char* const kKinds[][2] = {{"Static", "static"},
                                            {"Edit", "edit"},
                                            {"Button", "button"},
                                            {"ListBox", "listbox"},
                                            {WC_LISTVIEWA, "listview"}};
    for (const auto& kind : kKinds) {
        if (lstrcmpiA(name.c_str(), kind[0]) == 0) {
            return kind[1];
        }
    }
    return name;
}

void ReadListView(HWND list, RunReport::Control& control) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns =
        header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
        char title[256] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = sizeof title;
        SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&column));
        control.columns.emplace_back(title);
    }
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::vector<std::string> cells;
        for (int c = 0; c < (columns > 0 ? columns : 1); ++c) {
            char cell[512] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(&item));
            cells.emplace_back(cell);
        }
        control.rows.push_back(std::move(cells));
    }
}

void ReadListBox(HWND list, RunReport::Control& control) {
    const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(r), 0);
        std::vector<char> text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
        if (length > 0) {
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(text.data()));
        }
        control.rows.push_back({text.data()});
    }
}

// Adds one control, as the run's report keeps it, to the dialog in parameter.
BOOL CALLBACK CollectControl(HWND window, LPARAM parameter) {
    auto& dialog = *reinterpret_cast<RunReport::Dialog*>(parameter);
    RunReport::Control control;
    control.id = GetDlgCtrlID(window);
    control.kind = KindOf(window);
    control.text = TextOf(window);
    control.visible = (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (control.kind == "listview") {
        ReadListView(window, control);
    } else if (control.kind == "listbox") {
        ReadListBox(window, control);
    }
    dialog.controls.push_back(std::move(control));
    return TRUE;
}

// A message box's flags as far as its buttons show them (the icon and the other bits cannot be
// read back from the window).
unsigned BoxFlagsOf(HWND box) {
    auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    if (has(IDYES) && has(IDNO)) {
        return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    }
    if (has(IDABORT)) {
        return MB_ABORTRETRYIGNORE;
    }
    if (has(IDRETRY)) {
        return MB_RETRYCANCEL;
    }
    return has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
}

// The text on the clipboard, read back through the Win32 clipboard ("" when there is none).
std::string ReadClipboard() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT); data != nullptr) {
            if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
                text = chars;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

// Sends a command that leaves the dialog open (a button that copies, a double-click that opens a
// nested dialog). Returns once the dialog handled it, or once a nested dialog or box made it wait
// (the dialog is then disabled), so that its next answer goes to it only after this one.
void SendStayingCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutA(dialog, WM_COMMAND, wParam, lParam, SMTO_NORMAL, 2000, &ignored) != 0) {
        return;
    }
    for (int i = 0; i < 150 && IsWindow(dialog) && IsWindowEnabled(dialog); ++i) {
        Sleep(100);
    }
}

std::string NextAnswer(RunArgs& run) {
    if (run.answers.empty()) {
        return {};
    }
    std::string answer = run.answers.front();
    run.answers.pop_front();
    return answer;
}

// Acts on a dialog with the next answer; true when the dialog stays open for another answer.
bool HandleDialog(Watcher& watcher, HWND dialog) {
    // Give the dialog time to paint before it is read and photographed.
    Sleep(300);
    const std::string caption = TextOf(dialog);
    RunReport::Dialog shown{0, caption, {}};
    if (HWND text = GetDlgItem(dialog, 0xFFFF); text != nullptr) {
        std::fprintf(stderr, "message box [%s]:\n%s\n", caption.c_str(), TextOf(text).c_str());
    } else {
        std::fprintf(stderr, "dialog \"%s\":\n", caption.c_str());
        EnumChildWindows(dialog, PrintControl, 0);
        EnumChildWindows(dialog, CollectControl, reinterpret_cast<LPARAM>(&shown));
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
    int row = 0;
    const bool box = GetDlgItem(dialog, 0xFFFF) != nullptr;
    if (!box) {
        HostRunReport().ShowDialog(shown, answer.empty() ? "ok" : answer);
    }
    if (!box && std::sscanf(answer.c_str(), "dblclick:%d:%d", &id, &row) == 2) {
        HWND list = GetDlgItem(dialog, id);
        std::fprintf(stderr, "double-clicking row %d of %d\n", row, id);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        SendStayingCommand(dialog, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        return true;
    }
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
    if (box) {
        HostRunReport().ShowBox(TextOf(GetDlgItem(dialog, 0xFFFF)), caption, BoxFlagsOf(dialog),
                                AnswerName(id));
    }
    if (!box && id != IDOK && id != IDCANCEL) {
        // A button that leaves the dialog open; what it copied is read back from the clipboard.
        const std::string before = ReadClipboard();
        SendStayingCommand(dialog, MAKEWPARAM(id, BN_CLICKED), 0);
        if (const std::string after = ReadClipboard(); after != before) {
            std::fprintf(stderr, "clipboard:\n%s\n", after.c_str());
            HostRunReport().Clipboard(after);
        }
        return true;
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return false;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto& watcher = *reinterpret_cast<Watcher*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // A dialog under a nested dialog or box is disabled: its turn comes when that one closed.
    if (process != watcher.process || ClassOf(window) != "#32770" || !IsWindowVisible(window) ||
        !IsWindowEnabled(window)) {
        return TRUE;
    }
    for (HWND seen : watcher.handled) {
        if (seen == window) {
            return TRUE;
        }
    }
    if (!HandleDialog(watcher, window)) {
        watcher.handled.push_back(window);
    }
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

void SetPluginEnvironment(const std::string& name, const std::string& value) {
    // The C runtime's copy, which the plug-in reads, and the process environment alike.
    _putenv_s(name.c_str(), value.c_str());
}

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

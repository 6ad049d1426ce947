#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "answer.h"
#include "dialog_reader_win32.h"
#include "frame/operation_context.h"
#include "run_platform.h"
#include "run_report.h"

namespace {

// The cancel event; with --cancel-after a waitable timer, which the plug-in waits on alike.
HANDLE g_cancel = nullptr;
bool g_cancelIsTimer = false;
std::atomic<bool> g_cancelAsked{false};
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

// Sets the cancel object now; a timer is set to a time long past.
void SignalCancel() {
    if (!g_cancelIsTimer) {
        SetEvent(g_cancel);
        return;
    }
    LARGE_INTEGER past{};
    SetWaitableTimer(g_cancel, &past, 0, nullptr, nullptr, FALSE);
}

// The cancel object of a run: an event, or with --cancel-after a manual-reset timer due that
// many milliseconds from now (0: at once).
HANDLE CreateCancel(int cancelAfterMs) {
    g_cancelIsTimer = cancelAfterMs >= 0;
    if (!g_cancelIsTimer) {
        return CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    LARGE_INTEGER due{};
    due.QuadPart = -10000LL * cancelAfterMs;  // relative, in 100 ns
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    return timer;
}

// Ctrl+C and Ctrl+Break alike. The first asks the operation to stop, which it does only at its
// own check points; the second lets the console end the host at once.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if ((type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) || g_cancel == nullptr) {
        return FALSE;
    }
    if (!g_cancelAsked.exchange(true)) {
        SignalCancel();
        HostRunReport().CancelRequested(std::chrono::steady_clock::now());
        std::fprintf(stderr,
                     "\nvantor-host: cancel requested; the operation stops at its next check "
                     "(Ctrl+C again to quit now)\n");
        return TRUE;
    }
    std::fprintf(stderr,
                 "\nvantor-host: quitting now. The receiver may be left in its monitor; to bring "
                 "it back, run an operation that reboots it, such as \"Verify receiver "
                 "options\".\n");
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

struct Watcher {
    RunArgs* run = nullptr;
    DWORD process = 0;
    std::atomic<bool> stop{false};
    int shots = 0;
    std::vector<HWND> handled;
};

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

std::optional<Answer> NextAnswer(RunArgs& run) {
    if (run.answers.empty()) {
        return std::nullopt;
    }
    Answer answer = run.answers.front();
    run.answers.pop_front();
    return answer;
}

// Saves the window's picture in the test mode's folder, named after its caption.
void SaveShot(Watcher& watcher, HWND window, const std::string& caption) {
    std::string name = caption;
    for (char& c : name) {
        c = (c == ' ' || c == '/' || c == '\\' || c == ':') ? '_' : c;
    }
    const std::string path =
        watcher.run->shotDir + "\\dialog-" + name + "-" + std::to_string(++watcher.shots) + ".bmp";
    if (SaveWindowBitmap(window, path)) {
        std::fprintf(stderr, "screenshot: %s\n", path.c_str());
    }
}

// Answers a message box as the POSIX host does without a terminal: the next answer when it is
// one of the box's buttons, else its default, never an agreement on nobody's behalf.
void HandleBox(Watcher& watcher, HWND window, const ShownBox& box) {
    std::fprintf(stderr, "message box [%s]:\n%s\n", box.caption.c_str(), box.text.c_str());
    SaveShot(watcher, window, box.caption);
    const BoxAnswer given =
        TakeBoxAnswer(watcher.run->answers, box.flags).value_or(UnattendedAnswer(box.flags));
    const std::string word = ButtonWord(given.button);
    std::fprintf(stderr, "%s\npressing %d\n", AnsweredLine(word, given.source, box.flags).c_str(),
                 given.button);
    HostRunReport().ShowBox(box.text, box.caption, box.flags, word, SourceWord(given.source));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(given.button, BN_CLICKED), 0);
}

// Acts on a dialog with the next answer; true when the dialog stays open for another answer.
bool HandleDialog(Watcher& watcher, HWND window) {
    const RunReport::Dialog shown = ReadDialog(window);
    PrintDialog(shown);
    SaveShot(watcher, window, shown.caption);
    const std::optional<Answer> answer = NextAnswer(*watcher.run);
    HWND ok = GetDlgItem(window, IDOK);
    const bool okShown = ok != nullptr && IsWindowVisible(ok);
    const std::string word = answer ? answer->word : (okShown ? "ok" : "escape");
    const AnswerSource source = answer ? AnswerSource::kScript : AnswerSource::kDefault;
    HostRunReport().ShowDialog(shown, word, SourceWord(source));
    std::fprintf(stderr, "%s\n", AnsweredLine(word, source).c_str());

    if (answer && answer->kind == Answer::Kind::kWait) {
        Sleep(static_cast<DWORD>(answer->ms));
        return true;
    }
    if (answer && answer->kind == Answer::Kind::kDoubleClick) {
        HWND list = GetDlgItem(window, answer->id);
        std::fprintf(stderr, "double-clicking row %d of %d\n", answer->row, answer->id);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(answer->row), 0);
        SendStayingCommand(window, MAKEWPARAM(answer->id, LBN_DBLCLK),
                           reinterpret_cast<LPARAM>(list));
        return true;
    }
    int id = okShown ? IDOK : IDCANCEL;
    if (answer) {
        id = answer->kind == Answer::Kind::kPress ? answer->id : answer->button;
    }
    std::fprintf(stderr, "pressing %d\n", id);
    if (id == IDOK || id == IDCANCEL) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return false;
    }
    // A button that leaves the dialog open; what it copied is read back from the clipboard.
    const std::string before = ReadClipboard();
    SendStayingCommand(window, MAKEWPARAM(id, BN_CLICKED), 0);
    if (const std::string after = ReadClipboard(); after != before) {
        std::fprintf(stderr, "clipboard:\n%s\n", after.c_str());
        HostRunReport().Clipboard(after);
    }
    return true;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto& watcher = *reinterpret_cast<Watcher*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // A dialog under a nested dialog or box is disabled: its turn comes when that one closed.
    char windowClass[16] = {};
    GetClassNameA(window, windowClass, sizeof windowClass);
    if (process != watcher.process || lstrcmpA(windowClass, "#32770") != 0 ||
        !IsWindowVisible(window) || !IsWindowEnabled(window)) {
        return TRUE;
    }
    for (HWND seen : watcher.handled) {
        if (seen == window) {
            return TRUE;
        }
    }
    // Give the window time to paint before it is read and photographed.
    Sleep(300);
    bool staysOpen = false;
    if (const std::optional<ShownBox> box = ReadMessageBox(window)) {
        HandleBox(watcher, window, *box);
    } else {
        staysOpen = HandleDialog(watcher, window);
    }
    if (!staysOpen) {
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

bool CheckRunOnPlatform(const RunArgs& run, std::string& error) {
    if (!run.device.empty()) {
        error = "--device is for Linux; on Windows COM N is the system's own port";
        return false;
    }
    // A rack's runs are read and answered in test mode always (rack_command.cpp).
    if (!run.answers.empty() && run.shotDir.empty() && !run.rack) {
        error =
            "--answer needs --test-mode on Windows, where boxes and dialogs are real windows "
            "that the user answers";
        return false;
    }
    return true;
}

int RunOnPlatform(Plugin& plugin, int index, RunArgs& run) {
    HWND window = CreateHostWindow();
    // Each run starts afresh, whatever the run before asked for.
    g_cancelAsked = false;
    g_done = false;
    g_cancel = CreateCancel(run.cancelAfterMs);
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

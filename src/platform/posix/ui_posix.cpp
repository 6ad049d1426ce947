#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/operation_context.h"
#include "platform/clock.h"
#include "platform/posix/ui_driver.h"

namespace platform {
namespace {

UiDriver* g_driver = nullptr;

TerminalUiDriver& TerminalDriver() {
    static TerminalUiDriver driver;
    return driver;
}

bool KeyListed(const std::string& keys, const std::string& name) {
    std::size_t start = 0;
    while (start <= keys.size()) {
        const std::size_t end = keys.find(',', start);
        const std::string item =
            keys.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (item == name) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

bool UiDriver::IsKeyDown(int virtualKey) {
    const char* keys = std::getenv("DEVVORIN_KEYS");
    if (keys == nullptr) {
        return false;
    }
    if (virtualKey == kVkControl) {
        return KeyListed(keys, "ctrl");
    }
    if (virtualKey == kVkMenu) {
        return KeyListed(keys, "alt");
    }
    return false;
}

bool UiDriver::IsEventSignalled(EventHandle event) {
    return event != nullptr && static_cast<PosixEvent*>(event)->signalled.load();
}

std::intptr_t TerminalUiDriver::SendWindowMessage(WindowHandle, unsigned message, std::uintptr_t,
                                                  std::intptr_t lParam) {
    if (message == WM_OPERATION_STATUS) {
        std::fprintf(stderr, "status: %s\n", reinterpret_cast<const char*>(lParam));
    } else if (message == WM_OPERATION_PROGRESS) {
        std::fprintf(stderr, "progress: %ld%%\n", static_cast<long>(lParam));
    }
    return 0;
}

bool TerminalUiDriver::PostWindowMessage(WindowHandle window, unsigned, std::uintptr_t,
                                         std::intptr_t) {
    return window != nullptr;
}

void TerminalUiDriver::SetWindowTitle(WindowHandle window, const std::string& title) {
    if (window != nullptr) {
        std::fprintf(stderr, "title: %s\n", title.c_str());
    }
}

int TerminalUiDriver::ShowMessageBox(WindowHandle, const std::string& text,
                                     const std::string& caption, unsigned flags) {
    std::fprintf(stderr, "[%s]\n%s\n", caption.c_str(), text.c_str());
    // Nobody is there to agree: a question gets its refusal, so that nothing is erased or retried
    // for ever on nobody's behalf.
    int answer = answer::kOk;
    switch (flags & 0xFU) {
        case mb::kYesNo:
            answer = answer::kNo;
            break;
        case mb::kOkCancel:
        case mb::kRetryCancel:
            answer = answer::kCancel;
            break;
        default:
            break;
    }
    std::fprintf(stderr, "answered: %s (nobody to ask)\n",
                 answer == answer::kOk   ? "ok"
                 : answer == answer::kNo ? "no"
                                         : "cancel");
    return answer;
}

bool TerminalUiDriver::SetClipboardText(const std::string& text) {
    return !text.empty();
}

UiDriver& CurrentUiDriver() {
    return g_driver != nullptr ? *g_driver : TerminalDriver();
}

void InstallUiDriver(UiDriver* driver) {
    g_driver = driver;
    // The host's driver hears of each fixed wait, to show the time left of it.
    const WaitObserver tell = [](std::uint32_t milliseconds) {
        CurrentUiDriver().WaitStarted(milliseconds);
    };
    SetWaitObserver(driver == nullptr ? nullptr : tell);
}

std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (window == nullptr) {
        return 0;
    }
    return CurrentUiDriver().SendWindowMessage(window, message, wParam, lParam);
}

bool PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    return CurrentUiDriver().PostWindowMessage(window, message, wParam, lParam);
}

void SetWindowTitle(WindowHandle window, const std::string& title) {
    CurrentUiDriver().SetWindowTitle(window, title);
}

int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned flags) {
    return CurrentUiDriver().ShowMessageBox(owner, text, caption, flags);
}

bool IsKeyDown(int virtualKey) {
    return CurrentUiDriver().IsKeyDown(virtualKey);
}

bool IsEventSignalled(EventHandle event) {
    return CurrentUiDriver().IsEventSignalled(event);
}

bool SetClipboardText(const std::string& text) {
    return CurrentUiDriver().SetClipboardText(text);
}

std::string ApplicationName() {
    return "DevVorin";
}

}  // namespace platform

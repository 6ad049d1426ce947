#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/ui.h"

// On POSIX the user interface belongs to the host: it installs a UiDriver through the extra
// export DevVorinInstallUiDriver, and every call of the UI seam goes to it. Without one, the
// terminal driver answers (see TerminalUiDriver).
namespace platform {

// The cancel event on POSIX: OperationContext::cancelEvent points to one of these, owned by the
// host, which sets it from any thread.
struct PosixEvent {
    std::atomic<bool> signalled{false};
};

class DialogSession;

class UiDriver {
  public:
    virtual ~UiDriver() = default;
    virtual std::intptr_t SendWindowMessage(WindowHandle window, unsigned message,
                                            std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual bool PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) = 0;
    virtual void SetWindowTitle(WindowHandle window, const std::string& title) = 0;
    virtual int ShowMessageBox(WindowHandle owner, const std::string& text,
                               const std::string& caption, unsigned flags) = 0;
    // Default: DEVVORIN_KEYS holds a comma-separated list of held keys ("ctrl", "alt").
    virtual bool IsKeyDown(int virtualKey);
    // Default: the handle is a PosixEvent.
    virtual bool IsEventSignalled(EventHandle event);
    virtual bool SetClipboardText(const std::string& text) = 0;
    // Shows a modal dialog and acts as its user until it ends (platform/posix/dialog_session.h).
    // Default: press OK, or Escape when the dialog has no OK button.
    virtual void RunModalDialog(DialogSession& session);
    // A fixed wait of that many real milliseconds begins on the calling thread, which sleeps
    // right after this returns: show it, never hold it up. Default: nothing.
    virtual void WaitStarted(std::uint32_t /*milliseconds*/) {}
};

// Prints status, progress and message boxes on standard error and answers every question with
// its refusal (No or Cancel; OK where that is the only button). Used until the host installs a
// driver.
class TerminalUiDriver : public UiDriver {
  public:
    std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    bool PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void SetWindowTitle(WindowHandle window, const std::string& title) override;
    int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                       unsigned flags) override;
    bool SetClipboardText(const std::string& text) override;
    // Prints the dialog's contents, then presses OK.
    void RunModalDialog(DialogSession& session) override;
};

// The driver in force. nullptr restores the terminal driver. The caller keeps ownership.
UiDriver& CurrentUiDriver();
void InstallUiDriver(UiDriver* driver);

}  // namespace platform

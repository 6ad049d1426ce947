#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/ui_driver.h"

// The host's user interface on POSIX, installed in the plug-in through DevVorinInstallUiDriver:
// status lines, progress and the window title on standard error, message boxes answered with
// their first button, posted messages remembered for the smoke check.
class HostUiDriver : public platform::UiDriver {
  public:
    std::intptr_t SendWindowMessage(platform::WindowHandle window, unsigned message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostWindowMessage(platform::WindowHandle window, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void SetWindowTitle(platform::WindowHandle window, const std::string& title) override;
    int ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                       const std::string& caption, unsigned flags) override;
    bool SetClipboardText(const std::string& text) override;

    // The host's one window.
    platform::WindowHandle Window() { return &window_; }
    bool TakeDonePosted(platform::WindowHandle window);

  private:
    struct Posted {
        platform::WindowHandle window;
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    int window_ = 0;
    std::vector<Posted> posted_;
};

HostUiDriver& HostUi();

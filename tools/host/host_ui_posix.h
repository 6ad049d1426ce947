#pragma once

#include <cstdint>
#include <deque>
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
    // Prints the dialog's contents and acts on it as the next scripted answer says (OK without).
    void RunModalDialog(platform::DialogSession& session) override;

    // Scripted answers for boxes and dialogs (vantor-host run --answer), consumed in order.
    void SetAnswers(std::deque<std::string>* answers) { answers_ = answers; }
    // Draws progress as one bar redrawn in place (a terminal) instead of plain lines.
    void SetProgressBar(bool bar) { progressBar_ = bar; }

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
    std::string NextAnswer();
    // The answer code for a box: the next scripted answer, else its first button.
    int AnswerBox(unsigned flags);
    void EndProgressBar();

    int window_ = 0;
    std::deque<std::string>* answers_ = nullptr;
    bool progressBar_ = false;
    bool barShown_ = false;
    std::vector<Posted> posted_;
};

HostUiDriver& HostUi();

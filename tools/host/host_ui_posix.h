#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "answer.h"
#include "platform/posix/ui_driver.h"
#include "progress_line_posix.h"

// The host's user interface on POSIX, installed in the plug-in through DevVorinInstallUiDriver:
// status lines, progress with the time left of the plug-in's waits and the window title on
// standard error; message boxes answered by the script, by the user at the terminal, or as
// nobody answers them (answer.h); dialogs printed and acted on; posted messages remembered for
// the smoke check.
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
    // Prints the dialog's contents and acts on it with the scripted answers until it ends (OK,
    // or Escape without a visible OK, once none is left).
    void RunModalDialog(platform::DialogSession& session) override;
    void WaitStarted(std::uint32_t milliseconds) override;
    // The run's cancel event, which is also set once the --cancel-after time has come.
    bool IsEventSignalled(platform::EventHandle event) override;

    // What one run uses: its scripted answers (consumed in order), where its lines go, and the
    // device of its port for the port-failure advice. Cleared with nullptrs after the run.
    void BeginRun(std::deque<Answer>* answers, ProgressLine* out, int port);
    // The time from which the run's cancel event counts as set (--cancel-after); nullopt: none.
    void CancelAt(std::optional<std::chrono::steady_clock::time_point> at) { cancelAt_ = at; }

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
    std::optional<Answer> NextAnswer();
    BoxAnswer AnswerBox(unsigned flags);
    // Acts on the dialog once; the answer is printed and reported.
    void ActOnDialog(platform::DialogSession& session, const std::optional<Answer>& answer);
    void Print(const std::string& text);

    int window_ = 0;
    std::deque<Answer>* answers_ = nullptr;
    ProgressLine* out_ = nullptr;
    int port_ = 0;
    std::optional<std::chrono::steady_clock::time_point> cancelAt_;
    std::vector<Posted> posted_;
};

HostUiDriver& HostUi();

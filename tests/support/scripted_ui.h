#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/dialog_session.h"
#include "platform/posix/ui_driver.h"

namespace testing_support {

// Records everything the plug-in shows and answers message boxes from a script. Installed for
// its lifetime; a nested one takes over until it ends, then the driver it replaced is back.
// Boxes without a scripted answer get decide's answer when it is set, else their first button
// (OK, Yes or Retry).
class ScriptedUi : public platform::UiDriver {
  public:
    struct Box {
        platform::WindowHandle owner;
        std::string text;
        std::string caption;
        unsigned flags;
    };
    struct Posted {
        platform::WindowHandle window;
        unsigned message;
        std::intptr_t lParam;
    };
    // One record per call, in order, so that tests can check what came before what.
    struct Event {
        enum class Kind { kStatus, kProgress, kBox, kTitle, kDialog } kind;
        std::string text;
        int value;
    };

    // A dialog as it stood when it opened (after its initialisation).
    struct Dialog {
        int templateId;
        std::string caption;
        platform::WindowHandle owner;
        std::vector<platform::DialogControl> controls;
        // The text of the first control with that id ("" when there is none).
        std::string Text(int id) const {
            for (const platform::DialogControl& control : controls) {
                if (control.id == id) {
                    return control.text;
                }
            }
            return {};
        }
    };
    using DialogAction = std::function<void(platform::DialogSession&)>;

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    void AnswerNextBox(int answer) { answers_.push_back(answer); }
    // The next dialog is handed to action instead of being closed with OK; a dialog that the
    // action leaves open is closed as Escape would.
    void OnNextDialog(DialogAction action) { dialogActions_.push_back(std::move(action)); }
    void HoldKeys(bool control, bool alt) {
        control_ = control;
        alt_ = alt;
    }

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<Box> boxes;
    std::vector<Posted> posted;
    std::vector<std::string> titles;
    std::vector<std::string> clipboard;
    std::vector<Event> events;
    std::vector<Dialog> dialogs;
    std::vector<int> answered;  // what each box was answered, in order
    std::function<int(const Box&)> decide;

    std::intptr_t SendWindowMessage(platform::WindowHandle window, unsigned message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostWindowMessage(platform::WindowHandle window, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void SetWindowTitle(platform::WindowHandle window, const std::string& title) override;
    int ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                       const std::string& caption, unsigned flags) override;
    bool IsKeyDown(int virtualKey) override;
    bool SetClipboardText(const std::string& text) override;
    void RunModalDialog(platform::DialogSession& session) override;

  private:
    int Answer(const Box& box);

    platform::UiDriver* previous_;
    std::deque<int> answers_;
    std::deque<DialogAction> dialogActions_;
    bool control_ = false;
    bool alt_ = false;
};

// A host window handle for tests: any non-null value.
inline platform::WindowHandle TestWindow() {
    static int window;
    return &window;
}

}  // namespace testing_support

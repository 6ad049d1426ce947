#include "support/scripted_ui.h"

#include "frame/operation_context.h"

namespace testing_support {

ScriptedUi::ScriptedUi() : previous_(&platform::CurrentUiDriver()) {
    platform::InstallUiDriver(this);
}

ScriptedUi::~ScriptedUi() {
    platform::InstallUiDriver(previous_);
}

std::intptr_t ScriptedUi::SendWindowMessage(platform::WindowHandle, unsigned message,
                                            std::uintptr_t, std::intptr_t lParam) {
    if (message == WM_OPERATION_STATUS) {
        statuses.emplace_back(reinterpret_cast<const char*>(lParam));
        events.push_back({Event::Kind::kStatus, statuses.back(), 0});
    } else if (message == WM_OPERATION_PROGRESS) {
        progress.push_back(static_cast<int>(lParam));
        events.push_back({Event::Kind::kProgress, {}, static_cast<int>(lParam)});
    }
    return 0;
}

bool ScriptedUi::PostWindowMessage(platform::WindowHandle window, unsigned message, std::uintptr_t,
                                   std::intptr_t lParam) {
    posted.push_back({window, message, lParam});
    return window != nullptr;
}

void ScriptedUi::SetWindowTitle(platform::WindowHandle, const std::string& title) {
    titles.push_back(title);
    events.push_back({Event::Kind::kTitle, title, 0});
}

int ScriptedUi::ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                               const std::string& caption, unsigned flags) {
    boxes.push_back({owner, text, caption, flags});
    events.push_back({Event::Kind::kBox, text, static_cast<int>(flags)});
    answered.push_back(Answer(boxes.back()));
    return answered.back();
}

int ScriptedUi::Answer(const Box& box) {
    if (!answers_.empty()) {
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    if (decide) {
        return decide(box);
    }
    switch (box.flags & 0xFU) {
        case platform::mb::kYesNo:
            return platform::answer::kYes;
        case platform::mb::kRetryCancel:
            return platform::answer::kRetry;
        default:
            return platform::answer::kOk;
    }
}

bool ScriptedUi::IsKeyDown(int virtualKey) {
    if (virtualKey == platform::kVkControl) {
        return control_;
    }
    if (virtualKey == platform::kVkMenu) {
        return alt_;
    }
    return false;
}

bool ScriptedUi::SetClipboardText(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    clipboard.push_back(text);
    return true;
}

}  // namespace testing_support

namespace testing_support {

void ScriptedUi::RunModalDialog(platform::DialogSession& session) {
    dialogs.push_back(
        {session.TemplateId(), session.Caption(), session.Owner(), session.Controls()});
    events.push_back({Event::Kind::kDialog, session.Caption(), session.TemplateId()});
    if (dialogActions_.empty()) {
        UiDriver::RunModalDialog(session);
        return;
    }
    DialogAction action = std::move(dialogActions_.front());
    dialogActions_.pop_front();
    action(session);
    if (!session.IsEnded()) {
        session.Escape();
    }
}

}  // namespace testing_support

#include "host_ui_posix.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "commands.h"
#include "frame/exports_posix.h"
#include "frame/operation_context.h"
#include "platform/posix/dialog_session.h"
#include "port_advice_posix.h"
#include "run_report.h"
#include "terminal_prompt_posix.h"

namespace {

const char* KindName(platform::ControlKind kind) {
    switch (kind) {
        case platform::ControlKind::kStatic:
            return "static";
        case platform::ControlKind::kEdit:
            return "edit";
        case platform::ControlKind::kButton:
            return "button";
        case platform::ControlKind::kListBox:
            return "listbox";
        case platform::ControlKind::kListView:
            return "listview";
    }
    return "control";
}

// The dialog as the run's report keeps it: every control, hidden ones marked.
RunReport::Dialog ReportedDialog(const platform::DialogSession& session) {
    RunReport::Dialog dialog{session.TemplateId(), session.Caption(), {}};
    for (const platform::DialogControl& control : session.Controls()) {
        RunReport::Control entry{
            control.id,  KindName(control.kind), control.text, control.visible, {}, {},
            control.rows};
        for (const platform::DialogControl::Column& column : control.columns) {
            entry.columns.push_back(column.title);
            entry.columnWidths.push_back(column.width);
        }
        for (const std::string& item : control.items) {
            entry.rows.push_back({item});
        }
        dialog.controls.push_back(std::move(entry));
    }
    return dialog;
}

// The answer word of the action a dialog gets without one.
std::string DefaultDialogWord(const platform::DialogSession& session) {
    const platform::DialogControl* ok = session.Find(platform::answer::kOk);
    return ok != nullptr && ok->visible ? "ok" : "escape";
}

}  // namespace

std::intptr_t HostUiDriver::SendWindowMessage(platform::WindowHandle, unsigned message,
                                              std::uintptr_t, std::intptr_t lParam) {
    if (message == WM_OPERATION_STATUS && lParam != 0) {
        const char* text = reinterpret_cast<const char*>(lParam);
        HostRunReport().Status(text);
        if (out_ != nullptr) {
            out_->Status(text);
        }
    } else if (message == WM_OPERATION_PROGRESS) {
        HostRunReport().Progress(static_cast<long>(lParam));
        if (out_ != nullptr) {
            out_->Progress(static_cast<long>(lParam));
        }
    }
    return 0;
}

bool HostUiDriver::PostWindowMessage(platform::WindowHandle window, unsigned message,
                                     std::uintptr_t wParam, std::intptr_t lParam) {
    posted_.push_back({window, message, wParam, lParam});
    return window != nullptr;
}

void HostUiDriver::SetWindowTitle(platform::WindowHandle, const std::string& title) {
    Print("title: " + title + "\n");
    HostRunReport().Title(title);
}

int HostUiDriver::ShowMessageBox(platform::WindowHandle, const std::string& text,
                                 const std::string& caption, unsigned flags) {
    char head[64];
    std::snprintf(head, sizeof head, "] (flags 0x%X):\n", flags);
    Print("message box [" + caption + head + text + "\n");
    AdvisePortFailure(text, port_, [this](const std::string& line) { Print(line); });
    const BoxAnswer answer = AnswerBox(flags);
    const std::string word = ButtonWord(answer.button);
    Print(AnsweredLine(word, answer.source, flags) + "\n");
    HostRunReport().ShowBox(text, caption, flags, word, SourceWord(answer.source));
    return answer.button;
}

BoxAnswer HostUiDriver::AnswerBox(unsigned flags) {
    if (answers_ != nullptr) {
        if (const std::optional<BoxAnswer> answer = TakeBoxAnswer(*answers_, flags)) {
            return *answer;
        }
    }
    if (BoxButtons(flags).size() > 1 && UserAtTerminal() && out_ != nullptr) {
        if (const std::optional<BoxAnswer> answer = AskOnTerminal(flags, *out_)) {
            return *answer;
        }
    }
    return UnattendedAnswer(flags);
}

bool HostUiDriver::SetClipboardText(const std::string& text) {
    Print("clipboard:\n" + text + "\n");
    HostRunReport().Clipboard(text);
    return true;
}

void HostUiDriver::RunModalDialog(platform::DialogSession& session) {
    // Scripted answers until one ends the dialog; without one, the default action ends it (a
    // dialog that refuses even that is closed by the caller, as the close box would).
    std::optional<Answer> answer;
    do {
        answer = NextAnswer();
        ActOnDialog(session, answer);
    } while (!session.IsEnded() && answer);
}

void HostUiDriver::ActOnDialog(platform::DialogSession& session,
                               const std::optional<Answer>& answer) {
    Print("dialog " + std::to_string(session.TemplateId()) + ":\n" +
          platform::RenderDialog(session));
    const std::string word = answer ? answer->word : DefaultDialogWord(session);
    const AnswerSource source = answer ? AnswerSource::kScript : AnswerSource::kDefault;
    HostRunReport().ShowDialog(ReportedDialog(session), word, SourceWord(source));
    if (!answer || (answer->kind == Answer::Kind::kButton && answer->button == 1)) {
        UiDriver::RunModalDialog(session);
    } else if (answer->kind == Answer::Kind::kButton && answer->button == 2) {
        session.Escape();
    } else if (answer->kind == Answer::Kind::kButton) {
        session.Press(answer->button);
    } else if (answer->kind == Answer::Kind::kPress) {
        session.Press(answer->id);
    } else if (answer->kind == Answer::Kind::kDoubleClick) {
        session.DoubleClick(answer->id, answer->row);
    } else {
        // The user looks at the dialog for a while before the next answer.
        std::this_thread::sleep_for(std::chrono::milliseconds(answer->ms));
    }
    Print(AnsweredLine(word, source) + "\n");
}

void HostUiDriver::WaitStarted(std::uint32_t milliseconds) {
    HostRunReport().Wait(milliseconds);
    if (out_ != nullptr) {
        out_->WaitStarted(milliseconds);
    }
}

bool HostUiDriver::IsEventSignalled(platform::EventHandle event) {
    return UiDriver::IsEventSignalled(event) ||
           (cancelAt_ && std::chrono::steady_clock::now() >= *cancelAt_);
}

void HostUiDriver::BeginRun(std::deque<Answer>* answers, ProgressLine* out, int port) {
    answers_ = answers;
    out_ = out;
    port_ = port;
}

std::optional<Answer> HostUiDriver::NextAnswer() {
    if (answers_ == nullptr || answers_->empty()) {
        return std::nullopt;
    }
    Answer answer = answers_->front();
    answers_->pop_front();
    return answer;
}

void HostUiDriver::Print(const std::string& text) {
    if (out_ != nullptr) {
        out_->Print(text);
    } else {
        std::fputs(text.c_str(), stderr);
    }
}

bool HostUiDriver::TakeDonePosted(platform::WindowHandle window) {
    bool found = false;
    for (const Posted& post : posted_) {
        found = found || (post.window == window && post.message == WM_OPERATION_DONE &&
                          post.wParam == 0 && post.lParam == 0);
    }
    posted_.clear();
    return found;
}

HostUiDriver& HostUi() {
    static HostUiDriver driver;
    return driver;
}

void PrepareHostUi(Plugin& plugin) {
    void* symbol = plugin.Symbol("DevVorinInstallUiDriver");
    if (symbol == nullptr) {
        std::fprintf(stderr, "vantor-host: the plug-in takes no UI driver; using its terminal\n");
        return;
    }
    plugin_abi::DevVorinInstallUiDriverFn install = nullptr;
    static_assert(sizeof install == sizeof symbol);
    __builtin_memcpy(&install, &symbol, sizeof install);
    install(&HostUi());
}

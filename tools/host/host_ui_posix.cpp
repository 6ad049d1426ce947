#include "host_ui_posix.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/posix/dialog_session.h"
#include "run_args.h"
#include "run_report.h"

#include "commands.h"
#include "frame/exports_posix.h"
#include "frame/operation_context.h"

std::intptr_t HostUiDriver::SendWindowMessage(platform::WindowHandle, unsigned message,
                                              std::uintptr_t, std::intptr_t lParam) {
    if (message == WM_OPERATION_STATUS && lParam != 0) {
        EndProgressBar();
        std::fprintf(stderr, "status: %s\n", reinterpret_cast<const char*>(lParam));
        HostRunReport().Status(reinterpret_cast<const char*>(lParam));
    } else if (message == WM_OPERATION_PROGRESS) {
        const long percent = static_cast<long>(lParam);
        HostRunReport().Progress(percent);
        if (progressBar_) {
            constexpr long kWidth = 40;
            const long filled = percent < 0 ? 0 : (percent > 100 ? kWidth : percent * kWidth / 100);
            std::fprintf(stderr, "\r[%s%s] %3ld%%",
                         std::string(static_cast<std::size_t>(filled), '#').c_str(),
                         std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(),
                         percent);
            std::fflush(stderr);
            barShown_ = true;
        } else {
            std::fprintf(stderr, "progress: %ld%%\n", percent);
        }
    }
    return 0;
}

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
            control.id, KindName(control.kind), control.text, control.visible, {}, control.rows};
        for (const platform::DialogControl::Column& column : control.columns) {
            entry.columns.push_back(column.title);
        }
        for (const std::string& item : control.items) {
            entry.rows.push_back({item});
        }
        dialog.controls.push_back(std::move(entry));
    }
    return dialog;
}

}  // namespace

bool HostUiDriver::PostWindowMessage(platform::WindowHandle window, unsigned message,
                                     std::uintptr_t wParam, std::intptr_t lParam) {
    posted_.push_back({window, message, wParam, lParam});
    return window != nullptr;
}

void HostUiDriver::SetWindowTitle(platform::WindowHandle, const std::string& title) {
    std::fprintf(stderr, "title: %s\n", title.c_str());
    HostRunReport().Title(title);
}

int HostUiDriver::ShowMessageBox(platform::WindowHandle, const std::string& text,
                                 const std::string& caption, unsigned flags) {
    EndProgressBar();
    std::fprintf(stderr, "message box [%s] (flags 0x%X):\n%s\n", caption.c_str(), flags,
                 text.c_str());
    const int code = AnswerBox(flags);
    HostRunReport().ShowBox(text, caption, flags, AnswerName(code));
    return code;
}

int HostUiDriver::AnswerBox(unsigned flags) {
    const std::string answer = NextAnswer();
    if (const int code = BoxAnswerCode(answer); code != 0) {
        std::fprintf(stderr, "answered: %s\n", answer.c_str());
        return code;
    }
    if (!answer.empty()) {
        std::fprintf(stderr, "vantor-host: '%s' is no message-box answer; using the first button\n",
                     answer.c_str());
    }
    switch (flags & 0xFU) {
        case platform::mb::kYesNo:
            return platform::answer::kYes;
        case platform::mb::kRetryCancel:
            return platform::answer::kRetry;
        default:
            return platform::answer::kOk;
    }
}

bool HostUiDriver::SetClipboardText(const std::string& text) {
    std::fprintf(stderr, "clipboard:\n%s\n", text.c_str());
    HostRunReport().Clipboard(text);
    return true;
}

void HostUiDriver::RunModalDialog(platform::DialogSession& session) {
    EndProgressBar();
    std::fprintf(stderr, "dialog %d:\n%s", session.TemplateId(),
                 platform::RenderDialog(session).c_str());
    const std::string answer = NextAnswer();
    const platform::DialogControl* ok = session.Find(platform::answer::kOk);
    HostRunReport().ShowDialog(ReportedDialog(session), !answer.empty()                ? answer
                                                        : ok != nullptr && ok->visible ? "ok"
                                                                                       : "escape");
    int id = 0;
    int row = 0;
    if (answer == "escape" || answer == "cancel") {
        session.Escape();
    } else if (std::sscanf(answer.c_str(), "press:%d", &id) == 1) {
        session.Press(id);
    } else if (std::sscanf(answer.c_str(), "dblclick:%d:%d", &id, &row) == 2) {
        session.DoubleClick(id, row);
    } else if (int ms = 0; std::sscanf(answer.c_str(), "wait:%d", &ms) == 1 && ms >= 0) {
        // The user looks at the dialog for a while; then the next answer, OK without one.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (answers_ == nullptr || answers_->empty()) {
            UiDriver::RunModalDialog(session);
        }
    } else {
        if (!answer.empty() && answer != "ok") {
            std::fprintf(stderr, "vantor-host: '%s' is no dialog answer; pressing OK\n",
                         answer.c_str());
        }
        UiDriver::RunModalDialog(session);
    }
    if (!answer.empty()) {
        std::fprintf(stderr, "answered: %s\n", answer.c_str());
    }
    // A dialog still open after a scripted action takes the next scripted answer.
    if (!session.IsEnded() && answers_ != nullptr && !answers_->empty()) {
        RunModalDialog(session);
    }
}

std::string HostUiDriver::NextAnswer() {
    if (answers_ == nullptr || answers_->empty()) {
        return {};
    }
    std::string answer = answers_->front();
    answers_->pop_front();
    return answer;
}

void HostUiDriver::EndProgressBar() {
    if (barShown_) {
        std::fprintf(stderr, "\n");
        barShown_ = false;
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

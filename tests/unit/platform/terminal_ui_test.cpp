#include <gtest/gtest.h>

#include "platform/posix/ui_driver.h"
#include "platform/ui.h"

namespace {

namespace mb = platform::mb;
namespace answer = platform::answer;

// Without a host's driver nobody can answer: a question must never be agreed to (the wipe's and
// the Clear's confirmations are Yes/No boxes).
TEST(TerminalUiDriver, RefusesEveryQuestionNobodyCanAnswer) {
    platform::TerminalUiDriver terminal;
    const struct {
        unsigned flags;
        int expected;
    } rows[] = {
        {mb::kOk, answer::kOk},
        {mb::kYesNo | mb::kIconQuestion, answer::kNo},
        {mb::kOkCancel, answer::kCancel},
        {mb::kRetryCancel, answer::kCancel},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(terminal.ShowMessageBox(nullptr, "text", "caption", row.flags), row.expected)
            << "flags 0x" << std::hex << row.flags;
    }
}

}  // namespace

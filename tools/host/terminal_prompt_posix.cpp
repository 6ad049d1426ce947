#include "terminal_prompt_posix.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

namespace {

enum class Read { kLine, kEnd, kInterrupted };

// One line from standard input, unbuffered so that nothing after it is taken from the terminal.
Read ReadLine(std::string& line) {
    line.clear();
    for (;;) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0) {
            return errno == EINTR ? Read::kInterrupted : Read::kEnd;
        }
        if (got == 0) {
            return line.empty() ? Read::kEnd : Read::kLine;
        }
        if (c == '\n') {
            return Read::kLine;
        }
        line += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
}

std::string Trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    const std::size_t end = text.find_last_not_of(" \t\r");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

}  // namespace

bool UserAtTerminal() {
    return isatty(STDIN_FILENO) != 0 && isatty(STDERR_FILENO) != 0;
}

std::optional<BoxAnswer> AskOnTerminal(unsigned flags, ProgressLine& out) {
    const std::vector<int> buttons = BoxButtons(flags);
    std::string choices;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        choices +=
            (i == 0 ? "" : (i + 1 == buttons.size() ? " or " : ", ")) + ButtonWord(buttons[i]);
    }
    const std::string question =
        "answer " + choices + " (Enter: " + ButtonWord(DefaultButton(flags)) + "): ";
    for (;;) {
        out.Print(question);
        std::string line;
        const Read read = ReadLine(line);
        if (read == Read::kEnd) {
            out.Print("\n");
            return std::nullopt;
        }
        if (read == Read::kInterrupted) {
            out.Print("\n");
            return BoxAnswer{UnattendedAnswer(flags).button, AnswerSource::kUser};
        }
        const std::string typed = Trimmed(line);
        if (typed.empty()) {
            return BoxAnswer{DefaultButton(flags), AnswerSource::kDefault};
        }
        for (const int button : buttons) {
            const std::string word = ButtonWord(button);
            if (typed == word || typed == word.substr(0, 1)) {
                return BoxAnswer{button, AnswerSource::kUser};
            }
        }
    }
}

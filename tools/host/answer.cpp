#include "answer.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kRetry = 4;
constexpr int kYes = 6;
constexpr int kNo = 7;

struct ButtonName {
    const char* word;
    int code;
};
// cancel and escape are the same command: the Cancel button, or Escape on a dialog.
constexpr ButtonName kButtonWords[] = {{"ok", kOk},       {"cancel", kCancel}, {"escape", kCancel},
                                       {"retry", kRetry}, {"yes", kYes},       {"no", kNo}};

// The whole text as a number of at least 0.
bool ReadCount(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end && value >= 0;
}

// "prefix:" followed by the rest, or nullopt.
std::optional<std::string_view> After(std::string_view word, std::string_view prefix) {
    if (word.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    return word.substr(prefix.size());
}

std::optional<Answer> ParseOne(const std::string& word) {
    Answer answer;
    answer.word = word;
    for (const ButtonName& name : kButtonWords) {
        if (word == name.word) {
            answer.button = name.code;
            return answer;
        }
    }
    if (const auto id = After(word, "press:"); id && ReadCount(*id, answer.id)) {
        answer.kind = Answer::Kind::kPress;
        return answer;
    }
    if (const auto ms = After(word, "wait:"); ms && ReadCount(*ms, answer.ms)) {
        answer.kind = Answer::Kind::kWait;
        return answer;
    }
    if (const auto rest = After(word, "dblclick:")) {
        const std::size_t colon = rest->find(':');
        if (colon != std::string_view::npos && ReadCount(rest->substr(0, colon), answer.id) &&
            ReadCount(rest->substr(colon + 1), answer.row)) {
            answer.kind = Answer::Kind::kDoubleClick;
            return answer;
        }
    }
    return std::nullopt;
}

std::string Join(const std::vector<int>& buttons) {
    std::string text;
    for (const int button : buttons) {
        text += (text.empty() ? "" : ", ") + ButtonWord(button);
    }
    return text;
}

bool Offers(unsigned flags, int button) {
    for (const int offered : BoxButtons(flags)) {
        if (offered == button) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ParseAnswers(const std::string& list, std::deque<Answer>& answers, std::string& error) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::string item =
            list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!item.empty()) {
            const std::optional<Answer> answer = ParseOne(item);
            if (!answer) {
                error = "'" + item +
                        "' is no answer (ok, cancel, escape, yes, no, retry, press:ID, "
                        "dblclick:ID:ROW, wait:MS)";
                return false;
            }
            answers.push_back(*answer);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return true;
}

std::string ButtonWord(int code) {
    for (const ButtonName& name : kButtonWords) {
        if (name.code == code) {
            return name.word;
        }
    }
    return std::to_string(code);
}

const char* SourceWord(AnswerSource source) {
    switch (source) {
        case AnswerSource::kScript:
            return "script";
        case AnswerSource::kUser:
            return "user";
        case AnswerSource::kDefault:
            return "default";
        case AnswerSource::kSafe:
            return "safe";
    }
    return "default";
}

std::vector<int> BoxButtons(unsigned flags) {
    switch (flags & 0xFU) {
        case 0x1:
            return {kOk, kCancel};
        case 0x3:
            return {kYes, kNo, kCancel};
        case 0x4:
            return {kYes, kNo};
        case 0x5:
            return {kRetry, kCancel};
        default:
            return {kOk};
    }
}

int DefaultButton(unsigned flags) {
    const std::vector<int> buttons = BoxButtons(flags);
    const std::size_t index = (flags >> 8) & 0xFU;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

BoxAnswer UnattendedAnswer(unsigned flags) {
    const int chosen = DefaultButton(flags);
    const int wayOut = Offers(flags, kNo) ? kNo : (Offers(flags, kCancel) ? kCancel : chosen);
    if (chosen == kNo || chosen == kCancel || chosen == wayOut) {
        return {chosen, AnswerSource::kDefault};
    }
    return {wayOut, AnswerSource::kSafe};
}

std::optional<BoxAnswer> TakeBoxAnswer(std::deque<Answer>& answers, unsigned flags) {
    if (answers.empty() || answers.front().kind != Answer::Kind::kButton) {
        return std::nullopt;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    if (!Offers(flags, answer.button)) {
        std::fprintf(stderr, "vantor-host: the box offers %s, not '%s'\n",
                     Join(BoxButtons(flags)).c_str(), answer.word.c_str());
        return std::nullopt;
    }
    return BoxAnswer{answer.button, AnswerSource::kScript};
}

std::string AnsweredLine(const std::string& word, AnswerSource source, unsigned flags) {
    std::string line = "answered: " + word;
    if (source == AnswerSource::kDefault) {
        line += " (default)";
    } else if (source == AnswerSource::kSafe) {
        line += " (nobody to ask; the default " + ButtonWord(DefaultButton(flags)) +
                " is left to a user)";
    }
    return line;
}

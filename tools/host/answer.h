#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

// The answers of `vantor-host run --answer`: one grammar and one table of button words for both
// platforms. A message box takes a button word. A dialog takes any answer: a button word presses
// that button (cancel and escape close it as Escape does), press:ID a button that may leave it
// open, dblclick:ID:ROW a row of a list box, wait:MS keeps it open MS milliseconds before its
// next answer.
struct Answer {
    enum class Kind { kButton, kPress, kDoubleClick, kWait };
    std::string word;  // as the user wrote it
    Kind kind = Kind::kButton;
    int button = 0;  // kButton: the message-box answer code (1 ok, 2 cancel, 4 retry, 6 yes, 7 no)
    int id = 0;      // kPress, kDoubleClick: the control
    int row = 0;     // kDoubleClick
    int ms = 0;      // kWait
};

// Reads a comma-separated list (empty items are skipped); false with error naming the first
// word that is no answer.
bool ParseAnswers(const std::string& list, std::deque<Answer>& answers, std::string& error);

// The word of a message-box answer code ("ok", "cancel", "retry", "yes", "no"), else the number.
std::string ButtonWord(int code);

// Who chose an answer, as the run's report and the "answered:" line say it.
enum class AnswerSource {
    kScript,   // the next --answer
    kUser,     // typed on the terminal
    kDefault,  // the box's default button (Enter on the terminal, or nobody to ask)
    kSafe,     // nobody to ask and the default would agree: the box's No or Cancel
};
const char* SourceWord(AnswerSource source);

struct BoxAnswer {
    int button = 0;
    AnswerSource source = AnswerSource::kDefault;
};

// A box's buttons in the order it shows them, from the MB_ type in its flags.
std::vector<int> BoxButtons(unsigned flags);
// Its default button: MB_DEFBUTTON2 or 3 pick the second or third, else the first.
int DefaultButton(unsigned flags);
// The answer of a box that nobody answers: its default button, but nothing is agreed to on
// nobody's behalf: a box that offers No or Cancel gets that (the wipe asks with Yes as its
// default). A box with OK alone gets OK.
BoxAnswer UnattendedAnswer(unsigned flags);
// The box's answer from the script: the next answer when it is a button word, taken from the
// list; nullopt when none is left, when the next one is for a dialog (left in the list for the
// dialog it is meant for), or when the word is none of the box's buttons (taken, and said on
// standard error).
std::optional<BoxAnswer> TakeBoxAnswer(std::deque<Answer>& answers, unsigned flags);

// "answered: no (default)": the line printed for every answer given.
std::string AnsweredLine(const std::string& word, AnswerSource source, unsigned flags = 0);

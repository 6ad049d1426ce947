// vantor-host's answers: the --answer words both platforms read, and what a message box gets
// when nobody answers it. A box never agrees on nobody's behalf, whatever its default button.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "answer.h"

namespace {

TEST(HostAnswers, BoxWithoutAnAnswerGetsItsDefaultButNeverAnAgreement) {
    struct Case {
        const char* legend;
        unsigned flags;
        int button;
        AnswerSource source;
    };
    const std::vector<Case> cases = {
        {"OK alone (an error box)", 0x10030, 1, AnswerSource::kDefault},
        {"Yes/No, Yes the default (the wipe)", 0x24, 7, AnswerSource::kSafe},
        {"Yes/No, No the default (the error log's Clear)", 0x124, 7, AnswerSource::kDefault},
        {"Retry/Cancel (no receiver found): no endless retries", 0x10005, 2, AnswerSource::kSafe},
        {"OK/Cancel, OK the default", 0x1, 2, AnswerSource::kSafe},
        {"Yes/No/Cancel, Cancel the default", 0x203, 2, AnswerSource::kDefault},
        {"a default past the last button is the first", 0x304, 7, AnswerSource::kSafe},
    };
    for (const Case& c : cases) {
        const BoxAnswer answer = UnattendedAnswer(c.flags);
        EXPECT_EQ(answer.button, c.button) << c.legend;
        EXPECT_EQ(answer.source, c.source) << c.legend;
    }
    EXPECT_EQ(DefaultButton(0x24), 6);
    EXPECT_EQ(DefaultButton(0x124), 7);
}

TEST(HostAnswers, WordsAreCheckedWholeBeforeTheRun) {
    std::deque<Answer> answers;
    std::string error;
    ASSERT_TRUE(ParseAnswers("yes,,press:1040,dblclick:1041:2,wait:0,escape", answers, error));
    ASSERT_EQ(answers.size(), 5U) << "empty items are skipped";
    EXPECT_EQ(answers[1].kind, Answer::Kind::kPress);
    EXPECT_EQ(answers[1].id, 1040);
    EXPECT_EQ(answers[2].row, 2);
    EXPECT_EQ(answers[4].button, 2) << "escape is the Cancel command";
    for (const char* bad : {"Yes", "press:", "press:-1", "press:12x", "dblclick:1041",
                            "dblclick:a:1", "wait:99999999999", "maybe"}) {
        std::deque<Answer> none;
        EXPECT_FALSE(ParseAnswers(std::string("ok,") + bad, none, error)) << bad;
        EXPECT_EQ(error.rfind(std::string("'") + bad + "' is no answer", 0), 0U) << error;
    }
}

TEST(HostAnswers, BoxTakesButtonWordsAndLeavesDialogWords) {
    std::deque<Answer> answers;
    std::string error;
    ASSERT_TRUE(ParseAnswers("press:1040,yes,ok,no", answers, error));
    EXPECT_FALSE(TakeBoxAnswer(answers, 0x24)) << "press: is left for the dialog";
    answers.pop_front();
    const auto yes = TakeBoxAnswer(answers, 0x24);
    ASSERT_TRUE(yes);
    EXPECT_EQ(yes->button, 6);
    EXPECT_EQ(yes->source, AnswerSource::kScript);
    EXPECT_FALSE(TakeBoxAnswer(answers, 0x24)) << "ok is no button of a Yes/No box";
    EXPECT_EQ(answers.size(), 1U) << "the word that did not fit is used up";
    EXPECT_EQ(AnsweredLine("no", AnswerSource::kDefault), "answered: no (default)");
    EXPECT_EQ(AnsweredLine("no", AnswerSource::kSafe, 0x24),
              "answered: no (nobody to ask; the default yes is left to a user)");
}

}  // namespace

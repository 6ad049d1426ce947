// What a user hands vorin-sim besides a profile: a trace to replay, a --hang-up event and
// DEVVORIN_TIME_SCALE. Each bad input is one clear refusal, never a library error or a reading
// the help does not promise.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/replay.h"
#include "front/hang_up.h"
#include "front/time_scale.h"
#include "platform/clock.h"

namespace {

TEST(SimUserInput, HostileTraceLinesAreRefusedByLine) {
    const std::string start = R"({"ms":0,"event":"start"})";
    const std::string frame = R"({"ms":10,"event":"frame","from":"host","hex":"02006F006F03"})";
    struct Case {
        const char* legend;
        std::string line;  // the trace's second line, after a good first one
        std::string error;
    };
    const std::vector<Case> cases = {
        {"ms as a text", R"({"ms":"abc","event":"start"})",
         "trace line 2: \"ms\" is not a whole number of milliseconds"},
        {"negative ms", R"({"ms":-5,"event":"start"})",
         "trace line 2: \"ms\" is not a whole number of milliseconds"},
        {"fractional ms", R"({"ms":1.5,"event":"read","hex":"06"})",
         "trace line 2: \"ms\" is not a whole number of milliseconds"},
        {"event as a number", R"({"ms":1,"event":1})", "trace line 2: \"event\" is not a text"},
        {"hex as a number", R"({"ms":1,"event":"frame","from":"host","hex":5})",
         "trace line 2: \"hex\" is not a text"},
        {"hex null", R"({"ms":1,"event":"read","hex":null})",
         "trace line 2: \"hex\" is not a text"},
        {"from as a list", R"({"ms":1,"event":"frame","from":[],"hex":"06"})",
         "trace line 2: \"from\" is not a text"},
        {"not JSON", R"({"ms":1,)", "trace line 2: not a JSON object"},
        {"a JSON list", "[1,2]", "trace line 2: not a JSON object"},
        {"bad hex digit", R"({"ms":1,"event":"frame","from":"host","hex":"0G"})",
         "trace line 2: bad hex digit"},
        {"odd hex length", R"({"ms":1,"event":"read","hex":"060"})",
         "trace line 2: odd hex length"},
    };
    for (const Case& c : cases) {
        try {
            sim::Replay::FromTrace(frame + "\n" + c.line + "\n" + start + "\n");
            ADD_FAILURE() << c.legend << ": accepted";
        } catch (const sim::ReplayError& e) {
            EXPECT_EQ(std::string(e.what()), c.error) << c.legend;
        }
    }
    // A read before the first host frame answers nothing, but is read all the same.
    EXPECT_THROW(sim::Replay::FromTrace(R"({"ms":1,"event":"read","hex":null})"
                                        "\n" +
                                        frame),
                 sim::ReplayError);
    // The same fields of the right types make a replay.
    const sim::Replay replay = sim::Replay::FromTrace(
        start + "\n" + frame + "\n" + R"({"ms":30,"event":"read","hex":"06","extra":[1]})");
    ASSERT_EQ(replay.Turns().size(), 1U);
    ASSERT_EQ(replay.Turns()[0].answers.size(), 1U);
    EXPECT_EQ(replay.Turns()[0].answers[0].delayMs, 20U);
}

TEST(SimUserInput, HangUpEventsReadAsTheHelpSays) {
    using Event = simfront::HangUpTrigger::Event;
    struct Case {
        const char* text;
        std::optional<simfront::HangUpTrigger> trigger;  // nullopt: refused
    };
    const auto tc = [](std::uint8_t type, int count = 1, std::uint32_t delayMs = 0) {
        return simfront::HangUpTrigger{Event::kTcRequest, type, count, delayMs};
    };
    const auto ls = [](std::uint8_t type, int count = 1, std::uint32_t delayMs = 0) {
        return simfront::HangUpTrigger{Event::kLsRequest, type, count, delayMs};
    };
    const std::vector<Case> cases = {
        {"identification", simfront::HangUpTrigger{}},
        {"identification:2+300", simfront::HangUpTrigger{Event::kIdentification, 0, 2, 300}},
        {"tc-010", tc(10)},  // decimal, not octal
        {"tc-08", tc(8)},
        {"tc-0x8A", tc(0x8A)},
        {"tc-0X8a", tc(0x8A)},
        {"ls-5:3", ls(5, 3)},
        {"ls-019:010+0100", ls(19, 10, 100)},
        {"tc-255", tc(255)},
        {"tc-256", std::nullopt},
        {"tc-0x100", std::nullopt},
        {"tc-0x", std::nullopt},
        {"tc-", std::nullopt},
        {"tc- 5", std::nullopt},
        {"tc-+5", std::nullopt},
        {"tc--5", std::nullopt},
        {"tc-5x", std::nullopt},
        {"tc-99999999999999999999999", std::nullopt},
        {"ls-5:0", std::nullopt},
        {"ls-5:0x3", std::nullopt},  // only the type may be hex
        {"ls-5:100001", std::nullopt},
        {"ls-5+0x10", std::nullopt},
        {"ls-5+600001", std::nullopt},
        {"identification+", std::nullopt},
        {"identification:", std::nullopt},
        {"reboot", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto trigger = simfront::HangUpTrigger::Parse(c.text, error);
        ASSERT_EQ(trigger.has_value(), c.trigger.has_value()) << c.text << ": " << error;
        if (trigger) {
            EXPECT_EQ(trigger->event, c.trigger->event) << c.text;
            EXPECT_EQ(trigger->type, c.trigger->type) << c.text;
            EXPECT_EQ(trigger->count, c.trigger->count) << c.text;
            EXPECT_EQ(trigger->delayMs, c.trigger->delayMs) << c.text;
        } else {
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
}

// The plug-in shortens its waits by the factor and the simulator its boots: both must take the
// same texts, or a demo's receiver is not ready when the plug-in looks for it.
TEST(SimUserInput, TimeScaleIsReadAlikeByThePlugInAndTheSimulator) {
    const std::vector<std::pair<const char*, double>> taken = {
        {"1", 1.0}, {"0.1", 0.1}, {"0.5", 0.5}, {"1e-1", 0.1}, {"1.0", 1.0}};
    const std::vector<const char*> refused = {"0",   "0.0",    "-0.5", "1.5",  "abc",  "nan",
                                              "inf", "0.5abc", " 0.5", "0.5 ", "+0.5", ""};
    for (const auto& [text, factor] : taken) {
        EXPECT_EQ(platform::ParseTimeScale(text), factor) << "plug-in: '" << text << "'";
        EXPECT_EQ(simfront::ParseTimeScale(text), factor) << "simulator: '" << text << "'";
    }
    for (const char* text : refused) {
        EXPECT_EQ(platform::ParseTimeScale(text), std::nullopt) << "plug-in: '" << text << "'";
        EXPECT_EQ(simfront::ParseTimeScale(text), std::nullopt) << "simulator: '" << text << "'";
    }

    testing::internal::CaptureStderr();
    setenv("DEVVORIN_TIME_SCALE", "0.5abc", 1);
    EXPECT_EQ(simfront::TimeScaleFromEnvironment(), 1.0);
    setenv("DEVVORIN_TIME_SCALE", "0.25", 1);
    EXPECT_EQ(simfront::TimeScaleFromEnvironment(), 0.25);
    unsetenv("DEVVORIN_TIME_SCALE");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors,
              "vorin-sim: ignoring DEVVORIN_TIME_SCALE=0.5abc (a factor above 0 and at most 1)\n");
}

}  // namespace

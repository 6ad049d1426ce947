// A cable pulled in the middle of a run: vorin-sim closes its pseudo-terminal at a chosen moment
// and vantor-host, through the shared object, must end the run in time with the port's or the
// receiver's message, exit status 1, and no crash.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host_process.h"
#include "sim_process.h"

namespace {

using Json = nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

struct Case {
    const char* legend;
    std::string operation;
    std::string keys;     // DEVVORIN_KEYS for the host
    std::string profile;  // shipped profile name, empty for the built-in receiver
    std::string hangUp;   // vorin-sim --hang-up
    std::string answers;  // vantor-host --answer
    std::int64_t maxMs;   // the run's duration at a tenth of the fixed waits
};

struct Outcome {
    int exitStatus = -1;
    Json document;
    std::string output;
    Bytes radioBefore;
    Bytes radioAfter;
};

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempPath(const std::string& tag) {
    return "/tmp/vorin-pulled-" + std::to_string(getpid()) + "-" + tag + ".bin";
}

// The radio block of a receiver that served nothing, to compare with the one after the run.
Bytes UntouchedRadio(const std::string& profile) {
    const std::string path = TempPath("before");
    e2e::SimProcess sim;
    std::string error;
    if (!sim.Start(profile, error, {"--radio-out", path})) {
        return {};
    }
    sim.Stop();
    Bytes block = ReadFile(path);
    unlink(path.c_str());
    return block;
}

Outcome Play(const Case& c) {
    Outcome outcome;
    outcome.radioBefore = UntouchedRadio(c.profile);
    const std::string radioPath = TempPath("after");
    e2e::SimProcess sim;
    std::string error;
    if (!sim.Start(c.profile, error, {"--hang-up", c.hangUp, "--radio-out", radioPath})) {
        outcome.output = error;
        return outcome;
    }
    const e2e::HostRun run =
        e2e::RunHost(e2e::RunOnCom5(c.operation, sim.Port()) + " --json" +
                         (c.answers.empty() ? "" : " --answer " + c.answers),
                     "DEVVORIN_KEYS=" + c.keys, "2>&1 >" + radioPath + ".json");
    outcome.exitStatus = run.exitStatus;
    outcome.output = run.output;
    std::ifstream json(radioPath + ".json");
    const std::string text((std::istreambuf_iterator<char>(json)),
                           std::istreambuf_iterator<char>());
    outcome.document = Json::parse(text, nullptr, false);
    unlink((radioPath + ".json").c_str());
    EXPECT_EQ(sim.Stop(), 0) << c.legend;
    outcome.radioAfter = ReadFile(radioPath);
    unlink(radioPath.c_str());
    return outcome;
}

// The message is one of the port's or the receiver's failures, behind the plug-in's version line.
bool IsFailureMessage(const std::string& text) {
    const std::string head = "DevVorin Version: ";
    const std::size_t body = text.find("\n\n");
    if (text.rfind(head, 0) != 0 || body == std::string::npos) {
        return false;
    }
    const std::string message = text.substr(body + 2);
    for (const char* start : {"COM Failure! [30", "Failure! [70", "Device failure! [8"}) {
        if (message.rfind(start, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(PulledCable, EveryOperationEndsWithTheFailureInTime) {
    // The simulator's boots shrink with the plug-in's fixed waits.
    setenv("DEVVORIN_TIME_SCALE", "0.1", 1);
    const std::vector<Case> cases = {
        {"version check: after the identification, while the host waits for the line to settle",
         "Verify GPS software version", "", "", "identification+300", "", 10000},
        {"error log from memory: at the third memory read", "View error log", "", "in-monitor",
         "ls-5:3", "", 30000},
        {"options: while the user looks at the dialog; the reboot after it finds no port",
         "Verify receiver options", "", "", "ls-20+300", "wait:1500", 30000},
        {"wipe: as the radio block is being written", "Wipe Radio Configuration Blocks", "ctrl,alt",
         "", "ls-19", "yes", 40000},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Play(c);
        EXPECT_EQ(outcome.exitStatus, 1) << c.legend << "\n" << outcome.output;
        ASSERT_TRUE(outcome.document.is_object()) << c.legend << "\n" << outcome.output;
        const Json& document = outcome.document;
        EXPECT_EQ(document["result"]["code"], 0) << c.legend;
        ASSERT_FALSE(document["statuses"].empty()) << c.legend;
        EXPECT_EQ(document["statuses"].back()["text"], "There was a failure with the operation!")
            << c.legend;
        ASSERT_FALSE(document["messageBoxes"].empty()) << c.legend;
        const std::string last = document["messageBoxes"].back()["text"].get<std::string>();
        EXPECT_TRUE(IsFailureMessage(last)) << c.legend << ": " << last;
        EXPECT_LE(document["durationMs"].get<std::int64_t>(), c.maxMs) << c.legend;
        EXPECT_EQ(outcome.radioAfter, outcome.radioBefore)
            << c.legend << ": the receiver's radio block is as it was";
    }
}

}  // namespace

// vantor-host run --json against vorin-sim over a pseudo-terminal: the document on standard
// output, read back with nlohmann-json, holds what the run did; a run's wire trace replayed by
// vorin-sim --replay gives the same run again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "host_process.h"
#include "sim_process.h"

namespace {

using Json = nlohmann::json;

using e2e::HostRun;

// The version check with --json; only standard output is kept, the human lines go to standard
// error.
HostRun RunJson(const std::string& device, const std::string& arguments) {
    return e2e::RunHost(
        e2e::RunOnCom5("Verify GPS software version", device) + " --json " + arguments, "",
        "2>/dev/null");
}

Json Parse(const HostRun& run) {
    Json document = Json::parse(run.output, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << "stdout is not one JSON document:\n" << run.output;
    return document;
}

// Every list of timed entries runs forward in time and ends within the run.
void ExpectTimesInOrder(const Json& document) {
    const std::int64_t duration = document["durationMs"].get<std::int64_t>();
    for (const char* list : {"statuses", "progress", "messageBoxes", "dialogs", "clipboard"}) {
        std::int64_t last = 0;
        for (const Json& entry : document[list]) {
            const std::int64_t ms = entry["ms"].get<std::int64_t>();
            EXPECT_GE(ms, last) << list;
            EXPECT_LE(ms, duration) << list;
            last = ms;
        }
    }
}

std::string ControlText(const Json& dialog, int id) {
    for (const Json& control : dialog["controls"]) {
        if (control["id"] == id) {
            return control["text"].get<std::string>();
        }
    }
    return "<no control " + std::to_string(id) + ">";
}

TEST(HostJson, CompletedRunHoldsStatusesDialogAndResult) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error)) << error;
    const HostRun run = RunJson(sim.Port(), "");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(run.exitStatus, 0);
    const Json document = Parse(run);
    ASSERT_TRUE(document.is_object());

    EXPECT_EQ(document["plugin"]["version"], "4.86b0");
    EXPECT_NE(document["plugin"]["path"].get<std::string>().find("libDevVorin.so"),
              std::string::npos);
    EXPECT_EQ(document["operation"]["name"], "Verify GPS software version");
    EXPECT_EQ(document["port"], 5);

    std::vector<std::string> statuses;
    for (const Json& status : document["statuses"]) {
        statuses.push_back(status["text"]);
    }
    const std::vector<std::string> expected = {
        "Establishing communication with the Orrick receiver. Please wait...",
        "Retrieving version information...", "The version was retrieved successfully."};
    EXPECT_EQ(statuses, expected);
    ASSERT_FALSE(document["progress"].empty());
    EXPECT_EQ(document["progress"].back()["value"], 100);

    ASSERT_EQ(document["dialogs"].size(), 1U);
    const Json& dialog = document["dialogs"][0];
    EXPECT_EQ(dialog["id"], 106);
    EXPECT_EQ(dialog["caption"], "Software Version");
    EXPECT_EQ(dialog["answer"], "ok");
    EXPECT_EQ(ControlText(dialog, 1019), "5213K40078");
    EXPECT_EQ(ControlText(dialog, 1017), "4.12");
    EXPECT_EQ(ControlText(dialog, 1067), "3.05");
    EXPECT_EQ(ControlText(dialog, 1077), "1.23");
    EXPECT_EQ(ControlText(dialog, 1095), "");

    EXPECT_TRUE(document["messageBoxes"].empty());
    EXPECT_EQ(document["result"]["code"], 1);
    EXPECT_EQ(document["result"]["meaning"], "completed");
    EXPECT_EQ(document["exitStatus"], 0);
    ExpectTimesInOrder(document);
}

TEST(HostJson, RefusedReceiverHoldsTheBoxAndItsAnswer) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("in-monitor", error)) << error;
    const HostRun run = RunJson(sim.Port(), "--answer ok");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(run.exitStatus, 2);
    const Json document = Parse(run);
    ASSERT_TRUE(document.is_object());

    ASSERT_EQ(document["messageBoxes"].size(), 1U);
    const Json& box = document["messageBoxes"][0];
    EXPECT_EQ(box["text"].get<std::string>().rfind(
                  "The device found on COM5 is not running the application.\n", 0),
              0U)
        << box.dump();
    EXPECT_EQ(box["caption"], "DevVorin");
    EXPECT_EQ(box["flags"], 0x10000);
    EXPECT_EQ(box["answer"], "ok");
    EXPECT_TRUE(document["dialogs"].empty());
    EXPECT_EQ(document["statuses"].back()["text"], "The operation was canceled.");
    EXPECT_EQ(document["result"]["code"], 2);
    EXPECT_EQ(document["result"]["meaning"], "cancelled");
    EXPECT_EQ(document["exitStatus"], 2);
    ExpectTimesInOrder(document);
}

}  // namespace

namespace {

// What a user saw of a run, without its times.
Json WithoutTimes(Json document) {
    for (const char* list :
         {"statuses", "progress", "titles", "messageBoxes", "dialogs", "clipboard"}) {
        for (Json& entry : document[list]) {
            entry.erase("ms");
        }
    }
    Json seen;
    for (const char* field : {"statuses", "progress", "titles", "messageBoxes", "dialogs",
                              "clipboard", "result", "exitStatus"}) {
        seen[field] = document[field];
    }
    return seen;
}

TEST(TraceReplay, ReplayedTraceGivesTheSameRun) {
    struct Case {
        const char* legend;
        std::string profile;
        std::string arguments;
        int exitStatus;
    };
    const std::vector<Case> cases = {
        {"default receiver: identification, radio, versions, dialog", "", "", 0},
        {"receiver in its monitor: turned away with a box", "in-monitor", "", 2},
    };
    for (const Case& c : cases) {
        char dir[] = "/tmp/vorin-trace-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        const std::string trace = std::string(dir) + "/run.jsonl";
        std::string error;

        e2e::SimProcess sim;
        ASSERT_TRUE(sim.Start(c.profile, error)) << c.legend << ": " << error;
        const HostRun recorded = RunJson(sim.Port(), "--trace " + trace + " " + c.arguments);
        EXPECT_EQ(sim.Stop(), 0) << c.legend;
        EXPECT_EQ(recorded.exitStatus, c.exitStatus) << c.legend;
        std::ifstream in(trace);
        std::string first;
        ASSERT_TRUE(std::getline(in, first)) << c.legend << ": no trace written";
        EXPECT_EQ(Json::parse(first)["event"], "start") << c.legend;

        e2e::SimProcess replay;
        ASSERT_TRUE(replay.Start("", error, {"--replay", trace})) << c.legend << ": " << error;
        const HostRun replayed = RunJson(replay.Port(), c.arguments);
        EXPECT_EQ(replay.Stop(), 0) << c.legend;

        EXPECT_EQ(replayed.exitStatus, recorded.exitStatus) << c.legend;
        const Json before = WithoutTimes(Parse(recorded));
        const Json after = WithoutTimes(Parse(replayed));
        EXPECT_EQ(after, before) << c.legend << "\nrecorded: " << before.dump(1)
                                 << "\nreplayed: " << after.dump(1);
        std::remove(trace.c_str());
        rmdir(dir);
    }
}

}  // namespace

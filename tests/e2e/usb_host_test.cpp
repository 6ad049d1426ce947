// vantor-host + libDevVorin.so + vorin-sim over real pseudo-terminals, a receiver on its USB port:
// its terminal goes away whenever the receiver reboots and a new one comes back behind the same
// link. Every operation completes; a port that comes back after the plug-in's first reopen is
// found by the reopens and identification tries that follow; one that never comes back ends
// the run with the port's open failure, in time. The runs go side by side: each waits on the
// receiver's reboots far more than it computes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host_process.h"
#include "sim_process.h"

namespace {

using Json = nlohmann::json;

struct Case {
    const char* legend;
    std::string operation;
    std::string profile;  // a shipped profile, or a path
    std::string environment;
    std::string answers;
    int exitStatus;
    std::vector<std::string> lines;  // each stands whole in the host's output
    int leaves;                      // times the simulator's terminal went away
    int returns;                     // and came back
};

struct Outcome {
    std::string port;  // the simulator's link, the device COM5 stands for
    e2e::HostRun run;
    Json document;
    std::string trace;
    std::string simLog;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& piece) {
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size())) {
        ++count;
    }
    return count;
}

// One run against its own simulator; no test assertion here, as it runs on its own thread.
Outcome Play(const Case& c, const std::string& tag) {
    Outcome outcome;
    e2e::SimProcess sim;
    std::string error;
    if (!sim.Start(c.profile, error)) {
        outcome.run.output = error;
        return outcome;
    }
    outcome.port = sim.Port();
    const std::string files = "/tmp/vorin-usb-" + std::to_string(getpid()) + "-" + tag;
    outcome.run =
        e2e::RunHost(e2e::RunOnCom5(c.operation, sim.Port()) + " --json --trace " + files +
                         ".trace" + (c.answers.empty() ? "" : " --answer " + c.answers),
                     c.environment, "2>&1 >" + files + ".json");
    outcome.document = Json::parse(ReadText(files + ".json"), nullptr, false);
    outcome.trace = ReadText(files + ".trace");
    unlink((files + ".json").c_str());
    unlink((files + ".trace").c_str());
    sim.Stop();
    outcome.simLog = sim.Log();
    return outcome;
}

// Plays every case at once and checks each.
void PlayAll(const std::vector<Case>& cases,
             const std::function<void(const Case&, const Outcome&)>& more = nullptr) {
    std::vector<std::future<Outcome>> runs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        runs.push_back(
            std::async(std::launch::async, Play, std::cref(cases[i]), std::to_string(i)));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const Outcome outcome = runs[i].get();
        const std::string context = outcome.run.output + "\n--- vorin-sim:\n" + outcome.simLog;
        EXPECT_EQ(outcome.run.exitStatus, c.exitStatus) << c.legend << "\n" << context;
        e2e::ExpectLines(outcome.run, c.lines, c.legend);
        EXPECT_EQ(Count(outcome.simLog, "vorin-sim: off the bus"), c.leaves) << c.legend << "\n"
                                                                             << context;
        EXPECT_EQ(Count(outcome.simLog, "vorin-sim: back on the bus"), c.returns)
            << c.legend << "\n"
            << context;
        ASSERT_TRUE(outcome.document.is_object()) << c.legend << "\n" << context;
        std::printf("%s: %lld ms\n", c.legend,
                    static_cast<long long>(outcome.document.value("durationMs", -1)));
        if (more) {
            more(c, outcome);
        }
    }
}

const std::string kUsb = "usb-port";
const std::string kConnecting =
    "status: Establishing communication with the Orrick receiver. Please wait...";

TEST(UsbHost, EveryOperationLateAndNeverBack) {
    // The simulator's boots and returns shrink with the plug-in's fixed waits.
    setenv("DEVVORIN_TIME_SCALE", "0.1", 1);
    // The shipped USB receiver, with a quick radio commit for the wipe and the standard error-log
    // window (hardware 2.0) for the log's memory read, to keep the runs short.
    char dir[] = "/tmp/vorin-usb-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string quick = std::string(dir) + "/usb-quick.json";
    std::ofstream(quick) << R"({"port": {"number": 15, "baud": 115200},
                                "delays": {"radioCommitMs": 400},
                                "infoBlock": {"hardware": {"major": 2, "minor": 0}}})";
    const std::vector<Case> cases = {
        {"version check: no reboot, the terminal stays",
         "Verify GPS software version",
         kUsb,
         "",
         "",
         0,
         {kConnecting, "|  Model: Orrick Receiver", "|  Software Version: [4.12]",
          "result: 1 (completed)"},
         0,
         0},
        {"options: into the monitor and back, the terminal away twice",
         "Verify receiver options",
         kUsb,
         "",
         "",
         0,
         {"|  Device: Vorin R10", "status: Rebooting the Orrick receiver...",
          "status: The configuration was retrieved successfully.", "result: 1 (completed)"},
         2,
         2},
        {"error log, service view: read from the monitor's memory",
         "View error log",
         quick,
         "DEVVORIN_KEYS=ctrl,alt",
         "ok",
         0,
         {"dialog 138:", "+--- Vorin Error Log Retrieval ---", "result: 1 (completed)"},
         1,
         1},
        {"wipe: into the monitor, the radio block written, back",
         "Wipe Radio Configuration Blocks",
         quick,
         "DEVVORIN_KEYS=ctrl,alt",
         "yes",
         0,
         {"status: Initializing monitor...", "status: Rebooting Orrick receiver...",
          "status: Radio configuration blocks are erased successfully.", "result: 1 (completed)"},
         2,
         2},
        {"late: back 25 s after each reboot, after the first reopen each time",
         "Verify receiver options",
         "usb-late",
         "",
         "",
         0,
         {"|  Device: Vorin R10", "result: 1 (completed)"},
         2,
         2},
        {"never back: the port's open failure",
         "Verify receiver options",
         "usb-gone",
         "",
         "",
         1,
         {"COM Failure! [301] There was a failure [2] attempting to open COM5.",
          "status: There was a failure with the operation!", "result: 0 (failed)"},
         1,
         0},
    };
    PlayAll(cases, [](const Case& c, const Outcome& outcome) {
        const Json& document = outcome.document;
        const int failedOpens = Count(outcome.trace, R"("event":"port-failure","call":"open")");
        if (c.profile == "usb-late") {
            // At least the restart's open after entering the monitor and the first reopen after
            // leaving it.
            EXPECT_GE(failedOpens, 2) << c.legend << "\n" << outcome.trace;
        } else if (c.profile == "usb-gone") {
            // The restart's open and one before each of the eight identification tries.
            EXPECT_EQ(failedOpens, 9) << c.legend << "\n" << outcome.trace;
            // Identification, 500 ms, the 14 s boot, 5 s, the restart's 2 s, 5 s after the failed
            // open, seven waits of 7 s between the tries: about 80 s at a tenth, and no more.
            EXPECT_LE(document["durationMs"].get<std::int64_t>(), 11000) << c.legend;
            ASSERT_FALSE(document["messageBoxes"].empty()) << c.legend;
            EXPECT_NE(document["messageBoxes"].back()["text"].get<std::string>().find(
                          "COM Failure! [301] There was a failure [2] attempting to open COM5."),
                      std::string::npos)
                << c.legend;
            // The host names the device that went away.
            e2e::ExpectLines(outcome.run,
                             {"vantor-host: COM5 is " + outcome.port +
                              " here (from --device or DEVVORIN_COM5), which cannot be opened: "
                              "No such file or directory"},
                             c.legend);
        } else {
            EXPECT_EQ(failedOpens, 0) << c.legend << ": a port back in time\n" << outcome.trace;
        }
    });
    unlink(quick.c_str());
    rmdir(dir);
}

}  // namespace

// vantor-host + libDevVorin.so + vorin-sim over a real pseudo-terminal: "Verify GPS software
// version" from the host's command line to the dialog's contents and the exit status.
#include <gtest/gtest.h>

#include <string>

#include "host_process.h"
#include "sim_process.h"

namespace {

using e2e::HostRun;

struct Case {
    const char* legend;
    std::string profile;
    std::string arguments;
    int exitStatus;
    std::vector<std::string> lines;  // each must appear in the output
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        e2e::SimProcess sim;
        std::string error;
        ASSERT_TRUE(sim.Start(c.profile, error)) << c.legend << ": " << error;
        const HostRun run = e2e::RunHost(e2e::RunOnCom5("0", sim.Port()) + " " + c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.legend << "\n" << run.output;
        e2e::ExpectLines(run, c.lines, c.legend);
        EXPECT_EQ(sim.Stop(), 0) << c.legend;
    }
}

// The main job's run: the built-in receiver with its radio.
TEST(VersionHost, DefaultReceiverShowsTheSixValues) {
    const std::vector<Case> cases = {
        {"default receiver: the dialog's six values, result 1",
         "",
         "",
         0,
         {"status: Establishing communication with the Orrick receiver. Please wait...",
          "status: Retrieving version information...", "progress: 100%",
          "dialog 106:", "+--- Software Version ---", "|  Model: Orrick Receiver",
          "|  Serial Number: [5213K40078]", "|  Software Version: [4.12]",
          "|  Boot Version: [3.05]", "|  Radio Version: [1.23]", "|  PCB S/N: []",
          "status: The version was retrieved successfully.", "done message (0x5F7) received",
          "result: 1 (completed)"}},
    };
    RunCases(cases);
}

TEST(VersionHost, RejectedAndRadiolessReceivers) {
    const std::vector<Case> cases = {
        {"receiver without a radio, dialog closed with Escape: still completed",
         "no-radio",
         "--answer escape",
         0,
         {"|  Radio Version: []", "answered: escape", "result: 1 (completed)"}},
        {"receiver in its monitor: message 731, cancelled",
         "in-monitor",
         "",
         2,
         {"message box [DevVorin] (flags 0x10000):",
          "The device found on COM5 is not running the application.",
          "status: The operation was canceled.", "result: 2 (cancelled)"}},
    };
    RunCases(cases);
}

}  // namespace

// vantor-host + libDevVorin.so + vorin-sim over a real pseudo-terminal: "View error log" over TC
// with the detail, both copies and the clear, and from the memory of a receiver in its monitor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_process.h"
#include "sim_process.h"

namespace {

using e2e::HostRun;

// Runs "View error log" on the simulator's terminal as COM5 with the answers.
HostRun RunLog(const std::string& device, const std::string& answers) {
    return e2e::RunHost(e2e::RunOnCom5("View error log", device) + " --answer '" + answers + "'");
}

void ExpectInOrder(const HostRun& run, const std::vector<std::string>& pieces) {
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = run.output.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: \"" << piece << "\" in\n"
                                            << run.output;
        at = found + piece.size();
    }
}

// The built-in receiver runs its application: the viewer with Clear, the detail of its oldest
// entry (the "Type"/"Version" range) and its copy, Copy All, then Clear confirmed. A second run
// finds the receiver's log empty.
TEST(ErrorLogHost, ApplicationLogDetailCopiesAndClear) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error)) << error;

    const HostRun run =
        RunLog(sim.Port(), "dblclick:1041:2,press:1001,ok,press:1094,press:1040,yes,ok");
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    ExpectInOrder(
        run, {"title: Retrieve Error Log",
              "dialog 138:",
              "+--- Vorin Error Log Retrieval ---",
              "    Runtime Warning:\t0x0000BEEF  At time: ",
              "    Radio Error:\t0x0A010203  At time: ",
              "    Startup Error:\t0x70085000  At time: ",
              "|  Press the clear button to erase all the errors in the Vorin.",
              "[ Clear ]",
              "dialog 139:",
              "+--- Error Detail ---",
              "|  Software Version: [4.12] Software Date: [3/5/2014]",
              "    | Subject | Information",
              "    | Error Number | 0x70085000",
              "    | Type | 0x0040A1B4",
              "    | Version | 0x00000412",
              "    | Stack Pointer | 0x0007FF00",
              "    | Trace 1 | 0x00402000",
              "    | Offset 3 | 0x00000004",
              "clipboard:\nType: Startup Error\r\nNumber: 0x70085000\r\nID: 3   DA: 0x00000412\r\n"
              "VPC: 0x12  PC: 0x0040A1B4\r\n",
              "answered: dblclick:1041:2",
              "clipboard:\nType: Runtime Warning\r\nNumber: 0x0000BEEF\r\n",
              "Type: Startup Error\r\nNumber: 0x70085000\r\n",
              "answered: press:1094",
              "message box [Retrieve Error Log]",
              "Clearing the error log will delete all the errors logged to the Orrick receiver.\n"
              "Do you wish to continue with the clear operation?",
              "answered: yes",
              "answered: press:1040",
              "status: The error log was retrieved successfully.",
              "result: 1 (completed)"});
    EXPECT_EQ(run.output.find("Failure!"), std::string::npos) << run.output;

    const HostRun again = RunLog(sim.Port(), "ok");
    EXPECT_EQ(again.exitStatus, 0) << again.output;
    ExpectInOrder(again, {"message box [Retrieve Error Log]",
                          "There are no errors in the error log of the Orrick receiver!",
                          "progress: 100%", "result: 1 (completed)"});
    EXPECT_EQ(again.output.find("dialog 138:"), std::string::npos) << again.output;
    EXPECT_EQ(sim.Stop(), 0);
}

// A receiver in its monitor: the log read from memory, shown without Clear; stored most
// significant byte first, or low byte first by a receiver whose hardware flag is set.
TEST(ErrorLogHost, MonitorLogFromMemoryWithoutClear) {
    for (const char* profile : {"error-log-monitor-layout1", "error-log-monitor-little-endian"}) {
        e2e::SimProcess sim;
        std::string error;
        ASSERT_TRUE(sim.Start(profile, error)) << error;
        const HostRun run = RunLog(sim.Port(), "press:1094,ok");
        EXPECT_EQ(run.exitStatus, 0) << profile << "\n" << run.output;
        ExpectInOrder(run, {"dialog 138:", "    Startup Error:\t0x70085000  At time: ",
                            "    Radio Error:\t0x0A010203  At time: ",
                            "    Runtime Warning:\t0x0000BEEF  At time: ", "[ Copy All ]  [ OK ]",
                            "clipboard:\nType: Startup Error\r\nNumber: 0x70085000\r\n",
                            "result: 1 (completed)"});
        EXPECT_EQ(run.output.find("[ Clear ]"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Press the clear button"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("* DELETED *"), std::string::npos) << run.output;
        EXPECT_EQ(sim.Stop(), 0) << profile;
    }
}

}  // namespace

// vantor-host + libDevVorin.so + vorin-sim over a real pseudo-terminal: "Verify receiver options"
// from the host's command line to the rows of the "Device Configuration" dialog, and the receiver
// running its application again afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_process.h"
#include "sim_process.h"

namespace {

using e2e::HostRun;

// An option row as the host prints it: the four cells after the row marker.
std::string Row(const std::string& option, const std::string& status, const std::string& from = "",
                const std::string& to = "") {
    return "    | " + option + " | " + status + " | " + from + " | " + to;
}

TEST(OptionsHost, DefaultReceiverListsItsOptionsAndReturnsToItsApplication) {
    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error)) << error;

    const HostRun run = e2e::RunHost(e2e::RunOnCom5("Verify receiver options", sim.Port()));
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    e2e::ExpectLines(
        run, {
                 "title: Read Configuration",
                 "status: Establishing communication with the Orrick receiver. Please wait...",
                 "progress: 100%",
                 "dialog 113:",
                 "+--- Device Configuration  ---",
                 "|  Device: Vorin R10",
                 "|  S/N: [5213K40078]",
                 "|  Installed Options",
                 "    | Option | Status | From | To",
                 Row("CMR Inputs", "Enabled"),
                 Row("RTCM Outputs", "Enabled", "03/05/2014", "03/05/2015"),
                 Row("Event Marker", "Disabled", "01/01/2013", "06/30/2013"),
                 Row("UHF Transmit", "Enabled", "03/05/2014", "03/05/2019"),
                 Row("Hardware Version", "2.1"),
                 Row("Firmware Option", "Enabled", "", "3/2014"),
                 Row("Log Memory Limit", "10.00 G"),
                 Row("Pendle End", "Always"),
                 Row("Extended Receiver ID", "Kessick"),
                 "|  [ OK ]",
                 "status: Rebooting the Orrick receiver...",
                 "status: The configuration was retrieved successfully.",
                 "done message (0x5F7) received",
                 "result: 1 (completed)",
             });
    for (const char* absent :
         {"10 Hz Measurements", "Disable USB", "Downgrade Limit", "[ &Save", "[ &Cancel", "P/N:"}) {
        EXPECT_EQ(run.output.find(absent), std::string::npos) << absent << " shown in\n"
                                                              << run.output;
    }

    // Only a receiver in its application answers the version check.
    const HostRun check = e2e::RunHost(e2e::RunOnCom5("Verify GPS software version", sim.Port()));
    EXPECT_EQ(check.exitStatus, 0) << check.output;
    e2e::ExpectLines(check, {"|  Model: Orrick Receiver", "result: 1 (completed)"});
    EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace

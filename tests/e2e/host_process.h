#pragma once

#include <string>
#include <vector>

namespace e2e {

// What a finished host command left: its exit status (-1 when it did not exit normally) and its
// output.
struct HostRun {
    int exitStatus = -1;
    std::string output;
};

// Runs a shell command to its end and collects what it writes to standard output (redirect
// standard error into it where it matters).
HostRun RunCommand(const std::string& command);

// Runs VANTOR_HOST with the arguments and the fixed waits at a tenth of their time. environment
// (assignments such as "DEVVORIN_KEYS=ctrl,alt") goes before the command, streams after it:
// standard error joins standard output unless streams says otherwise.
HostRun RunHost(const std::string& arguments, const std::string& environment = "",
                const std::string& streams = "2>&1");
// The arguments that run an operation (a name or an index) on COM5, mapped to device.
std::string RunOnCom5(const std::string& operation, const std::string& device);

// Each line stands whole in the run's output.
void ExpectLines(const HostRun& run, const std::vector<std::string>& lines,
                 const std::string& legend = "");

}  // namespace e2e

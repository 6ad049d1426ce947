#pragma once

#include <string>

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

}  // namespace e2e

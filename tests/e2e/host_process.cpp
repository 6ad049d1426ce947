#include "host_process.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace e2e {

HostRun RunCommand(const std::string& command) {
    HostRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        run.output = "cannot start " + command;
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

HostRun RunHost(const std::string& arguments, const std::string& environment,
                const std::string& streams) {
    const char* host = std::getenv("VANTOR_HOST");
    if (host == nullptr) {
        return {-1, "VANTOR_HOST is not set"};
    }
    return RunCommand("DEVVORIN_TIME_SCALE=0.1 " + environment + " '" + host + "' " + arguments +
                      " " + streams);
}

std::string RunOnCom5(const std::string& operation, const std::string& device) {
    return "run '" + operation + "' --port 5 --device '" + device + "'";
}

void ExpectLines(const HostRun& run, const std::vector<std::string>& lines,
                 const std::string& legend) {
    for (const std::string& line : lines) {
        EXPECT_NE(run.output.find(line + "\n"), std::string::npos)
            << legend << ": missing \"" << line << "\" in\n"
            << run.output;
    }
}

}  // namespace e2e

#include "host_process.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

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

}  // namespace e2e

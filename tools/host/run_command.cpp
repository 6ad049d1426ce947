#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "run_args.h"
#include "run_platform.h"
#include "run_report.h"

namespace {

// The operation's index from an index or an exact name; -1 when none matches.
int ResolveOperation(Plugin& plugin, const std::string& wanted) {
    const std::int32_t count = plugin.getNumberOperations();
    char* end = nullptr;
    const long index = std::strtol(wanted.c_str(), &end, 10);
    if (!wanted.empty() && end != nullptr && *end == '\0') {
        return index >= 0 && index < count ? static_cast<int>(index) : -1;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        std::array<char, 1025> name{};
        if (plugin.getOperation(i, name.data(), 1024) != 0 && wanted == name.data()) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int RunRun(Plugin& plugin, const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::printf("usage: vantor-host %s", RunHelp());
            return 0;
        }
    }
    RunArgs run;
    std::string error;
    if (!ParseRunArgs(args, run, error)) {
        std::fprintf(stderr, "vantor-host: %s\n\nusage: vantor-host %s", error.c_str(), RunHelp());
        return 1;
    }
    const int index = ResolveOperation(plugin, run.operation);
    if (index < 0) {
        std::fprintf(stderr, "vantor-host: no operation '%s' (see vantor-host list)\n",
                     run.operation.c_str());
        return 1;
    }
    std::array<char, 1025> name{};
    plugin.getOperation(index, name.data(), 1024);
    std::fprintf(stderr, "running operation %d \"%s\" on COM%d\n", index, name.data(), run.port);
    std::array<char, 1025> version{};
    if (plugin.getVersionInfo(version.data(), 1024) == 0) {
        version[0] = '\0';
    }
    RunReport& report = HostRunReport();
    if (!run.trace.empty()) {
        SetPluginEnvironment("DEVVORIN_TRACE", run.trace);
    }
    report.Begin(plugin.Path(), version.data(), index, name.data(), run.port);
    const int result = RunOnPlatform(plugin, index, run);
    const int status = ExitStatusOf(result);
    report.End(result, status);
    if (run.json) {
        const std::string document = report.ToJson();
        std::fwrite(document.data(), 1, document.size(), stdout);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "result: %d (%s)\n", result,
                 status == 0   ? "completed"
                 : status == 2 ? "cancelled"
                               : "failed");
    return status;
}

// vantor-host: our stand-in for the host application. It loads the plug-in and drives it
// through its exports, as the host does.
#include <clocale>
#include <cstdio>
#include <string>

#include "commands.h"
#include "exit_status.h"
#include "host_args.h"
#include "plugin.h"
#include "run_args.h"
#include "run_platform.h"

namespace {

void PrintUsage() {
    std::printf(
        "usage: vantor-host [--plugin PATH] <command> [arguments]\n"
        "\n"
        "Loads the DevVorin plug-in (by default the one beside this program; an installed\n"
        "vantor-host takes ../lib/devvorin/libDevVorin.so) and drives it through its exports.\n"
        "\n"
        "options:\n"
        "  --plugin PATH  the plug-in library to load (also --plugin=PATH)\n"
        "  -h, --help     show this help\n"
        "  --version      show the version of vantor-host\n"
        "\n"
        "commands:\n");
    for (const HostCommand& command : HostCommands()) {
        std::printf("  %-8s %s\n", command.name, command.summary);
    }
    std::printf("\n%s", RunHelp());
}

int UsageError(const HostArgs& args, const std::string& error) {
    const bool run = args.command == "run";
    std::fprintf(stderr, "vantor-host%s: %s; see vantor-host%s --help\n", run ? " run" : "",
                 error.c_str(), run ? " run" : "");
    return exit_status::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // The user's date and time format: on Linux the plug-in formats times in the process's
    // LC_TIME locale (on Windows it asks for the user's locale itself).
    std::setlocale(LC_TIME, "");
    HostArgs args;
    std::string error;
    if (!ParseHostArgs(argc, argv, args, error)) {
        return UsageError(args, error);
    }
    if (args.version) {
        std::printf("vantor-host (DevVorin) %s\n", DEVVORIN_VERSION);
        return exit_status::kCompleted;
    }
    if (args.help) {
        if (args.command == "run") {
            std::printf("usage: vantor-host %s", RunHelp());
        } else {
            PrintUsage();
        }
        return exit_status::kCompleted;
    }
    if (args.command == "run" && !CheckRunOnPlatform(args.run, error)) {
        return UsageError(args, error);
    }
    Plugin plugin;
    const std::string path = args.plugin.empty() ? DefaultPluginPath(argv[0]) : args.plugin;
    if (!plugin.Load(path, error)) {
        std::fprintf(stderr, "vantor-host: %s\n", error.c_str());
        return exit_status::kFailed;
    }
    PrepareHostUi(plugin);
    for (const HostCommand& command : HostCommands()) {
        if (args.command == command.name) {
            return command.run(plugin, args);
        }
    }
    return UsageError(args, "unknown command '" + args.command + "'");
}

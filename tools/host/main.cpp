// vantor-host: our stand-in for the host application. It loads the plug-in and drives it
// through its exports, as the host does.
#include <clocale>
#include <cstdio>
#include <string>

#include "commands.h"
#include "host_args.h"
#include "plugin.h"
#include "run_args.h"

namespace {

void PrintUsage() {
    std::printf(
        "usage: vantor-host [--plugin PATH] <command> [arguments]\n"
        "\n"
        "Loads the DevVorin plug-in (by default the one beside this program; an installed\n"
        "vantor-host takes ../lib/devvorin/libDevVorin.so) and drives it through its exports.\n"
        "\n"
        "options:\n"
        "  --plugin PATH  the plug-in library to load\n"
        "  -h, --help     show this help\n"
        "  --version      show the version of vantor-host\n"
        "\n"
        "commands:\n");
    for (const HostCommand& command : HostCommands()) {
        std::printf("  %-8s %s\n", command.name, command.summary);
    }
    std::printf("\n%s", RunHelp());
}

}  // namespace

int main(int argc, char** argv) {
    // The user's date and time format: on Linux the plug-in formats times in the process's
    // LC_TIME locale (on Windows it asks for the user's locale itself).
    std::setlocale(LC_TIME, "");
    HostArgs args;
    std::string error;
    if (!ParseHostArgs(argc, argv, args, error)) {
        std::fprintf(stderr, "vantor-host: %s\n\n", error.c_str());
        PrintUsage();
        return 2;
    }
    if (args.version) {
        std::printf("vantor-host (DevVorin) %s\n", DEVVORIN_VERSION);
        return 0;
    }
    if (args.help || args.command.empty() || args.command == "help") {
        PrintUsage();
        return args.help || args.command == "help" ? 0 : 2;
    }
    const HostCommand* chosen = nullptr;
    for (const HostCommand& command : HostCommands()) {
        if (args.command == command.name) {
            chosen = &command;
        }
    }
    if (chosen == nullptr) {
        std::fprintf(stderr, "vantor-host: unknown command '%s'\n\n", args.command.c_str());
        PrintUsage();
        return 2;
    }
    Plugin plugin;
    const std::string path = args.plugin.empty() ? DefaultPluginPath(argv[0]) : args.plugin;
    if (!plugin.Load(path, error)) {
        std::fprintf(stderr, "vantor-host: %s\n", error.c_str());
        return 1;
    }
    PrepareHostUi(plugin);
    return chosen->run(plugin, args.rest);
}

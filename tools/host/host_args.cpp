#include "host_args.h"

#include "commands.h"

namespace {

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

bool KnownCommand(const std::string& name) {
    for (const HostCommand& command : HostCommands()) {
        if (name == command.name) {
            return true;
        }
    }
    return false;
}

// The command's own arguments: run has its options; the others take none.
bool ParseCommandArgs(const std::vector<std::string>& rest, HostArgs& args, std::string& error) {
    for (const std::string& arg : rest) {
        if (IsHelp(arg)) {
            args.help = true;
            return true;
        }
    }
    if (args.command == "run") {
        return ParseRunArgs(rest, args.run, error);
    }
    if (!rest.empty()) {
        error = args.command + " takes no arguments, got '" + rest.front() + "'";
        return false;
    }
    return true;
}

}  // namespace

bool ParseHostArgs(int argc, char** argv, HostArgs& args, std::string& error) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!args.command.empty()) {
            rest.push_back(arg);
        } else if (IsHelp(arg) || arg == "help") {
            args.help = true;
        } else if (arg == "--version") {
            args.version = true;
        } else if (arg == "--plugin" || arg.rfind("--plugin=", 0) == 0) {
            args.plugin = arg == "--plugin" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(9);
            if (args.plugin.empty()) {
                error = "--plugin needs the path of the plug-in";
                return false;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg.substr(0, arg.find('='));
            return false;
        } else if (!KnownCommand(arg)) {
            error = "unknown command '" + arg + "'";
            return false;
        } else {
            args.command = arg;
        }
    }
    if (args.command.empty()) {
        if (!args.help && !args.version) {
            error = "which command? (list, run or smoke)";
        }
        return args.help || args.version;
    }
    return ParseCommandArgs(rest, args, error);
}

#include "host_args.h"

bool ParseHostArgs(int argc, char** argv, HostArgs& args, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!args.command.empty()) {
            args.rest.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            args.help = true;
        } else if (arg == "--version") {
            args.version = true;
        } else if (arg == "--plugin") {
            if (i + 1 >= argc) {
                error = "--plugin needs the path of the plug-in";
                return false;
            }
            args.plugin = argv[++i];
        } else if (arg.rfind("--plugin=", 0) == 0) {
            args.plugin = arg.substr(9);
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            args.command = arg;
        }
    }
    return true;
}

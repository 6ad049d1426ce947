#include "commands.h"

const std::vector<HostCommand>& HostCommands() {
    static const std::vector<HostCommand> commands = {
        {"list", "print every operation with its description and its four texts", RunList},
        {"run", "run one operation on a COM port: run <index|name> --port N (see run --help)",
         RunRun},
        {"smoke", "check that the plug-in loads and answers every export", RunSmoke},
    };
    return commands;
}

#pragma once

#include <string>
#include <vector>

#include "host_args.h"
#include "plugin.h"

// One host command. Each gets the loaded plug-in and the parsed command line and returns the
// exit status of vantor-host.
struct HostCommand {
    const char* name;
    const char* summary;
    int (*run)(Plugin& plugin, HostArgs& args);
};

// The command table; add a command by adding a row in commands.cpp.
const std::vector<HostCommand>& HostCommands();

// "list": every operation with its description and its four texts.
int RunList(Plugin& plugin, HostArgs& args);
// "run": one operation through DoOperation on a COM port (run_command.cpp, run_args.h).
int RunRun(Plugin& plugin, HostArgs& args);
// "smoke": the load check that the test suites run (smoke_posix.cpp / smoke_win32.cpp).
int RunSmoke(Plugin& plugin, HostArgs& args);

// Installs the host's UI driver in the plug-in where the platform needs one (POSIX); records
// posted window messages for the smoke check.
void PrepareHostUi(Plugin& plugin);

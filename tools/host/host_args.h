#pragma once

#include <string>
#include <vector>

#include "run_args.h"

// vantor-host [--plugin PATH] <command> [arguments...] | --help | --version
struct HostArgs {
    std::string plugin;  // empty: beside the host program
    bool help = false;   // show the help (of the command, when one was given)
    bool version = false;
    std::string command;  // a name of the command table
    RunArgs run;          // the run command's own arguments
};

// Parses the whole command line before anything is loaded; false with error set (one line) on
// a usage error.
bool ParseHostArgs(int argc, char** argv, HostArgs& args, std::string& error);

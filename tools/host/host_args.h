#pragma once

#include <string>
#include <vector>

// vantor-host [--plugin PATH] <command> [arguments...] | --help | --version
struct HostArgs {
    std::string plugin;  // empty: beside the host program
    bool help = false;
    bool version = false;
    std::string command;            // empty when none was given
    std::vector<std::string> rest;  // the command's own arguments
};

// Parses the command line; false with error set on a malformed one.
bool ParseHostArgs(int argc, char** argv, HostArgs& args, std::string& error);

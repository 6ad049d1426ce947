#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "answer.h"

// vantor-host run <index|name> --port N [--device PATH] [--answer LIST] [--test-mode DIR] [--json]
//                     [--trace FILE] [--expect WORD] [--cancel-after MS] [--repeat N] [--stats
//                     FILE]
// vantor-host run --plan FILE [--repeat N] [--stats FILE]
// Every option also as --option=value. Several ports (or any rack option: --ports, --jobs,
// --report, --device N=PATH) make a rack: one child per port.
struct RunArgs {
    std::string operation;       // index or exact name
    int port = 0;                // n of COMn, 1..1024
    std::string device;          // POSIX: the device path COMn stands for
    std::deque<Answer> answers;  // scripted answers to boxes and dialogs, in order
    std::string shotDir;         // Win32 test mode: where dialog screenshots go
    bool json = false;           // one JSON document of the run on standard output
    std::string trace;           // the wire trace's file (DEVVORIN_TRACE for the run)
    std::string expect;          // the ending the run should have: completed, failed, cancelled
    int cancelAfterMs = -1;      // the cancel event is set this long after DoOperation begins
    // A working day in one process (run_repeat.h): the runs, the plan of runs they take in
    // turn, and the file of each run's figures.
    int repeat = 0;  // 0: not asked for (one run, or each line of the plan once)
    std::string plan;
    std::string stats;

    // The rack (rack_command.cpp).
    std::vector<int> ports;              // every --port and --ports, in order, twice kept
    std::map<int, std::string> devices;  // --device N=PATH
    int jobs = 0;                        // runs at once; 0: every port at once
    std::string reportDir;               // --report DIR
    bool rack = false;                   // the run is a rack, not one port
    bool events = false;                 // a rack's child: progress events on standard output
    std::string answerText;              // the --answer lists as given, for the children
};

// Parses the run command's own arguments, the whole --answer list included; false with error
// set on a usage error.
bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& run, std::string& error);

// The help text of the run command.
const char* RunHelp();

#pragma once

#include <deque>
#include <string>
#include <vector>

// vantor-host run <index|name> --port N [--device PATH] [--answer LIST] [--test-mode DIR] [--json]
//                     [--trace FILE]
struct RunArgs {
    std::string operation;            // index or exact name
    int port = 0;                     // n of COMn, 1..1024
    std::string device;               // POSIX: the device path COMn stands for
    std::deque<std::string> answers;  // scripted answers to boxes and dialogs, in order
    std::string shotDir;              // Win32 test mode: where dialog screenshots go
    bool json = false;                // one JSON document of the run on standard output
    std::string trace;                // the wire trace's file (DEVVORIN_TRACE for the run)
};

// Parses the run command's own arguments; false with error set.
bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& run, std::string& error);

// The help text of the run command.
const char* RunHelp();

// Answers: "ok", "cancel", "yes", "no", "retry" for message boxes; for dialogs also "escape",
// "press:ID" and "dblclick:ID:ROW". The message-box answer code of one word (0 when unknown).
int BoxAnswerCode(const std::string& answer);

// Maps a DoOperation result to the exit status: 1 -> 0, 2 -> 2, anything else -> 1.
int ExitStatusOf(int result);

#include "run_args.h"

#include <cstdlib>

namespace {

bool ParsePort(const std::string& text, int& port) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == nullptr || *end != '\0' || value < 1 || value > 1024) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

void SplitAnswers(const std::string& list, std::deque<std::string>& answers) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::string item =
            list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!item.empty()) {
            answers.push_back(item);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
}

}  // namespace

bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& run, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--port") {
            if (!value(text)) {
                return false;
            }
            if (!ParsePort(text, run.port)) {
                error = "--port takes a COM port number from 1 to 1024, not '" + text + "'";
                return false;
            }
        } else if (arg == "--device") {
            if (!value(run.device)) {
                return false;
            }
        } else if (arg == "--answer") {
            if (!value(text)) {
                return false;
            }
            SplitAnswers(text, run.answers);
        } else if (arg == "--test-mode") {
            if (!value(run.shotDir)) {
                return false;
            }
        } else if (arg == "--trace") {
            if (!value(run.trace)) {
                return false;
            }
        } else if (arg == "--json") {
            run.json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg + " for run";
            return false;
        } else if (run.operation.empty()) {
            run.operation = arg;
        } else {
            error = "run takes one operation, got also '" + arg + "'";
            return false;
        }
    }
    if (run.operation.empty()) {
        error = "run needs an operation (its index or its name)";
        return false;
    }
    if (run.port == 0) {
        error = "run needs --port N";
        return false;
    }
    return true;
}

int BoxAnswerCode(const std::string& answer) {
    if (answer == "ok") {
        return 1;
    }
    if (answer == "cancel") {
        return 2;
    }
    if (answer == "retry") {
        return 4;
    }
    if (answer == "yes") {
        return 6;
    }
    if (answer == "no") {
        return 7;
    }
    return 0;
}

int ExitStatusOf(int result) {
    if (result == 1) {
        return 0;
    }
    return result == 2 ? 2 : 1;
}

const char* RunHelp() {
    return "run <index|name> --port N [--device PATH] [--answer LIST] [--test-mode DIR] [--json]\n"
           "    [--trace FILE]\n"
           "  Runs one operation through DoOperation on COM port N: shows each status line, a\n"
           "  progress bar on a terminal (plain lines otherwise), every message box and the\n"
           "  contents of every dialog, then the result.\n"
           "  --device PATH   (Linux) the device COM N stands for; default: the environment\n"
           "                  variable DEVVORIN_COM<N>, else the plug-in's own mapping\n"
           "  --answer LIST   comma-separated answers, used in order by message boxes and\n"
           "                  dialogs: ok, cancel, yes, no, retry; for dialogs also escape,\n"
           "                  press:ID, dblclick:ID:ROW, wait:MS (keep it open MS ms, then the\n"
           "                  next answer). Without one, a box gets its first button\n"
           "                  and a dialog is closed with OK.\n"
           "  --test-mode DIR (Windows) reads each dialog's controls from a second thread,\n"
           "                  saves a screenshot DIR/dialog-<id>-<n>.png and closes it with OK\n"
           "  --json          writes one JSON document of the run on standard output when it\n"
           "                  ends: statuses, progress, message boxes, dialogs, clipboard texts,\n"
           "                  result and duration (schema in README.md)\n"
           "  --trace FILE    records the wire trace of the run in FILE (JSON lines: the port,\n"
           "                  every write and read, the frames, waits and time-outs); the same\n"
           "                  as DEVVORIN_TRACE=FILE\n"
           "  Ctrl+C sets the cancel event; a second Ctrl+C ends the host at once.\n"
           "  Exit status: 0 completed, 2 cancelled, 1 failed (or bad arguments).\n";
}

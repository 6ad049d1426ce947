#include "run_args.h"

#include <charconv>

namespace {

bool ParsePort(const std::string& text, int& port) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    return !text.empty() && error == std::errc() && stop == end && port >= 1 && port <= 1024;
}

// Sets the value of one option; false with error set when the value is refused.
bool SetOption(const std::string& name, const std::string& value, RunArgs& run,
               std::string& error) {
    if (name == "--port") {
        if (!ParsePort(value, run.port)) {
            error = "--port takes a COM port number from 1 to 1024, not '" + value + "'";
            return false;
        }
    } else if (name == "--answer") {
        return ParseAnswers(value, run.answers, error);
    } else if (value.empty()) {
        error = name + " needs a value";
        return false;
    } else if (name == "--device") {
        run.device = value;
    } else if (name == "--test-mode") {
        run.shotDir = value;
    } else {
        run.trace = value;
    }
    return true;
}

bool TakesValue(const std::string& name) {
    for (const char* option : {"--port", "--device", "--answer", "--test-mode", "--trace"}) {
        if (name == option) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& run, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        if (TakesValue(name)) {
            if (equals == std::string::npos && i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            const std::string value =
                equals != std::string::npos ? arg.substr(equals + 1) : args[++i];
            if (!SetOption(name, value, run, error)) {
                return false;
            }
        } else if (arg == "--json") {
            run.json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = equals != std::string::npos && name == "--json" ? "--json takes no value"
                                                                    : "unknown option " + name;
            return false;
        } else if (run.operation.empty()) {
            run.operation = arg;
        } else {
            error = "one operation at a time, got also '" + arg + "'";
            return false;
        }
    }
    if (run.operation.empty()) {
        error = "which operation? (its index or its name)";
        return false;
    }
    if (run.port == 0) {
        error = "which port? (--port N)";
        return false;
    }
    return true;
}

const char* RunHelp() {
    return "run <index|name> --port N [--device PATH] [--answer LIST] [--test-mode DIR] [--json]\n"
           "    [--trace FILE]\n"
           "  Runs one operation through DoOperation on COM port N: shows each status line, a\n"
           "  progress bar on a terminal (plain lines otherwise), every message box and the\n"
           "  contents of every dialog, then the result. Options take their value after = too.\n"
           "  --device PATH   (Linux) the device COM N stands for; default: the environment\n"
           "                  variable DEVVORIN_COM<N>, else the plug-in's own mapping\n"
           "  --answer LIST   comma-separated answers, used in order by message boxes and\n"
           "                  dialogs: ok, cancel (or escape), yes, no, retry; for dialogs\n"
           "                  also press:ID, dblclick:ID:ROW, wait:MS (keep it open MS ms, then\n"
           "                  the next answer), which a box leaves for the dialog. The whole\n"
           "                  list is checked before the run; answers left over are reported.\n"
           "                  Without an answer a dialog is closed with OK; a message box that\n"
           "                  offers a choice is asked on the terminal (Enter: its default\n"
           "                  button); without a terminal it gets its default button, but never\n"
           "                  an agreement on nobody's behalf: a box with No or Cancel gets that.\n"
           "                  Asking before a change: the wipe, and the error log's Clear.\n"
           "  --test-mode DIR (Windows) reads each dialog and message box from a second thread,\n"
           "                  saves a screenshot DIR/dialog-<caption>-<n>.bmp and acts on it\n"
           "                  with the next answer (the rules above without a terminal)\n"
           "  --json          writes one JSON document of the run on standard output when it\n"
           "                  ends: statuses, progress, message boxes, dialogs, clipboard texts,\n"
           "                  result and duration (schema in README.md)\n"
           "  --trace FILE    records the wire trace of the run in FILE (JSON lines: the port,\n"
           "                  every write and read, the frames, waits and time-outs); the same\n"
           "                  as DEVVORIN_TRACE=FILE\n"
           "  Ctrl+C (or SIGTERM) sets the cancel event: the operation stops at its next check,\n"
           "  which may come only at its end; a second Ctrl+C quits at once.\n"
           "  Exit status: 0 completed, 1 failed, 2 cancelled, 64 usage error.\n";
}

#include "run_args.h"

#include "rack_ports.h"

namespace {

// The options of a working day, which belong to the whole command rather than to one run.
bool OfTheDay(const std::string& name) {
    return name == "--plan" || name == "--repeat" || name == "--stats";
}

// The options of the day and of one run that are neither a number nor an answer list.
bool SetDayOption(const std::string& name, const std::string& value, RunArgs& run,
                  std::string& error) {
    if (name == "--repeat") {
        if (!ParseDecimal(value, 1, 1000000, run.repeat)) {
            error = "--repeat takes a number of runs from 1 to 1000000, not '" + value + "'";
            return false;
        }
    } else if (name == "--cancel-after") {
        if (!ParseDecimal(value, 0, 86400000, run.cancelAfterMs)) {
            error = "--cancel-after takes milliseconds from 0 to 86400000, not '" + value + "'";
            return false;
        }
    } else if (name == "--expect") {
        if (value != "completed" && value != "failed" && value != "cancelled") {
            error = "--expect takes completed, failed or cancelled, not '" + value + "'";
            return false;
        }
        run.expect = value;
    } else if (name == "--plan") {
        run.plan = value;
    } else {
        run.stats = value;
    }
    return true;
}

// Sets the value of one option; false with error set when the value is refused.
bool SetOption(const std::string& name, const std::string& value, RunArgs& run,
               std::string& error) {
    if (name == "--port") {
        if (!ParsePortNumber(value, run.port)) {
            error = "--port takes a COM port number from 1 to 1024, not '" + value + "'";
            return false;
        }
        run.ports.push_back(run.port);
    } else if (name == "--answer") {
        run.answerText += (run.answerText.empty() ? "" : ",") + value;
        return ParseAnswers(value, run.answers, error);
    } else if (value.empty()) {
        error = name + " needs a value";
        return false;
    } else if (name == "--ports") {
        run.rack = true;
        return ParsePortList(value, run.ports, error);
    } else if (name == "--jobs") {
        run.rack = true;
        if (!ParsePortNumber(value, run.jobs)) {
            error = "--jobs takes how many runs go at once, from 1 to 1024, not '" + value + "'";
            return false;
        }
    } else if (name == "--report") {
        run.rack = true;
        run.reportDir = value;
    } else if (name == "--device") {
        if (!ParsePortDevice(value, run.devices, error)) {
            if (!error.empty()) {
                return false;
            }
            run.device = value;
        }
    } else if (name == "--test-mode") {
        run.shotDir = value;
    } else if (name == "--trace") {
        run.trace = value;
    } else {
        return SetDayOption(name, value, run, error);
    }
    return true;
}

bool TakesValue(const std::string& name) {
    for (const char* option :
         {"--port", "--device", "--answer", "--test-mode", "--trace", "--expect", "--cancel-after",
          "--repeat", "--plan", "--stats", "--ports", "--jobs", "--report"}) {
        if (name == option) {
            return true;
        }
    }
    return false;
}

// The ports' devices and the options that a rack, or a single port, cannot take.
bool CheckPorts(RunArgs& run, std::string& error) {
    if (!run.rack) {
        if (!run.devices.empty() && run.device.empty()) {
            const auto own = run.devices.find(run.port);
            run.device = own != run.devices.end() ? own->second : "";
        }
    } else if (!run.device.empty()) {
        error = "in a rack --device takes N=PATH, the device of COM N";
        return false;
    }
    for (const auto& [port, path] : run.devices) {
        bool inRack = false;
        for (const int given : run.ports) {
            inRack = inRack || given == port;
        }
        if (!inRack) {
            error = "--device " + std::to_string(port) + "=" + path + " names COM" +
                    std::to_string(port) + ", which is not among the ports given";
            return false;
        }
    }
    if (run.rack && run.events) {
        error = "--events is for the runs of a rack, one port each";
        return false;
    }
    if (run.rack && (run.repeat > 0 || !run.stats.empty())) {
        error =
            "--repeat and --stats are for one port in one process; a rack runs each port in "
            "a process of its own";
        return false;
    }
    return true;
}

}  // namespace

bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& run, std::string& error) {
    std::string ofOneRun;  // the first argument that belongs to one run, for --plan's check
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        if (ofOneRun.empty() && !OfTheDay(name)) {
            ofOneRun = name;
        }
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
        } else if (arg == "--events") {
            run.events = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = equals != std::string::npos && (name == "--json" || name == "--events")
                        ? name + " takes no value"
                        : "unknown option " + name;
            return false;
        } else if (run.operation.empty()) {
            run.operation = arg;
        } else {
            error = "one operation at a time, got also '" + arg + "'";
            return false;
        }
    }
    if (!run.plan.empty()) {
        if (!ofOneRun.empty()) {
            error = "with --plan each line of the plan is one run's arguments; put " + ofOneRun +
                    " there";
            return false;
        }
        return true;
    }
    if (run.json && run.repeat > 1) {
        error = "--json describes one run; --stats FILE records each run of --repeat";
        return false;
    }
    if (run.operation.empty()) {
        error = "which operation? (its index or its name)";
        return false;
    }
    if (run.ports.empty()) {
        error = "which port? (--port N)";
        return false;
    }
    run.rack = run.rack || run.ports.size() > 1;
    return CheckPorts(run, error);
}

const char* RunHelp() {
    return "run <index|name> --port N [--device PATH] [--answer LIST] [--test-mode DIR] [--json]\n"
           "    [--trace FILE] [--expect WORD] [--cancel-after MS] [--repeat N] [--stats FILE]\n"
           "run --plan FILE [--repeat N] [--stats FILE]\n"
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
           "  --expect WORD   the ending the run should have: completed, failed or cancelled;\n"
           "                  the exit status is then 0 when it ended so, else 1\n"
           "  --cancel-after MS  sets the cancel event MS ms after the run began (0: before\n"
           "                  it); the operation stops at its next check, as after Ctrl+C\n"
           "  A working day in one process, the plug-in loaded once:\n"
           "  --repeat N      runs the operation N times (with --plan: N runs, the plan's lines\n"
           "                  taken in turn; default each line once); the exit status is 0 when\n"
           "                  every run ended as expected (--expect, else completed), else 1\n"
           "  --plan FILE     one run's arguments a line (# starts a comment; \"...\" keeps a\n"
           "                  name with blanks whole), e.g. 2 --port 5 --answer press:1040,yes;\n"
           "                  the whole plan is checked before the first run\n"
           "  --stats FILE    after each run, one JSON line: the run, its plan line, result and\n"
           "                  the process's figures (Linux: fds, threads, rssKb; Windows:\n"
           "                  handles, gdiObjects, userObjects, privateBytes)\n"
           "  Ctrl+C (or SIGTERM) sets the cancel event: the operation stops at its next check,\n"
           "  which may come only at its end; a second Ctrl+C quits at once.\n"
           "  Exit status: 0 completed, 1 failed, 2 cancelled, 64 usage error.\n"
           "\n"
           "run <index|name> --port N --port M ... | --ports LIST [--device N=PATH ...] [--jobs "
           "K]\n"
           "    [--report DIR] [--answer LIST] [--json] [--trace FILE] [--test-mode DIR]\n"
           "  A rack: the operation on several receivers at once, each port in a process of its\n"
           "  own (this program again, with the same plug-in). On a terminal a table shows one\n"
           "  line per port (port, serial number once known, status, progress, result); plain\n"
           "  lines otherwise. A port given twice runs once; its second mention is a failed row.\n"
           "  --ports LIST    ports and ranges, such as 3-18 or 3,5,9-11 (with --port too)\n"
           "  --device N=PATH (Linux) the device of COM N; else DEVVORIN_COM<N> as above\n"
           "  --jobs K        at most K runs at once (default: every port at once)\n"
           "  --report DIR    writes each run's --json document to DIR/COM<N>-<serial>.json\n"
           "                  (COM<N>-unknown.json without a serial number; its lines to .log\n"
           "                  beside it) and a summary, DIR/summary.csv and\n"
           "                  DIR/summary.json: port, serial, model, versions, option rows or\n"
           "                  error count, result, duration and the message of a failure\n"
           "  --json          one JSON document holding every run on standard output\n"
           "  --answer LIST   applies to each run. Nobody is asked at a terminal in a rack: a\n"
           "                  box without an answer gets its default button, but never an\n"
           "                  agreement on nobody's behalf (No or Cancel where it offers them)\n"
           "  --trace FILE    each run's trace goes to FILE.COM<N>\n"
           "  --test-mode DIR (Windows) each run's screenshots go to DIR\\COM<N>-screenshots;\n"
           "                  without it a rack on Windows reads and answers its dialogs all\n"
           "                  the same, its screenshots in the report folder (or a temporary one)\n"
           "  Ctrl+C cancels every run (a second one quits them at once); ports not started yet\n"
           "  are not started.\n"
           "  Exit status: 0 every run completed, 1 any failed, 2 any cancelled and none failed,\n"
           "  64 usage error (nothing runs).\n";
}

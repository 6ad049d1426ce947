#include "rack_command.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "exit_status.h"
#include "rack_children.h"
#include "rack_display.h"
#include "rack_record.h"

namespace {

using Json = RackRun::Json;
constexpr std::size_t kLogKept = 64 * 1024;

std::string Dump(const Json& json) {
    // Texts from the plug-in are code-page bytes, not always UTF-8: replace what is not.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::int64_t MsSince(RackRun::Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(RackRun::Clock::now() - start)
        .count();
}

// One row per port as given; a port given again gets a row that says so and runs nothing.
std::vector<RackRun> PlanRuns(const RunArgs& run) {
    std::vector<RackRun> runs;
    for (const int port : run.ports) {
        RackRun row;
        row.port = port;
        const auto device = run.devices.find(port);
        row.device = device != run.devices.end() ? device->second : "";
        for (const RackRun& earlier : runs) {
            row.duplicate = row.duplicate || earlier.port == port;
        }
        if (row.duplicate) {
            row.state = RackRun::State::kDone;
            row.result = "failed";
            row.exitStatus = exit_status::kFailed;
            row.message =
                "COM" + std::to_string(port) + " is given twice; it runs once, in its first row";
        }
        runs.push_back(std::move(row));
    }
    return runs;
}

// The child's command line: this program with the same plug-in, one port, its events on
// standard output; the rack's answers, device, trace file and (Windows) screenshot folder.
std::vector<std::string> ChildArgs(const std::string& self, const Plugin& plugin, int index,
                                   const RunArgs& run, const RackRun& row,
                                   const std::string& shots) {
    const std::string com = "COM" + std::to_string(row.port);
    std::vector<std::string> args = {self,
                                     "--plugin",
                                     plugin.Path(),
                                     "run",
                                     std::to_string(index),
                                     "--port",
                                     std::to_string(row.port),
                                     "--events"};
    if (!row.device.empty()) {
        args.insert(args.end(), {"--device", row.device});
    }
    if (!run.answerText.empty()) {
        args.insert(args.end(), {"--answer", run.answerText});
    }
    if (!run.trace.empty()) {
        args.insert(args.end(), {"--trace", run.trace + "." + com});
    }
    if (!shots.empty()) {
        // Not COM<N> alone: on Windows that name is the port.
        args.insert(args.end(), {"--test-mode", shots + "\\" + com + "-screenshots"});
    }
    return args;
}

// One event of a run: the table's fields follow it, plain output prints it. Throws
// Json::exception when a field is of the wrong kind.
void TakeEventFields(RackRun& row, Json event, RackDisplay& display) {
    if (event.contains("schemaVersion")) {
        row.document = std::move(event);
        return;
    }
    const std::string kind = event.value("event", std::string());
    if (kind == "status") {
        row.step = event.value("text", std::string());
        row.waitEnd = {};
        display.Line(row, "status: " + row.step);
    } else if (kind == "progress") {
        row.progress = event.value("value", 0L);
        display.Line(row, "progress: " + std::to_string(row.progress) + "%");
    } else if (kind == "wait") {
        const std::int64_t ms = event.value("lengthMs", std::int64_t{0});
        row.waitEnd = RackRun::Clock::now() + std::chrono::milliseconds(ms);
        if (ms > 1000) {
            char text[48];
            std::snprintf(text, sizeof text, "waiting %.1f s", static_cast<double>(ms) / 1000.0);
            display.Line(row, text);
        }
    } else if (kind == "box") {
        display.Line(row, "message box: " + OneLineMessage(event.value("text", std::string())) +
                              " (answered " + event.value("answer", std::string()) + ", " +
                              event.value("answeredBy", std::string()) + ")");
    } else if (kind == "dialog" && event.contains("dialog")) {
        const std::string serial = row.serial;
        row.ReadDialog(event["dialog"]);
        display.Line(row, "dialog: " + event["dialog"].value("caption", std::string()));
        if (row.serial != serial) {
            display.Line(row, "serial number " + row.serial);
        }
    }
}

// One event line of a run.
void TakeEvent(RackRun& row, const std::string& line, RackDisplay& display) {
    Json event = Json::parse(line, nullptr, false);
    if (!event.is_object()) {
        row.log += "vantor-host: not an event of the run: " + line + "\n";
        return;
    }
    try {
        TakeEventFields(row, std::move(event), display);
    } catch (const Json::exception&) {
        row.log += "vantor-host: an event of the run with fields of the wrong kind: " + line + "\n";
    }
}

// Splits a child's output into whole lines; the rest waits for more.
std::vector<std::string> TakeLines(std::string& pending, const std::string& bytes) {
    pending += bytes;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = pending.find('\n'); end != std::string::npos;
         end = pending.find('\n', start)) {
        std::string line = pending.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    pending.erase(0, start);
    return lines;
}

void KeepLog(RackRun& row, const std::string& line) {
    row.log += line + "\n";
    if (row.log.size() > kLogKept) {
        row.log.erase(0, row.log.size() - kLogKept);
    }
}

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "vantor-host: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

// The report folder: each run's document and lines, the summary as JSON and CSV.
bool WriteReport(const std::filesystem::path& folder, std::vector<RackRun>& runs, int index,
                 const std::string& name, const Json& host) {
    bool written = true;
    for (RackRun& row : runs) {
        if (row.duplicate) {
            continue;
        }
        const std::string stem = RackFileStem(row);
        if (row.document.is_object()) {
            row.documentFile = stem + ".json";
            written = WriteFile(folder / row.documentFile, Dump(row.document)) && written;
        }
        row.logFile = stem + ".log";
        written = WriteFile(folder / row.logFile, row.log) && written;
    }
    written =
        WriteFile(folder / "summary.json", Dump(RackSummary(runs, index, name, false, host))) &&
        written;
    return WriteFile(folder / "summary.csv", RackSummaryCsv(runs)) && written;
}

std::string Seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

void WriteEventLine(const std::string& line) {
    const std::string whole = line + "\n";
    std::fwrite(whole.data(), 1, whole.size(), stdout);
    std::fflush(stdout);
}

int RunRack(Plugin& plugin, int index, HostArgs& args) {
    RunArgs& run = args.run;
    std::array<char, 1025> name{};
    plugin.getOperation(index, name.data(), 1024);
    if (const char* trace = std::getenv("DEVVORIN_TRACE"); run.trace.empty() && trace != nullptr) {
        run.trace = trace;  // one file per run, never one file for all
    }
    if (!run.reportDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(run.reportDir, error);
        if (error) {
            std::fprintf(stderr, "vantor-host run: cannot make the report folder %s: %s\n",
                         run.reportDir.c_str(), error.message().c_str());
            return exit_status::kUsage;
        }
    }
    const std::string self = RackChildren::SelfPath();
    // Where the platform's runs keep their screenshots (Windows, where the runs read their
    // dialogs in test mode): the --test-mode folder, else the report's, else a scratch one.
    std::string shots = RackChildren::ScratchFolder();
    if (!shots.empty() && !run.shotDir.empty()) {
        shots = run.shotDir;
    } else if (!shots.empty() && !run.reportDir.empty()) {
        shots = run.reportDir;
    }
    if (!shots.empty()) {
        std::error_code error;
        std::filesystem::create_directories(shots, error);
    }

    std::vector<RackRun> runs = PlanRuns(run);
    const std::size_t jobs =
        run.jobs > 0 ? static_cast<std::size_t>(run.jobs) : std::max<std::size_t>(runs.size(), 1);
    RackDisplay display(runs, RackChildren::TerminalColumns(runs.size()));
    display.Note("running operation " + std::to_string(index) + " \"" + name.data() + "\" on " +
                 std::to_string(runs.size()) + " ports, " +
                 std::to_string(std::min(jobs, runs.size())) + " at once");

    RackChildren children(runs.size());
    std::vector<std::array<std::string, 2>> pending(runs.size());
    const RackRun::Clock::time_point rackStart = RackRun::Clock::now();
    int interrupts = 0;
    std::size_t next = 0;
    RackChildren::CatchInterrupts(true);
    while (true) {
        bool changed = false;
        while (interrupts == 0 && children.Running() < jobs && next < runs.size()) {
            RackRun& row = runs[next];
            if (row.state == RackRun::State::kWaiting) {
                std::string error;
                row.started = RackRun::Clock::now();
                if (children.Start(next, ChildArgs(self, plugin, index, run, row, shots), error)) {
                    row.state = RackRun::State::kRunning;
                    display.Line(row, "started");
                } else {
                    row.log = "vantor-host: " + error + "\n";
                    row.Finish(-1, 0, false);
                    display.Line(row, "failed: " + row.message);
                }
                changed = true;
            }
            ++next;
        }
        if (children.Running() == 0 && (next >= runs.size() || interrupts > 0)) {
            break;
        }
        std::vector<RackChildren::Output> output;
        std::vector<RackChildren::Ended> ended;
        children.Wait(100, output, ended);
        for (const RackChildren::Output& chunk : output) {
            RackRun& row = runs[chunk.child];
            for (const std::string& line :
                 TakeLines(pending[chunk.child][chunk.events ? 0 : 1], chunk.bytes)) {
                if (chunk.events) {
                    TakeEvent(row, line, display);
                } else {
                    KeepLog(row, line);
                }
            }
            changed = true;
        }
        for (const RackChildren::Ended& end : ended) {
            RackRun& row = runs[end.child];
            for (std::size_t stream = 0; stream < 2; ++stream) {
                if (!pending[end.child][stream].empty()) {
                    // A last line without its end: the run stopped in the middle of it.
                    const std::string line = pending[end.child][stream];
                    stream == 0 ? TakeEvent(row, line, display) : KeepLog(row, line);
                }
            }
            row.durationMs = MsSince(row.started);
            row.cpuMs = end.cpuMs;
            row.peakMemoryKb = end.peakMemoryKb;
            row.Finish(end.exitStatus, end.signal, interrupts > 0);
            display.Line(row, row.result + " in " + Seconds(row.durationMs) +
                                  (row.message.empty() ? "" : ": " + row.message));
            changed = true;
        }
        if (const int more = RackChildren::TakeInterrupts(); more > 0) {
            for (int i = 0; i < more; ++i) {
                for (std::size_t child = 0; child < runs.size(); ++child) {
                    children.Cancel(child);
                }
            }
            display.Note(interrupts == 0
                             ? "vantor-host: cancel requested on every run; each stops at its "
                               "next check, ports not started stay so (Ctrl+C again to quit "
                               "every run now)"
                             : "vantor-host: quitting every run now");
            interrupts += more;
        }
        display.Tick(changed);
    }
    RackChildren::CatchInterrupts(false);
    for (RackRun& row : runs) {
        if (row.state == RackRun::State::kWaiting) {
            row.state = RackRun::State::kDone;
            row.result = "cancelled";
            row.exitStatus = exit_status::kCancelled;
            row.message = "not started: the rack was cancelled";
        }
    }
    display.Final();

    std::int64_t cpuMs = -1;
    std::int64_t peakMemoryKb = -1;
    RackChildren::OwnUsage(cpuMs, peakMemoryKb);
    const Json host = {{"durationMs", MsSince(rackStart)},
                       {"cpuMs", cpuMs < 0 ? Json() : Json(cpuMs)},
                       {"peakMemoryKb", peakMemoryKb < 0 ? Json() : Json(peakMemoryKb)}};
    bool reported = true;
    if (!run.reportDir.empty()) {
        reported = WriteReport(run.reportDir, runs, index, name.data(), host);
    }
    if (run.json) {
        const std::string document = Dump(RackSummary(runs, index, name.data(), true, host));
        std::fwrite(document.data(), 1, document.size(), stdout);
        std::fflush(stdout);
    }
    int counts[3] = {0, 0, 0};
    for (const RackRun& row : runs) {
        ++counts[std::min(row.exitStatus, 2)];
        if (row.exitStatus != exit_status::kCompleted) {
            std::fprintf(stderr, "COM%d: %s: %s\n", row.port, row.result.c_str(),
                         row.message.c_str());
        }
    }
    std::fprintf(stderr, "rack: %d completed, %d failed, %d cancelled in %s%s\n", counts[0],
                 counts[1], counts[2], Seconds(MsSince(rackStart)).c_str(),
                 run.reportDir.empty() ? "" : ("; report in " + run.reportDir).c_str());
    const int status = RackExitStatus(runs);
    return reported ? status : exit_status::kFailed;
}

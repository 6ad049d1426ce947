#include "run_day.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "exit_status.h"
#include "process_figures.h"
#include "run_platform.h"

namespace {

struct PlannedRun {
    int line = 0;      // its line in the plan; 0 for the repeat of one command line
    std::string text;  // the line as written
    int index = -1;    // the operation
    RunArgs args;
};

// Splits a plan line into words at blanks; "..." keeps blanks inside one word, and # outside
// quotes starts a comment. False for a quote that is not closed.
bool SplitWords(const std::string& line, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && c == '#') {
            break;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return !quoted;
}

// Reads the whole plan before anything runs: each line's arguments, its operation and the
// options it may use on this platform. False with error naming the line.
bool ReadPlan(Plugin& plugin, const std::string& path, std::vector<PlannedRun>& plan,
              std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the plan " + path;
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::string where = path + " line " + std::to_string(number) + ": ";
        std::vector<std::string> words;
        if (!SplitWords(text, words)) {
            error = where + "a quote is not closed";
            return false;
        }
        if (words.empty()) {
            continue;
        }
        PlannedRun run{number, text, -1, {}};
        if (!ParseRunArgs(words, run.args, error) || !CheckRunOnPlatform(run.args, error)) {
            error = where + error;
            return false;
        }
        if (!run.args.plan.empty() || run.args.repeat > 0 || !run.args.stats.empty() ||
            run.args.json) {
            error = where +
                    "a line is one run: --plan, --repeat, --stats and --json have no "
                    "place there";
            return false;
        }
        run.index = ResolveOperation(plugin, run.args.operation);
        if (run.index < 0) {
            error = where + "no operation '" + run.args.operation + "'; see vantor-host list";
            return false;
        }
        plan.push_back(std::move(run));
    }
    if (plan.empty()) {
        error = "the plan " + path + " holds no run";
        return false;
    }
    return true;
}

// What a run sets in the plug-in's environment (its port's device, its trace) is its own: the
// values from before it are put back when it ends, so that a plan's line does not reach into
// the next one.
class RunEnvironment {
  public:
    explicit RunEnvironment(const RunArgs& run) {
        for (const std::string& name :
             {std::string("DEVVORIN_TRACE"), "DEVVORIN_COM" + std::to_string(run.port)}) {
            const char* value = std::getenv(name.c_str());
            saved_.push_back(
                {name, value != nullptr ? std::optional<std::string>(value) : std::nullopt});
        }
    }
    ~RunEnvironment() {
        // An empty value stands for none: the plug-in reads both variables so.
        for (const auto& [name, value] : saved_) {
            SetPluginEnvironment(name, value.value_or(""));
        }
    }
    RunEnvironment(const RunEnvironment&) = delete;
    RunEnvironment& operator=(const RunEnvironment&) = delete;

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// One line of --stats: the run, how it ended and the process's figures right after it.
void WriteStats(std::FILE* out, int number, const PlannedRun& planned, int result,
                const std::string& expected, std::int64_t durationMs) {
    nlohmann::ordered_json line = {
        {"run", number},           {"line", planned.line},         {"operation", planned.index},
        {"result", result},        {"ending", ResultWord(result)}, {"expected", expected},
        {"durationMs", durationMs}};
    for (const ProcessFigure& figure : ProcessFigures()) {
        line[figure.name] = figure.value;
    }
    std::fprintf(out, "%s\n", line.dump().c_str());
    std::fflush(out);
}

}  // namespace

int RunDay(Plugin& plugin, const RunArgs& day) {
    std::vector<PlannedRun> plan;
    std::string error;
    if (day.plan.empty()) {
        PlannedRun run{0, "", ResolveOperation(plugin, day.operation), day};
        if (run.index < 0) {
            std::fprintf(stderr, "vantor-host run: no operation '%s'; see vantor-host list\n",
                         day.operation.c_str());
            return exit_status::kUsage;
        }
        plan.push_back(std::move(run));
    } else if (!ReadPlan(plugin, day.plan, plan, error)) {
        std::fprintf(stderr, "vantor-host run: %s; see vantor-host run --help\n", error.c_str());
        return exit_status::kUsage;
    }
    File stats;
    if (!day.stats.empty()) {
        stats.reset(std::fopen(day.stats.c_str(), "w"));
        if (!stats) {
            std::fprintf(stderr,
                         "vantor-host run: cannot write the figures to %s; see vantor-host "
                         "run --help\n",
                         day.stats.c_str());
            return exit_status::kUsage;
        }
    }
    const int runs = day.repeat > 0 ? day.repeat : static_cast<int>(plan.size());
    std::vector<std::string> misses;
    for (int number = 1; number <= runs; ++number) {
        const PlannedRun& planned = plan[static_cast<std::size_t>(number - 1) % plan.size()];
        std::fprintf(
            stderr, "--- run %d of %d%s%s\n", number, runs,
            planned.line > 0 ? (", plan line " + std::to_string(planned.line) + ": ").c_str() : "",
            planned.text.c_str());
        RunArgs run = planned.args;  // the answers are used up by the run
        const auto begun = std::chrono::steady_clock::now();
        int result = 0;
        {
            const RunEnvironment environment(run);
            result = RunOnce(plugin, planned.index, run);
        }
        const auto durationMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - begun)
                                    .count();
        const std::string expected = run.expect.empty() ? "completed" : run.expect;
        const std::string ending = ResultWord(result);
        if (ending != expected) {
            misses.push_back("run " + std::to_string(number) + " " + ending + ", expected " +
                             expected);
        }
        std::fprintf(stderr, "run %d of %d: %s%s\n", number, runs, ending.c_str(),
                     ending == expected ? ", as expected" : (", expected " + expected).c_str());
        if (stats) {
            WriteStats(stats.get(), number, planned, result, expected, durationMs);
        }
    }
    std::fprintf(stderr, "vantor-host: %d run%s in one process, %zu not as expected\n", runs,
                 runs == 1 ? "" : "s", misses.size());
    for (const std::string& miss : misses) {
        std::fprintf(stderr, "vantor-host: %s\n", miss.c_str());
    }
    return misses.empty() ? exit_status::kCompleted : exit_status::kFailed;
}

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "exit_status.h"
#include "rack_command.h"
#include "run_args.h"
#include "run_day.h"
#include "run_platform.h"
#include "run_report.h"

namespace {

// What the user should know once the run is over: a cancel the operation never saw, answers
// that nothing asked for.
void ReportLoose(const RunReport& report) {
    if (report.CancelTooLate()) {
        std::fprintf(stderr,
                     "vantor-host: the cancel came too late: the operation checks for it only at "
                     "its own points and had none left before its end\n");
    }
    if (const std::vector<std::string>& left = report.AnswersLeft(); !left.empty()) {
        std::string words;
        for (const std::string& word : left) {
            words += (words.empty() ? "" : ", ") + word;
        }
        std::fprintf(stderr, "vantor-host: %zu answer%s left over, nothing asked for: %s\n",
                     left.size(), left.size() == 1 ? "" : "s", words.c_str());
    }
}

}  // namespace

int ResolveOperation(Plugin& plugin, const std::string& wanted) {
    const std::int32_t count = plugin.getNumberOperations();
    char* end = nullptr;
    const long index = std::strtol(wanted.c_str(), &end, 10);
    if (!wanted.empty() && end != nullptr && *end == '\0') {
        return index >= 0 && index < count ? static_cast<int>(index) : -1;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        std::array<char, 1025> name{};
        if (plugin.getOperation(i, name.data(), 1024) != 0 && wanted == name.data()) {
            return i;
        }
    }
    return -1;
}

int RunOnce(Plugin& plugin, int index, RunArgs& run) {
    std::array<char, 1025> name{};
    plugin.getOperation(index, name.data(), 1024);
    std::fprintf(stderr, "running operation %d \"%s\" on COM%d\n", index, name.data(), run.port);
    std::array<char, 1025> version{};
    if (plugin.getVersionInfo(version.data(), 1024) == 0) {
        version[0] = '\0';
    }
    RunReport& report = HostRunReport();
    if (run.events) {
        report.SetListener(WriteEventLine);
    }
    if (!run.trace.empty()) {
        SetPluginEnvironment("DEVVORIN_TRACE", run.trace);
    }
    report.Begin(plugin.Path(), version.data(), index, name.data(), run.port);
    const auto begun = std::chrono::steady_clock::now();
    const int result = RunOnPlatform(plugin, index, run);
    // A scripted cancel whose time came before the run ended counts as asked for.
    if (const auto at = begun + std::chrono::milliseconds(run.cancelAfterMs);
        run.cancelAfterMs >= 0 && std::chrono::steady_clock::now() >= at) {
        report.CancelRequested(at);
    }
    std::vector<std::string> left;
    for (const Answer& answer : run.answers) {
        left.push_back(answer.word);
    }
    report.End(result, ExitStatusOf(result), left);
    ReportLoose(report);
    if (run.json || run.events) {
        const std::string document = report.ToJson(run.events);
        std::fwrite(document.data(), 1, document.size(), stdout);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "result: %d (%s)\n", result, ResultWord(result));
    return result;
}

int StatusOfRun(const RunArgs& run, int result) {
    if (run.expect.empty()) {
        return ExitStatusOf(result);
    }
    return run.expect == ResultWord(result) ? exit_status::kCompleted : exit_status::kFailed;
}

int RunRun(Plugin& plugin, HostArgs& args) {
    RunArgs& run = args.run;
    if (run.repeat > 0 || !run.plan.empty()) {
        return RunDay(plugin, run);
    }
    const int index = ResolveOperation(plugin, run.operation);
    if (index < 0) {
        std::fprintf(stderr, "vantor-host run: no operation '%s'; see vantor-host list\n",
                     run.operation.c_str());
        return exit_status::kUsage;
    }
    if (run.rack) {
        return RunRack(plugin, index, args);
    }
    return StatusOfRun(run, RunOnce(plugin, index, run));
}

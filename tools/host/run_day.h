#pragma once

#include <string>

#include "plugin.h"
#include "run_args.h"

// A working day in one process: the plug-in stays loaded while `run --repeat N` runs one
// operation N times, or `run --plan FILE` takes the plan's runs in turn, as a technician runs
// operation after operation on receiver after receiver without restarting the host. After each
// run `--stats FILE` gets one JSON line with the process's figures (process_figures.h), so that
// a run that leaves something behind shows as growth from run to run.

// The operation's index from an index or an exact name; -1 when none matches.
int ResolveOperation(Plugin& plugin, const std::string& wanted);

// One run of operation index: the report begun, DoOperation on the platform, what is left over
// said, the JSON document written when asked for; DoOperation's result.
int RunOnce(Plugin& plugin, int index, RunArgs& run);

// The exit status of a run that ended with result: with --expect, 0 when it ended so and 1 when
// not; else 0 completed, 1 failed, 2 cancelled.
int StatusOfRun(const RunArgs& run, int result);

// The runs of --repeat and --plan; the exit status: 0 when every run ended as expected, 1 when
// one did not, 64 for a plan that cannot be used (nothing runs then).
int RunDay(Plugin& plugin, const RunArgs& day);

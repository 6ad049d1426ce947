#pragma once

#include <string>

#include "plugin.h"
#include "run_args.h"

// Runs operation index through DoOperation with the platform's host window (run_posix.cpp:
// the UI driver; run_win32.cpp: a real window and, in test mode, the dialog reader); returns
// DoOperation's result. A cancel the user asked for is recorded in the run's report.
int RunOnPlatform(Plugin& plugin, int index, RunArgs& run);

// Refuses the run's options that do nothing on this platform (--test-mode on Linux; --device,
// and --answer without --test-mode, on Windows); false with error set.
bool CheckRunOnPlatform(const RunArgs& run, std::string& error);

// Sets a variable in the environment that the plug-in reads (DEVVORIN_TRACE, DEVVORIN_COM<n>).
void SetPluginEnvironment(const std::string& name, const std::string& value);

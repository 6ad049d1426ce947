#pragma once

#include "plugin.h"
#include "run_args.h"

// Runs operation index through DoOperation with the platform's host window (run_posix.cpp:
// the UI driver; run_win32.cpp: a real window and, in test mode, the dialog reader); returns
// DoOperation's result.
int RunOnPlatform(Plugin& plugin, int index, RunArgs& run);

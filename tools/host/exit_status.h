#pragma once

// The exit statuses of vantor-host: a run's outcome, or a usage error (as sysexits has it).
namespace exit_status {
constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kCancelled = 2;
constexpr int kUsage = 64;
}  // namespace exit_status

// A DoOperation result as an exit status: 1 completed, 2 cancelled, anything else failed.
int ExitStatusOf(int result);
// The result's word: "completed", "cancelled" or "failed".
const char* ResultWord(int result);

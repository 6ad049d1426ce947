#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// One port of a rack: what the table shows while it runs and the record it leaves.
struct RackRun {
    using Json = nlohmann::ordered_json;
    using Clock = std::chrono::steady_clock;
    enum class State { kWaiting, kRunning, kDone };

    int port = 0;
    std::string device;      // --device N=PATH, empty: DEVVORIN_COM<N> or the default
    bool duplicate = false;  // the port was given before: this row only says so
    State state = State::kWaiting;

    // Known as the run goes on.
    std::string serial, model;
    Json details = Json::object();  // versions, option rows or error count, by operation
    std::string step;               // the last status line
    long progress = 0;
    Clock::time_point started{};
    Clock::time_point waitEnd{};  // the end of the fixed wait the plug-in sits in

    // Once done.
    std::string result;  // completed, failed or cancelled
    int exitStatus = 1;
    std::int64_t durationMs = 0;
    std::int64_t cpuMs = -1;         // the run's process: user and system time (-1: unknown)
    std::int64_t peakMemoryKb = -1;  // its peak resident memory (-1: unknown)
    std::string message;             // why a run failed or was cancelled, in one line
    Json document;                   // the run's --json document; null when the run left none
    std::string log;                 // the run's own lines (its standard error), the latest 64 KiB
    std::string documentFile, logFile;  // their names in the report folder

    // Takes what a dialog the run showed says of the receiver: serial number, model and the
    // operation's figures ("Software Version", "Device Configuration", the error log).
    void ReadDialog(const Json& dialog);
    // Completes the record from the run's document and its lines once it ended; exitStatus and
    // signal as its process ended (signal 0: it exited), cancelAsked whether the user cancelled.
    void Finish(int processStatus, int signal, bool cancelAsked);

  private:
    // The record of a run that left no document: its process's status says what it can.
    void FinishWithoutRecord(int processStatus, int signal, bool cancelAsked);
};

// The rack's records: every run's row as the summary has it; with documents, each run's whole
// document under "document" (--json), else the file it was written to.
// host: the rack process's own figures ({"durationMs", "cpuMs", "peakMemoryKb"}).
RackRun::Json RackSummary(const std::vector<RackRun>& runs, int index, const std::string& name,
                          bool documents, const RackRun::Json& host);
// The summary as CSV: port, serial, model, the operation's figures, result, exit status,
// duration in ms, CPU ms, peak memory in KiB and message, one row per run (RFC 4180 quoting).
std::string RackSummaryCsv(const std::vector<RackRun>& runs);
// The exit status of the whole rack: 0 every run completed, 1 any failed, 2 any cancelled and
// none failed.
int RackExitStatus(const std::vector<RackRun>& runs);
// A message box's text in one line, without the plug-in's version line that heads every one.
std::string OneLineMessage(const std::string& text);
// The file name of a run's files in the report folder: COM<N>-<serial>, COM<N>-unknown without
// a serial number (COM<N> alone names the port itself on Windows); characters other than
// letters, digits, '.', '-' and '_' become '_'.
std::string RackFileStem(const RackRun& run);

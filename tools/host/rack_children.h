#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The processes of a rack, one per port: started with their standard input on the null device
// (nobody answers at a terminal) and both output streams on pipes to this process. One
// implementation per platform: rack_children_posix.cpp (fork, exec, poll),
// rack_children_win32.cpp (CreateProcess, a reader thread per pipe).
class RackChildren {
  public:
    // What came from the children while waiting.
    struct Output {
        std::size_t child;
        bool events;  // standard output (the events); else standard error
        std::string bytes;
    };
    // A child that ended; all its output was handed over before.
    struct Ended {
        std::size_t child;
        int exitStatus;             // -1 when it did not exit by itself
        int signal;                 // POSIX: the signal that ended it, else 0
        std::int64_t cpuMs;         // user and system time; -1 when the platform does not tell
        std::int64_t peakMemoryKb;  // peak resident memory; -1 when the platform does not tell
    };

    explicit RackChildren(std::size_t count);
    ~RackChildren();  // ends children still running (the host is quitting) and waits for them
    RackChildren(const RackChildren&) = delete;
    RackChildren& operator=(const RackChildren&) = delete;

    // Starts child number child (below count) as the program argv[0] with its arguments;
    // false with error set when it cannot start.
    bool Start(std::size_t child, const std::vector<std::string>& argv, std::string& error);
    // Waits up to milliseconds for output or an end, and appends what came. A child has ended
    // once both its streams are closed; its status is then taken at once.
    void Wait(int milliseconds, std::vector<Output>& output, std::vector<Ended>& ended);
    // Asks a running child to cancel, as Ctrl+C would in its own window.
    void Cancel(std::size_t child);
    std::size_t Running() const;

    // Catches Ctrl+C (and SIGTERM) in this process while the rack runs, instead of ending it;
    // TakeInterrupts counts those that came since its last call.
    static void CatchInterrupts(bool on);
    static int TakeInterrupts();
    // This process's own CPU time and peak memory so far (-1 where the platform does not tell).
    static void OwnUsage(std::int64_t& cpuMs, std::int64_t& peakMemoryKb);
    // This program's own path, which the children run.
    static std::string SelfPath();
    // The width of the terminal on standard error when it has room for a table of rows lines;
    // 0 when it is none, too short (or, on Windows, always: the rack prints plain lines there).
    static int TerminalColumns(std::size_t rows);
    // Where a run's screenshots go when the rack names no folder (Windows); empty elsewhere.
    static std::string ScratchFolder();

    // One child's handles, the platform's own.
    struct Child;

  private:
    std::vector<std::unique_ptr<Child>> children_;
};

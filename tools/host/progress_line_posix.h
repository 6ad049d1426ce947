#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// Where a run shows its progress on standard error. On a terminal: one bar redrawn in place with
// the current step and, while the plug-in sits in a fixed wait longer than a second, the seconds
// left of it, which a ticker thread counts down (the plug-in's thread sleeps meanwhile; nothing
// here holds it up). In plain output: one line per progress value and one per such wait.
// Every line the host prints during a run goes through Print, so that the bar's line is ended
// first and the ticker never writes into the middle of another line.
class ProgressLine {
  public:
    explicit ProgressLine(bool terminal);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // A status line; its text is the step the bar names.
    void Status(const std::string& text);
    void Progress(long percent);
    void WaitStarted(std::uint32_t milliseconds);
    // Prints text (whole lines) on standard error, after ending the bar's line.
    void Print(const std::string& text);

  private:
    using Clock = std::chrono::steady_clock;
    void Tick();
    // Draws the bar on its line (the lock held).
    void Draw();
    void EndBar();

    const bool terminal_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool barShown_ = false;
    long percent_ = 0;
    std::string step_;
    Clock::time_point waitEnd_{};
    std::thread ticker_;
};

#pragma once

#include <string>
#include <vector>

#include "rack_record.h"

// How a rack shows itself on standard error. On a terminal: a table of one line per port (port,
// serial number once known, state, progress bar, the step or the result), redrawn in place at
// most five times a second; the rack's own notes print above it. In plain output: one line per
// event, each headed by its port ("COM5: status: ..."), which the table would otherwise show.
class RackDisplay {
  public:
    // columns: the terminal's width; 0 for plain output.
    RackDisplay(const std::vector<RackRun>& runs, int columns);

    // One run's event, for plain output (the table shows it on a terminal).
    void Line(const RackRun& run, const std::string& text);
    // A note of the rack's own, for everyone.
    void Note(const std::string& text);
    // Redraws the table when something changed or a wait counts down (terminal only).
    void Tick(bool changed);
    // The table as the rack ended (terminal only).
    void Final();

  private:
    std::string Row(const RackRun& run) const;
    void Draw();
    void Erase();

    const std::vector<RackRun>& runs_;
    const int columns_;
    int drawn_ = 0;  // lines of the table on the screen
    RackRun::Clock::time_point lastDraw_{};
};

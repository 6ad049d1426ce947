#include "rack_display.h"

#include <cstdio>

namespace {

constexpr long kBarWidth = 20;

std::string StateWord(const RackRun& run) {
    switch (run.state) {
        case RackRun::State::kWaiting:
            return "waiting";
        case RackRun::State::kRunning:
            return "running";
        case RackRun::State::kDone:
            break;
    }
    return run.result;
}

std::string Seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

RackDisplay::RackDisplay(const std::vector<RackRun>& runs, int columns)
    : runs_(runs), columns_(columns) {}

void RackDisplay::Line(const RackRun& run, const std::string& text) {
    if (columns_ == 0) {
        std::fprintf(stderr, "COM%d: %s\n", run.port, text.c_str());
        std::fflush(stderr);
    }
}

void RackDisplay::Note(const std::string& text) {
    Erase();
    std::fprintf(stderr, "%s\n", text.c_str());
    if (columns_ != 0) {
        Draw();
    }
    std::fflush(stderr);
}

void RackDisplay::Tick(bool changed) {
    if (columns_ == 0) {
        return;
    }
    const RackRun::Clock::time_point now = RackRun::Clock::now();
    bool counting = false;
    for (const RackRun& run : runs_) {
        counting = counting || (run.state == RackRun::State::kRunning && now < run.waitEnd);
    }
    if ((changed || counting || drawn_ == 0) && now - lastDraw_ >= std::chrono::milliseconds(200)) {
        Erase();
        Draw();
    }
}

void RackDisplay::Final() {
    if (columns_ != 0) {
        Erase();
        Draw();
        drawn_ = 0;  // the last table stays
    }
}

std::string RackDisplay::Row(const RackRun& run) const {
    const long percent = run.progress < 0 ? 0 : (run.progress > 100 ? 100 : run.progress);
    const long filled = percent * kBarWidth / 100;
    char head[96];
    std::snprintf(head, sizeof head, "COM%-5d %-12s %-9s [%s%s] %3ld%%  ", run.port,
                  run.serial.empty() ? "-" : run.serial.c_str(), StateWord(run).c_str(),
                  std::string(static_cast<std::size_t>(filled), '#').c_str(),
                  std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(),
                  run.progress);
    std::string row = head;
    if (run.state == RackRun::State::kDone) {
        row += Seconds(run.durationMs) + (run.message.empty() ? "" : "  " + run.message);
    } else if (run.state == RackRun::State::kRunning) {
        row += run.step;
        const RackRun::Clock::time_point now = RackRun::Clock::now();
        if (now < run.waitEnd) {
            const auto left = std::chrono::ceil<std::chrono::seconds>(run.waitEnd - now).count();
            row += ", waiting " + std::to_string(left) + " s";
        }
    }
    const std::size_t width = static_cast<std::size_t>(columns_ > 1 ? columns_ - 1 : 79);
    return row.size() > width ? row.substr(0, width - 3) + "..." : row;
}

void RackDisplay::Draw() {
    std::string table;
    for (const RackRun& run : runs_) {
        table += Row(run) + "\033[K\n";
    }
    std::fputs(table.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = static_cast<int>(runs_.size());
    lastDraw_ = RackRun::Clock::now();
}

void RackDisplay::Erase() {
    if (drawn_ > 0) {
        // Up to the table's first line, and clear from there down.
        std::fprintf(stderr, "\033[%dA\r\033[J", drawn_);
        drawn_ = 0;
    }
}

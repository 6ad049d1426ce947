#include "progress_line_posix.h"

#include <cstdio>

namespace {

constexpr long kBarWidth = 20;
constexpr std::size_t kStepWidth = 40;

}  // namespace

ProgressLine::ProgressLine(bool terminal) : terminal_(terminal) {
    if (terminal_) {
        ticker_ = std::thread([this] { Tick(); });
    }
}

ProgressLine::~ProgressLine() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (ticker_.joinable()) {
        ticker_.join();
    }
    const std::lock_guard<std::mutex> guard(lock_);
    EndBar();
}

void ProgressLine::Status(const std::string& text) {
    const std::lock_guard<std::mutex> guard(lock_);
    EndBar();
    std::fprintf(stderr, "status: %s\n", text.c_str());
    step_ = text;
}

void ProgressLine::Progress(long percent) {
    const std::lock_guard<std::mutex> guard(lock_);
    percent_ = percent;
    if (terminal_) {
        Draw();
    } else {
        std::fprintf(stderr, "progress: %ld%%\n", percent);
    }
}

void ProgressLine::WaitStarted(std::uint32_t milliseconds) {
    // Shorter waits pass before anyone could read them.
    if (milliseconds <= 1000) {
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(lock_);
        if (!terminal_) {
            std::fprintf(stderr, "waiting %.1f s\n", milliseconds / 1000.0);
            return;
        }
        waitEnd_ = Clock::now() + std::chrono::milliseconds(milliseconds);
        Draw();
    }
    wake_.notify_all();
}

void ProgressLine::Print(const std::string& text) {
    const std::lock_guard<std::mutex> guard(lock_);
    EndBar();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

void ProgressLine::Tick() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stop_) {
        const Clock::time_point now = Clock::now();
        if (now >= waitEnd_) {
            wake_.wait(guard, [this] { return stop_ || Clock::now() < waitEnd_; });
            continue;
        }
        // Redraw as the whole seconds left change, and once more when the wait is over.
        const Clock::duration toNextSecond = (waitEnd_ - now) % std::chrono::seconds(1);
        wake_.wait_for(guard, toNextSecond == Clock::duration::zero()
                                  ? Clock::duration(std::chrono::seconds(1))
                                  : toNextSecond);
        // A line ended meanwhile (a status) is not drawn again once the wait is over.
        if (!stop_ && (barShown_ || Clock::now() < waitEnd_)) {
            Draw();
        }
    }
}

void ProgressLine::Draw() {
    const long clamped = percent_ < 0 ? 0 : (percent_ > 100 ? 100 : percent_);
    const long filled = clamped * kBarWidth / 100;
    std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " +
                       std::to_string(percent_) + "%";
    const Clock::time_point now = Clock::now();
    if (now < waitEnd_) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(waitEnd_ - now).count();
        const std::string step =
            step_.size() > kStepWidth ? step_.substr(0, kStepWidth - 3) + "..." : step_;
        line += "  " + step + (step.empty() ? "" : ", ") + "waiting " + std::to_string(left) + " s";
    }
    // Erase what a longer line before left to the right.
    line += "\033[K";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    barShown_ = true;
}

void ProgressLine::EndBar() {
    if (barShown_) {
        std::fputs("\n", stderr);
        barShown_ = false;
    }
}

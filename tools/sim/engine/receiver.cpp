#include "engine/receiver.h"

#include <algorithm>
#include <cstdio>

#include "engine/error_log_image.h"
#include "engine/info_block.h"

namespace sim {
namespace {

constexpr std::array<std::uint8_t, 6> kIdentificationRequest = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};
constexpr std::uint8_t kIdentificationReply = 0x6E;
// The receiver's own number of its USB port.
constexpr int kUsbPort = 15;

// Error-log windows under the flash base: the standard one, and the one of receivers with
// extended memory (a non-zero hardware minor number).
constexpr std::uint32_t kStandardLogOffset = 0x2000;
constexpr std::size_t kStandardLogSize = 0x1FFF;
constexpr std::uint32_t kExtendedLogOffset = 0x80000;
constexpr std::size_t kExtendedLogSize = 0x1FFFF;

}  // namespace

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::kApplication:
            return "application";
        case Mode::kMonitor:
            return "monitor";
        case Mode::kRebootingToMonitor:
            return "rebooting into the monitor";
        case Mode::kRebootingToApplication:
            return "rebooting into the application";
    }
    return "?";
}

Receiver::Receiver(Profile profile)
    : profile_(std::move(profile)),
      mode_(profile_.powerOn == PowerOnMode::kMonitor ? Mode::kMonitor : Mode::kApplication),
      line_(mode_ == Mode::kMonitor ? kIdentificationLine : profile_.line),
      radioConfig_(profile_.radio.config),
      log_(profile_.errorLog.entries),
      faultWatched_(profile_.faults.requests.size(), 0),
      faultHits_(profile_.faults.requests.size(), 0) {
    RebuildMemory();
}

bool Receiver::ListensToAnyLine() const {
    return profile_.portNumber == kUsbPort ||
           (!profile_.portMode.empty() &&
            (profile_.portMode[0] == 'T' || profile_.portMode[0] == 'W'));
}

Counters Receiver::GetCounters() const {
    Counters counters = counters_;
    counters.rejectedFrames =
        rejectedBeforeRestore_ + tcParser_.RejectedFrames() + lsParser_.RejectedFrames();
    return counters;
}

void Receiver::Restore(std::uint64_t nowMs) {
    Receiver fresh(profile_);
    fresh.now_ = std::max(now_, nowMs);
    fresh.counters_ = GetCounters();
    fresh.rejectedBeforeRestore_ = fresh.counters_.rejectedFrames;
    ++fresh.counters_.restores;
    fresh.trace_ = std::move(trace_);
    fresh.sink_ = std::move(sink_);
    *this = std::move(fresh);
    Log(now_, "restored: the profile's receiver, powered on afresh");
}

std::uint32_t Receiver::ErrorLogAddress() const {
    const bool extended = profile_.errorLog.window == LogWindow::kExtended ||
                          (profile_.errorLog.window == LogWindow::kAuto &&
                           profile_.infoBlock[info::kHardwareMinor] != 0);
    return profile_.flash.base + (extended ? kExtendedLogOffset : kStandardLogOffset);
}

void Receiver::RebuildMemory() {
    const bool extended = ErrorLogAddress() - profile_.flash.base == kExtendedLogOffset;
    memory_.Place(
        ErrorLogAddress(),
        BuildLogImage(log_, profile_.errorLog.layout, profile_.errorLog.byteOrder,
                      extended ? kExtendedLogSize : kStandardLogSize, profile_.errorLog.fill));
}

void Receiver::Log(std::uint64_t at, const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", static_cast<double>(at) / 1000.0);
    trace_.push_back(stamp + text);
    if (sink_) {
        sink_(trace_.back());
    }
}

std::string Receiver::IdentificationText() const {
    const bool monitor = mode_ == Mode::kMonitor;
    if (monitor && profile_.monitorIdentificationText) {
        return *profile_.monitorIdentificationText;
    }
    if (!monitor && profile_.identificationText) {
        return *profile_.identificationText;
    }
    const std::string port = std::to_string(profile_.portNumber);
    const std::string baud = std::to_string(line_.baud);
    std::string text = "PRODUCT," + (monitor ? profile_.monitorProduct : profile_.product);
    text += ";PORT," + port + "," + baud + "," + baud + "," + std::to_string(line_.dataBits) + "," +
            std::to_string(line_.stopBits) + "," + std::string(1, line_.parity) + "," +
            profile_.portMode;
    if (profile_.portStatus) {
        text += ";PORTSTATUS," + port + ",OK";
    }
    text += ";VERSION," + profile_.softwareVersion + "," + profile_.bootVersion;
    text += std::string(";COMM,") + (monitor ? "LS" : "TC");
    text += ";SERIAL," + profile_.serial;
    text += ";HARDWARE," + std::to_string(profile_.infoBlock[info::kHardwareMajor]) + "." +
            std::to_string(profile_.infoBlock[info::kHardwareMinor]) + ";";
    return text.substr(0, 255);
}

std::optional<RequestFault> Receiver::FaultFor(RequestFault::On on, std::uint8_t type) {
    std::optional<RequestFault> hit;
    const std::vector<RequestFault>& rules = profile_.faults.requests;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const RequestFault& rule = rules[i];
        if (rule.on != RequestFault::On::kAny &&
            (rule.on != on || (rule.type && *rule.type != type))) {
            continue;
        }
        const int n = ++faultWatched_[i];
        const bool due =
            n == rule.nth || (rule.every > 0 && n > rule.nth && (n - rule.nth) % rule.every == 0);
        if (due && !hit && (rule.times == 0 || faultHits_[i] < rule.times)) {
            ++faultHits_[i];
            ++counters_.requestFaults;
            hit = rule;
        }
    }
    return hit;
}

bool Receiver::Unheard(const std::optional<RequestFault>& fault, const std::string& what,
                       std::uint64_t at) {
    if (!fault || fault->action != RequestFault::Action::kUnheard) {
        return false;
    }
    Log(at, what + " lost on its way: not heard");
    return true;
}

bool Receiver::Refused(const std::optional<RequestFault>& fault, const std::string& what,
                       std::uint64_t at) {
    if (!fault || fault->action != RequestFault::Action::kRefused) {
        return false;
    }
    Log(at, what + " not carried out -> NAK");
    SendByte(kNak, at);
    return true;
}

Bytes Receiver::Shaped(Bytes data, std::size_t max) const {
    if (answering_ && answering_->action == RequestFault::Action::kShort && !data.empty()) {
        data.pop_back();
    } else if (answering_ && answering_->action == RequestFault::Action::kLong &&
               data.size() < max) {
        data.push_back(0);
    }
    return data;
}

std::uint32_t Receiver::LateBy() const {
    return answering_ && answering_->action == RequestFault::Action::kLate ? answering_->delayMs
                                                                           : 0;
}

void Receiver::Identify(std::uint64_t at, const char* how) {
    const std::string what = std::string("identification (") + how + ")";
    const auto fault = FaultFor(RequestFault::On::kIdentification, kIdentificationRequest[2]);
    if (Unheard(fault, what, at)) {
        return;
    }
    ++counters_.identifications;
    passThrough_ = false;
    tcParser_.Reset();
    lsParser_.Reset();
    identFill_ = 0;
    held_.clear();
    if (Refused(fault, what, at)) {
        return;
    }
    if (mode_ == Mode::kMonitor) {
        ++counters_.monitorIdentifications;
    }
    const std::string text = IdentificationText();
    Log(at, what + " in " + ModeName(mode_) + " -> 0x6E \"" + text + "\"");
    answering_ = fault;
    SendFrame(BuildTcFrame(kIdentificationReply, Shaped(Bytes(text.begin(), text.end()), 255)),
              kIdentificationLine, at);
    answering_.reset();
    if (mode_ == Mode::kApplication && profile_.faults.dropsToMonitorAfter > 0 &&
        ++applicationIdentifications_ == profile_.faults.dropsToMonitorAfter) {
        Log(at, "the application stops: falling into the monitor");
        Reboot(Mode::kMonitor, at);
    }
}

void Receiver::FeedIdentificationDetector(std::uint8_t byte, std::uint64_t at) {
    if (identFill_ == identWindow_.size()) {
        std::copy(identWindow_.begin() + 1, identWindow_.end(), identWindow_.begin());
        --identFill_;
    }
    identWindow_[identFill_++] = byte;
    if (identFill_ == identWindow_.size() && identWindow_ == kIdentificationRequest) {
        Identify(at, "request");
    }
}

void Receiver::Receive(const std::uint8_t* data, std::size_t size, const LineSettings& hostLine,
                       std::uint64_t nowMs) {
    RunTimers(nowMs);
    if (profile_.faults.silent || mode_ == Mode::kRebootingToMonitor ||
        mode_ == Mode::kRebootingToApplication) {
        counters_.bytesIgnoredBusy += static_cast<int>(size);
        return;
    }
    const bool mainLine = ListensToAnyLine() || hostLine == line_;
    const bool identLine = hostLine == kIdentificationLine;
    if (!mainLine && !identLine) {
        counters_.bytesIgnoredLine += static_cast<int>(size);
        Log(now_, "ignored " + std::to_string(size) + " bytes sent at " + ToString(hostLine) +
                      " (listening at " + ToString(line_) + ")");
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (mode_ != Mode::kApplication && mode_ != Mode::kMonitor) {
            // A request earlier in this write started a reboot: the rest is not heard.
            counters_.bytesIgnoredBusy += static_cast<int>(size - i);
            return;
        }
        const std::uint8_t byte = data[i];
        if (!mainLine) {
            FeedIdentificationDetector(byte, now_);  // only the break detector hears this line
        } else if (mode_ == Mode::kApplication) {
            // The TC parser hears the identification request as one of its frames.
            if (auto frame = tcParser_.Feed(byte)) {
                HandleTc(*frame, now_);
            }
        } else {
            FeedMonitor(byte, now_);
        }
    }
}

void Receiver::FeedMonitor(std::uint8_t byte, std::uint64_t at) {
    // Bytes that may begin the identification request wait before they reach the LS parser,
    // so the request is neither taken for a broken LS frame nor lost in one.
    held_.push_back(byte);
    for (;;) {
        const bool prefix = held_.size() <= kIdentificationRequest.size() &&
                            std::equal(held_.begin(), held_.end(), kIdentificationRequest.begin());
        if (prefix) {
            if (held_.size() == kIdentificationRequest.size()) {
                held_.clear();
                Identify(at, "request");
            }
            return;
        }
        const std::uint8_t first = held_.front();
        held_.erase(held_.begin());
        if (auto frame = lsParser_.Feed(first)) {
            HandleLs(*frame, at);
            if (mode_ != Mode::kMonitor) {
                held_.clear();
                return;
            }
        }
        if (held_.empty()) {
            return;
        }
    }
}

void Receiver::Break(std::uint64_t nowMs) {
    RunTimers(nowMs);
    ++counters_.breaks;
    if (profile_.faults.silent) {
        return;
    }
    if (mode_ == Mode::kRebootingToMonitor || mode_ == Mode::kRebootingToApplication) {
        Log(now_, std::string("break ignored while ") + ModeName(mode_));
        return;
    }
    Identify(now_, "break");
}

void Receiver::SendFrame(const Bytes& frame, const LineSettings& line, std::uint64_t at) {
    if (answering_ && answering_->action == RequestFault::Action::kLost) {
        ++counters_.answersLost;
        Log(at, "answer of " + std::to_string(frame.size()) + " bytes lost on the line");
        return;
    }
    Bytes bytes = profile_.faults.noise;
    counters_.noiseBytes += static_cast<int>(bytes.size());
    if (profile_.faults.corruptBeforeGood && frame.size() >= 3) {
        Bytes corrupt = frame;
        corrupt[corrupt.size() - 2] = static_cast<std::uint8_t>(corrupt[corrupt.size() - 2] ^ 0xFF);
        bytes.insert(bytes.end(), corrupt.begin(), corrupt.end());
        ++counters_.corruptFrames;
    }
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    std::uint64_t readyAt = at + profile_.delays.replyMs + LateBy();
    if (!output_.empty() && output_.back().readyAt > readyAt) {
        readyAt = output_.back().readyAt;  // replies leave in the order they were made
    }
    output_.push_back(Chunk{readyAt, line, std::move(bytes)});
    ++counters_.replies;
}

void Receiver::SendByte(std::uint8_t byte, std::uint64_t at) {
    if (answering_ && answering_->action == RequestFault::Action::kLost) {
        ++counters_.answersLost;
        Log(at, "answer byte lost on the line");
        return;
    }
    std::uint64_t readyAt = at + profile_.delays.replyMs + LateBy();
    if (!output_.empty() && output_.back().readyAt > readyAt) {
        readyAt = output_.back().readyAt;
    }
    output_.push_back(Chunk{readyAt, line_, Bytes{byte}});
    ++counters_.replies;
}

std::size_t Receiver::Transmit(std::uint8_t* out, std::size_t max, const LineSettings& hostLine,
                               std::uint64_t nowMs) {
    RunTimers(nowMs);
    std::size_t written = 0;
    while (!output_.empty() && output_.front().readyAt <= now_ && written < max) {
        Chunk& chunk = output_.front();
        if (!ListensToAnyLine() && chunk.line != hostLine) {
            const std::size_t lost = chunk.bytes.size() - chunk.sent;
            counters_.bytesLostLine += static_cast<int>(lost);
            Log(now_, std::to_string(lost) + " bytes sent at " + ToString(chunk.line) +
                          " lost: host listens at " + ToString(hostLine));
            output_.pop_front();
            continue;
        }
        const std::size_t take = std::min(max - written, chunk.bytes.size() - chunk.sent);
        std::copy_n(chunk.bytes.begin() + static_cast<std::ptrdiff_t>(chunk.sent), take,
                    out + written);
        written += take;
        chunk.sent += take;
        if (chunk.sent == chunk.bytes.size()) {
            output_.pop_front();
        }
    }
    return written;
}

Bytes Receiver::TransmitAll(const LineSettings& hostLine, std::uint64_t nowMs) {
    Bytes all;
    std::uint8_t buffer[512];
    for (;;) {
        const std::size_t n = Transmit(buffer, sizeof buffer, hostLine, nowMs);
        if (n == 0) {
            return all;
        }
        all.insert(all.end(), buffer, buffer + n);
    }
}

std::optional<std::uint64_t> Receiver::NextEventMs() const {
    std::optional<std::uint64_t> next;
    auto consider = [&next](std::optional<std::uint64_t> t) {
        if (t && (!next || *t < *next)) {
            next = t;
        }
    };
    if (!output_.empty()) {
        consider(output_.front().readyAt);
    }
    consider(rebootDoneAt_);
    consider(commitDoneAt_);
    consider(clearDoneAt_);
    consider(busReturnAt_);
    return next;
}

void Receiver::Advance(std::uint64_t nowMs) {
    RunTimers(nowMs);
}

void Receiver::RunTimers(std::uint64_t nowMs) {
    now_ = std::max(now_, nowMs);
    // Timers fire in time order, each at its own moment, so late callers see the same story.
    for (;;) {
        std::optional<std::uint64_t>* due = nullptr;
        for (std::optional<std::uint64_t>* timer :
             {&rebootDoneAt_, &commitDoneAt_, &clearDoneAt_, &busReturnAt_}) {
            if (timer->has_value() && **timer <= now_ && (due == nullptr || **timer < **due)) {
                due = timer;
            }
        }
        if (due == nullptr) {
            return;
        }
        const std::uint64_t at = **due;
        due->reset();
        if (due == &rebootDoneAt_) {
            FinishReboot(at);
        } else if (due == &busReturnAt_) {
            offBus_ = false;
            ++counters_.busReturns;
            Log(at, "back on the bus: the USB port is there again");
        } else if (due == &clearDoneAt_) {
            answering_ = clearFault_;
            FinishLogClear(at);
            answering_.reset();
        } else {
            answering_ = commitFault_;
            const std::uint8_t result = pendingWriteFails_ ? 0 : 1;
            if (result == 1) {
                radioConfig_ = pendingWrite_;
                ++counters_.radioWrites;
            }
            pendingWrite_.clear();
            lastWriteResult_ = result;
            Log(at, std::string("radio configuration commit ") + (result == 1 ? "done" : "failed") +
                        " -> 19 [" + std::to_string(result) + "]");
            if (result == 1) {
                Log(at, "radio configuration now begins " + HexText(radioConfig_, 32));
            }
            ReplyLs(19, Bytes{result}, at);
            answering_.reset();
        }
    }
}

void Receiver::Reboot(Mode target, std::uint64_t at) {
    const bool toMonitor = target == Mode::kMonitor;
    mode_ = toMonitor ? Mode::kRebootingToMonitor : Mode::kRebootingToApplication;
    const std::uint32_t delay =
        toMonitor ? profile_.delays.bootToMonitorMs : profile_.delays.bootToApplicationMs;
    rebootDoneAt_ = at + delay;
    toMonitor ? ++counters_.rebootsToMonitor : ++counters_.rebootsToApplication;
    passThrough_ = false;
    commitDoneAt_.reset();  // a reboot abandons a commit or an erase in progress
    clearDoneAt_.reset();
    pendingWrite_.clear();
    tcParser_.Reset();
    lsParser_.Reset();
    identFill_ = 0;
    held_.clear();
    Log(at, std::string("reboot into the ") + (toMonitor ? "monitor" : "application") +
                ", silent for " + std::to_string(delay) + " ms");
    if (profile_.portNumber == kUsbPort) {
        LeaveBus(at);
    }
}

void Receiver::LeaveBus(std::uint64_t at) {
    offBus_ = true;
    ++counters_.busLeaves;
    if (profile_.faults.usbGoneAfter != 0 && counters_.busLeaves >= profile_.faults.usbGoneAfter) {
        busReturnAt_.reset();
        Log(at, "off the bus: the USB port is gone for good");
        return;
    }
    busReturnAt_ = at + profile_.delays.usbReturnMs;
    Log(at, "off the bus: the USB port is gone for " + std::to_string(profile_.delays.usbReturnMs) +
                " ms");
}

void Receiver::FinishReboot(std::uint64_t at) {
    const bool toMonitor = mode_ == Mode::kRebootingToMonitor && !profile_.faults.neverMonitor;
    mode_ = toMonitor ? Mode::kMonitor : Mode::kApplication;
    line_ = toMonitor ? kIdentificationLine : profile_.line;
    Log(at, std::string(toMonitor ? "monitor" : "application") + " ready at " + ToString(line_));
}

}  // namespace sim

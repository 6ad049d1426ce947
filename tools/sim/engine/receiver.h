#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/frames.h"
#include "engine/line_settings.h"
#include "engine/memory_map.h"
#include "engine/profile.h"

namespace sim {

enum class Mode { kApplication, kMonitor, kRebootingToMonitor, kRebootingToApplication };
const char* ModeName(Mode mode);

// What the receiver saw and did, for tests.
struct Counters {
    int breaks = 0;
    int identifications = 0;
    int tcFrames = 0;        // complete TC requests
    int lsFrames = 0;        // complete LS requests
    int rejectedFrames = 0;  // requests that broke off (wrong sum, no ETX)
    int unknownRequests = 0;
    int replies = 0;           // frames and single bytes sent
    int noiseBytes = 0;        // fault bytes sent ahead of reply frames
    int corruptFrames = 0;     // corrupt copies sent ahead of good frames
    int infoWithheld = 0;      // flash or hardware information requests left unanswered
    int bytesIgnoredLine = 0;  // host bytes sent at a line the receiver did not listen at
    int bytesIgnoredBusy = 0;  // host bytes while rebooting or silent
    int bytesLostLine = 0;     // receiver bytes the host could not take (line mismatch)
    int rebootsToMonitor = 0;
    int rebootsToApplication = 0;
    int busLeaves = 0;   // times a receiver on its USB port left the bus
    int busReturns = 0;  // times it came back
    int baudSwitches = 0;
    int baudRefusals = 0;
    int memoryReads = 0;
    int radioReads = 0;
    int radioWrites = 0;       // committed writes
    int radioEmptyFrames = 0;  // empty type-19 frames (retransmissions of the reply object)
    int logClears = 0;
    int erases = 0;
    int monitorIdentifications = 0;          // identifications answered in the monitor
    int requestFaults = 0;                   // requests a rule of faults.requests hit
    int answersLost = 0;                     // answers those rules lost on the line
    int restores = 0;                        // returns to the profile's power-on state (Restore)
    std::map<std::uint8_t, int> tcRequests;  // by type
    std::map<std::uint8_t, int> lsRequests;  // by type
};

// The emulated receiver: a state machine with a byte input, a byte output and a clock that the
// caller supplies (milliseconds, never decreasing). No clocks or threads inside.
//
// Line rule: the receiver listens and speaks at its current line; bytes sent at another line are
// ignored, as on a real wire, and its own bytes are lost to a host on another line. The one
// exception is identification: the receiver answers a break, or the identification request sent
// at 9600 8N1, at 9600 8N1 whatever its current line (its break detector; a pseudo-terminal
// cannot deliver a real break). A receiver on its USB port (15), or whose PORT mode begins with
// 'T' or 'W', is reached at any line setting.
class Receiver {
  public:
    explicit Receiver(Profile profile = DefaultProfile());

    // Bytes the host wrote at hostLine.
    void Receive(const std::uint8_t* data, std::size_t size, const LineSettings& hostLine,
                 std::uint64_t nowMs);
    void Receive(const Bytes& data, const LineSettings& hostLine, std::uint64_t nowMs) {
        Receive(data.data(), data.size(), hostLine, nowMs);
    }
    // The host held the line in break.
    void Break(std::uint64_t nowMs);
    // Up to max bytes whose time has come, for a host listening at hostLine. Bytes sent at
    // another line are dropped and counted.
    std::size_t Transmit(std::uint8_t* out, std::size_t max, const LineSettings& hostLine,
                         std::uint64_t nowMs);
    Bytes TransmitAll(const LineSettings& hostLine, std::uint64_t nowMs);
    // The next moment at which output becomes due or the state changes by itself (a reboot
    // ends, a commit completes); nothing when the receiver waits for the host.
    std::optional<std::uint64_t> NextEventMs() const;
    // Lets time pass without input.
    void Advance(std::uint64_t nowMs);
    // Back to the profile's power-on state, as a receiver fresh from the box: its radio block,
    // error log, mode and line as the profile has them, and nothing in flight (a reboot, a
    // commit, a clear, unsent bytes). The counters and the trace go on.
    void Restore(std::uint64_t nowMs);

    Mode GetMode() const { return mode_; }
    const LineSettings& CurrentLine() const { return line_; }
    bool ListensToAnyLine() const;
    // A receiver on its USB port (15) leaves the bus when it reboots, as a USB device does: its
    // port is gone from the reboot's start until delays.usbReturnMs later, or for good from the
    // leave that faults.usbGoneAfter names. Every other receiver is always there. As of the
    // last time the receiver was given (Advance, Receive, Transmit).
    bool OnBus() const { return !offBus_; }
    bool InRadioPassThrough() const { return passThrough_; }
    bool Committing() const { return commitDoneAt_.has_value(); }
    bool ClearingLog() const { return clearDoneAt_.has_value(); }
    Counters GetCounters() const;
    const Profile& GetProfile() const { return profile_; }
    const Bytes& RadioConfig() const { return radioConfig_; }
    const std::vector<ErrorLogRecord>& ErrorLog() const { return log_; }
    Bytes ReadMemory(std::uint32_t address, std::size_t count) const {
        return memory_.Read(address, count);
    }
    // Where the memory copy of the error log starts.
    std::uint32_t ErrorLogAddress() const;
    // The identification text the receiver would send now.
    std::string IdentificationText() const;

    // One readable line per exchange and per change of state.
    const std::vector<std::string>& Trace() const { return trace_; }
    void SetTraceSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  private:
    struct Chunk {
        std::uint64_t readyAt;
        LineSettings line;
        Bytes bytes;
        std::size_t sent = 0;
    };

    void Log(std::uint64_t at, const std::string& text);
    // The rule of faults.requests that hits a request arriving now, if any; every rule that
    // watches the request counts it.
    std::optional<RequestFault> FaultFor(RequestFault::On on, std::uint8_t type);
    // True when the fault keeps the request from the receiver (unheard), or has it answered with
    // a lone NAK instead of being carried out (refused).
    bool Unheard(const std::optional<RequestFault>& fault, const std::string& what,
                 std::uint64_t at);
    bool Refused(const std::optional<RequestFault>& fault, const std::string& what,
                 std::uint64_t at);
    // The answer's data as the fault of the request being answered leaves them (at most max
    // bytes, what its frame can carry), and how late it sends them.
    Bytes Shaped(Bytes data, std::size_t max) const;
    std::uint32_t LateBy() const;
    void RunTimers(std::uint64_t nowMs);
    void Identify(std::uint64_t at, const char* how);
    void FeedIdentificationDetector(std::uint8_t byte, std::uint64_t at);
    void FeedMonitor(std::uint8_t byte, std::uint64_t at);
    // Queues a reply frame (with the noise and corrupt-copy faults) or a single byte.
    void SendFrame(const Bytes& frame, const LineSettings& line, std::uint64_t at);
    void SendByte(std::uint8_t byte, std::uint64_t at);
    void Reboot(Mode target, std::uint64_t at);
    void FinishReboot(std::uint64_t at);
    void LeaveBus(std::uint64_t at);
    void RebuildMemory();

    // Application (TC) requests.
    void HandleTc(const Frame& frame, std::uint64_t at);
    void DispatchTc(const Frame& frame, std::uint64_t at);
    void HandleOptions(const Frame& frame, std::uint64_t at);
    void HandleVersions(std::uint64_t at);
    void HandlePassThrough(const Frame& frame, std::uint64_t at);
    void HandleRadioQuery(const Frame& frame, std::uint64_t at);
    void HandleGpsTime(std::uint64_t at);
    void HandleErrorLog(const Frame& frame, std::uint64_t at);
    void HandleLogClear(std::uint64_t at);
    void FinishLogClear(std::uint64_t at);
    void HandleErase(const Frame& frame, std::uint64_t at);
    void HandleReset(const Frame& frame, std::uint64_t at);
    void ReplyTc(std::uint8_t type, const Bytes& payload, std::uint64_t at);

    // Monitor (LS) requests.
    void HandleLs(const Frame& frame, std::uint64_t at);
    void DispatchLs(const Frame& frame, std::uint64_t at);
    void HandleReadMemory(const Frame& frame, std::uint64_t at);
    void HandleSwitchBaud(const Frame& frame, std::uint64_t at);
    void HandleRadioRead(std::uint64_t at);
    void HandleRadioWrite(const Frame& frame, std::uint64_t at);
    void HandleFlashInfo(const Frame& frame, std::uint64_t at);
    void ReplyLs(std::uint8_t type, const Bytes& data, std::uint64_t at);

    std::vector<ErrorLogRecord> TcLogView() const;

    Profile profile_;
    Mode mode_;
    LineSettings line_;
    std::uint64_t now_ = 0;
    TcFrameParser tcParser_;
    LsFrameParser lsParser_;
    std::array<std::uint8_t, 6> identWindow_{};
    std::size_t identFill_ = 0;
    Bytes held_;  // monitor bytes that may start the identification request
    std::deque<Chunk> output_;
    std::optional<std::uint64_t> rebootDoneAt_;
    std::optional<std::uint64_t> commitDoneAt_;
    std::optional<std::uint64_t> clearDoneAt_;  // an error-log erase in progress
    bool offBus_ = false;
    std::optional<std::uint64_t> busReturnAt_;
    Bytes pendingWrite_;
    bool pendingWriteFails_ = false;
    std::optional<std::uint8_t> lastWriteResult_;
    bool passThrough_ = false;
    int applicationIdentifications_ = 0;
    Bytes radioConfig_;
    std::vector<ErrorLogRecord> log_;
    MemoryMap memory_;
    // Per rule of faults.requests: the requests it watched and the ones it hit.
    std::vector<int> faultWatched_;
    std::vector<int> faultHits_;
    // The fault of the request being answered, and of those whose answers come later.
    std::optional<RequestFault> answering_;
    std::optional<RequestFault> commitFault_;
    std::optional<RequestFault> clearFault_;
    Counters counters_;
    int rejectedBeforeRestore_ = 0;  // frames the parsers of earlier power-ons dropped
    std::vector<std::string> trace_;
    std::function<void(const std::string&)> sink_;
};

}  // namespace sim

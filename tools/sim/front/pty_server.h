#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/line_settings.h"
#include "engine/receiver.h"
#include "engine/replay.h"
#include "front/hang_up.h"
#include "front/line_pacer.h"
#include "front/release_watch.h"

namespace simfront {

// What the server serves: a byte input, a byte output and a notion of time, in milliseconds
// since the server started.
class WireEndpoint {
  public:
    virtual ~WireEndpoint() = default;
    virtual void Receive(const std::uint8_t* data, std::size_t size,
                         const sim::LineSettings& hostLine, std::uint64_t nowMs) = 0;
    virtual sim::Bytes TransmitAll(const sim::LineSettings& hostLine, std::uint64_t nowMs) = 0;
    virtual std::optional<std::uint64_t> NextEventMs() const = 0;
    // Whether the far end's port is there at nowMs (a receiver on its USB port leaves the bus
    // while it reboots).
    virtual bool OnBus(std::uint64_t /*nowMs*/) { return true; }
};

// The receiver engine, which listens and speaks at its own line.
class ReceiverEndpoint final : public WireEndpoint {
  public:
    explicit ReceiverEndpoint(sim::Receiver& receiver) : receiver_(receiver) {}
    void Receive(const std::uint8_t* data, std::size_t size, const sim::LineSettings& hostLine,
                 std::uint64_t nowMs) override {
        receiver_.Receive(data, size, hostLine, nowMs);
    }
    sim::Bytes TransmitAll(const sim::LineSettings& hostLine, std::uint64_t nowMs) override {
        return receiver_.TransmitAll(hostLine, nowMs);
    }
    std::optional<std::uint64_t> NextEventMs() const override { return receiver_.NextEventMs(); }
    bool OnBus(std::uint64_t nowMs) override {
        receiver_.Advance(nowMs);
        return receiver_.OnBus();
    }

  private:
    sim::Receiver& receiver_;
};

// A replayed trace, which answers at whatever line the host uses, as the trace was recorded.
class ReplayEndpoint final : public WireEndpoint {
  public:
    explicit ReplayEndpoint(sim::Replay& replay) : replay_(replay) {}
    void Receive(const std::uint8_t* data, std::size_t size, const sim::LineSettings&,
                 std::uint64_t nowMs) override {
        replay_.Receive(data, size, nowMs);
    }
    sim::Bytes TransmitAll(const sim::LineSettings&, std::uint64_t nowMs) override {
        return replay_.TransmitAll(nowMs);
    }
    std::optional<std::uint64_t> NextEventMs() const override { return replay_.NextEventMs(); }

  private:
    sim::Replay& replay_;
};

// Serves a receiver engine (or a replayed trace) on a pseudo-terminal in real time. The server
// keeps its own descriptor of the slave side open: that keeps the terminal alive between the host's
// opens and lets the server read the line settings that the host set (tcgetattr on the slave).
//
// While the endpoint is off the bus (a receiver on its USB port, rebooting) the server plays a
// USB serial device that left the machine: it closes both sides of its terminal, so that a host
// holding it sees a hang-up, and removes its link; when the endpoint is back, a new terminal
// appears behind the same link.
//
// Paced, the server spends the line's time on every byte it hears and sends (LinePacer), as a
// cable at the host's line speed would.
class PtyServer {
  public:
    explicit PtyServer(WireEndpoint& endpoint, bool paced = false);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal; with a link path, also a symbolic link to its slave (a stale
    // symbolic link there is replaced; one that leads to a terminal in use, another server's, or
    // any other file is left alone and is an error). Throws std::runtime_error with the reason.
    void Open(const std::string& linkPath);
    const std::string& SlavePath() const { return slavePath_; }

    // Once the trigger is reached (and its delay has passed), the server closes both sides of
    // the terminal and removes its link, as a pulled cable takes the port away, and then only
    // waits for stop.
    // counters tells how far the receiver has come.
    void HangUpWhen(const HangUpTrigger& trigger, std::function<sim::Counters()> counters) {
        hangUp_ = trigger;
        counters_ = std::move(counters);
    }

    // From now on, whenever the host has closed the terminal (the last program that opened it
    // closed it again), released is called with the time, after the bytes that host wrote have
    // been passed on (when the next host has opened it already, what waits unread goes to what
    // released made); what was sent to the closed host and not read is dropped. Call before
    // Open, which begins the watch before the link leads anyone to the terminal (and throws
    // std::runtime_error when it cannot).
    void OnRelease(std::function<void(std::uint64_t nowMs)> released);

    // Serves until stop becomes non-zero (set it from a signal handler).
    void Serve(const volatile std::sig_atomic_t& stop);

    // One turn of the serving loop, apart so that one loop serves many terminals (ServeAll):
    // Prepare does what is due now and says what to wait for (fd -1: nothing but time), Handle
    // takes what the wait found on that descriptor.
    struct Wait {
        int fd = -1;
        short events = 0;
        int watchFd = -1;            // the release watch (OnRelease), polled for input; -1: none
        std::int64_t timeoutNs = 0;  // from now
    };
    Wait Prepare();
    void Handle(short revents, short watchRevents);

    // The host's current line settings, as the slave's terminal attributes hold them.
    sim::LineSettings HostLine() const;

  private:
    std::int64_t NowNs() const;
    std::uint64_t NowMs() const;
    // Makes a raw terminal and, when a link was asked for, links it.
    void CreateTerminal();
    // Throws when the link leads to a terminal in use, another server's.
    void RefuseLiveLink() const;
    void CloseTerminal();
    // Follows the endpoint off the bus and back; true while it is away.
    bool FollowBus();
    // Hands the engine the host's bytes that have crossed the line by now.
    void Deliver();
    void Flush();
    // Hangs up when the trigger's time has come; true once hung up.
    bool CheckHangUp();
    void RemoveLink();
    // Passes on what the host has written; false when nothing was there.
    bool ReadHost();
    // A release that came: the closed host's last bytes, then the callback, then a clean line.
    void TakeRelease();

    WireEndpoint& endpoint_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;  // asked for; empty without --link
    bool linked_ = false;   // the link currently leads to this server's terminal
    bool hungUp_ = false;
    sim::Bytes unsent_;
    LinePacer fromHost_;
    LinePacer toHost_;
    std::int64_t startNs_ = 0;
    std::int64_t idleUntilNs_ = 0;  // no reader on the other side: look again then
    std::optional<HangUpTrigger> hangUp_;
    std::optional<std::uint64_t> hangUpAtMs_;
    std::function<sim::Counters()> counters_;
    std::unique_ptr<ReleaseWatch> releaseWatch_;
    std::function<void(std::uint64_t)> released_;
};

// Serves every server in one loop until stop becomes non-zero.
void ServeAll(const std::vector<PtyServer*>& servers, const volatile std::sig_atomic_t& stop);

}  // namespace simfront

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/line_settings.h"
#include "engine/receiver.h"
#include "platform/posix/ui_driver.h"
#include "platform/virtual_clock.h"
#include "transport/serial_interface.h"

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// How the port itself fails: from its first call of that kind on, as a port whose device has
// gone away.
enum class PortFault { kNone, kOpen, kRead, kWrite, kLineSettings };

// The failures a line plays. A rig keeps one for every line it makes, so that a test may set
// them before the run.
struct LineSwitches {
    PortFault fault = PortFault::kNone;
    int failOpens = 0;   // each new line fails this many opens first (301, the device gone)
    int failingTc = -1;  // writing the header of a TC frame of this type fails (304 [5])
    // A frame the host writes (header, payload and trailer gathered) that this holds for never
    // reaches the receiver, as on a line that loses it.
    std::function<bool(const Bytes& frame)> loses;
    // Asked after every write and before every read: once it holds, *cancel is set, as the host
    // would set its cancel event.
    std::function<bool()> cancelWhen;
    platform::PosixEvent* cancel = nullptr;
    // The cable is pulled hangUpDelayMs after this first holds for the receiver's counters (asked
    // after every write and break): from then on, on this line and on every later one, opens
    // fail with 301 (ENOENT), line changes with 302, reads with 303 and writes with 304 (EIO),
    // as when the receiver's device has gone away.
    std::function<bool(const sim::Counters&)> hangUpWhen;
    std::uint32_t hangUpDelayMs = 0;
};

// What the lines of a rig did, over every line it made.
struct LineLog {
    std::vector<Bytes> writes;      // every Write call, lost frames and failed writes included
    std::vector<Bytes> lost;        // the frames the line lost
    int lines = 0;                  // lines made
    int opens = 0;                  // ports opened
    int closes = 0;                 // open ports closed
    int alive = 0;                  // lines not yet destroyed
    int destroyedOpen = 0;          // lines destroyed with their port still open
    std::uint32_t fastestBaud = 0;  // the fastest line speed the host set
    std::optional<std::uint64_t> hangUpAt;  // when the cable is pulled (virtual ms)
};

// The receiver simulator behind a CSerialInterface, on virtual time: the bridge that device and
// operation tests put under the plug-in in place of a COM port, with the failure switches and
// the log a rig gives it (none and its own when not given).
//
// Time comes from the VirtualClock passed in, which must be the clock installed for the test
// (platform::ScopedClock). A Read that finds nothing buffered advances that clock (Advance, not
// Sleep, so the recorded waits stay the plug-in's own) to the receiver's next event, at most to
// the 2000 ms read time-out. SendBreak sleeps through the clock seam like the real port and
// delivers the break between its two waits. Writes reach the receiver with the host's line
// settings of the moment; the receiver's bytes reach the host only at matching settings.
//
// The receiver is not owned: it outlives transports, as a real receiver outlives the port
// objects of successive runs.
class SimTransport : public CSerialInterface {
  public:
    static constexpr std::uint32_t kReadTimeoutMs = 2000;

    enum class Direction { kHostToReceiver, kReceiverToHost, kBreak };
    struct Record {
        std::uint64_t ms;  // virtual milliseconds since the clock started
        Direction direction;
        sim::LineSettings hostLine;
        std::vector<std::uint8_t> bytes;
    };

    SimTransport(sim::Receiver& receiver, platform::VirtualClock& clock,
                 const LineSwitches* switches = nullptr, LineLog* log = nullptr);
    ~SimTransport() override;

    // Opens with the setting indices; throws 301 for an open port, a bad index, while
    // FailNextOpens is in force or while the receiver is off the bus (its USB device has gone
    // away: a port opened before it left fails every read and write from then on). Every call
    // below plays the fault switched on for its kind; a failed line change closes the port
    // first.
    void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                  int baudRateIndex) override;
    void ClosePort() override;
    // Throw 302 when closed or given a bad index (and leave the port closed).
    void SetBaudRate(int baudRateIndex) override;
    void SetParity(int parityIndex) override;
    void SetByteSize(int byteSizeIndex) override;
    void SetStopBits(int stopBitsIndex) override;
    void SetFlowControl(std::uint8_t flags) override;
    void SendBreak(std::uint32_t milliseconds) override;
    int GetPortNumber() const override { return portNumber_; }

    void WriteByte(std::uint8_t byte) override { Write(&byte, 1); }
    // Throws 304 when closed.
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    bool ReadByte(std::uint8_t& byte) override { return Read(&byte, 1) == 1; }
    // Throws 303 when closed.
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
    void Purge(bool transmit, bool receive) override;

    // The next count OpenPort calls fail with 301.
    void FailNextOpens(int count) { failOpens_ = count; }
    int OpenCount() const { return opens_; }

    sim::LineSettings HostLine() const;
    // Every write, every byte that reached the host and every break, in order.
    const std::vector<Record>& Transcript() const { return transcript_; }
    // The host's writes only, one entry per Write call (a packet writes a frame in pieces).
    std::vector<std::vector<std::uint8_t>> Writes() const;
    // Every byte the host wrote, in order, for decoding whole frames.
    std::vector<std::uint8_t> HostBytes() const;
    // One line per record: "   10.370 host> 02 00 6F 00 6F 03 @9600 8N1".
    std::string FormatTranscript() const;

  private:
    std::uint64_t Now() const { return clock_.ElapsedMs(); }
    // Moves what the receiver has sent by now into the input buffer.
    void Pull();
    void CloseAndThrow(int code);
    void Shut();
    void FailLine();
    // Plays the line fault, refuses a closed port or a bad index (302, the port closed), then
    // takes in what arrived at the old setting and sets the new one.
    template <typename Table, typename Field>
    void ChangeLine(const Table& table, int index, Field& field);
    void CheckCancel();
    // Asks hangUpWhen once the receiver may have seen something new; HungUp: the cable is out.
    void WatchHangUp();
    bool HungUp() const;
    // Lets virtual time pass up to ms, as a blocked read does; throws 303 once the cable is out.
    void WaitUntil(std::uint64_t ms);
    // Hands written bytes to the receiver, gathering a frame while `loses` is set.
    void Pass(const std::uint8_t* buffer, std::size_t count);
    void Deliver(const std::uint8_t* buffer, std::size_t count);
    // The receiver left the bus since the port was opened.
    bool DeviceGone();

    sim::Receiver& receiver_;
    platform::VirtualClock& clock_;
    LineLog ownLog_;
    const LineSwitches& switches_;
    LineLog& log_;
    Bytes pending_;
    std::deque<std::uint8_t> input_;
    std::vector<Record> transcript_;
    int failOpens_ = 0;
    int opens_ = 0;
    int busLeaves_ = 0;  // the receiver's leaves of the bus when the port was opened
};

}  // namespace testing_support

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "platform/posix/ui_driver.h"
#include "support/sim_transport.h"

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
};

// The receiver simulator's port with failure switches and a log: the one fake line under the
// rigs that run whole operations or the device interface.
class SwitchableLine : public SimTransport {
  public:
    SwitchableLine(sim::Receiver& receiver, platform::VirtualClock& clock,
                   const LineSwitches& switches, LineLog& log);
    ~SwitchableLine() override;

    void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                  int baudRateIndex) override;
    void ClosePort() override;
    // A failed line change closes the port before it throws, like the real port.
    void SetBaudRate(int index) override;
    void SetParity(int index) override;
    void SetByteSize(int index) override;
    void SetStopBits(int index) override;
    void SetFlowControl(std::uint8_t flags) override;
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;

  private:
    void FailLine();
    void NoteBaud();
    void CheckCancel();
    // Passes written bytes on, gathering a frame while `loses` is set.
    void Pass(const std::uint8_t* buffer, std::size_t count);

    const LineSwitches& switches_;
    LineLog& log_;
    Bytes pending_;
};

// The host's TC requests (header piece, then payload) in a rig's writes, as type and payload.
struct TcRequest {
    int type;
    Bytes payload;
    bool operator==(const TcRequest&) const = default;
};
std::vector<TcRequest> TcRequests(const std::vector<Bytes>& writes);
// Every byte written, in order.
Bytes Joined(const std::vector<Bytes>& writes);
// The LS frames of one type found in bytes: a frame counts when its length, checksum and ETX
// agree.
std::vector<Bytes> LsFrames(const Bytes& bytes, std::uint8_t type);
// A big-endian 32-bit number at offset.
std::uint32_t BigEndian32(const Bytes& bytes, std::size_t offset);

}  // namespace testing_support

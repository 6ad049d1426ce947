#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/line_settings.h"
#include "engine/receiver.h"
#include "platform/virtual_clock.h"
#include "transport/serial_interface.h"

namespace testing_support {

// The receiver simulator behind a CSerialInterface, on virtual time: the bridge that device and
// operation tests put under the plug-in in place of a COM port.
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

    SimTransport(sim::Receiver& receiver, platform::VirtualClock& clock);
    ~SimTransport() override;

    // Opens with the setting indices; throws 301 for an open port, a bad index, or while
    // FailNextOpens is in force (the receiver's USB device has gone away).
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

    sim::Receiver& receiver_;
    platform::VirtualClock& clock_;
    std::deque<std::uint8_t> input_;
    std::vector<Record> transcript_;
    int failOpens_ = 0;
    int opens_ = 0;
};

}  // namespace testing_support

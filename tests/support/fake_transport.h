#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "transport/serial_interface.h"

namespace testing_support {

// A scripted COM port for unit tests of the packet and device layers. It records every call and
// every written byte and serves incoming bytes from a script. It does not depend on a test
// framework, so fuzzers and benchmarks may use it too.
//
// Incoming bytes come from two sources:
//  - QueueIncoming: readable at once, in order.
//  - QueueReply: a queue of replies. The first Read after one or more Writes releases the next
//    reply into the readable bytes (a frame written in several Write calls releases one reply).
//    So a test that queues three replies answers a request and its two retransmissions; an empty
//    reply stands for "no answer to this write". QueueBreakReply works the same for SendBreak.
//
// A Read that finds nothing readable returns 0 bytes; when a platform::VirtualClock is installed
// (platform::ScopedClock), it first advances that clock by the port's read time-out (2000 ms),
// as the real port would block that long. Advance is not recorded as a sleep.
//
// Failure switches make the Nth Read or Write (counted from the call of the switch, 1 = the next
// one) throw CSerialComException, with code 303 for reads and 304 for writes.
class FakeTransport : public CSerialInterface {
  public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr std::uint32_t kReadTimeoutMs = 2000;

    FakeTransport();
    ~FakeTransport() override;

    // Line calls: recorded, and the settings are kept so GetBaudRate and friends report them.
    // OpenPort throws 301 while FailNextOpens is in force or for an index outside the tables.
    void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                  int baudRateIndex) override;
    void ClosePort() override;
    void SetBaudRate(int baudRateIndex) override;
    void SetParity(int parityIndex) override;
    void SetByteSize(int byteSizeIndex) override;
    void SetStopBits(int stopBitsIndex) override;
    void SetFlowControl(std::uint8_t flags) override;
    // Sleeps twice for the given time through the clock seam (wait, then hold the break), like
    // the real port, and releases the next break reply.
    void SendBreak(std::uint32_t milliseconds) override;
    int GetPortNumber() const override { return portNumber_; }

    void WriteByte(std::uint8_t byte) override { Write(&byte, 1); }
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    bool ReadByte(std::uint8_t& byte) override { return Read(&byte, 1) == 1; }
    // Serves at most the read chunk (SetMaxReadChunk) of the readable bytes.
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
    // A receive purge drops the bytes readable now; queued replies stay queued.
    void Purge(bool transmit, bool receive) override;

    // --- script ---
    void QueueIncoming(const Bytes& bytes);
    void QueueIncoming(std::initializer_list<std::uint8_t> bytes) { QueueIncoming(Bytes(bytes)); }
    void QueueReply(const Bytes& bytes);
    void QueueReply(std::initializer_list<std::uint8_t> bytes) { QueueReply(Bytes(bytes)); }
    void QueueBreakReply(const Bytes& bytes);
    // Read hands out at most this many bytes per call (default: unlimited).
    void SetMaxReadChunk(std::size_t bytes) { maxReadChunk_ = bytes; }
    // Line time: every byte handed out by Read advances the installed VirtualClock by this many
    // milliseconds (default 0), so a receiver that talks without pause still runs into time-outs.
    void SetMsPerByte(std::uint32_t ms) { msPerByte_ = ms; }
    // With this set, Read and Write on a closed port throw 303 / 304 like the real port.
    void SetRequireOpen(bool require) { requireOpen_ = require; }

    // --- failure switches ---
    // The nth Read from now throws; the following `times - 1` reads throw as well.
    void FailRead(int nth, int times = 1);
    void FailWrite(int nth, int times = 1);
    void FailNextOpens(int count) { failOpens_ = count; }

    // --- record ---
    // One line per call other than Read and Write, e.g. "OpenPort 5 1 0 0 6", "SendBreak 350",
    // "Purge 0 1", "SetBaudRate 12".
    const std::vector<std::string>& Calls() const { return calls_; }
    // One entry per Write call, and all written bytes in order.
    const std::vector<Bytes>& Writes() const { return writes_; }
    const Bytes& Written() const { return written_; }
    void ClearWritten();
    std::size_t ReadCalls() const { return readCalls_; }
    std::size_t EmptyReads() const { return emptyReads_; }
    // Bytes readable now plus bytes of replies not yet released.
    std::size_t PendingIncoming() const;
    std::size_t PendingReplies() const { return replies_.size(); }

  private:
    struct FailSwitch {
        int countdown = 0;  // calls left before the first failure; 0 = switch off
        int times = 0;
        bool Trip();
    };

    void Record(std::string call) { calls_.push_back(std::move(call)); }
    void RequireIndex(bool valid, int code);
    // Records the call, checks the port and the index, then takes the table's entry.
    template <typename Table, typename Field>
    void SetLine(const char* call, const Table& table, int index, Field& field);

    std::deque<std::uint8_t> incoming_;
    std::deque<Bytes> replies_;
    std::deque<Bytes> breakReplies_;
    bool wroteSinceRelease_ = false;
    std::size_t maxReadChunk_ = 0;
    std::uint32_t msPerByte_ = 0;
    bool requireOpen_ = false;
    FailSwitch readFail_;
    FailSwitch writeFail_;
    int failOpens_ = 0;

    std::vector<std::string> calls_;
    std::vector<Bytes> writes_;
    Bytes written_;
    std::size_t readCalls_ = 0;
    std::size_t emptyReads_ = 0;
};

// "02 06 00 00 00 06 03": bytes as upper-case hex, separated by blanks, for failure messages.
std::string HexBytes(const std::vector<std::uint8_t>& bytes);
// Parses the same format (blanks optional between pairs); throws std::invalid_argument.
std::vector<std::uint8_t> ParseHex(const std::string& text);

}  // namespace testing_support

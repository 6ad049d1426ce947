#include "support/sim_transport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/bytes.h"
#include "platform/clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

namespace testing_support {
namespace {

constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};

constexpr std::uint8_t kStx = 0x02;
const LineSwitches kNoSwitches;

template <typename Table>
bool ValidIndex(const Table& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

bool IsTcHeader(const std::uint8_t* buffer, std::size_t count) {
    return count == 4 && buffer[0] == kStx && buffer[1] == 0x00;
}

// A frame's whole length from its four-byte header: TC frames carry status 0 and end with a
// checksum byte and ETX, LS frames a 16-bit length and a 16-bit checksum.
std::size_t FrameLength(const Bytes& header) {
    if (header[1] == 0x00) {
        return 4u + header[3] + 2u;
    }
    return 4u + ((std::size_t{header[2]} << 8) | header[3]) + 3u;
}

}  // namespace

SimTransport::SimTransport(sim::Receiver& receiver, platform::VirtualClock& clock,
                           const LineSwitches* switches, LineLog* log)
    : receiver_(receiver),
      clock_(clock),
      switches_(switches != nullptr ? *switches : kNoSwitches),
      log_(log != nullptr ? *log : ownLog_) {
    ++log_.lines;
    ++log_.alive;
    failOpens_ = switches_.failOpens;
}

SimTransport::~SimTransport() {
    if (open_) {
        ++log_.destroyedOpen;
    }
    --log_.alive;
    Shut();
}

sim::LineSettings SimTransport::HostLine() const {
    sim::LineSettings line;
    line.baud = baudRate_;
    line.dataBits = byteSize_;
    line.parity = parity_ < sizeof kParityLetters ? kParityLetters[parity_] : '?';
    line.stopBits = stopBits_ == 0 ? 1 : stopBits_ == 1 ? sim::kOneAndHalfStopBits : 2;
    return line;
}

void SimTransport::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                            int baudRateIndex) {
    askedPortNumber_ = portNumber;
    if (switches_.fault == PortFault::kOpen) {
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
    }
    ++opens_;
    if (open_) {
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, EBUSY);
    }
    if (failOpens_ > 0 || HungUp()) {
        failOpens_ = std::max(failOpens_ - 1, 0);
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
    }
    receiver_.Advance(Now());
    if (!receiver_.OnBus()) {
        // The receiver's USB device has left the machine: there is no such device.
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
    }
    busLeaves_ = receiver_.GetCounters().busLeaves;
    if (!ValidIndex(serial::kByteSizes, byteSizeIndex) ||
        !ValidIndex(serial::kStopBits, stopBitsIndex) ||
        !ValidIndex(serial::kParities, parityIndex) ||
        !ValidIndex(serial::kBaudRates, baudRateIndex)) {
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, EINVAL);
    }
    byteSize_ = serial::kByteSizes[static_cast<std::size_t>(byteSizeIndex)];
    stopBits_ = serial::kStopBits[static_cast<std::size_t>(stopBitsIndex)];
    parity_ = serial::kParities[static_cast<std::size_t>(parityIndex)];
    baudRate_ = serial::kBaudRates[static_cast<std::size_t>(baudRateIndex)];
    flowControl_ = 0;
    portNumber_ = portNumber;
    portName_ = "sim:COM" + std::to_string(portNumber);
    open_ = true;
    Purge(true, true);
    ++log_.opens;
    log_.fastestBaud = std::max(log_.fastestBaud, baudRate_);
}

void SimTransport::ClosePort() {
    if (open_) {
        ++log_.closes;
    }
    Shut();
}

void SimTransport::Shut() {
    input_.clear();
    open_ = false;
    portNumber_ = 0;
}

void SimTransport::FailLine() {
    if (switches_.fault == PortFault::kLineSettings || (open_ && HungUp())) {
        const int port = portNumber_;
        ClosePort();
        throw CSerialComException(port, CSerialComException::kSettingsFailed, EIO);
    }
}

void SimTransport::CloseAndThrow(int code) {
    const int port = NamedPortNumber();
    const int error = open_ ? EINVAL : EBADF;
    ClosePort();
    throw CSerialComException(port, code, error);
}

template <typename Table, typename Field>
void SimTransport::ChangeLine(const Table& table, int index, Field& field) {
    FailLine();
    if (!open_ || !ValidIndex(table, index)) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    Pull();  // what has arrived so far was received at the old setting
    field = table[static_cast<std::size_t>(index)];
}

void SimTransport::SetBaudRate(int baudRateIndex) {
    ChangeLine(serial::kBaudRates, baudRateIndex, baudRate_);
    input_.clear();
    log_.fastestBaud = std::max(log_.fastestBaud, baudRate_);
}

void SimTransport::SetParity(int parityIndex) {
    ChangeLine(serial::kParities, parityIndex, parity_);
}

void SimTransport::SetByteSize(int byteSizeIndex) {
    ChangeLine(serial::kByteSizes, byteSizeIndex, byteSize_);
}

void SimTransport::SetStopBits(int stopBitsIndex) {
    ChangeLine(serial::kStopBits, stopBitsIndex, stopBits_);
}

void SimTransport::SetFlowControl(std::uint8_t flags) {
    FailLine();
    if (!open_) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    flowControl_ = flags;
}

void SimTransport::SendBreak(std::uint32_t milliseconds) {
    platform::Sleep(milliseconds);
    if (open_ && !HungUp()) {
        transcript_.push_back(Record{Now(), Direction::kBreak, HostLine(), {}});
        receiver_.Break(Now());
        WatchHangUp();
    }
    platform::Sleep(milliseconds);
}

void SimTransport::WatchHangUp() {
    if (!log_.hangUpAt && switches_.hangUpWhen && switches_.hangUpWhen(receiver_.GetCounters())) {
        log_.hangUpAt = Now() + switches_.hangUpDelayMs;
    }
}

bool SimTransport::HungUp() const {
    return log_.hangUpAt && Now() >= *log_.hangUpAt;
}

void SimTransport::Write(const std::uint8_t* buffer, std::size_t count) {
    log_.writes.emplace_back(buffer, buffer + count);
    if (switches_.fault == PortFault::kWrite || (open_ && HungUp()) ||
        (pending_.empty() && IsTcHeader(buffer, count) && buffer[2] == switches_.failingTc)) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, EIO);
    }
    Pass(buffer, count);
    WatchHangUp();
    CheckCancel();
}

void SimTransport::Pass(const std::uint8_t* buffer, std::size_t count) {
    if (!switches_.loses || (pending_.empty() && (count != 4 || buffer[0] != kStx))) {
        Deliver(buffer, count);
        return;
    }
    pending_.insert(pending_.end(), buffer, buffer + count);
    if (pending_.size() < FrameLength(pending_)) {
        return;
    }
    Bytes frame;
    frame.swap(pending_);
    if (switches_.loses(frame)) {
        log_.lost.push_back(frame);
    } else {
        Deliver(frame.data(), frame.size());
    }
}

void SimTransport::CheckCancel() {
    if (switches_.cancelWhen && switches_.cancel != nullptr && switches_.cancelWhen()) {
        switches_.cancel->signalled = true;
    }
}

void SimTransport::Deliver(const std::uint8_t* buffer, std::size_t count) {
    if (!open_) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kWriteFailed, EBADF);
    }
    if (DeviceGone()) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, EIO);
    }
    Pull();
    transcript_.push_back(
        Record{Now(), Direction::kHostToReceiver, HostLine(), {buffer, buffer + count}});
    receiver_.Receive(buffer, count, HostLine(), Now());
}

bool SimTransport::DeviceGone() {
    receiver_.Advance(Now());
    return receiver_.GetCounters().busLeaves != busLeaves_;
}

void SimTransport::Pull() {
    const sim::Bytes bytes = receiver_.TransmitAll(HostLine(), Now());
    if (bytes.empty()) {
        return;
    }
    if (!open_) {
        return;  // nobody listens while the port is closed
    }
    transcript_.push_back(Record{Now(), Direction::kReceiverToHost, HostLine(), bytes});
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

std::size_t SimTransport::Read(std::uint8_t* buffer, std::size_t count) {
    CheckCancel();
    if (switches_.fault == PortFault::kRead || (open_ && HungUp())) {
        throw CSerialComException(portNumber_, CSerialComException::kReadFailed, EIO);
    }
    if (!open_) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kReadFailed, EBADF);
    }
    if (DeviceGone()) {
        throw CSerialComException(portNumber_, CSerialComException::kReadFailed, EIO);
    }
    if (count == 0) {
        return 0;
    }
    const std::uint64_t deadline = Now() + kReadTimeoutMs;
    for (;;) {
        Pull();
        if (!input_.empty()) {
            std::size_t n = 0;
            while (n < count && !input_.empty()) {
                buffer[n++] = input_.front();
                input_.pop_front();
            }
            return n;
        }
        const auto next = receiver_.NextEventMs();
        if (!next || *next > deadline) {
            WaitUntil(deadline);
            Pull();
            if (input_.empty()) {
                return 0;
            }
            continue;
        }
        // Never stand still: an event that is due yields its effect on the next Pull.
        WaitUntil(std::max(*next, Now() + 1));
    }
}

void SimTransport::WaitUntil(std::uint64_t ms) {
    // A read under way fails the moment the cable is pulled.
    if (log_.hangUpAt && *log_.hangUpAt < ms) {
        ms = std::max(*log_.hangUpAt, Now());
    }
    if (Now() < ms) {
        clock_.Advance(ms - Now());
    }
    if (HungUp()) {
        throw CSerialComException(portNumber_, CSerialComException::kReadFailed, EIO);
    }
}

void SimTransport::Purge(bool /*transmit*/, bool receive) {
    // Writes reach the receiver at once, so only input can be pending.
    if (receive) {
        Pull();
        input_.clear();
    }
}

std::vector<std::vector<std::uint8_t>> SimTransport::Writes() const {
    std::vector<std::vector<std::uint8_t>> writes;
    for (const Record& record : transcript_) {
        if (record.direction == Direction::kHostToReceiver) {
            writes.push_back(record.bytes);
        }
    }
    return writes;
}

std::vector<std::uint8_t> SimTransport::HostBytes() const {
    std::vector<std::uint8_t> bytes;
    for (const Record& record : transcript_) {
        if (record.direction == Direction::kHostToReceiver) {
            bytes.insert(bytes.end(), record.bytes.begin(), record.bytes.end());
        }
    }
    return bytes;
}

std::string SimTransport::FormatTranscript() const {
    std::string text;
    for (const Record& record : transcript_) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%9.3f ", static_cast<double>(record.ms) / 1000.0);
        text += stamp;
        switch (record.direction) {
            case Direction::kHostToReceiver:
                text += "host> ";
                break;
            case Direction::kReceiverToHost:
                text += "recv> ";
                break;
            case Direction::kBreak:
                text += "break ";
                break;
        }
        text += sim::HexText(record.bytes.data(), record.bytes.size(), 48) + " @" +
                sim::ToString(record.hostLine) + "\n";
    }
    return text;
}

}  // namespace testing_support

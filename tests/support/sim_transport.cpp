#include "support/sim_transport.h"

#include <cerrno>
#include <cstdio>

#include "engine/bytes.h"
#include "platform/clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

namespace testing_support {
namespace {

constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};

template <typename Table>
bool ValidIndex(const Table& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

}  // namespace

SimTransport::SimTransport(sim::Receiver& receiver, platform::VirtualClock& clock)
    : receiver_(receiver), clock_(clock) {}

SimTransport::~SimTransport() {
    ClosePort();
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
    ++opens_;
    if (open_) {
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, EBUSY);
    }
    if (failOpens_ > 0) {
        --failOpens_;
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
    }
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
}

void SimTransport::ClosePort() {
    input_.clear();
    open_ = false;
    portNumber_ = 0;
}

void SimTransport::CloseAndThrow(int code) {
    const int port = portNumber_;
    const int error = open_ ? EINVAL : EBADF;
    ClosePort();
    throw CSerialComException(port, code, error);
}

void SimTransport::SetBaudRate(int baudRateIndex) {
    if (!open_ || !ValidIndex(serial::kBaudRates, baudRateIndex)) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    Purge(true, true);
    baudRate_ = serial::kBaudRates[static_cast<std::size_t>(baudRateIndex)];
}

void SimTransport::SetParity(int parityIndex) {
    if (!open_ || !ValidIndex(serial::kParities, parityIndex)) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    Pull();  // what has arrived so far was received at the old setting
    parity_ = serial::kParities[static_cast<std::size_t>(parityIndex)];
}

void SimTransport::SetByteSize(int byteSizeIndex) {
    if (!open_ || !ValidIndex(serial::kByteSizes, byteSizeIndex)) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    Pull();
    byteSize_ = serial::kByteSizes[static_cast<std::size_t>(byteSizeIndex)];
}

void SimTransport::SetStopBits(int stopBitsIndex) {
    if (!open_ || !ValidIndex(serial::kStopBits, stopBitsIndex)) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    Pull();
    stopBits_ = serial::kStopBits[static_cast<std::size_t>(stopBitsIndex)];
}

void SimTransport::SetFlowControl(std::uint8_t flags) {
    if (!open_) {
        CloseAndThrow(CSerialComException::kSettingsFailed);
    }
    flowControl_ = flags;
}

void SimTransport::SendBreak(std::uint32_t milliseconds) {
    platform::Sleep(milliseconds);
    if (open_) {
        transcript_.push_back(Record{Now(), Direction::kBreak, HostLine(), {}});
        receiver_.Break(Now());
    }
    platform::Sleep(milliseconds);
}

void SimTransport::Write(const std::uint8_t* buffer, std::size_t count) {
    if (!open_) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, EBADF);
    }
    Pull();
    transcript_.push_back(
        Record{Now(), Direction::kHostToReceiver, HostLine(), {buffer, buffer + count}});
    receiver_.Receive(buffer, count, HostLine(), Now());
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
    if (!open_) {
        throw CSerialComException(portNumber_, CSerialComException::kReadFailed, EBADF);
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
            if (Now() < deadline) {
                clock_.Advance(deadline - Now());
            }
            Pull();
            if (input_.empty()) {
                return 0;
            }
            continue;
        }
        // Never stand still: an event that is due yields its effect on the next Pull.
        clock_.Advance(*next > Now() ? *next - Now() : 1);
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

#include "support/switchable_line.h"

#include <algorithm>
#include <cerrno>

#include "transport/serial_com_exception.h"

namespace testing_support {
namespace {

constexpr std::uint8_t kStx = 0x02;

// A frame's whole length from its four-byte header: TC frames carry status 0 and end with a
// checksum byte and ETX, LS frames a 16-bit length and a 16-bit checksum.
std::size_t FrameLength(const Bytes& header) {
    if (header[1] == 0x00) {
        return 4u + header[3] + 2u;
    }
    return 4u + ((std::size_t{header[2]} << 8) | header[3]) + 3u;
}

bool IsTcHeader(const std::uint8_t* buffer, std::size_t count) {
    return count == 4 && buffer[0] == kStx && buffer[1] == 0x00;
}

}  // namespace

SwitchableLine::SwitchableLine(sim::Receiver& receiver, platform::VirtualClock& clock,
                               const LineSwitches& switches, LineLog& log)
    : SimTransport(receiver, clock), switches_(switches), log_(log) {
    ++log_.lines;
    ++log_.alive;
    FailNextOpens(switches_.failOpens);
}

SwitchableLine::~SwitchableLine() {
    if (IsOpen()) {
        ++log_.destroyedOpen;
    }
    --log_.alive;
}

void SwitchableLine::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                              int baudRateIndex) {
    if (switches_.fault == PortFault::kOpen) {
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
    }
    SimTransport::OpenPort(portNumber, byteSizeIndex, stopBitsIndex, parityIndex, baudRateIndex);
    ++log_.opens;
    NoteBaud();
}

void SwitchableLine::ClosePort() {
    if (IsOpen()) {
        ++log_.closes;
    }
    SimTransport::ClosePort();
}

void SwitchableLine::SetBaudRate(int index) {
    FailLine();
    SimTransport::SetBaudRate(index);
    NoteBaud();
}

void SwitchableLine::SetParity(int index) {
    FailLine();
    SimTransport::SetParity(index);
}

void SwitchableLine::SetByteSize(int index) {
    FailLine();
    SimTransport::SetByteSize(index);
}

void SwitchableLine::SetStopBits(int index) {
    FailLine();
    SimTransport::SetStopBits(index);
}

void SwitchableLine::SetFlowControl(std::uint8_t flags) {
    FailLine();
    SimTransport::SetFlowControl(flags);
}

void SwitchableLine::Write(const std::uint8_t* buffer, std::size_t count) {
    log_.writes.emplace_back(buffer, buffer + count);
    if (switches_.fault == PortFault::kWrite ||
        (pending_.empty() && IsTcHeader(buffer, count) && buffer[2] == switches_.failingTc)) {
        throw CSerialComException(GetPortNumber(), CSerialComException::kWriteFailed, EIO);
    }
    Pass(buffer, count);
    CheckCancel();
}

std::size_t SwitchableLine::Read(std::uint8_t* buffer, std::size_t count) {
    CheckCancel();
    if (switches_.fault == PortFault::kRead) {
        throw CSerialComException(GetPortNumber(), CSerialComException::kReadFailed, EIO);
    }
    return SimTransport::Read(buffer, count);
}

void SwitchableLine::FailLine() {
    if (switches_.fault == PortFault::kLineSettings) {
        const int port = GetPortNumber();
        ClosePort();
        throw CSerialComException(port, CSerialComException::kSettingsFailed, EIO);
    }
}

void SwitchableLine::NoteBaud() {
    log_.fastestBaud = std::max(log_.fastestBaud, GetBaudRate());
}

void SwitchableLine::CheckCancel() {
    if (switches_.cancelWhen && switches_.cancel != nullptr && switches_.cancelWhen()) {
        switches_.cancel->signalled = true;
    }
}

void SwitchableLine::Pass(const std::uint8_t* buffer, std::size_t count) {
    if (!switches_.loses || (pending_.empty() && (count != 4 || buffer[0] != kStx))) {
        SimTransport::Write(buffer, count);
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
        SimTransport::Write(frame.data(), frame.size());
    }
}

std::vector<TcRequest> TcRequests(const std::vector<Bytes>& writes) {
    std::vector<TcRequest> requests;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const Bytes& piece = writes[i];
        if (IsTcHeader(piece.data(), piece.size())) {
            TcRequest request{piece[2], {}};
            if (piece[3] > 0 && i + 1 < writes.size()) {
                request.payload = writes[i + 1];
            }
            requests.push_back(request);
        }
    }
    return requests;
}

Bytes Joined(const std::vector<Bytes>& writes) {
    Bytes bytes;
    for (const Bytes& piece : writes) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

std::vector<Bytes> LsFrames(const Bytes& bytes, std::uint8_t type) {
    std::vector<Bytes> frames;
    std::size_t i = 0;
    while (i + 7 <= bytes.size()) {
        const std::size_t length = (std::size_t{bytes[i + 2]} << 8) | bytes[i + 3];
        const std::size_t end = i + 4 + length + 3;
        if (bytes[i] != kStx || end > bytes.size() || bytes[end - 1] != 0x03) {
            ++i;
            continue;
        }
        unsigned sum = 0;
        for (std::size_t k = i + 1; k < i + 4 + length; ++k) {
            sum += bytes[k];
        }
        const unsigned stated = (unsigned{bytes[end - 3]} << 8) | bytes[end - 2];
        if ((sum & 0xFFFF) != stated) {
            ++i;
            continue;
        }
        if (bytes[i + 1] == type) {
            frames.emplace_back(bytes.begin() + static_cast<long>(i),
                                bytes.begin() + static_cast<long>(end));
        }
        i = end;
    }
    return frames;
}

std::uint32_t BigEndian32(const Bytes& bytes, std::size_t offset) {
    return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
           (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
}

}  // namespace testing_support

#include "support/fake_transport.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/virtual_clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

namespace testing_support {

namespace {
// System error numbers carried by the fake's exceptions (the real port reports errno or the
// Win32 error); only their presence matters to callers.
constexpr long kFakeIoError = 5;
constexpr long kFakeBadSetting = 22;
}  // namespace

bool FakeTransport::FailSwitch::Trip() {
    if (countdown == 0) {
        return false;
    }
    if (--countdown > 0) {
        return false;
    }
    if (--times > 0) {
        countdown = 1;
    }
    return true;
}

FakeTransport::FakeTransport() = default;

FakeTransport::~FakeTransport() {
    // The base destructor closes only a real descriptor, which the fake never has.
    open_ = false;
}

void FakeTransport::RequireIndex(bool valid, int code) {
    if (!valid) {
        const int port = portNumber_;
        open_ = false;
        portNumber_ = 0;
        throw CSerialComException(port, code, kFakeBadSetting);
    }
}

void FakeTransport::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                             int baudRateIndex) {
    Record("OpenPort " + std::to_string(portNumber) + " " + std::to_string(byteSizeIndex) + " " +
           std::to_string(stopBitsIndex) + " " + std::to_string(parityIndex) + " " +
           std::to_string(baudRateIndex));
    if (failOpens_ > 0) {
        --failOpens_;
        open_ = false;
        portNumber_ = 0;
        throw CSerialComException(portNumber, CSerialComException::kOpenFailed, kFakeIoError);
    }
    portNumber_ = portNumber;
    RequireIndex(serial::IsIndexOf(serial::kByteSizes, byteSizeIndex) &&
                     serial::IsIndexOf(serial::kStopBits, stopBitsIndex) &&
                     serial::IsIndexOf(serial::kParities, parityIndex) &&
                     serial::IsIndexOf(serial::kBaudRates, baudRateIndex),
                 CSerialComException::kOpenFailed);
    const auto uz = [](int index) { return static_cast<std::size_t>(index); };
    byteSize_ = serial::kByteSizes[uz(byteSizeIndex)];
    stopBits_ = serial::kStopBits[uz(stopBitsIndex)];
    parity_ = serial::kParities[uz(parityIndex)];
    baudRate_ = serial::kBaudRates[uz(baudRateIndex)];
    open_ = true;
}

void FakeTransport::ClosePort() {
    Record("ClosePort");
    open_ = false;
    portNumber_ = 0;
}

template <typename Table, typename Field>
void FakeTransport::SetLine(const char* call, const Table& table, int index, Field& field) {
    Record(std::string(call) + " " + std::to_string(index));
    RequireIndex(open_ || !requireOpen_, CSerialComException::kSettingsFailed);
    RequireIndex(serial::IsIndexOf(table, index), CSerialComException::kSettingsFailed);
    field = table[static_cast<std::size_t>(index)];
}

void FakeTransport::SetBaudRate(int baudRateIndex) {
    SetLine("SetBaudRate", serial::kBaudRates, baudRateIndex, baudRate_);
    incoming_.clear();
}

void FakeTransport::SetParity(int parityIndex) {
    SetLine("SetParity", serial::kParities, parityIndex, parity_);
}

void FakeTransport::SetByteSize(int byteSizeIndex) {
    SetLine("SetByteSize", serial::kByteSizes, byteSizeIndex, byteSize_);
}

void FakeTransport::SetStopBits(int stopBitsIndex) {
    SetLine("SetStopBits", serial::kStopBits, stopBitsIndex, stopBits_);
}

void FakeTransport::SetFlowControl(std::uint8_t flags) {
    Record("SetFlowControl " + std::to_string(flags));
    RequireIndex(open_ || !requireOpen_, CSerialComException::kSettingsFailed);
    flowControl_ = flags;
}

void FakeTransport::SendBreak(std::uint32_t milliseconds) {
    Record("SendBreak " + std::to_string(milliseconds));
    platform::Sleep(milliseconds);
    platform::Sleep(milliseconds);
    if (!breakReplies_.empty()) {
        const Bytes reply = std::move(breakReplies_.front());
        breakReplies_.pop_front();
        incoming_.insert(incoming_.end(), reply.begin(), reply.end());
    }
}

void FakeTransport::Write(const std::uint8_t* buffer, std::size_t count) {
    if (writeFail_.Trip() || (requireOpen_ && !open_)) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, kFakeIoError);
    }
    const Bytes block = buffer == nullptr ? Bytes() : Bytes(buffer, buffer + count);
    writes_.push_back(block);
    written_.insert(written_.end(), block.begin(), block.end());
    wroteSinceRelease_ = true;
}

std::size_t FakeTransport::Read(std::uint8_t* buffer, std::size_t count) {
    ++readCalls_;
    // The reply to a write arrives whether or not this read then fails.
    if (wroteSinceRelease_ && !replies_.empty()) {
        const Bytes reply = std::move(replies_.front());
        replies_.pop_front();
        incoming_.insert(incoming_.end(), reply.begin(), reply.end());
    }
    wroteSinceRelease_ = false;
    if (readFail_.Trip() || (requireOpen_ && !open_)) {
        throw CSerialComException(portNumber_, CSerialComException::kReadFailed, kFakeIoError);
    }

    std::size_t n = std::min(count, incoming_.size());
    if (maxReadChunk_ != 0) {
        n = std::min(n, maxReadChunk_);
    }
    if (n == 0 || buffer == nullptr) {
        ++emptyReads_;
        if (auto* clock = dynamic_cast<platform::VirtualClock*>(&platform::CurrentClock())) {
            clock->Advance(kReadTimeoutMs);
        }
        return 0;
    }
    if (msPerByte_ != 0) {
        if (auto* clock = dynamic_cast<platform::VirtualClock*>(&platform::CurrentClock())) {
            clock->Advance(std::uint64_t{msPerByte_} * n);
        }
    }
    std::copy_n(incoming_.begin(), n, buffer);
    incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void FakeTransport::Purge(bool transmit, bool receive) {
    Record("Purge " + std::to_string(transmit ? 1 : 0) + " " + std::to_string(receive ? 1 : 0));
    if (receive) {
        incoming_.clear();
    }
}

void FakeTransport::QueueIncoming(const Bytes& bytes) {
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
}

void FakeTransport::QueueReply(const Bytes& bytes) {
    replies_.push_back(bytes);
}

void FakeTransport::QueueBreakReply(const Bytes& bytes) {
    breakReplies_.push_back(bytes);
}

void FakeTransport::FailRead(int nth, int times) {
    readFail_ = {nth > 0 ? nth : 0, times};
}

void FakeTransport::FailWrite(int nth, int times) {
    writeFail_ = {nth > 0 ? nth : 0, times};
}

void FakeTransport::ClearWritten() {
    writes_.clear();
    written_.clear();
}

std::size_t FakeTransport::PendingIncoming() const {
    std::size_t total = incoming_.size();
    for (const Bytes& reply : replies_) {
        total += reply.size();
    }
    return total;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::vector<std::uint8_t> ParseHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            if (high >= 0) {
                throw std::invalid_argument("odd hex digit in: " + text);
            }
            continue;
        }
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            throw std::invalid_argument("not a hex digit in: " + text);
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        throw std::invalid_argument("odd hex digit in: " + text);
    }
    return bytes;
}

}  // namespace testing_support

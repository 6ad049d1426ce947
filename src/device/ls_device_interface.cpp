#include "device/ls_device_interface.h"

#include <algorithm>
#include <array>

#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/memory_read_exchange.h"
#include "platform/clock.h"
#include "protocol/ls_requests.h"
#include "transport/serial_interface.h"

namespace {

constexpr double kReplySeconds = 3.0;
constexpr double kProductInfoSeconds = 5.0;
// Committing the radio block to non-volatile memory is slow: the receiver gets this many reply
// windows before the write counts as unanswered.
constexpr int kRadioWriteWindows = 21;

constexpr std::uint32_t kFollowWaitMs = 300;
constexpr std::uint32_t kKeepLineWaitMs = 5100;

// The rates the host line can be switched to after a baud switch, with their transport index.
// Any other rate leaves the host line as it is.
struct RateIndex {
    std::uint32_t bitsPerSecond;
    int index;
};
constexpr std::array<RateIndex, 10> kHostRates = {{{2400, 4},
                                                   {4800, 5},
                                                   {9600, 6},
                                                   {14400, 7},
                                                   {19200, 8},
                                                   {38400, 9},
                                                   {57600, 11},
                                                   {115200, 12},
                                                   {230400, 15},
                                                   {460800, 16}}};

constexpr int kNoResponse = 801;
constexpr int kBaudSwitchFailed = 805;
constexpr int kWrongProductInfo = 811;
constexpr int kNoReboot = 812;
constexpr int kUnexpectedReply = 817;
constexpr int kRadioWriteFailed = 818;
constexpr int kNoRadio = 820;

}  // namespace

CLSDeviceInterface::CLSDeviceInterface(CSerialInterface& transport, const OperationContext& context)
    : context_(context), transport_(transport) {}

CLSDeviceInterface::~CLSDeviceInterface() = default;

void CLSDeviceInterface::Fail(int code) const {
    throw CLSDeviceException(code, transport_.GetPortNumber());
}

void CLSDeviceInterface::RequestProductInfo(std::int32_t size, std::uint8_t* buffer) {
    CLSRequestProductInfoPacket request;
    request.SendPacket(transport_);
    CLSPacket reply(ls_type::kProductInfo);
    if (!reply.ReceivePacket(transport_, kProductInfoSeconds)) {
        Fail(kNoResponse);
    }
    if (static_cast<std::uint16_t>(reply.GetSize()) != static_cast<std::uint16_t>(size) ||
        size < 0) {
        Fail(kWrongProductInfo);
    }
    std::copy(reply.GetPayload().begin(), reply.GetPayload().end(), buffer);
}

void CLSDeviceInterface::ExitMonitor() {
    CLSRebootPacket reboot;
    reboot.SendPacket(transport_);
    if (!reboot.ReceivePacket(transport_, kReplySeconds)) {
        Fail(kNoReboot);
    }
}

void CLSDeviceInterface::ReadRadioConfig(std::uint8_t* buffer, std::int32_t& length) {
    CLSRetrieveRadioCfgPacket request;
    request.SendPacket(transport_);
    CLSRetrieveRadioCfgPacket reply;
    if (!reply.ReceivePacket(transport_, kReplySeconds)) {
        Fail(kNoResponse);
    }
    if (length < 0 || reply.GetSize() != static_cast<std::size_t>(length)) {
        Fail(reply.HasRadioData() ? kUnexpectedReply : kNoRadio);
    }
    std::copy(reply.GetPayload().begin(), reply.GetPayload().end(), buffer);
}

void CLSDeviceInterface::SendRadioConfig(const std::uint8_t* block, std::int32_t length) {
    CLSSendRadioCfgPacket request(block, static_cast<std::size_t>(std::max(length, 0)));
    request.SendPacket(transport_);
    // The reply object has sent nothing: its retransmissions are empty type-19 frames, which
    // ask the committing receiver whether it is done.
    CLSPacket reply(ls_type::kSendRadioCfg);
    bool received = false;
    for (int window = 0; window < kRadioWriteWindows && !received; ++window) {
        received = reply.ReceivePacket(transport_, kReplySeconds);
    }
    if (!received) {
        Fail(kNoResponse);
    }
    // A reply without its status byte cannot confirm the write.
    if (reply.GetSize() == 0 || reply.GetAt(0) == 0) {
        Fail(kRadioWriteFailed);
    }
}

void CLSDeviceInterface::ReadMemory(std::uint32_t address, std::uint8_t* destination,
                                    std::int32_t count) {
    if (count <= 0) {
        return;
    }
    if (count > kMaxReadCount) {
        // No LS reply can carry more: the exchange could only fail.
        Fail(kUnexpectedReply);
    }
    CLSMemoryReadExchange exchange(address, static_cast<std::uint16_t>(count));
    exchange.SendPacket(transport_);
    if (!exchange.ReceivePacket(transport_, kReplySeconds)) {
        Fail(kNoResponse);
    }
    // Only a reply of exactly the requested size is memory content; anything else would leave
    // part of the destination unread or overrun it.
    if (exchange.GetSize() != static_cast<std::size_t>(count)) {
        Fail(kUnexpectedReply);
    }
    std::copy(exchange.GetPayload().begin(), exchange.GetPayload().end(), destination);
}

void CLSDeviceInterface::SwitchBaud(std::uint32_t bitsPerSecond) {
    transport_.Purge(true, true);
    CBreakInfo receiver;
    receiver.RetrieveBreakInfo(transport_, true, false);

    bool refused = false;
    if (bitsPerSecond != 0) {
        CLSSwitchBaudPacket request(bitsPerSecond);
        request.SendPacket(transport_);
        CLSPacket reply(ls_type::kSwitchBaud);
        if (!reply.ReceivePacket(transport_, kReplySeconds)) {
            Fail(kBaudSwitchFailed);
        }
        refused = reply.GetSize() > 0 && reply.GetAt(0) == 0;
    }
    if (bitsPerSecond == 0 || refused) {
        // Follow the receiver instead: it reports the rate it listens at.
        receiver.RetrieveBreakInfo(transport_, true, false);
        platform::Sleep(kFollowWaitMs);
        if (receiver.GetKeepLineSettings()) {
            platform::Sleep(kKeepLineWaitMs);
        }
        receiver.ApplyPortSettings(transport_);
        bitsPerSecond = receiver.GetBaudRate();
    }
    for (const RateIndex& entry : kHostRates) {
        if (entry.bitsPerSecond == bitsPerSecond) {
            transport_.SetBaudRate(entry.index);
        }
    }
}

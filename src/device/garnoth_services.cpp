#include <ctime>
#include <vector>

#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "device/product_table.h"
#include "platform/clock.h"
#include "protocol/receive_attempts.h"
#include "protocol/tc_frame_parser.h"
#include "protocol/tc_packet.h"
#include "protocol/tc_requests.h"
#include "transport/serial_interface.h"

namespace {
constexpr int kIdentificationFailed = 701;
constexpr int kUnexpectedResponse = 707;
constexpr int kNoAnswer = 708;
constexpr int kWrongState = 709;

// The receiver answers the clear with a lone ACK once its log is erased, which can take longer
// than the port's read time-out. It does not understand an empty frame sent meanwhile and answers
// that with NAK, so the answer is only awaited, over the three reply windows a request gets.
TCFrameParser::Result AwaitClearAnswer(CioInterface& transport) {
    std::vector<std::uint8_t> payload;
    TCFrameParser parser(0, false, false, payload);
    const double window = protocol::kReceiveAttempts * kTCReplyTimeoutSeconds;
    const std::time_t start = platform::Now();
    while (std::difftime(platform::Now(), start) < window) {
        std::uint8_t byte = 0;
        if (!transport.ReadByte(byte)) {
            continue;  // the port's read time-out has passed; the window has not
        }
        if (const TCFrameParser::Result result = parser.Feed(byte);
            result != TCFrameParser::Result::kNone) {
            return result;
        }
    }
    return TCFrameParser::Result::kNone;
}

}  // namespace

std::vector<std::uint8_t> CGarnothInterface::RetrieveRadioConfig() {
    std::vector<std::uint8_t> block(kRadioConfigSize);
    auto length = static_cast<std::int32_t>(block.size());
    ReadRadioConfig(block.data(), length);
    return block;
}

void CGarnothInterface::ClearErrorLog() {
    CSerialInterface& transport = GetTransport();
    CBreakInfo receiver;
    // Every failure names the port, so that the technician knows which receiver to restart.
    if (!receiver.RetrieveBreakInfo(transport, true, false)) {
        throw CGarnothException(kIdentificationFailed, transport.GetPortNumber());
    }
    if (!IsApplicationProduct(receiver.GetProductName())) {
        throw CGarnothException(kWrongState, transport.GetPortNumber());
    }
    CTCErrorLog request;
    request.SetClearRequest();
    request.SendRequest(transport);
    switch (AwaitClearAnswer(transport)) {
        case TCFrameParser::Result::kAck:
            return;
        case TCFrameParser::Result::kNone:
            throw CGarnothException(kNoAnswer, transport.GetPortNumber());
        case TCFrameParser::Result::kNak:
        case TCFrameParser::Result::kFrame:
            throw CGarnothException(kUnexpectedResponse, transport.GetPortNumber());
    }
}

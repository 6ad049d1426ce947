#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "device/product_table.h"
#include "protocol/tc_packet.h"
#include "protocol/tc_requests.h"
#include "transport/serial_interface.h"

namespace {
constexpr int kIdentificationFailed = 701;
constexpr int kUnexpectedResponse = 707;
constexpr int kNoAnswer = 708;
constexpr int kWrongState = 709;
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
    if (!receiver.RetrieveBreakInfo(transport, true, false)) {
        throw CGarnothException(kIdentificationFailed, 0);
    }
    if (!IsApplicationProduct(receiver.GetProductName())) {
        throw CGarnothException(kWrongState, 0);
    }
    CTCErrorLog request;
    request.SetClearRequest();
    request.SendRequest(transport);
    // The receiver acknowledges the clear with a lone ACK.
    CTCPacket answer(0);
    if (!answer.ReceivePacket(transport, kTCReplyTimeoutSeconds)) {
        throw CGarnothException(kNoAnswer, transport.GetPortNumber());
    }
    if (!answer.IsAckReceived()) {
        throw CGarnothException(kUnexpectedResponse, transport.GetPortNumber());
    }
}

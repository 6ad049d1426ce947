#include <algorithm>

#include "data/error_log_mgr.h"
#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "protocol/tc_requests.h"
#include "transport/serial_interface.h"

namespace {

constexpr int kIdentificationFailed = 701;
constexpr int kUnexpectedResponse = 707;
constexpr int kNoAnswer = 708;
constexpr int kLargestUtcOffset = 255;

// The receiver's GPS-to-UTC offset in whole seconds; 0 when it does not say.
std::uint8_t ReadUtcOffset(CSerialInterface& transport) {
    CTCRetrieveGPSTime gpsTime;
    gpsTime.SendPacket(transport);
    if (!gpsTime.ReceiveReply(transport)) {
        return 0;
    }
    // Two characters of text: a sign is possible, but the offset only ever grows from 0.
    return static_cast<std::uint8_t>(std::clamp(gpsTime.GetUtcOffset(), 0, kLargestUtcOffset));
}

// Sends one read-record request on the packet that will also take its reply, so that a late reply
// brings a retransmission of the same request. The reply is awaited even when the request could
// not be written, so that the retransmissions give a line that failed once two more chances.
bool RequestRecord(CSerialInterface& transport, CTCErrorLog& packet, bool longRecords,
                   std::uint16_t index) {
    if (longRecords) {
        packet.SetReadLongRequest(index);
    } else {
        packet.SetReadShortRequest(index);
    }
    packet.SendRequest(transport);
    return packet.ReceiveReply(transport);
}

}  // namespace

bool CErrorLogMgr::RetrieveOverTC(CSerialInterface& transport, const RecordProgress& progress) {
    const int port = transport.GetPortNumber();
    const std::uint8_t utcOffset = ReadUtcOffset(transport);
    Clear();

    CTCErrorLog countRequest;
    countRequest.SetCountRequest();
    countRequest.SendRequest(transport);
    CTCErrorLog countReply;
    if (!countReply.ReceiveReply(transport)) {
        throw CGarnothException(kNoAnswer, port);
    }
    std::uint16_t count = 0;
    if (!countReply.GetCount(count)) {
        throw CGarnothException(kUnexpectedResponse, port);
    }
    if (count == 0) {
        return true;
    }

    CBreakInfo receiver;
    if (!receiver.RetrieveBreakInfo(transport, true, false)) {
        throw CGarnothException(kIdentificationFailed, port);
    }

    const auto last = static_cast<std::uint16_t>(count - 1);
    CTCErrorLog probe;
    const bool longRecords = RequestRecord(transport, probe, true, last);

    for (int index = last; index >= 0; --index) {
        if (progress) {
            progress(last - index, count);
        }
        CTCErrorLog record;
        if (!RequestRecord(transport, record, longRecords, static_cast<std::uint16_t>(index))) {
            throw CGarnothException(kNoAnswer, port);
        }
        auto entry = std::make_unique<CErrorLogEntry>(error_log_format::kShort, false);
        entry->SetUtcOffset(utcOffset);
        if (!entry->DecodeTCReply(record.GetPayload())) {
            throw CGarnothException(kUnexpectedResponse, port);
        }
        Add(std::move(entry));
    }
    return true;
}

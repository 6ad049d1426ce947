#include "protocol/tc_requests.h"

#include <algorithm>

#include "platform/decimal.h"
#include "platform/strings.h"

namespace {

constexpr unsigned kVersionFormat = 4012;
constexpr std::size_t kTextLength = 32;

// Up to maxChars characters of the payload from offset, stopping at its end or at a NUL byte.
std::string TextAt(const CPacket& packet, std::size_t offset, std::size_t maxChars) {
    std::string text;
    for (std::size_t i = offset; i < packet.GetSize() && i < offset + maxChars; ++i) {
        const char c = static_cast<char>(packet.GetAt(i));
        if (c == '\0') {
            break;
        }
        text.push_back(c);
    }
    return text;
}

std::uint32_t Word32At(const CPacket& packet, std::size_t offset) {
    if (offset + 4 > packet.GetSize()) {
        return 0;
    }
    return (std::uint32_t{packet.GetAt(offset)} << 24) |
           (std::uint32_t{packet.GetAt(offset + 1)} << 16) |
           (std::uint32_t{packet.GetAt(offset + 2)} << 8) | packet.GetAt(offset + 3);
}

std::uint16_t Word16At(const CPacket& packet, std::size_t offset) {
    if (offset + 2 > packet.GetSize()) {
        return 0;
    }
    return static_cast<std::uint16_t>((packet.GetAt(offset) << 8) | packet.GetAt(offset + 1));
}

std::string VersionText(const CPacket& packet, std::size_t major, std::size_t minor) {
    const std::string first = TextAt(packet, major, 3);
    const std::string second = TextAt(packet, minor, 2);
    return platform::FormatString(kVersionFormat, static_cast<int>(first.size()), first,
                                  static_cast<int>(second.size()), second);
}

}  // namespace

bool CTCReplyPacket::ReceiveReply(CioInterface& transport) {
    SetPacketType(replyType_);
    SetIgnoreAckNak(true);
    replyReceived_ = ReceivePacket(transport, kTCReplyTimeoutSeconds);
    return replyReceived_;
}

void CTCErrorLog::SetCountRequest() {
    SetPayload({kCount});
}

void CTCErrorLog::SetClearRequest() {
    SetPayload({kClear});
}

void CTCErrorLog::SetReadShortRequest(std::uint16_t index) {
    SetPayload({kReadShort, static_cast<std::uint8_t>(index >> 8),
                static_cast<std::uint8_t>(index & 0xFF)});
}

void CTCErrorLog::SetReadLongRequest(std::uint16_t index) {
    SetPayload({kReadLong, static_cast<std::uint8_t>(index >> 8),
                static_cast<std::uint8_t>(index & 0xFF)});
}

bool CTCErrorLog::SendRequest(CioInterface& transport) {
    SetPacketType(RequestType());
    return SendPacket(transport);
}

bool CTCErrorLog::GetCount(std::uint16_t& count) const {
    count = 0;
    if (!IsReplyReceived() || GetSize() != 4 || GetAt(0) != 0xFF || GetAt(1) != 0x07) {
        return false;
    }
    count = Word16At(*this, 2);
    return true;
}

bool CTCRetrieveGPSTime::SendPacket(CioInterface& transport) {
    SetPacketType(RequestType());
    return CTCPacket::SendPacket(transport);
}

int CTCRetrieveGPSTime::GetUtcOffset() const {
    if (!IsReplyReceived()) {
        return 0;
    }
    return platform::DecimalValue(TextAt(*this, 11, 2));
}

bool CTCRetrieveVersionNumbers::SendPacket(CioInterface& transport) {
    SetPacketType(RequestType());
    return CTCPacket::SendPacket(transport);
}

std::string CTCRetrieveVersionNumbers::GetSoftwareVersion() const {
    return IsReplyReceived() ? VersionText(*this, 16, 19) : std::string();
}

std::string CTCRetrieveVersionNumbers::GetBootVersion() const {
    return IsReplyReceived() ? VersionText(*this, 26, 29) : std::string();
}

CTCGetOpts::CTCGetOpts(std::uint8_t selector)
    : CTCReplyPacket(tc_type::kGetOptsRequest, tc_type::kGetOptsReply) {
    SetSelector(selector);
}

void CTCGetOpts::SetSelector(std::uint8_t selector) {
    SetPayload({selector});
}

bool CTCGetOpts::SendPacket(CioInterface& transport) {
    SetPacketType(RequestType());
    return CTCPacket::SendPacket(transport);
}

bool CTCGetOpts::ReceiveReply(CioInterface& transport) {
    // Values of an earlier reply must not outlive a failed exchange.
    flags_ = 0;
    secondFlags_ = 0;
    text_.clear();
    byte44_ = 0;
    byte47_ = 0;
    value8_ = 0;
    value12_ = 0;
    value16_ = 0;
    word6_ = 0;
    word20_ = 0;
    const bool received = CTCReplyPacket::ReceiveReply(transport);
    if (received) {
        Extract();
    }
    return received;
}

void CTCGetOpts::Extract() {
    if (GetSize() == 0) {
        return;
    }
    const std::uint8_t replyType = GetAt(0);
    if (replyType <= 90) {
        flags_ = GetAt(45);
        byte44_ = GetAt(44);
        byte47_ = GetAt(47);
    } else if (replyType == 91) {
        secondFlags_ = GetAt(29);
        value8_ = Word32At(*this, 8);
        value12_ = Word32At(*this, 12);
        value16_ = Word32At(*this, 16);
        word6_ = Word16At(*this, 6);
        word20_ = Word16At(*this, 20);
    } else if (replyType == 92 && GetAt(1) == 2 && GetAt(2) == 1) {
        // Only the text bytes that arrived count; all of them 0xFF means the text is not set.
        const std::size_t end = std::min<std::size_t>(GetSize(), 6 + kTextLength);
        bool allUnset = true;
        for (std::size_t i = 6; i < end; ++i) {
            allUnset = allUnset && GetAt(i) == 0xFF;
        }
        text_ = allUnset ? std::string() : TextAt(*this, 6, kTextLength);
    }
}

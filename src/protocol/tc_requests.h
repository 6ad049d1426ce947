#pragma once

#include <cstdint>
#include <string>

#include "protocol/tc_packet.h"

// The TC requests with classes of their own. Each reply operation sets the reply type, ignores
// lone ACK/NAK, waits 3.0 s per attempt and records whether a reply arrived; accessors of reply
// data give false, zero or empty text while none did. Accessors never read past the payload that
// was received: missing bytes count as absent.

namespace tc_type {
constexpr std::uint8_t kVersionRequest = 0x06;
constexpr std::uint8_t kVersionReply = 0x07;
constexpr std::uint8_t kGpsTimeRequest = 0x14;
constexpr std::uint8_t kGpsTimeReply = 0x15;
constexpr std::uint8_t kGetOptsRequest = 0x4A;
constexpr std::uint8_t kGetOptsReply = 0x4B;
constexpr std::uint8_t kIdentifyReply = 0x6E;
constexpr std::uint8_t kIdentifyRequest = 0x6F;
constexpr std::uint8_t kEraseRequest = 0x71;
constexpr std::uint8_t kEraseReply = 0x72;
constexpr std::uint8_t kRadioQuery = 0x77;
constexpr std::uint8_t kRadioPassThrough = 0x84;
constexpr std::uint8_t kMonitorRequest = 0x87;
constexpr std::uint8_t kErrorLogRequest = 0x91;
constexpr std::uint8_t kErrorLogReply = 0x92;
}  // namespace tc_type

constexpr double kTCReplyTimeoutSeconds = 3.0;

// Common reply handling of the classes below.
class CTCReplyPacket : public CTCPacket {
  public:
    // Receives the reply into this packet; the result is also kept as the reply-received flag.
    virtual bool ReceiveReply(CioInterface& transport);
    bool IsReplyReceived() const { return replyReceived_; }

  protected:
    CTCReplyPacket(std::uint8_t requestType, std::uint8_t replyType)
        : CTCPacket(requestType), requestType_(requestType), replyType_(replyType) {}
    std::uint8_t RequestType() const { return requestType_; }

  private:
    std::uint8_t requestType_;
    std::uint8_t replyType_;
    bool replyReceived_ = false;
};

// The error-log command (0x91, reply 0x92): count, short and long records, clear.
class CTCErrorLog : public CTCReplyPacket {
  public:
    static constexpr std::uint8_t kClear = 0x01;
    static constexpr std::uint8_t kCount = 0x06;
    static constexpr std::uint8_t kReadShort = 0x08;
    static constexpr std::uint8_t kReadLong = 0x0A;

    CTCErrorLog() : CTCReplyPacket(tc_type::kErrorLogRequest, tc_type::kErrorLogReply) {}

    void SetCountRequest();
    void SetClearRequest();
    void SetReadShortRequest(std::uint16_t index);
    void SetReadLongRequest(std::uint16_t index);

    // Sets the request type and sends.
    bool SendRequest(CioInterface& transport);
    // The count of a count reply: accepted only when a reply arrived, is exactly 4 bytes and
    // starts FF 07; otherwise count 0 and false.
    bool GetCount(std::uint16_t& count) const;
};

// GPS time (0x14, reply 0x15): ASCII text with the GPS-to-UTC offset at characters 11 and 12.
class CTCRetrieveGPSTime : public CTCReplyPacket {
  public:
    CTCRetrieveGPSTime() : CTCReplyPacket(tc_type::kGpsTimeRequest, tc_type::kGpsTimeReply) {}
    bool SendPacket(CioInterface& transport) override;
    // The offset in whole seconds, converted like a decimal integer; 0 without a reply.
    int GetUtcOffset() const;
};

// Version numbers (0x06, reply 0x07): two version texts from bytes 16/19 and 26/29.
class CTCRetrieveVersionNumbers : public CTCReplyPacket {
  public:
    CTCRetrieveVersionNumbers()
        : CTCReplyPacket(tc_type::kVersionRequest, tc_type::kVersionReply) {}
    bool SendPacket(CioInterface& transport) override;
    // Empty without a reply.
    std::string GetSoftwareVersion() const;
    std::string GetBootVersion() const;
};

// Get options (0x4A, reply 0x4B) with a one-byte selector. Typed replies: byte 0 of the payload
// is the reply's own type.
class CTCGetOpts : public CTCReplyPacket {
  public:
    explicit CTCGetOpts(std::uint8_t selector = 0);
    void SetSelector(std::uint8_t selector);
    bool SendPacket(CioInterface& transport) override;
    // Receives and extracts the values of the typed reply.
    bool ReceiveReply(CioInterface& transport) override;

    // Byte 45 of a reply of type 90 or lower (bit 0x02: internal radio).
    std::uint8_t GetFlags() const { return flags_; }
    // Byte 29 of a type-91 reply (bits 0x01, 0x02: long boot).
    std::uint8_t GetSecondFlags() const { return secondFlags_; }
    // The 32-character text of a type-92 reply.
    const std::string& GetText() const { return text_; }
    std::uint8_t GetByte44() const { return byte44_; }
    std::uint8_t GetByte47() const { return byte47_; }
    std::uint32_t GetValue8() const { return value8_; }
    std::uint32_t GetValue12() const { return value12_; }
    std::uint32_t GetValue16() const { return value16_; }
    std::uint16_t GetWord6() const { return word6_; }
    std::uint16_t GetWord20() const { return word20_; }

  private:
    void Extract();

    std::uint8_t flags_ = 0;
    std::uint8_t secondFlags_ = 0;
    std::string text_;
    std::uint8_t byte44_ = 0;
    std::uint8_t byte47_ = 0;
    std::uint32_t value8_ = 0;
    std::uint32_t value12_ = 0;
    std::uint32_t value16_ = 0;
    std::uint16_t word6_ = 0;
    std::uint16_t word20_ = 0;
};

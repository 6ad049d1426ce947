#pragma once

#include <cstdint>

#include "protocol/packet.h"

// A packet of the receiver application's TC protocol. Short frame: 02, status (00 when sent),
// type, length (8 bits), payload, checksum (low 8 bits of the sum of status, type, length and
// payload), 03. The long frame has a 16-bit length. The receiver may also answer with a lone ACK
// (06) or NAK (15).
//
// Calling order: fill the payload, set the request type, SendPacket; then set the expected reply
// type (and usually ignore ACK/NAK) and ReceivePacket on the same object, which re-sends the saved
// request after a failed attempt (three attempts in all).
class CTCPacket : public CPacket {
  public:
    static constexpr std::size_t kMaxShortPayload = 255;

    explicit CTCPacket(std::uint8_t packetType = 0);

    // False when the transport failed (shown to the user) or, for the short frame, when the
    // payload does not fit in its 8-bit length (nothing is written).
    bool SendPacket(CioInterface& transport) override;
    // True for a valid frame of the expected type, or (unless ignored) a lone ACK or NAK.
    bool ReceivePacket(CioInterface& transport, double timeoutSeconds) override;
    // The long frame; SendLongPacket writes nothing and returns false when the type is 0.
    virtual bool SendLongPacket(CioInterface& transport);
    virtual bool ReceiveLongPacket(CioInterface& transport, double timeoutSeconds);
    virtual void SetIgnoreAckNak(bool ignore) { ignoreAckNak_ = ignore; }

    bool IsAckReceived() const { return ackReceived_; }
    bool IsNakReceived() const { return nakReceived_; }

  private:
    bool Send(CioInterface& transport, bool longFrame);
    bool Receive(CioInterface& transport, double timeoutSeconds, bool longFrame);
    bool ReceiveAttempt(CioInterface& transport, double timeoutSeconds, bool longFrame);

    bool ackReceived_ = false;
    bool nakReceived_ = false;
    bool ignoreAckNak_ = false;
    Payload savedPayload_;
    std::uint8_t savedType_;
    bool resending_ = false;
};

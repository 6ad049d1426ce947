#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/packet.h"

// A packet of the receiver monitor's LS protocol. Frame: 02, type, length (16 bits), data,
// checksum (16 bits: sum of type, length and data bytes), 03; big-endian numbers, no escaping.
// A reply carries the type of its request; a received frame holds at most 2055 data bytes.
//
// ReceivePacket makes up to three attempts; after a failed attempt it retransmits the last
// request sent from this object (a packet that never sent retransmits an empty frame of its type).
class CLSPacket : public CPacket {
  public:
    static constexpr std::size_t kMaxPayload = 0xFFFF;

    explicit CLSPacket(std::uint8_t packetType);

    // Writes header, payload and trailer. A transport failure is shown to the user and gives false;
    // a payload longer than kMaxPayload gives false with nothing written.
    bool SendPacket(CioInterface& transport) override;
    // timeoutSeconds applies to each attempt (calendar clock). A transport failure in the last
    // attempt passes to the caller.
    bool ReceivePacket(CioInterface& transport, double timeoutSeconds) override;

  private:
    bool ReceiveAttempt(CioInterface& transport, double timeoutSeconds);

    Payload savedPayload_;
    std::uint8_t savedType_;
    bool resending_ = false;
};

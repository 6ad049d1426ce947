#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CioInterface;

// Base of the LS and TC packets: a growable byte payload and the frame's type byte. A packet is
// normally a local object of the method that performs one exchange, used by one thread.
class CPacket {
  public:
    using Payload = std::vector<std::uint8_t>;

    CPacket() = default;
    explicit CPacket(std::uint8_t packetType) : packetType_(packetType) {}
    CPacket(const CPacket&) = default;
    CPacket& operator=(const CPacket&) = default;
    virtual ~CPacket() = default;

    // Writes the payload as one frame; false when the transport failed (the failure was shown).
    virtual bool SendPacket(CioInterface& transport) = 0;
    // Reads one reply frame of the current packet type, with retransmissions; false when every
    // attempt failed (the payload is then unspecified).
    virtual bool ReceivePacket(CioInterface& transport, double timeoutSeconds) = 0;

    void AppendByte(std::uint8_t byte) { payload_.push_back(byte); }
    // Appends count bytes, the count taken modulo 65536.
    void AppendBytes(const std::uint8_t* source, std::size_t count);
    std::size_t GetSize() const { return payload_.size(); }
    // The byte at index; 0 for an index past the payload (never reads outside it).
    std::uint8_t GetAt(std::size_t index) const {
        return index < payload_.size() ? payload_[index] : 0;
    }
    const std::uint8_t* GetData() const { return payload_.data(); }
    const Payload& GetPayload() const { return payload_; }
    void SetPayload(Payload payload) { payload_ = std::move(payload); }
    void ClearPayload() { payload_.clear(); }

    std::uint8_t GetPacketType() const { return packetType_; }
    void SetPacketType(std::uint8_t packetType) { packetType_ = packetType; }

  protected:
    Payload payload_;
    std::uint8_t packetType_ = 0;
};

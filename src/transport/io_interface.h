#pragma once

#include <cstddef>
#include <cstdint>

// The byte transport that the packet layers read and write. Every call blocks until it is done.
class CioInterface {
  public:
    // serialLine: true when the transport is a serial line whose line settings can be changed
    // and which can send a break.
    explicit CioInterface(bool serialLine) : serialLine_(serialLine) {}
    CioInterface(const CioInterface&) = delete;
    CioInterface& operator=(const CioInterface&) = delete;
    virtual ~CioInterface() = default;

    // Writes one byte; fails like Write.
    virtual void WriteByte(std::uint8_t byte) = 0;
    // Writes exactly count bytes or throws CSerialComException.
    virtual void Write(const std::uint8_t* buffer, std::size_t count) = 0;
    // True when one byte was read; false when none arrived within the read time-out.
    virtual bool ReadByte(std::uint8_t& byte) = 0;
    // Returns 0..count bytes: as soon as at least one byte is available, or 0 after the read
    // time-out.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
    virtual void PurgeTransmit() { Purge(true, false); }
    virtual void PurgeReceive() { Purge(false, true); }
    // Discards pending output and/or input and aborts outstanding operations in that direction.
    virtual void Purge(bool transmit, bool receive) = 0;

    bool IsSerialLine() const { return serialLine_; }

  private:
    bool serialLine_;
};

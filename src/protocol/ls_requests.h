#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/ls_packet.h"

// The LS requests of the receiver monitor. Each only chooses its type byte and fills its payload
// (numbers most significant byte first); framing and retransmission are CLSPacket's. The offset
// argument selects the alternative command set (20) of the flash services.

namespace ls_type {
constexpr std::uint8_t kEraseFlash = 1;
constexpr std::uint8_t kEraseEnquire = 2;
constexpr std::uint8_t kProgramFlash = 3;
constexpr std::uint8_t kReboot = 4;
constexpr std::uint8_t kReadMemory = 5;
constexpr std::uint8_t kProductInfo = 6;
constexpr std::uint8_t kProductIdWrite = 13;
constexpr std::uint8_t kProgramRam = 14;
constexpr std::uint8_t kExecute = 16;
constexpr std::uint8_t kSwitchBaud = 17;
constexpr std::uint8_t kRetrieveRadioCfg = 18;
constexpr std::uint8_t kSendRadioCfg = 19;
constexpr std::uint8_t kFlashInfo = 20;
constexpr std::uint8_t kProgramKrmFwBuf = 25;
constexpr std::uint8_t kProgramKrmFwNow = 26;
constexpr std::uint8_t kPellanSetAutoOn = 29;
constexpr std::uint8_t kPellanGetAutoOn = 30;
}  // namespace ls_type

// Reboots the monitor into the application; no reply is awaited.
class CLSRebootPacket : public CLSPacket {
  public:
    CLSRebootPacket() : CLSPacket(ls_type::kReboot) {}
};

// Reply: the count bytes of memory from the address.
class CLSReadMemoryPacket : public CLSPacket {
  public:
    CLSReadMemoryPacket(std::uint32_t address, std::uint16_t count);
};

// Reply: the product information block.
class CLSRequestProductInfoPacket : public CLSPacket {
  public:
    CLSRequestProductInfoPacket() : CLSPacket(ls_type::kProductInfo) {}
};

// Reply: first data byte 0 when the receiver refused the rate.
class CLSSwitchBaudPacket : public CLSPacket {
  public:
    explicit CLSSwitchBaudPacket(std::uint32_t bitsPerSecond);
};

// Reply: the 2048-byte radio configuration block, or the single byte 0 without a radio.
class CLSRetrieveRadioCfgPacket : public CLSPacket {
  public:
    CLSRetrieveRadioCfgPacket() : CLSPacket(ls_type::kRetrieveRadioCfg) {}
    // False exactly when the received payload is the single byte 0.
    bool HasRadioData() const { return !(GetSize() == 1 && GetAt(0) == 0); }
};

// Writes the radio configuration block; reply: first data byte 0 when the write failed.
class CLSSendRadioCfgPacket : public CLSPacket {
  public:
    CLSSendRadioCfgPacket(const std::uint8_t* block, std::size_t length);
};

// Empty request: 68 bytes of flash information; with the selector: 72 bytes of hardware
// information.
class CLSRequestFlashInfo : public CLSPacket {
  public:
    explicit CLSRequestFlashInfo(bool hardwareSelector = false);
};

class CLSEraseFlashPacket : public CLSPacket {
  public:
    explicit CLSEraseFlashPacket(std::uint32_t address, std::uint8_t offset = 0);
};

// Reply: first data byte 1 erase finished, 2 erase failed, other values in progress.
class CLSEraseEnquirePacket : public CLSPacket {
  public:
    explicit CLSEraseEnquirePacket(std::uint8_t offset = 0)
        : CLSPacket(static_cast<std::uint8_t>(ls_type::kEraseEnquire + offset)) {}
};

class CLSProgramFlashPacket : public CLSPacket {
  public:
    CLSProgramFlashPacket(std::uint32_t address, const std::uint8_t* data, std::size_t length,
                          std::uint8_t offset = 0);
};

class CLSProductIDWritePacket : public CLSPacket {
  public:
    CLSProductIDWritePacket(const std::uint8_t* bytes, std::size_t length);
};

class CLSProgramRamPacket : public CLSPacket {
  public:
    CLSProgramRamPacket(std::uint32_t address, const std::uint8_t* data, std::size_t length);
};

class CLSExecutePacket : public CLSPacket {
  public:
    explicit CLSExecutePacket(std::uint32_t address);
};

class CLSProgramKRMFWBufPacket : public CLSPacket {
  public:
    CLSProgramKRMFWBufPacket(std::uint16_t block, const std::uint8_t* data, std::size_t length);
};

class CLSProgramKRMFWNowPacket : public CLSPacket {
  public:
    CLSProgramKRMFWNowPacket() : CLSPacket(ls_type::kProgramKrmFwNow) {}
};

// Mode 1 or 2; the payload stays empty for any other value (the device interface then sends
// nothing).
class CLSPellanSetAutoOnPacket : public CLSPacket {
  public:
    explicit CLSPellanSetAutoOnPacket(std::uint8_t mode);
};

// Reply: first data byte = the mode, 1 or 2.
class CLSPellanGetAutoOnPacket : public CLSPacket {
  public:
    CLSPellanGetAutoOnPacket() : CLSPacket(ls_type::kPellanGetAutoOn) {}
};

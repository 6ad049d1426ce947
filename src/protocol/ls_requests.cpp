#include "protocol/ls_requests.h"

namespace {

void AppendWord32(CPacket& packet, std::uint32_t value) {
    packet.AppendByte(static_cast<std::uint8_t>(value >> 24));
    packet.AppendByte(static_cast<std::uint8_t>(value >> 16));
    packet.AppendByte(static_cast<std::uint8_t>(value >> 8));
    packet.AppendByte(static_cast<std::uint8_t>(value));
}

void AppendWord16(CPacket& packet, std::uint16_t value) {
    packet.AppendByte(static_cast<std::uint8_t>(value >> 8));
    packet.AppendByte(static_cast<std::uint8_t>(value));
}

std::uint8_t WithOffset(std::uint8_t type, std::uint8_t offset) {
    return static_cast<std::uint8_t>(type + offset);
}

}  // namespace

CLSReadMemoryPacket::CLSReadMemoryPacket(std::uint32_t address, std::uint16_t count)
    : CLSPacket(ls_type::kReadMemory) {
    AppendWord32(*this, address);
    AppendWord16(*this, count);
}

CLSSwitchBaudPacket::CLSSwitchBaudPacket(std::uint32_t bitsPerSecond)
    : CLSPacket(ls_type::kSwitchBaud) {
    AppendWord32(*this, bitsPerSecond);
}

CLSSendRadioCfgPacket::CLSSendRadioCfgPacket(const std::uint8_t* block, std::size_t length)
    : CLSPacket(ls_type::kSendRadioCfg) {
    if (block != nullptr) {
        payload_.assign(block, block + length);
    }
}

CLSRequestFlashInfo::CLSRequestFlashInfo(bool hardwareSelector) : CLSPacket(ls_type::kFlashInfo) {
    if (hardwareSelector) {
        AppendByte(1);
    }
}

CLSEraseFlashPacket::CLSEraseFlashPacket(std::uint32_t address, std::uint8_t offset)
    : CLSPacket(WithOffset(ls_type::kEraseFlash, offset)) {
    AppendByte(1);
    AppendWord32(*this, address);
}

CLSProgramFlashPacket::CLSProgramFlashPacket(std::uint32_t address, const std::uint8_t* data,
                                             std::size_t length, std::uint8_t offset)
    : CLSPacket(WithOffset(ls_type::kProgramFlash, offset)) {
    AppendWord32(*this, address);
    AppendBytes(data, length);
}

CLSProductIDWritePacket::CLSProductIDWritePacket(const std::uint8_t* bytes, std::size_t length)
    : CLSPacket(ls_type::kProductIdWrite) {
    AppendBytes(bytes, length);
}

CLSProgramRamPacket::CLSProgramRamPacket(std::uint32_t address, const std::uint8_t* data,
                                         std::size_t length)
    : CLSPacket(ls_type::kProgramRam) {
    AppendWord32(*this, address);
    AppendBytes(data, length);
}

CLSExecutePacket::CLSExecutePacket(std::uint32_t address) : CLSPacket(ls_type::kExecute) {
    AppendWord32(*this, address);
}

CLSProgramKRMFWBufPacket::CLSProgramKRMFWBufPacket(std::uint16_t block, const std::uint8_t* data,
                                                   std::size_t length)
    : CLSPacket(ls_type::kProgramKrmFwBuf) {
    AppendWord16(*this, block);
    AppendByte(0);
    AppendByte(0);
    AppendBytes(data, length);
}

CLSPellanSetAutoOnPacket::CLSPellanSetAutoOnPacket(std::uint8_t mode)
    : CLSPacket(ls_type::kPellanSetAutoOn) {
    if (mode == 1 || mode == 2) {
        AppendByte(mode);
    }
}

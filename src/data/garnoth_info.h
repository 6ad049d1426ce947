#pragma once

#include <array>

#include "data/ls_info.h"

// The information record of the Vorin receivers: the stored 425-byte product information block
// and the option catalogue decoded from it. Until a block is loaded the stored copy is all 0xFF,
// so every field and option reads as not set.
class CGarnothInfo final : public CLSInfo {
  public:
    static constexpr int kInfoSize = 425;
    static constexpr int kGrowStep = 55;

    // Text fields of the block: offset and size.
    static constexpr std::size_t kSerialNumberOffset = 2;
    static constexpr std::size_t kSerialNumberSize = 32;
    static constexpr std::size_t kDeviceNameOffset = 34;
    static constexpr std::size_t kDeviceNameSize = 40;
    static constexpr std::size_t kFirstAuxiliaryOffset = 74;
    static constexpr std::size_t kSecondAuxiliaryOffset = 110;
    static constexpr std::size_t kAuxiliarySize = 36;

    CGarnothInfo();

    int GetInfoSize() const override { return kInfoSize; }
    // Refuses a null block or one of another length than 425 bytes (nothing changes). Otherwise
    // stores it, turns its big-endian year and date words into the plug-in's byte order and
    // replaces each empty text field (first byte 0xFF) by "None".
    bool LoadInfo(const std::uint8_t* block, std::size_t length) override;
    std::string GetSerialNumber() const override;
    std::string GetDeviceName() const override;
    bool HasExtendedMemory() const override;

    std::string GetFirstAuxiliaryText() const;
    std::string GetSecondAuxiliaryText() const;
    // The stored block, as converted on load.
    std::span<const std::uint8_t> GetInfoBlock() const { return block_; }

  protected:
    std::span<const std::uint8_t> GetStoredBlock() const override { return block_; }

  private:
    std::string TextField(std::size_t offset, std::size_t size) const;
    void SwapWord(std::size_t offset);
    void NoneIfEmpty(std::size_t offset, std::size_t size);

    std::array<std::uint8_t, kInfoSize> block_;
};

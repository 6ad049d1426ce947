#pragma once

#include "data/ls_option.h"

// An option that is simply on or off: one bit of the option bit string (first bit is the most
// significant bit of byte 157). Options on the first 32 bits may be temporary, with a start and an
// end day in the block; the others are always permanent.
class CLSToggleOption final : public CLSOption {
  public:
    // polarity 0: a set bit means on; any other polarity (every catalogue toggle): a clear bit.
    CLSToggleOption(std::string name, int bitIndex, bool internal, bool suppressed,
                    int polarity = 1);

    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetFromText(std::string& text) const override;
    void GetToText(std::string& text) const override;

    int GetBitIndex() const { return bitIndex_; }

  private:
    int polarity_;
    int bitIndex_;
    bool enabled_ = false;
};

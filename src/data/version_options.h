#pragma once

#include "data/ls_option.h"

// The receiver's hardware version (bytes 146 and 147); always shown, never enabled or disabled.
class CLSHardwareOption final : public CLSOption {
  public:
    CLSHardwareOption(std::string name, bool internal, bool suppressed, bool auxiliary);

    bool DecodeOption(std::span<const std::uint8_t> block) override;
    void GetValueText(std::string& text) const override;

    std::uint8_t GetMajor() const { return major_; }
    std::uint8_t GetMinor() const { return minor_; }

  private:
    std::uint8_t major_ = 0xFF;
    std::uint8_t minor_ = 0xFF;
};

// The month and year up to which the receiver may load firmware (byte 148, word 149), kept as the
// option's end date.
class CLSFirmwareOption final : public CLSOption {
  public:
    CLSFirmwareOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                      bool startEnabled);

    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    // "Disabled" when the month and year are no calendar date, else month/year.
    void GetToText(std::string& text) const override;

  private:
    bool enabled_;
};

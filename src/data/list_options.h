#pragma once

#include "data/ls_option.h"

// Options whose value is a code named by one of the text tables.

inline constexpr std::uint32_t kListOptionDisplay =
    option_display::kStatus | option_display::kValueText | option_display::kListValued;

// The fastest output rate (byte 337).
class CLSDataRateOption final : public CLSOption {
  public:
    CLSDataRateOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                      bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t code_ = 255;
    bool enabled_;
};

// The brand the receiver is sold under (byte 352).
class CLSBrandOption final : public CLSOption {
  public:
    CLSBrandOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                   bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t code_ = 255;
    bool enabled_;
};

// The receiver model by its one-byte ID (byte 336).
class CLSReceiverIDOption final : public CLSOption {
  public:
    CLSReceiverIDOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                        bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t id_ = 255;
    bool enabled_;
};

// The receiver model by its 16-bit ID: byte 336, or the word at 375 when that byte is 0.
class CLSExtendedReceiverIDOption final : public CLSOption {
  public:
    CLSExtendedReceiverIDOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                                bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

    std::uint16_t GetProductId() const { return id_; }

  private:
    std::uint16_t id_ = 0xFFFF;
    bool enabled_;
};

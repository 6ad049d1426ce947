#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "data/byte_fields.h"
#include "data/ls_option.h"
#include "platform/strings.h"

// Options whose value is a plain number in the information block.

inline constexpr std::uint32_t kNumberOptionDisplay =
    option_display::kStatus | option_display::kValueText;

// A big-endian 16-bit limit; 0xFFFF means not set. notSetShownAs is what the value text shows for
// a stored 0xFFFF (the downgrade limit's receiver default).
template <std::size_t kOffset, std::uint16_t kInitial, std::uint16_t kNotSetShownAs>
class CLSWordLimitOption final : public CLSOption {
  public:
    CLSWordLimitOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                       bool startEnabled)
        : CLSOption(std::move(name), internal, suppressed, auxiliary, kNumberOptionDisplay),
          enabled_(startEnabled) {}

    bool DecodeOption(std::span<const std::uint8_t> block) override {
        value_ = data::ReadBigEndian16(block, kOffset);
        EnableIfShown(value_ != 0xFFFF);
        SetDecoded(true);
        return true;
    }
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override {
        enabled_ = enabled;
        return true;
    }
    void GetValueText(std::string& text) const override {
        text.clear();
        if (enabled_) {
            text = platform::FormatText("%d", value_ == 0xFFFF ? kNotSetShownAs : value_);
        }
    }

    std::uint16_t GetLimit() const { return value_; }

  private:
    std::uint16_t value_ = kInitial;
    bool enabled_;
};

using CLSRTKRangeLimitOption = CLSWordLimitOption<332, 0xFFFF, 0xFFFF>;
using CLSDowngradeLimitOption = CLSWordLimitOption<334, 220, 220>;
using CLSQSVHoursPurchasedOption = CLSWordLimitOption<373, 0xFFFF, 0xFFFF>;

// The RTK test limit (byte 338); while not enabled its value text is left as the caller gave it.
class CLSMovingBaseLimitOption final : public CLSOption {
  public:
    CLSMovingBaseLimitOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                             bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint16_t value_ = 255;
    bool enabled_;
};

// The size of the receiver's log memory (byte 339): codes up to 63 count megabytes, higher codes
// steps of 64 megabytes above 63, shown in gigabytes.
class CLSLogMemoryLimitOption final : public CLSOption {
  public:
    CLSLogMemoryLimitOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                            bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t code_ = 255;
    bool enabled_;
};

// The correction service level (byte 350).
class CLSKestrixOption final : public CLSOption {
  public:
    CLSKestrixOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                     bool startEnabled);
    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t code_ = 255;
    bool enabled_;
};

// A 24-bit area number, lowest byte first; all three bytes 0xFF mean not set.
template <std::size_t kOffset>
class CLSAreaNumberOption final : public CLSOption {
  public:
    CLSAreaNumberOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                        bool startEnabled)
        : CLSOption(std::move(name), internal, suppressed, auxiliary, kNumberOptionDisplay),
          enabled_(startEnabled) {}

    bool DecodeOption(std::span<const std::uint8_t> block) override {
        b0_ = data::ByteAt(block, kOffset);
        b1_ = data::ByteAt(block, kOffset + 1);
        b2_ = data::ByteAt(block, kOffset + 2);
        number_ = b0_ + 256 * b1_ + 65536 * b2_;
        EnableIfShown(!(b0_ == 255 && b1_ == 255 && b2_ == 255));
        SetValue(static_cast<std::int32_t>(number_));
        SetDecoded(true);
        return true;
    }
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override {
        enabled_ = enabled;
        return true;
    }
    void GetValueText(std::string& text) const override {
        text.clear();
        if (enabled_) {
            text = platform::FormatText("%u", number_);
        }
    }

    std::uint32_t GetNumber() const { return number_; }

  private:
    std::uint32_t number_ = 0xFFFFFF;
    std::uint32_t b0_ = 255;
    std::uint32_t b1_ = 255;
    std::uint32_t b2_ = 255;
    bool enabled_;
};

using CLSGeoFenceOption = CLSAreaNumberOption<344>;
using CLSPPGeoFenceOption = CLSAreaNumberOption<347>;

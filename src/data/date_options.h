#pragma once

#include <cstddef>
#include <optional>

#include "data/ls_option.h"

// A start or end day of a subscription (a GPS day number, big-endian); which word of the block it
// reads follows from the option's name. 0xFFFF means not set.
class CLSGEExpirationDayOption final : public CLSOption {
  public:
    CLSGEExpirationDayOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                             bool startEnabled);

    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    // month/day/year; "Always" for the "Pendle End" day that means no end.
    void GetValueText(std::string& text) const override;

    std::uint32_t GetDayNumber() const { return dayNumber_; }
    // The block offset of the option's day word, or none for the options the receiver keeps
    // elsewhere.
    static std::optional<std::size_t> DayOffset(const std::string& name);

  private:
    bool enabled_;
    std::uint32_t dayNumber_ = 0xFFFF;
};

// The card cage number of a receiver built into a rack (bytes 300 to 331, 32 characters).
class CLSCardCageNumberOption final : public CLSOption {
  public:
    static constexpr std::size_t kLength = 32;

    CLSCardCageNumberOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                            bool startEnabled);

    bool DecodeOption(std::span<const std::uint8_t> block) override;
    bool IsEnabled() const override { return enabled_; }
    bool SetEnabled(bool enabled) override;
    // Appends the number (up to its first NUL) to the text it is given, when enabled.
    void GetValueText(std::string& text) const override;

  private:
    std::uint8_t characters_[kLength];
    bool enabled_;
};

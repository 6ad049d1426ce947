#include "data/number_options.h"

namespace {

constexpr std::size_t kMovingBaseLimitOffset = 338;
constexpr std::size_t kLogMemoryOffset = 339;
constexpr std::size_t kKestrixOffset = 350;
constexpr std::uint8_t kNotSet = 255;
constexpr unsigned kLargestMegabyteCode = 63;

}  // namespace

CLSMovingBaseLimitOption::CLSMovingBaseLimitOption(std::string name, bool internal, bool suppressed,
                                                   bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kNumberOptionDisplay),
      enabled_(startEnabled) {}

bool CLSMovingBaseLimitOption::DecodeOption(std::span<const std::uint8_t> block) {
    value_ = data::ByteAt(block, kMovingBaseLimitOffset);
    EnableIfShown(value_ != kNotSet);
    SetDecoded(true);
    return true;
}

bool CLSMovingBaseLimitOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSMovingBaseLimitOption::GetValueText(std::string& text) const {
    if (enabled_) {
        text = platform::FormatText("%d", static_cast<int>(value_));
    }
}

CLSLogMemoryLimitOption::CLSLogMemoryLimitOption(std::string name, bool internal, bool suppressed,
                                                 bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kNumberOptionDisplay),
      enabled_(startEnabled) {}

bool CLSLogMemoryLimitOption::DecodeOption(std::span<const std::uint8_t> block) {
    code_ = data::ByteAt(block, kLogMemoryOffset);
    EnableIfShown(code_ != kNotSet);
    SetDecoded(true);
    return true;
}

bool CLSLogMemoryLimitOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSLogMemoryLimitOption::GetValueText(std::string& text) const {
    text.clear();
    if (!enabled_ || code_ == kNotSet) {
        return;
    }
    if (code_ <= kLargestMegabyteCode) {
        text = platform::FormatText("%d M", static_cast<int>(code_));
        return;
    }
    const double gigabytes = (code_ - kLargestMegabyteCode) * 64.0 / 1024.0;
    text = platform::FormatText(gigabytes >= 10.0 ? "%5.2f G" : "%4.2f G", gigabytes);
}

CLSKestrixOption::CLSKestrixOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                                   bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kNumberOptionDisplay),
      enabled_(startEnabled) {}

bool CLSKestrixOption::DecodeOption(std::span<const std::uint8_t> block) {
    code_ = data::ByteAt(block, kKestrixOffset);
    SetValue(code_);
    EnableIfShown(code_ != kNotSet);
    SetDecoded(true);
    return true;
}

bool CLSKestrixOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSKestrixOption::GetValueText(std::string& text) const {
    text.clear();
    if (enabled_) {
        text = platform::FormatText("%d", static_cast<int>(code_));
    }
}

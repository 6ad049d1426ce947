#include "data/version_options.h"

#include <utility>

#include "data/byte_fields.h"
#include "platform/strings.h"

namespace {

constexpr std::size_t kHardwareMajorOffset = 146;
constexpr std::size_t kHardwareMinorOffset = 147;
constexpr std::size_t kFirmwareMonthOffset = 148;
constexpr std::size_t kFirmwareYearOffset = 149;
constexpr unsigned kVersionFormatString = 4011;
constexpr unsigned kMonthYearFormatString = 4010;
constexpr unsigned kDisabledString = 4005;
constexpr std::uint32_t kFirmwareDisplay =
    option_display::kStatus | option_display::kToDate | option_display::kFirmware;

}  // namespace

CLSHardwareOption::CLSHardwareOption(std::string name, bool internal, bool suppressed,
                                     bool auxiliary)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, option_display::kValueText) {}

bool CLSHardwareOption::DecodeOption(std::span<const std::uint8_t> block) {
    major_ = data::ByteAt(block, kHardwareMajorOffset);
    minor_ = data::ByteAt(block, kHardwareMinorOffset);
    SetDecoded(true);
    return true;
}

void CLSHardwareOption::GetValueText(std::string& text) const {
    text = platform::FormatString(kVersionFormatString, static_cast<int>(major_),
                                  static_cast<int>(minor_));
}

CLSFirmwareOption::CLSFirmwareOption(std::string name, bool internal, bool suppressed,
                                     bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kFirmwareDisplay),
      enabled_(startEnabled) {
    if (startEnabled) {
        AddDisplayFlags(option_display::kStatus);
    }
}

bool CLSFirmwareOption::DecodeOption(std::span<const std::uint8_t> block) {
    // The record has already turned the year into the plug-in's byte order.
    const std::uint16_t year = data::ReadLittleEndian16(block, kFirmwareYearOffset);
    const std::uint8_t month = data::ByteAt(block, kFirmwareMonthOffset);
    SetEndDate(data::MakeDateTime(year, month, 1));
    if (HasStatus()) {
        if (month == 0xFF && year == 0xFFFF) {
            SetEnabled(false);
            SetEndDate(data::CurrentDateTime());
        } else {
            SetEnabled(true);
        }
    }
    SetDecoded(true);
    return true;
}

bool CLSFirmwareOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSFirmwareOption::GetToText(std::string& text) const {
    const data::DateTime& end = GetEndDate();
    text = end.valid ? platform::FormatString(kMonthYearFormatString, end.month, end.year)
                     : platform::LoadString(kDisabledString);
}

#include "data/toggle_option.h"

#include <utility>

#include "data/byte_fields.h"
#include "platform/strings.h"

namespace {

constexpr std::size_t kOptionBitsOffset = 157;
constexpr std::size_t kStartDayOffset = 169;
constexpr std::size_t kEndDayOffset = 171;
constexpr int kDatedBits = 32;
constexpr std::uint16_t kNoDay = 0xFFFF;
constexpr unsigned kDateFormatString = 4009;
constexpr std::uint32_t kToggleDisplay =
    option_display::kStatus | option_display::kToDate | option_display::kFromDate |
    option_display::kHidesPermanentDates | option_display::kListsDatedWhenDisabled;

}  // namespace

CLSToggleOption::CLSToggleOption(std::string name, int bitIndex, bool internal, bool suppressed,
                                 int polarity)
    : CLSOption(std::move(name), internal, suppressed, false, kToggleDisplay),
      polarity_(polarity),
      bitIndex_(bitIndex) {}

bool CLSToggleOption::DecodeOption(std::span<const std::uint8_t> block) {
    const auto bit = static_cast<std::size_t>(bitIndex_);
    const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
    const bool bitSet = (data::ByteAt(block, kOptionBitsOffset + bit / 8) & mask) != 0;
    enabled_ = polarity_ == 0 ? bitSet : !bitSet;

    if (bitIndex_ < kDatedBits) {
        // The record has already turned these words into the plug-in's byte order.
        const std::uint16_t start = data::ReadLittleEndian16(block, kStartDayOffset + 4 * bit);
        const std::uint16_t end = data::ReadLittleEndian16(block, kEndDayOffset + 4 * bit);
        if (start == kNoDay && end == kNoDay) {
            const data::DateTime now = data::CurrentDateTime();
            SetStartDate(now);
            SetEndDate(now);
            SetPermanent(true);
        } else {
            SetStartDate(data::GpsDayToDate(start));
            SetEndDate(data::GpsDayToDate(end));
            SetPermanent(false);
        }
    }
    SetDecoded(true);
    return true;
}

bool CLSToggleOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSToggleOption::GetFromText(std::string& text) const {
    text = data::FormatDateTime(GetStartDate(), platform::LoadString(kDateFormatString));
}

void CLSToggleOption::GetToText(std::string& text) const {
    text = data::FormatDateTime(GetEndDate(), platform::LoadString(kDateFormatString));
}

#include "data/date_options.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "data/byte_fields.h"
#include "platform/strings.h"

namespace {

constexpr std::uint16_t kNoDay = 0xFFFF;
constexpr unsigned kAlwaysString = 2103;
constexpr std::size_t kCardCageOffset = 300;
// The receiver writes this day as "Pendle End" for a subscription that does not end.
constexpr data::DateTime kPendleNeverEnds = {2113, 1, 1, 0, 0, 0, true};

struct DayWord {
    std::string_view name;
    std::size_t offset;
};

constexpr std::array<DayWord, 10> kDayWords = {{
    {"QSV End", 354},
    {"Pendle End", 363},
    {"QSV Fast End", 365},
    {"QSV Start", 367},
    {"QSV Fast Start", 369},
    {"Pendle Start", 371},
    {"Tolvar Start", 381},
    {"Tolvar End", 383},
    {"Glenmark Start", 385},
    {"Glenmark End", 387},
}};

constexpr std::uint32_t kDayDisplay = option_display::kStatus | option_display::kValueText;

}  // namespace

CLSGEExpirationDayOption::CLSGEExpirationDayOption(std::string name, bool internal, bool suppressed,
                                                   bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kDayDisplay),
      enabled_(startEnabled) {
    if (startEnabled) {
        AddDisplayFlags(option_display::kStatus);
    }
}

std::optional<std::size_t> CLSGEExpirationDayOption::DayOffset(const std::string& name) {
    const auto found = std::find_if(kDayWords.begin(), kDayWords.end(),
                                    [&name](const DayWord& word) { return word.name == name; });
    if (found == kDayWords.end()) {
        return std::nullopt;
    }
    return found->offset;
}

bool CLSGEExpirationDayOption::DecodeOption(std::span<const std::uint8_t> block) {
    if (const auto offset = DayOffset(GetOptionName())) {
        dayNumber_ = data::ReadBigEndian16(block, *offset);
    }
    EnableIfShown(dayNumber_ != kNoDay);
    SetDecoded(true);
    return true;
}

bool CLSGEExpirationDayOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSGEExpirationDayOption::GetValueText(std::string& text) const {
    text.clear();
    if (!enabled_) {
        return;
    }
    const data::DateTime date =
        dayNumber_ == kNoDay ? data::CurrentDateTime() : data::GpsDayToDate(dayNumber_);
    if (GetOptionName() == "Pendle End" && date.year == kPendleNeverEnds.year &&
        date.month == kPendleNeverEnds.month && date.day == kPendleNeverEnds.day) {
        text = platform::LoadString(kAlwaysString);
        return;
    }
    text = platform::FormatText("%d/%d/%d", date.month, date.day, date.year);
}

CLSCardCageNumberOption::CLSCardCageNumberOption(std::string name, bool internal, bool suppressed,
                                                 bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kDayDisplay),
      enabled_(startEnabled) {
    std::fill(std::begin(characters_), std::end(characters_), std::uint8_t{0xFF});
}

bool CLSCardCageNumberOption::DecodeOption(std::span<const std::uint8_t> block) {
    bool any = false;
    for (std::size_t i = 0; i < kLength; ++i) {
        characters_[i] = data::ByteAt(block, kCardCageOffset + i);
        any = any || characters_[i] != 0xFF;
    }
    EnableIfShown(any);
    SetDecoded(true);
    return true;
}

bool CLSCardCageNumberOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSCardCageNumberOption::GetValueText(std::string& text) const {
    if (!enabled_) {
        return;
    }
    for (const std::uint8_t character : characters_) {
        if (character == 0) {
            break;
        }
        text.push_back(static_cast<char>(character));
    }
}

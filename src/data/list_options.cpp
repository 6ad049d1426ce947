#include "data/list_options.h"

#include <utility>

#include "data/byte_fields.h"
#include "data/option_texts.h"

namespace {

constexpr std::size_t kReceiverIdOffset = 336;
constexpr std::size_t kDataRateOffset = 337;
constexpr std::size_t kBrandOffset = 352;
constexpr std::size_t kExtendedReceiverIdOffset = 375;
constexpr std::uint8_t kByteNotSet = 0xFF;
constexpr std::uint16_t kWordNotSet = 0xFFFF;

}  // namespace

CLSDataRateOption::CLSDataRateOption(std::string name, bool internal, bool suppressed,
                                     bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kListOptionDisplay),
      enabled_(startEnabled) {}

bool CLSDataRateOption::DecodeOption(std::span<const std::uint8_t> block) {
    code_ = data::ByteAt(block, kDataRateOffset);
    SetValue(code_);
    EnableIfShown(code_ != kByteNotSet);
    SetDecoded(true);
    return true;
}

bool CLSDataRateOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSDataRateOption::GetValueText(std::string& text) const {
    text = enabled_ ? DataRateName(code_) : std::string();
}

CLSBrandOption::CLSBrandOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                               bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kListOptionDisplay),
      enabled_(startEnabled) {}

bool CLSBrandOption::DecodeOption(std::span<const std::uint8_t> block) {
    code_ = data::ByteAt(block, kBrandOffset);
    EnableIfShown(code_ != kByteNotSet);
    SetDecoded(true);
    return true;
}

bool CLSBrandOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSBrandOption::GetValueText(std::string& text) const {
    text = enabled_ ? BrandName(code_) : std::string();
}

CLSReceiverIDOption::CLSReceiverIDOption(std::string name, bool internal, bool suppressed,
                                         bool auxiliary, bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kListOptionDisplay),
      enabled_(startEnabled) {}

bool CLSReceiverIDOption::DecodeOption(std::span<const std::uint8_t> block) {
    id_ = data::ByteAt(block, kReceiverIdOffset);
    EnableIfShown(id_ != kByteNotSet);
    SetDecoded(true);
    return true;
}

bool CLSReceiverIDOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSReceiverIDOption::GetValueText(std::string& text) const {
    text = enabled_ ? ReceiverModelName(id_) : std::string();
}

CLSExtendedReceiverIDOption::CLSExtendedReceiverIDOption(std::string name, bool internal,
                                                         bool suppressed, bool auxiliary,
                                                         bool startEnabled)
    : CLSOption(std::move(name), internal, suppressed, auxiliary, kListOptionDisplay),
      enabled_(startEnabled) {}

bool CLSExtendedReceiverIDOption::DecodeOption(std::span<const std::uint8_t> block) {
    const std::uint8_t shortId = data::ByteAt(block, kReceiverIdOffset);
    if (shortId == 0) {
        id_ = data::ReadBigEndian16(block, kExtendedReceiverIdOffset);
    } else if (shortId == kByteNotSet) {
        // An unset one-byte ID is no model either: without this a blank block would show a model.
        id_ = kWordNotSet;
    } else {
        id_ = shortId;
    }
    EnableIfShown(id_ != kWordNotSet);
    SetDecoded(true);
    return true;
}

bool CLSExtendedReceiverIDOption::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return true;
}

void CLSExtendedReceiverIDOption::GetValueText(std::string& text) const {
    text = enabled_ ? ReceiverModelName(id_) : std::string();
}

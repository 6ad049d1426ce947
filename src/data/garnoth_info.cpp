#include "data/garnoth_info.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "data/option_catalog.h"
#include "platform/strings.h"

namespace {

constexpr std::size_t kFirmwareYearOffset = 149;
constexpr std::size_t kUnusedWordOffset = 155;
constexpr std::size_t kFirstStartDayOffset = 169;
constexpr std::size_t kFirstEndDayOffset = 171;
constexpr std::size_t kDatedOptionCount = 32;
constexpr std::size_t kExtendedMemoryOffset = 147;
constexpr std::uint8_t kEmptyField = 0xFF;
constexpr unsigned kNoneString = 156;

}  // namespace

CGarnothInfo::CGarnothInfo() : CLSInfo(kGrowStep, kInfoSize) {
    block_.fill(0xFF);
    for (auto& option : CreateOptionCatalog()) {
        AddOption(std::move(option));
    }
}

bool CGarnothInfo::LoadInfo(const std::uint8_t* block, std::size_t length) {
    if (block == nullptr || length != static_cast<std::size_t>(GetInfoSize())) {
        return false;
    }
    std::copy(block, block + kInfoSize, block_.begin());
    SwapWord(kFirmwareYearOffset);
    SwapWord(kUnusedWordOffset);
    for (std::size_t i = 0; i < kDatedOptionCount; ++i) {
        SwapWord(kFirstStartDayOffset + 4 * i);
        SwapWord(kFirstEndDayOffset + 4 * i);
    }
    NoneIfEmpty(kSerialNumberOffset, kSerialNumberSize);
    NoneIfEmpty(kFirstAuxiliaryOffset, kAuxiliarySize);
    NoneIfEmpty(kSecondAuxiliaryOffset, kAuxiliarySize);
    NoneIfEmpty(kDeviceNameOffset, kDeviceNameSize);
    SetLoaded();
    return true;
}

std::string CGarnothInfo::GetSerialNumber() const {
    return TextField(kSerialNumberOffset, kSerialNumberSize);
}

std::string CGarnothInfo::GetDeviceName() const {
    return TextField(kDeviceNameOffset, kDeviceNameSize);
}

bool CGarnothInfo::HasExtendedMemory() const {
    return block_[kExtendedMemoryOffset] != 0;
}

std::string CGarnothInfo::GetFirstAuxiliaryText() const {
    return TextField(kFirstAuxiliaryOffset, kAuxiliarySize);
}

std::string CGarnothInfo::GetSecondAuxiliaryText() const {
    return TextField(kSecondAuxiliaryOffset, kAuxiliarySize);
}

std::string CGarnothInfo::TextField(std::size_t offset, std::size_t size) const {
    // A field that fills its whole size has no NUL: the text stops at the field's end.
    const auto* first = block_.data() + offset;
    const auto* end = std::find(first, first + size, std::uint8_t{0});
    return std::string(first, end);
}

void CGarnothInfo::SwapWord(std::size_t offset) {
    std::swap(block_[offset], block_[offset + 1]);
}

void CGarnothInfo::NoneIfEmpty(std::size_t offset, std::size_t size) {
    if (block_[offset] != kEmptyField) {
        return;
    }
    // The field is filled like strncpy fills it: the text, then NULs up to the field's size.
    const std::string none = platform::LoadString(kNoneString);
    std::fill_n(block_.begin() + static_cast<std::ptrdiff_t>(offset), size, std::uint8_t{0});
    std::memcpy(block_.data() + offset, none.data(), std::min(none.size(), size));
}

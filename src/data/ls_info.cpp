#include "data/ls_info.h"

#include <utility>

#include "data/option_catalog.h"

namespace {

// Block byte 147: the hardware minor number, non-zero on receivers with extended memory.
constexpr std::size_t kExtendedMemoryOffset = 147;

}  // namespace

CLSInfo::CLSInfo(int growStep, int infoSize) : growStep_(growStep), infoSize_(infoSize) {
    RemoveAllOptions();
}

CLSInfo::~CLSInfo() {
    RemoveAllOptions();
}

bool CLSInfo::LoadInfo(const std::uint8_t* /*block*/, std::size_t /*length*/) {
    SetLoaded();
    return true;
}

bool CLSInfo::LoadInfoAndOptions(const std::uint8_t* block, std::size_t length) {
    if (!LoadInfo(block, length)) {
        return false;
    }
    const std::span<const std::uint8_t> stored = GetStoredBlock();
    const bool extendedMemory =
        kExtendedMemoryOffset < stored.size() && stored[kExtendedMemoryOffset] != 0;
    for (const auto& option : options_) {
        option->DecodeOption(stored);
        if (!extendedMemory && IsHiddenWithoutExtendedMemory(option->GetOptionName())) {
            option->SetSuppressed();
        }
    }
    return true;
}

CLSOption* CLSInfo::GetOptionAt(int index) const {
    if (index < 0 || index >= GetOptionCount()) {
        return nullptr;
    }
    return options_[static_cast<std::size_t>(index)].get();
}

void CLSInfo::AddOption(std::unique_ptr<CLSOption> option) {
    if (options_.size() == options_.capacity() && growStep_ > 0) {
        options_.reserve(options_.size() + static_cast<std::size_t>(growStep_));
    }
    option->SetMember();
    options_.push_back(std::move(option));
}

void CLSInfo::RemoveAllOptions() {
    options_.clear();
}

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/garnoth_info.h"
#include "platform/virtual_clock.h"

namespace {

// A broken promise of the record is a finding, not a quiet pass.
void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every question the configuration report asks an option, with every text it reads.
void ReadEveryText(const CLSOption& option) {
    std::string text;
    option.GetValueText(text);
    option.GetFromText(text);
    option.GetToText(text);
    std::string appended = "x";
    option.GetValueText(appended);
    (void)option.GetOptionName().size();
    (void)(option.IsInternal() || option.IsSuppressed() || option.IsPermanent() ||
           option.IsEnabled());
    (void)(option.HasStatus() || option.HasValueText() || option.HasFromDate() ||
           option.HasToDate() || option.HidesPermanentDates() || option.ListsDatedWhenDisabled());
}

void ReadRecord(const CGarnothInfo& info) {
    // Texts end at their field, whatever bytes the receiver put there.
    Require(info.GetSerialNumber().size() <= CGarnothInfo::kSerialNumberSize);
    Require(info.GetDeviceName().size() <= CGarnothInfo::kDeviceNameSize);
    Require(info.GetFirstAuxiliaryText().size() <= CGarnothInfo::kAuxiliarySize);
    Require(info.GetSecondAuxiliaryText().size() <= CGarnothInfo::kAuxiliarySize);
    (void)info.HasExtendedMemory();
    const int count = info.GetOptionCount();
    Require(count == 107);
    Require(info.GetOptionAt(-1) == nullptr);
    Require(info.GetOptionAt(count) == nullptr);
    for (int i = 0; i < count; ++i) {
        const CLSOption* option = info.GetOptionAt(i);
        Require(option != nullptr);
        ReadEveryText(*option);
    }
}

}  // namespace

// The product information block as the receiver sends it: first the input as it stands (any
// length; only 425 bytes may load), then the input cut or padded with 0xFF to 425 bytes so that
// every option decodes arbitrary bytes, then a second block over the first (options decode in
// place again).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Options take "now" from the clock seam; a fixed clock keeps every run reproducible.
    platform::VirtualClock clock(1'400'000'000);
    platform::ScopedClock useClock(clock);

    CGarnothInfo info;
    static const std::string freshSerial = [&info] {
        ReadRecord(info);  // the unloaded record: all 0xFF, the same for every input
        return info.GetSerialNumber();
    }();

    const bool loaded = info.LoadInfoAndOptions(size == 0 ? nullptr : data, size);
    Require(loaded == (size == static_cast<std::size_t>(CGarnothInfo::kInfoSize)));
    Require(info.IsLoaded() == loaded);
    if (loaded) {
        ReadRecord(info);
    } else {
        // Refused: still the unloaded record, read once above rather than again for every input.
        Require(info.GetSerialNumber() == freshSerial);
    }

    const auto infoSize = static_cast<std::size_t>(CGarnothInfo::kInfoSize);
    std::vector<std::uint8_t> block(infoSize, 0xFF);
    std::copy_n(data, std::min(size, infoSize), block.begin());
    Require(info.LoadInfoAndOptions(block.data(), block.size()));
    ReadRecord(info);

    if (size > infoSize) {
        std::vector<std::uint8_t> second(infoSize, 0x00);
        std::copy_n(data + infoSize, std::min(size - infoSize, infoSize), second.begin());
        Require(info.LoadInfoAndOptions(second.data(), second.size()));
        ReadRecord(info);
    }

    // A refused block leaves the record as it was.
    const std::string serial = info.GetSerialNumber();
    Require(!info.LoadInfoAndOptions(block.data(), block.size() - 1));
    Require(!info.LoadInfoAndOptions(nullptr, infoSize));
    Require(info.GetSerialNumber() == serial);
    return 0;
}

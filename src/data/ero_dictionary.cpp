#include "data/ero_dictionary.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<ERODictionaryType, 14> kTypes = {{
    {0x00, 0, 0, false},
    {0x01, 0, 0, false},
    {0x02, 1, 2, false},
    {0x03, 1, 2, false},
    {0x04, 1, 2, false},
    {0x05, 2, 2, true},
    {0x06, 2, 2, true},
    {0x07, 4, 4, true},
    {0x08, 4, 4, true},
    {0x28, 8, 8, false},
    {0x2A, 10, 10, false},
    {0x30, 16, 16, false},
    {0x3F, 31, 32, false},
    {0xFF, 0, 0, false},
}};

constexpr std::uint8_t kEndType = 0xFF;
constexpr std::uint8_t kSumType = 0x06;
constexpr std::uint8_t kErasedVersionType = 0x03;
constexpr std::uint8_t kErasedVersion = 9;
constexpr std::size_t kEntryHeader = 2;  // id and type code

constexpr std::uint8_t kLowSumId = 20;
constexpr std::uint8_t kHighSumId = 150;
constexpr std::uint8_t kTotalSumId = 254;

// What an entry adds to a sum: its id, its type code and its stored value bytes.
unsigned Contribution(const CERODictionary::Entry& entry) {
    unsigned sum = entry.id + entry.type;
    for (const std::uint8_t byte : entry.value) {
        sum += byte;
    }
    return sum;
}

}  // namespace

const ERODictionaryType* CERODictionary::FindType(std::uint8_t code) {
    const auto* found = std::find_if(kTypes.begin(), kTypes.end(),
                                     [code](const ERODictionaryType& t) { return t.code == code; });
    return found == kTypes.end() ? nullptr : found;
}

bool CERODictionary::Decode(const std::uint8_t* buffer, std::size_t length) {
    entries_.clear();
    std::size_t offset = 0;
    while (buffer != nullptr && length - offset >= kEntryHeader) {
        const ERODictionaryType* type = FindType(buffer[offset + 1]);
        if (type == nullptr || length - offset < type->wireSize + kEntryHeader) {
            break;
        }
        const std::uint8_t* value = buffer + offset + kEntryHeader;
        entries_.push_back({buffer[offset], type->code, {value, value + type->valueSize}});
        offset += type->wireSize + kEntryHeader;
        if (entries_.back().id == kEndId) {
            break;
        }
    }
    return IsValid();
}

void CERODictionary::ResetToErased() {
    entries_.clear();
    entries_.push_back({kVersionId, kErasedVersionType, {kErasedVersion}});
    entries_.push_back({kEndId, kEndType, {}});
    SetCheckSums();
}

bool CERODictionary::Encode(std::uint8_t* buffer, std::size_t capacity, std::size_t& length) {
    length = 0;
    SetCheckSums();
    if (!IsValid()) {
        return false;
    }
    for (const Entry& entry : entries_) {
        const std::size_t wire = FindType(entry.type)->wireSize;
        if (capacity - length < wire + kEntryHeader) {
            return false;
        }
        std::uint8_t* out = buffer + length;
        out[0] = entry.id;
        out[1] = entry.type;
        std::fill_n(out + kEntryHeader, wire, std::uint8_t{0});
        std::copy_n(entry.value.begin(), std::min(entry.value.size(), wire), out + kEntryHeader);
        length += wire + kEntryHeader;
    }
    return true;
}

bool CERODictionary::EraseBlock(std::uint8_t* block, std::size_t length) {
    CERODictionary dictionary;
    if (!dictionary.Decode(block, length)) {
        return false;
    }
    dictionary.ResetToErased();
    std::vector<std::uint8_t> erased(length);
    std::size_t written = 0;
    if (!dictionary.Encode(erased.data(), erased.size(), written)) {
        return false;
    }
    std::copy_n(erased.begin(), written, block);
    return true;
}

void CERODictionary::SetCheckSums() {
    SetSum(kLowSumId, 1, 19);
    SetSum(kHighSumId, 100, 149);
    SetSum(kTotalSumId, 0, 0);
}

bool CERODictionary::IsValid() const {
    const auto has = [this](std::uint8_t id) {
        return std::any_of(entries_.begin(), entries_.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    };
    return has(kVersionId) && has(kEndId);
}

CERODictionary::Entry& CERODictionary::FindOrCreate(std::uint8_t id) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const Entry& entry) { return entry.id == id; });
    if (found != entries_.end()) {
        return *found;
    }
    const Entry created{id, kSumType, {0, 0}};
    if (!entries_.empty() && entries_.back().id == kEndId) {
        return *entries_.insert(entries_.end() - 1, created);
    }
    return entries_.emplace_back(created);
}

void CERODictionary::SetSum(std::uint8_t id, std::uint8_t firstId, std::uint8_t lastId) {
    Entry& target = FindOrCreate(id);
    target.type = kSumType;
    target.value.assign(2, 0);
    unsigned sum = 0;
    for (const Entry& entry : entries_) {
        // The total covers every entry but itself; the others a range of ids.
        const bool counted =
            id == kTotalSumId ? entry.id != kTotalSumId : entry.id >= firstId && entry.id <= lastId;
        if (counted) {
            sum += Contribution(entry);
        }
    }
    target.value = {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)};
}

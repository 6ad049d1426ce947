#include "engine/radio_dictionary.h"

#include <algorithm>

#include "engine/profile.h"

namespace sim {
namespace {

struct TypeSize {
    std::uint8_t type;
    std::uint8_t value;
    std::uint8_t wire;
};

constexpr TypeSize kTypes[] = {{0x00, 0, 0},   {0x01, 0, 0}, {0x02, 1, 2},   {0x03, 1, 2},
                               {0x04, 1, 2},   {0x05, 2, 2}, {0x06, 2, 2},   {0x07, 4, 4},
                               {0x08, 4, 4},   {0x28, 8, 8}, {0x2A, 10, 10}, {0x30, 16, 16},
                               {0x3F, 31, 32}, {0xFF, 0, 0}};

const TypeSize* FindType(std::uint8_t type) {
    for (const TypeSize& t : kTypes) {
        if (t.type == type) {
            return &t;
        }
    }
    return nullptr;
}

std::uint16_t Contribution(const RadioEntry& entry) {
    unsigned sum = entry.id + entry.type;
    for (const std::uint8_t b : entry.value) {
        sum += b;
    }
    return static_cast<std::uint16_t>(sum);
}

RadioEntry& FindOrCreate(std::vector<RadioEntry>& entries, std::uint8_t id) {
    for (RadioEntry& entry : entries) {
        if (entry.id == id) {
            return entry;
        }
    }
    RadioEntry created{id, 0x06, {0, 0}};
    if (!entries.empty() && entries.back().id == 0) {
        return *entries.insert(entries.end() - 1, created);
    }
    entries.push_back(created);
    return entries.back();
}

void SetSum(std::vector<RadioEntry>& entries, std::uint8_t id, unsigned firstId, unsigned lastId) {
    RadioEntry& target = FindOrCreate(entries, id);
    target.type = 0x06;
    target.value.assign(2, 0);
    unsigned sum = 0;
    for (const RadioEntry& entry : entries) {
        const bool counted =
            id == 254 ? entry.id != 254 : entry.id >= firstId && entry.id <= lastId;
        if (counted) {
            sum += Contribution(entry);
        }
    }
    PutBe16(target.value.data(), static_cast<std::uint16_t>(sum));
}

}  // namespace

bool IsRadioType(std::uint8_t type) {
    return FindType(type) != nullptr;
}

std::size_t RadioValueSize(std::uint8_t type) {
    const TypeSize* t = FindType(type);
    return t == nullptr ? 0 : t->value;
}

std::size_t RadioWireSize(std::uint8_t type) {
    const TypeSize* t = FindType(type);
    return t == nullptr ? 0 : t->wire;
}

void SetRadioChecksums(std::vector<RadioEntry>& entries) {
    SetSum(entries, 20, 1, 19);
    SetSum(entries, 150, 100, 149);
    SetSum(entries, 254, 0, 0);
}

Bytes EncodeRadioDictionary(const std::vector<RadioEntry>& entries) {
    Bytes out;
    for (const RadioEntry& entry : entries) {
        out.push_back(entry.id);
        out.push_back(entry.type);
        const std::size_t wire = RadioWireSize(entry.type);
        for (std::size_t i = 0; i < wire; ++i) {
            out.push_back(i < entry.value.size() ? entry.value[i] : 0);
        }
    }
    return out;
}

Bytes ErasedRadioConfig(std::uint8_t fill) {
    std::vector<RadioEntry> entries{{253, 0x03, {9}}, {0, 0xFF, {}}};
    SetRadioChecksums(entries);
    Bytes block = EncodeRadioDictionary(entries);
    block.resize(kRadioConfigSize, fill);
    return block;
}

}  // namespace sim

#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/bytes.h"

namespace sim {

// Strict reader of one JSON object of a profile. Every accessor checks the type and range of its
// field and throws ProfileError naming the full field path ("faults.noise"); Finish() rejects
// keys that nobody asked for, so a misspelt knob is an error instead of a silent default. A
// missing or null field takes the fallback.
class FieldReader {
  public:
    FieldReader(const nlohmann::json& value, std::string path, std::string source);

    bool Has(const std::string& key) const;
    bool Bool(const std::string& key, bool fallback);
    // A JSON number or a text in decimal or "0x" hexadecimal.
    std::uint64_t Unsigned(const std::string& key, std::uint64_t min, std::uint64_t max,
                           std::uint64_t fallback);
    std::optional<std::uint64_t> OptionalUnsigned(const std::string& key, std::uint64_t min,
                                                  std::uint64_t max);
    std::string Text(const std::string& key, std::size_t maxLength, const std::string& fallback);
    std::optional<std::string> OptionalText(const std::string& key, std::size_t maxLength);
    // One of the given words.
    std::string Choice(const std::string& key, const std::vector<std::string>& words,
                       const std::string& fallback);
    // Hex digits; exactSize 0 accepts any length up to maxSize.
    std::optional<Bytes> Hex(const std::string& key, std::size_t exactSize, std::size_t maxSize);
    std::vector<std::uint64_t> UnsignedArray(const std::string& key, std::uint64_t min,
                                             std::uint64_t max, std::size_t maxCount);
    FieldReader Object(const std::string& key);
    std::vector<FieldReader> ObjectArray(const std::string& key, std::size_t maxCount);
    // The raw value (for fields that take several forms); marks the key as read.
    const nlohmann::json* Raw(const std::string& key);

    // Throws for every key that was not read.
    void Finish() const;

    std::string PathOf(const std::string& key) const;
    [[noreturn]] void Fail(const std::string& key, const std::string& why) const;
    // Converts a JSON value (number or number text) for a field; shared with array items.
    std::uint64_t ToUnsigned(const nlohmann::json& value, const std::string& path,
                             std::uint64_t min, std::uint64_t max) const;

  private:
    const nlohmann::json* Find(const std::string& key);

    const nlohmann::json* value_;
    std::string path_;
    std::string source_;
    std::set<std::string> read_;
};

}  // namespace sim

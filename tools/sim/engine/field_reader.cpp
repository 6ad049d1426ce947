#include "engine/field_reader.h"

#include <cerrno>
#include <cstdlib>

#include "engine/profile.h"

namespace sim {
namespace {

const nlohmann::json& EmptyObject() {
    static const nlohmann::json empty = nlohmann::json::object();
    return empty;
}

const char* TypeName(const nlohmann::json& value) {
    return value.type_name();
}

}  // namespace

FieldReader::FieldReader(const nlohmann::json& value, std::string path, std::string source)
    : value_(&value), path_(std::move(path)), source_(std::move(source)) {
    if (!value.is_object()) {
        throw ProfileError(source_ + ": profile field '" + (path_.empty() ? "(top)" : path_) +
                           "' must be an object (got " + TypeName(value) + ")");
    }
}

std::string FieldReader::PathOf(const std::string& key) const {
    return path_.empty() ? key : path_ + "." + key;
}

void FieldReader::Fail(const std::string& key, const std::string& why) const {
    throw ProfileError(source_ + ": profile field '" + PathOf(key) + "' " + why);
}

const nlohmann::json* FieldReader::Find(const std::string& key) {
    read_.insert(key);
    const auto it = value_->find(key);
    if (it == value_->end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

const nlohmann::json* FieldReader::Raw(const std::string& key) {
    return Find(key);
}

bool FieldReader::Has(const std::string& key) const {
    const auto it = value_->find(key);
    return it != value_->end() && !it->is_null();
}

bool FieldReader::Bool(const std::string& key, bool fallback) {
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->is_boolean()) {
        Fail(key, std::string("must be true or false (got ") + TypeName(*value) + ")");
    }
    return value->get<bool>();
}

std::uint64_t FieldReader::ToUnsigned(const nlohmann::json& value, const std::string& path,
                                      std::uint64_t min, std::uint64_t max) const {
    auto fail = [&](const std::string& why) {
        throw ProfileError(source_ + ": profile field '" + path + "' " + why);
    };
    std::uint64_t number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<std::uint64_t>();
    } else if (value.is_number_integer()) {
        fail("must not be negative (got " + value.dump() + ")");
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const char* begin = text.c_str() + (hex ? 2 : 0);
        char* end = nullptr;
        errno = 0;
        number = std::strtoull(begin, &end, hex ? 16 : 10);
        if (text.empty() || *begin == '\0' || *begin == '-' || *begin == '+' || *end != '\0' ||
            errno == ERANGE) {
            fail("must be a number or a number text such as \"0x1F\" (got \"" + text + "\")");
        }
    } else {
        fail(std::string("must be a number (got ") + TypeName(value) + ")");
    }
    if (number < min || number > max) {
        fail("must be from " + std::to_string(min) + " to " + std::to_string(max) + " (got " +
             std::to_string(number) + ")");
    }
    return number;
}

std::uint64_t FieldReader::Unsigned(const std::string& key, std::uint64_t min, std::uint64_t max,
                                    std::uint64_t fallback) {
    const auto value = OptionalUnsigned(key, min, max);
    return value ? *value : fallback;
}

std::optional<std::uint64_t> FieldReader::OptionalUnsigned(const std::string& key,
                                                           std::uint64_t min, std::uint64_t max) {
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return ToUnsigned(*value, PathOf(key), min, max);
}

std::optional<std::string> FieldReader::OptionalText(const std::string& key,
                                                     std::size_t maxLength) {
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        Fail(key, std::string("must be a text (got ") + TypeName(*value) + ")");
    }
    std::string text = value->get<std::string>();
    if (text.size() > maxLength) {
        Fail(key, "is longer than " + std::to_string(maxLength) + " characters");
    }
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            Fail(key, "must hold printable ASCII characters only");
        }
    }
    return text;
}

std::string FieldReader::Text(const std::string& key, std::size_t maxLength,
                              const std::string& fallback) {
    const auto text = OptionalText(key, maxLength);
    return text ? *text : fallback;
}

std::string FieldReader::Choice(const std::string& key, const std::vector<std::string>& words,
                                const std::string& fallback) {
    const auto text = OptionalText(key, 64);
    if (!text) {
        return fallback;
    }
    for (const std::string& word : words) {
        if (*text == word) {
            return word;
        }
    }
    std::string list;
    for (const std::string& word : words) {
        list += (list.empty() ? "\"" : ", \"") + word + "\"";
    }
    Fail(key, "must be one of " + list + " (got \"" + *text + "\")");
}

std::optional<Bytes> FieldReader::Hex(const std::string& key, std::size_t exactSize,
                                      std::size_t maxSize) {
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        Fail(key, std::string("must be a text of hex digits (got ") + TypeName(*value) + ")");
    }
    Bytes bytes;
    if (!ParseHex(value->get<std::string>(), bytes)) {
        Fail(key, "must hold pairs of hex digits (blanks allowed)");
    }
    if (exactSize != 0 && bytes.size() != exactSize) {
        Fail(key, "must hold exactly " + std::to_string(exactSize) + " bytes (got " +
                      std::to_string(bytes.size()) + ")");
    }
    if (bytes.size() > maxSize) {
        Fail(key, "must hold at most " + std::to_string(maxSize) + " bytes (got " +
                      std::to_string(bytes.size()) + ")");
    }
    return bytes;
}

std::vector<std::uint64_t> FieldReader::UnsignedArray(const std::string& key, std::uint64_t min,
                                                      std::uint64_t max, std::size_t maxCount) {
    std::vector<std::uint64_t> numbers;
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return numbers;
    }
    if (!value->is_array()) {
        Fail(key, std::string("must be a list (got ") + TypeName(*value) + ")");
    }
    if (value->size() > maxCount) {
        Fail(key, "must hold at most " + std::to_string(maxCount) + " items");
    }
    for (std::size_t i = 0; i < value->size(); ++i) {
        numbers.push_back(
            ToUnsigned((*value)[i], PathOf(key) + "[" + std::to_string(i) + "]", min, max));
    }
    return numbers;
}

FieldReader FieldReader::Object(const std::string& key) {
    const nlohmann::json* value = Find(key);
    return FieldReader(value == nullptr ? EmptyObject() : *value, PathOf(key), source_);
}

std::vector<FieldReader> FieldReader::ObjectArray(const std::string& key, std::size_t maxCount) {
    std::vector<FieldReader> items;
    const nlohmann::json* value = Find(key);
    if (value == nullptr) {
        return items;
    }
    if (!value->is_array()) {
        Fail(key, std::string("must be a list (got ") + TypeName(*value) + ")");
    }
    if (value->size() > maxCount) {
        Fail(key, "must hold at most " + std::to_string(maxCount) + " items");
    }
    for (std::size_t i = 0; i < value->size(); ++i) {
        items.emplace_back((*value)[i], PathOf(key) + "[" + std::to_string(i) + "]", source_);
    }
    return items;
}

void FieldReader::Finish() const {
    for (auto it = value_->begin(); it != value_->end(); ++it) {
        if (read_.count(it.key()) == 0) {
            throw ProfileError(source_ + ": profile field '" + PathOf(it.key()) + "' is not known");
        }
    }
}

}  // namespace sim

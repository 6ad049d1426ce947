#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/registry_backend.h"

namespace platform {
namespace {

const RegistryTree* g_tree = nullptr;

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Registry paths are case-insensitive and tolerate stray separators at either end.
std::string NormalisePath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return Lower(path);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Version 5 files are often saved as UTF-16 with a byte-order mark; the values we read are
// plain ASCII, so a simple widening back to 8 bits (UTF-8 for the rest) is enough.
std::string DecodeFileText(std::string_view raw) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::string out;
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
            const auto unit = static_cast<std::uint32_t>(
                static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8));
            AppendUtf8(out, unit);
        }
        return out;
    }
    if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") {
        raw.remove_prefix(3);
    }
    return std::string(raw);
}

// Splits into logical lines: a value line ending in a backslash continues on the next line
// (long hex data is written that way).
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line = Trim(std::string_view(text.data() + start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\\' && !line.starts_with('[')) {
            current.append(line.substr(0, line.size() - 1));
            continue;
        }
        current.append(line);
        lines.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) {
        lines.push_back(std::move(current));
    }
    return lines;
}

// Reads a quoted text with the .reg escapes \\ and \" from the start of text; returns the
// characters consumed, or 0 when there is no complete quoted text.
std::size_t ReadQuoted(std::string_view text, std::string& out) {
    if (text.empty() || text.front() != '"') {
        return 0;
    }
    out.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            out.push_back(text[++i]);
        } else if (c == '"') {
            return i + 1;
        } else {
            out.push_back(c);
        }
    }
    return 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const int lower = std::tolower(static_cast<unsigned char>(c));
    if (lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

std::optional<std::uint32_t> ParseDword(std::string_view digits) {
    digits = Trim(digits);
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    list = Trim(list);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = Trim(list.substr(0, comma));
        if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(HexDigit(item[0]) * 16 + HexDigit(item[1])));
        if (comma == std::string_view::npos) {
            break;
        }
        list = Trim(list.substr(comma + 1));
    }
    return bytes;
}

// The data part of a value line: "text", dword:..., hex:... or hex(t):...
std::optional<RegistryValue> ParseData(std::string_view data) {
    data = Trim(data);
    RegistryValue value;
    if (data.starts_with('"')) {
        std::string text;
        if (ReadQuoted(data, text) == 0) {
            return std::nullopt;
        }
        value.type = RegistryValue::kString;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return value;
    }
    if (StartsWithNoCase(data, "dword:")) {
        const auto number = ParseDword(data.substr(6));
        if (!number) {
            return std::nullopt;
        }
        value.type = RegistryValue::kDword;
        for (int shift = 0; shift < 32; shift += 8) {
            value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
        }
        return value;
    }
    if (StartsWithNoCase(data, "hex")) {
        std::string_view rest = data.substr(3);
        value.type = RegistryValue::kBinary;
        if (rest.starts_with('(')) {
            const std::size_t close = rest.find(')');
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            const auto type = ParseDword(rest.substr(1, close - 1));
            if (!type) {
                return std::nullopt;
            }
            value.type = *type;
            rest = rest.substr(close + 1);
        }
        if (!rest.starts_with(':')) {
            return std::nullopt;
        }
        auto bytes = ParseHexBytes(rest.substr(1));
        if (!bytes) {
            return std::nullopt;
        }
        value.data = std::move(*bytes);
        return value;
    }
    return std::nullopt;
}

// Hands each name of a normalised key path to step, parent first, while step returns true;
// true when every name was taken.
template <typename Step>
bool ForEachName(std::string_view path, Step step) {
    for (;;) {
        const std::size_t end = std::min(path.find('\\'), path.size());
        if (!step(path.substr(0, end))) {
            return false;
        }
        if (end == path.size()) {
            return true;
        }
        path.remove_prefix(end + 1);
    }
}

// "[HKEY_LOCAL_MACHINE\path]" -> "path"; nullopt for other hives.
std::optional<std::string> LocalMachinePath(std::string_view key) {
    for (const std::string_view hive : {"HKEY_LOCAL_MACHINE", "HKLM"}) {
        if (StartsWithNoCase(key, hive)) {
            const std::string_view rest = key.substr(hive.size());
            if (rest.empty() || rest.front() == '\\') {
                return std::string(rest);
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::size_t RegistryTree::AddPath(std::string_view keyPath) {
    const std::string path = NormalisePath(keyPath);
    if (path.empty()) {
        rootNamed_ = true;
        return kRoot;
    }
    std::size_t node = kRoot;
    ForEachName(path, [&](std::string_view name) {
        const auto [it, added] =
            children_.try_emplace(std::make_pair(node, std::string(name)), values_.size());
        if (added) {
            values_.emplace_back();
            nameBytes_ += name.size();
        }
        node = it->second;
        return true;
    });
    return node;
}

std::optional<std::size_t> RegistryTree::FindPath(std::string_view keyPath) const {
    const std::string path = NormalisePath(keyPath);
    if (path.empty()) {
        return rootNamed_ ? std::optional<std::size_t>(kRoot) : std::nullopt;
    }
    std::size_t node = kRoot;
    const bool found = ForEachName(path, [&](std::string_view name) {
        const auto it = children_.find(std::make_pair(node, std::string(name)));
        if (it == children_.end()) {
            return false;
        }
        node = it->second;
        return true;
    });
    return found ? std::optional<std::size_t>(node) : std::nullopt;
}

void RegistryTree::AddKey(std::string_view keyPath) {
    AddPath(keyPath);
}

void RegistryTree::SetRaw(std::string_view keyPath, std::string_view name, RegistryValue value) {
    values_[AddPath(keyPath)][Lower(name)] = std::move(value);
}

void RegistryTree::SetString(std::string_view keyPath, std::string_view name,
                             std::string_view text) {
    RegistryValue value;
    value.type = RegistryValue::kString;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    SetRaw(keyPath, name, std::move(value));
}

void RegistryTree::SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value) {
    RegistryValue raw;
    raw.type = RegistryValue::kDword;
    for (int shift = 0; shift < 32; shift += 8) {
        raw.data.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    SetRaw(keyPath, name, std::move(raw));
}

const RegistryTree::Values* RegistryTree::FindKey(std::string_view keyPath) const {
    const auto node = FindPath(keyPath);
    return node ? &values_[*node] : nullptr;
}

RegistryTree RegistryTree::Parse(std::string_view fileText) {
    RegistryTree tree;
    // The node of the key that the values belong to: a deep path is walked once, at its line.
    bool inKey = false;
    std::size_t currentKey = kRoot;
    for (const std::string& rawLine : LogicalLines(DecodeFileText(fileText))) {
        const std::string_view line = Trim(rawLine);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            inKey = false;
            if (close == std::string_view::npos || line.substr(1).starts_with('-')) {
                continue;  // malformed, or a deletion: no values belong to it here
            }
            if (const auto path = LocalMachinePath(Trim(line.substr(1, close - 1)))) {
                currentKey = tree.AddPath(*path);
                inKey = true;
            }
            continue;
        }
        if (!inKey) {
            continue;  // header line, other hive, or values before any key
        }
        std::string name;
        std::size_t used = 0;
        if (line.front() == '@') {
            used = 1;
        } else {
            used = ReadQuoted(line, name);
            if (used == 0) {
                continue;
            }
        }
        const std::string_view rest = Trim(line.substr(used));
        if (!rest.starts_with('=')) {
            continue;
        }
        const std::string_view data = Trim(rest.substr(1));
        if (data == "-") {
            tree.values_[currentKey].erase(Lower(name));
            continue;
        }
        if (auto value = ParseData(data)) {
            tree.values_[currentKey][Lower(name)] = std::move(*value);
        }
    }
    return tree;
}

void InstallRegistryTree(const RegistryTree* tree) {
    g_tree = tree;
}

RegistryKey::RegistryKey() = default;

RegistryKey::~RegistryKey() {
    if (handle_ && handle_->native != nullptr) {
        registry_backend::CloseSystemKey(*handle_);
    }
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : handle_(std::move(other.handle_)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        RegistryKey closing(std::move(*this));
        handle_ = std::move(other.handle_);
    }
    return *this;
}

RegistryKey RegistryKey::OpenLocalMachine(const std::string& path) {
    RegistryKey key;
    auto handle = std::make_unique<Handle>();
    if (g_tree != nullptr) {
        const RegistryTree::Values* values = g_tree->FindKey(path);
        if (values == nullptr) {
            return key;
        }
        handle->snapshot = *values;
    } else if (!registry_backend::OpenSystemKey(path, *handle)) {
        return key;
    }
    key.handle_ = std::move(handle);
    return key;
}

bool RegistryKey::IsOpen() const {
    return handle_ != nullptr;
}

std::optional<RegistryValue> RegistryKey::Query(const char* name) const {
    if (!handle_ || name == nullptr) {
        return std::nullopt;
    }
    if (handle_->snapshot) {
        const auto it = handle_->snapshot->find(Lower(name));
        if (it == handle_->snapshot->end()) {
            return std::nullopt;
        }
        return it->second;
    }
    return registry_backend::QuerySystemValue(*handle_, name);
}

bool ReadRegistryString(const RegistryKey& key, const char* name, std::string& text) {
    text.clear();
    const auto value = key.Query(name);
    // Only text values are text: reading a number's bytes as characters would show garbage.
    constexpr std::uint32_t kExpandString = 2;
    if (!value || (value->type != RegistryValue::kString && value->type != kExpandString)) {
        return false;
    }
    text.assign(value->data.begin(), value->data.end());
    if (const std::size_t zero = text.find('\0'); zero != std::string::npos) {
        text.resize(zero);
    }
    return true;
}

std::optional<std::uint32_t> QueryRegistryDword(const RegistryKey& key, const char* name) {
    const auto value = key.Query(name);
    // A value of another size would leave part of the number undefined.
    if (!value || value->type != RegistryValue::kDword || value->data.size() != 4) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value->data[0]) |
           (static_cast<std::uint32_t>(value->data[1]) << 8) |
           (static_cast<std::uint32_t>(value->data[2]) << 16) |
           (static_cast<std::uint32_t>(value->data[3]) << 24);
}

std::uint32_t ReadRegistryDword(const RegistryKey& key, const char* name,
                                std::uint32_t defaultValue) {
    return QueryRegistryDword(key, name).value_or(defaultValue);
}

}  // namespace platform

#include "pe_image.h"

#include <fstream>
#include <iterator>

namespace {

constexpr int kExportDirectory = 0;
constexpr int kImportDirectory = 1;
constexpr int kResourceDirectory = 2;

std::string FromUtf16(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (const std::uint16_t unit : units) {
        out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return out;
}

}  // namespace

std::optional<std::uint16_t> PeImage::U16(std::size_t offset) const {
    if (offset + 2 > bytes_.size()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::optional<std::uint32_t> PeImage::U32(std::size_t offset) const {
    const auto low = U16(offset);
    const auto high = U16(offset + 2);
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*low) | (static_cast<std::uint32_t>(*high) << 16);
}

std::optional<std::string> PeImage::CString(std::size_t offset) const {
    std::string out;
    for (std::size_t i = offset; i < bytes_.size(); ++i) {
        if (bytes_[i] == 0) {
            return out;
        }
        out.push_back(static_cast<char>(bytes_[i]));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> PeImage::FileOffset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
        const std::uint32_t size = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < size) {
            const std::uint32_t offset = rva - s.virtualAddress;
            if (offset >= s.rawSize) {
                return std::nullopt;  // in memory only
            }
            return s.rawOffset + offset;
        }
    }
    return std::nullopt;
}

bool PeImage::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto peOffset = U32(0x3C);
    if (bytes_.size() < 2 || bytes_[0] != 'M' || bytes_[1] != 'Z' || !peOffset ||
        U32(*peOffset) != 0x00004550U) {
        error = path + " is not a PE image";
        return false;
    }
    const std::size_t coff = *peOffset + 4;
    const auto sectionCount = U16(coff + 2);
    const auto optionalSize = U16(coff + 16);
    const std::size_t optional = coff + 20;
    if (!sectionCount || !optionalSize || U16(optional) != 0x10BU) {
        error = path + " is not a 32-bit PE image";
        return false;
    }
    const auto directoryCount = U32(optional + 92);
    for (std::uint32_t i = 0; directoryCount && i < *directoryCount && i < 16; ++i) {
        directories_[i] = U32(optional + 96 + i * 8).value_or(0);
        directorySizes_[i] = U32(optional + 100 + i * 8).value_or(0);
    }
    const std::size_t table = optional + *optionalSize;
    for (std::size_t i = 0; i < *sectionCount; ++i) {
        const std::size_t at = table + i * 40;
        const auto virtualSize = U32(at + 8);
        const auto virtualAddress = U32(at + 12);
        const auto rawSize = U32(at + 16);
        const auto rawOffset = U32(at + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) {
            error = path + " has a damaged section table";
            return false;
        }
        sections_.push_back({*virtualAddress, *virtualSize, *rawOffset, *rawSize});
    }
    resourceBase_ = FileOffset(directories_[kResourceDirectory]).value_or(0);
    return true;
}

std::vector<std::string> PeImage::ExportNames() const {
    std::vector<std::string> names;
    const auto directory = FileOffset(directories_[kExportDirectory]);
    if (!directory || directories_[kExportDirectory] == 0) {
        return names;
    }
    const auto count = U32(*directory + 24);
    const auto namesRva = U32(*directory + 32);
    const auto table = namesRva ? FileOffset(*namesRva) : std::nullopt;
    for (std::uint32_t i = 0; count && table && i < *count && i < 4096; ++i) {
        const auto nameRva = U32(*table + i * 4);
        const auto name = nameRva ? FileOffset(*nameRva) : std::nullopt;
        if (const auto text = name ? CString(*name) : std::nullopt) {
            names.push_back(*text);
        }
    }
    return names;
}

std::vector<std::string> PeImage::ImportedDlls() const {
    std::vector<std::string> dlls;
    const auto directory = FileOffset(directories_[kImportDirectory]);
    if (!directory || directories_[kImportDirectory] == 0) {
        return dlls;
    }
    for (std::size_t at = *directory; dlls.size() < 1024; at += 20) {
        const auto nameRva = U32(at + 12);
        if (!nameRva || *nameRva == 0) {
            break;
        }
        const auto name = FileOffset(*nameRva);
        if (const auto text = name ? CString(*name) : std::nullopt) {
            dlls.push_back(*text);
        }
    }
    return dlls;
}

std::optional<std::uint32_t> PeImage::FindEntry(std::uint32_t directory, std::uint32_t id,
                                                bool first) const {
    const auto named = U16(resourceBase_ + directory + 12);
    const auto ids = U16(resourceBase_ + directory + 14);
    if (!named || !ids) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(*named) + *ids; ++i) {
        const std::size_t entry = resourceBase_ + directory + 16 + i * 8;
        const auto name = U32(entry);
        const auto target = U32(entry + 4);
        if (!name || !target) {
            return std::nullopt;
        }
        if (first || ((*name & 0x80000000U) == 0 && *name == id)) {
            return *target;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PeImage::Resource(std::uint32_t type,
                                                           std::uint32_t id) const {
    if (resourceBase_ == 0) {
        return std::nullopt;
    }
    const auto typeEntry = FindEntry(0, type, false);
    if (!typeEntry || (*typeEntry & 0x80000000U) == 0) {
        return std::nullopt;
    }
    const auto idEntry = FindEntry(*typeEntry & 0x7FFFFFFFU, id, false);
    if (!idEntry || (*idEntry & 0x80000000U) == 0) {
        return std::nullopt;
    }
    const auto languageEntry = FindEntry(*idEntry & 0x7FFFFFFFU, 0, true);
    if (!languageEntry || (*languageEntry & 0x80000000U) != 0) {
        return std::nullopt;
    }
    const auto dataRva = U32(resourceBase_ + *languageEntry);
    const auto size = U32(resourceBase_ + *languageEntry + 4);
    const auto data = dataRva ? FileOffset(*dataRva) : std::nullopt;
    if (!data || !size || *data + static_cast<std::size_t>(*size) > bytes_.size()) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes_.begin() + *data, bytes_.begin() + *data + *size);
}

std::optional<std::string> PeImage::String(std::uint32_t id) const {
    const auto block = Resource(6, (id >> 4) + 1);
    if (!block) {
        return std::nullopt;
    }
    std::size_t at = 0;
    for (std::uint32_t index = 0; index < 16; ++index) {
        if (at + 2 > block->size()) {
            return std::nullopt;
        }
        const std::size_t length = std::size_t{(*block)[at]} | (std::size_t{(*block)[at + 1]} << 8);
        at += 2;
        if (at + length * 2 > block->size()) {
            return std::nullopt;
        }
        if (index == (id & 15U)) {
            if (length == 0) {
                return std::nullopt;
            }
            std::vector<std::uint16_t> units;
            for (std::size_t i = 0; i < length; ++i) {
                units.push_back(static_cast<std::uint16_t>((*block)[at + 2 * i] |
                                                           ((*block)[at + 2 * i + 1] << 8)));
            }
            return FromUtf16(units);
        }
        at += length * 2;
    }
    return std::nullopt;
}

namespace {

// One node of a version resource: length, value length, type, key, value, children.
struct VersionNode {
    std::string key;
    std::size_t valueAt = 0;
    std::size_t valueLength = 0;  // in the node's own units (characters for text values)
    std::uint16_t type = 0;
    std::size_t childrenAt = 0;
    std::size_t end = 0;
};

std::optional<VersionNode> ReadNode(const std::vector<std::uint8_t>& data, std::size_t at,
                                    std::size_t limit) {
    auto u16 = [&](std::size_t o) -> std::optional<std::size_t> {
        if (o + 2 > limit) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(data[o] | (data[o + 1] << 8));
    };
    const auto length = u16(at);
    const auto valueLength = u16(at + 2);
    const auto type = u16(at + 4);
    if (!length || !valueLength || !type || *length < 6 || at + *length > limit) {
        return std::nullopt;
    }
    VersionNode node;
    node.end = at + *length;
    node.type = static_cast<std::uint16_t>(*type);
    std::size_t o = at + 6;
    std::vector<std::uint16_t> key;
    for (;; o += 2) {
        const auto unit = u16(o);
        if (!unit || o >= node.end) {
            return std::nullopt;
        }
        if (*unit == 0) {
            o += 2;
            break;
        }
        key.push_back(static_cast<std::uint16_t>(*unit));
    }
    node.key = FromUtf16(key);
    o = (o + 3) & ~static_cast<std::size_t>(3);
    node.valueAt = o;
    node.valueLength = *valueLength;
    const std::size_t valueBytes = node.type == 1 ? *valueLength * 2 : *valueLength;
    node.childrenAt = (o + valueBytes + 3) & ~static_cast<std::size_t>(3);
    if (node.valueAt + valueBytes > node.end) {
        return std::nullopt;
    }
    return node;
}

std::optional<VersionNode> FindChild(const std::vector<std::uint8_t>& data,
                                     const VersionNode& parent, const std::string& key) {
    for (std::size_t at = parent.childrenAt; at + 6 <= parent.end;) {
        const auto child = ReadNode(data, at, parent.end);
        if (!child) {
            return std::nullopt;
        }
        if (child->key == key) {
            return child;
        }
        at = (child->end + 3) & ~static_cast<std::size_t>(3);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> PeImage::VersionString(const std::string& block,
                                                  const std::string& name) const {
    const auto data = Resource(16, 1);
    if (!data) {
        return std::nullopt;
    }
    const auto root = ReadNode(*data, 0, data->size());
    const auto fileInfo = root ? FindChild(*data, *root, "StringFileInfo") : std::nullopt;
    const auto table = fileInfo ? FindChild(*data, *fileInfo, block) : std::nullopt;
    const auto value = table ? FindChild(*data, *table, name) : std::nullopt;
    if (!value || value->type != 1) {
        return std::nullopt;
    }
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < value->valueLength; ++i) {
        const std::size_t o = value->valueAt + 2 * i;
        const std::uint16_t unit = static_cast<std::uint16_t>((*data)[o] | ((*data)[o + 1] << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return FromUtf16(units);
}

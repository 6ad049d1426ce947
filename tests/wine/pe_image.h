#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A read-only view of a 32-bit PE file (the DLL as built), enough to check its exports,
// imports and resources without running it. Every read is bounds-checked: a damaged file
// yields nullopt or empty results, never a crash.
class PeImage {
  public:
    // Loads the file; false with error set when it is not a PE32 image.
    bool Load(const std::string& path, std::string& error);

    std::vector<std::string> ExportNames() const;
    std::vector<std::string> ImportedDlls() const;
    // The data of resource type/id (first language), or nullopt.
    std::optional<std::vector<std::uint8_t>> Resource(std::uint32_t type, std::uint32_t id) const;
    // A string-table entry, converted from UTF-16 (non-ASCII as '?'), or nullopt.
    std::optional<std::string> String(std::uint32_t id) const;
    // The value of \StringFileInfo\<block>\<name> in version resource 1, or nullopt.
    std::optional<std::string> VersionString(const std::string& block,
                                             const std::string& name) const;

  private:
    std::optional<std::uint32_t> FileOffset(std::uint32_t rva) const;
    std::optional<std::uint16_t> U16(std::size_t offset) const;
    std::optional<std::uint32_t> U32(std::size_t offset) const;
    std::optional<std::string> CString(std::size_t offset) const;
    // The resource directory entry for id below directory (offsets within the resource area).
    std::optional<std::uint32_t> FindEntry(std::uint32_t directory, std::uint32_t id,
                                           bool first) const;

    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawOffset;
        std::uint32_t rawSize;
    };
    std::vector<std::uint8_t> bytes_;
    std::vector<Section> sections_;
    std::uint32_t directories_[16] = {};
    std::uint32_t directorySizes_[16] = {};
    std::uint32_t resourceBase_ = 0;  // file offset of the resource area
};

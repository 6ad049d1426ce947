#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "data/error_log_entry.h"

// The decoded error log of one receiver: its entries, in the order they were read.
class CErrorLogMgr {
  public:
    // The memory copy of the log starts with a header slot: this magic ("ELog" when the block is
    // big-endian) and the layout number.
    static constexpr std::uint32_t kMagic = 0x454C6F67;

    CErrorLogMgr() = default;
    CErrorLogMgr(const CErrorLogMgr&) = delete;
    CErrorLogMgr& operator=(const CErrorLogMgr&) = delete;
    virtual ~CErrorLogMgr() = default;

    int GetCount() const { return static_cast<int>(entries_.size()); }
    // The entry at a zero-based index; null for an index outside the list.
    const CErrorLogEntry* GetAt(int index) const;
    void Clear() { entries_.clear(); }
    void Add(std::unique_ptr<CErrorLogEntry> entry) { entries_.push_back(std::move(entry)); }

    // Decodes the memory copy of the log (littleEndian false: most significant byte first) and
    // appends its entries in block order, up to the first record that is no log slot. A block too
    // short for its header, a wrong magic or an unknown layout throws CGarnothException 713
    // (value 0); entries decoded before a failure stay in the list.
    void DecodeMemoryBlock(std::span<const std::uint8_t> block, bool littleEndian);

  private:
    std::vector<std::unique_ptr<CErrorLogEntry>> entries_;
};

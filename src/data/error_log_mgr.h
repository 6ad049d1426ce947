#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "data/error_log_entry.h"

class CSerialInterface;

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

    // Called before each record request with the number of records read so far and the count;
    // the caller may report progress or throw to stop (a cancel).
    using RecordProgress = std::function<void(int done, int count)>;

    // Reads the log of a receiver in its application over TC, replacing the list: the GPS time
    // for the UTC offset, the count, then (when there are records) a fresh identification, a
    // probe for long records and every record from the highest index down. Returns true; a
    // failure throws CGarnothException with the transport's port: 708 when a count or record
    // reply does not come, 707 for a malformed one, 701 when the receiver cannot be identified.
    // Entries read before a failure stay in the list.
    bool RetrieveOverTC(CSerialInterface& transport, const RecordProgress& progress = {});

  private:
    std::vector<std::unique_ptr<CErrorLogEntry>> entries_;
};

#include "data/error_log_mgr.h"

#include "data/byte_fields.h"
#include "device/device_exceptions.h"

namespace {

constexpr int kDecodeFailed = 713;
constexpr std::size_t kHeaderSize = 6;

}  // namespace

const CErrorLogEntry* CErrorLogMgr::GetAt(int index) const {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return entries_[static_cast<std::size_t>(index)].get();
}

void CErrorLogMgr::DecodeMemoryBlock(std::span<const std::uint8_t> block, bool littleEndian) {
    if (block.size() < kHeaderSize) {
        throw CGarnothException(kDecodeFailed, 0);
    }
    const std::uint32_t magic = data::Read32(block, 0, littleEndian);
    const std::uint16_t layoutNumber = data::Read16(block, 4, littleEndian);
    if (magic != kMagic || layoutNumber < 1 || layoutNumber > 3) {
        throw CGarnothException(kDecodeFailed, 0);
    }
    const auto layout = static_cast<ErrorLogLayout>(layoutNumber);
    const std::uint16_t format =
        layout == ErrorLogLayout::kLong ? error_log_format::kLong : error_log_format::kShort;
    const std::size_t recordSize = CErrorLogEntry::RecordSize(layout);
    const std::size_t records = block.size() / recordSize;
    // Slot 0 is the header; a partial record at the end is not read.
    for (std::size_t k = 1; k < records; ++k) {
        auto entry = std::make_unique<CErrorLogEntry>(format, littleEndian);
        if (!entry->DecodeStoredRecord(block.subspan(k * recordSize, recordSize), layout)) {
            break;
        }
        entries_.push_back(std::move(entry));
    }
}

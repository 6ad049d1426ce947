#include "engine/memory_map.h"

namespace sim {

void MemoryMap::Place(std::uint32_t address, Bytes bytes) {
    for (Region& region : regions_) {
        if (region.address == address) {
            region.bytes = std::move(bytes);
            return;
        }
    }
    regions_.push_back(Region{address, std::move(bytes)});
}

Bytes MemoryMap::Read(std::uint32_t address, std::size_t count) const {
    Bytes out(count, 0xFF);
    const std::uint64_t first = address;
    const std::uint64_t last = first + count;  // exclusive, 64-bit so it cannot wrap
    for (const Region& region : regions_) {
        const std::uint64_t regionFirst = region.address;
        const std::uint64_t regionLast = regionFirst + region.bytes.size();
        const std::uint64_t from = first > regionFirst ? first : regionFirst;
        const std::uint64_t to = last < regionLast ? last : regionLast;
        for (std::uint64_t a = from; a < to; ++a) {
            out[static_cast<std::size_t>(a - first)] =
                region.bytes[static_cast<std::size_t>(a - regionFirst)];
        }
    }
    return out;
}

}  // namespace sim

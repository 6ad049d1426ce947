#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/bytes.h"

namespace sim {

// The receiver's address space as the monitor's memory-read service sees it: a few regions
// with contents; every other address reads as erased flash (0xFF).
class MemoryMap {
  public:
    // Places bytes at address, replacing any region that starts at the same address.
    void Place(std::uint32_t address, Bytes bytes);
    // count bytes from address; addresses past 0xFFFFFFFF read as 0xFF too.
    Bytes Read(std::uint32_t address, std::size_t count) const;

  private:
    struct Region {
        std::uint32_t address;
        Bytes bytes;
    };
    std::vector<Region> regions_;
};

}  // namespace sim

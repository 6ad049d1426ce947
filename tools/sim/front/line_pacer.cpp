#include "front/line_pacer.h"

#include <algorithm>

namespace simfront {

void LinePacer::Push(const std::uint8_t* data, std::size_t size, std::uint32_t baud,
                     std::int64_t nowNs) {
    // A start bit, eight data bits and a stop bit.
    const std::int64_t byteNs = paced_ && baud != 0 ? 10'000'000'000LL / baud : 0;
    freeNs_ = std::max(freeNs_, nowNs);
    for (std::size_t i = 0; i < size; ++i) {
        freeNs_ += byteNs;
        line_.push_back({freeNs_, data[i]});
    }
}

sim::Bytes LinePacer::Take(std::int64_t nowNs) {
    sim::Bytes there;
    while (!line_.empty() && line_.front().thereNs <= nowNs) {
        there.push_back(line_.front().value);
        line_.pop_front();
    }
    return there;
}

std::optional<std::int64_t> LinePacer::NextNs() const {
    if (line_.empty()) {
        return std::nullopt;
    }
    return line_.front().thereNs;
}

}  // namespace simfront

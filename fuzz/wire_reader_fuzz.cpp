// The trace's frame reader on arbitrary wire bytes, fed in pieces whose sizes the input chooses.
// Its promises: every byte fed comes out exactly once, in order, in some item; a frame's payload
// lies inside its bytes; the JSON lines written from the items stay printable ASCII.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "trace/json_line.h"
#include "trace/wire_reader.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte chooses the piece size; the rest is the wire.
    const std::size_t piece = (data[0] % 16) + 1;
    const std::uint8_t* wire = data + 1;
    const std::size_t length = size - 1;

    trace::WireReader reader;
    std::vector<trace::WireItem> items;
    for (std::size_t at = 0; at < length; at += piece) {
        reader.Feed(wire + at, length - at < piece ? length - at : piece, items);
    }
    reader.Settle(items);

    std::vector<std::uint8_t> seen;
    for (const trace::WireItem& item : items) {
        Require(!item.raw.empty());
        Require(item.payload.size() <= item.raw.size());
        seen.insert(seen.end(), item.raw.begin(), item.raw.end());
        trace::JsonLine line(0, "frame");
        line.Text("identification",
                  std::string_view(reinterpret_cast<const char*>(item.payload.data()),
                                   item.payload.size()))
            .Hex("hex", item.raw.data(), item.raw.size());
        for (const char c : line.Finish()) {
            Require((c >= 0x20 && c < 0x7F) || c == '\n');
        }
    }
    Require(seen == std::vector<std::uint8_t>(wire, wire + length));
    return 0;
}

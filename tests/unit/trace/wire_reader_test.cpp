// The trace's frame reader on byte vectors: every framing, checksum verdicts, noise, lone
// ACK/NAK, and the same result whichever way the bytes are split.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "trace/json_line.h"
#include "trace/wire_reader.h"

namespace {

using trace::WireItem;
using Bytes = std::vector<std::uint8_t>;

// One item as text: "TC 6E ok 4142", "LS 06 bad", "ACK", "noise FFFE".
std::string Describe(const WireItem& item) {
    auto hex = [](const Bytes& bytes) {
        std::string text;
        char digits[3];
        for (const std::uint8_t b : bytes) {
            std::snprintf(digits, sizeof digits, "%02X", b);
            text += digits;
        }
        return text;
    };
    switch (item.kind) {
        case WireItem::Kind::kAck:
            return "ACK";
        case WireItem::Kind::kNak:
            return "NAK";
        case WireItem::Kind::kNoise:
            return "noise " + hex(item.raw);
        case WireItem::Kind::kFrame:
            break;
    }
    const char* protocol = item.protocol == WireItem::Protocol::kLs       ? "LS"
                           : item.protocol == WireItem::Protocol::kTcLong ? "TC-long"
                                                                          : "TC";
    std::string text =
        std::string(protocol) + " " + hex({item.type}) + (item.checksumOk ? " ok" : " bad");
    if (!item.payload.empty()) {
        text += " " + hex(item.payload);
    }
    return text;
}

std::vector<std::string> Read(const Bytes& bytes, std::size_t piece) {
    trace::WireReader reader;
    std::vector<WireItem> items;
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
        reader.Feed(bytes.data() + i, std::min(piece, bytes.size() - i), items);
    }
    reader.Settle(items);
    std::vector<std::string> described;
    for (const WireItem& item : items) {
        described.push_back(Describe(item));
    }
    return described;
}

TEST(WireReader, RecognisesEveryFramingWhateverTheSplit) {
    struct Case {
        const char* legend;
        Bytes bytes;
        std::vector<std::string> items;
    };
    const std::vector<Case> cases = {
        {"identification request", {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03}, {"TC 6F ok"}},
        {"TC reply with payload",
         {0x02, 0x00, 0x6E, 0x02, 0x41, 0x42, 0xF3, 0x03},
         {"TC 6E ok 4142"}},
        {"TC frame with a wrong checksum",
         {0x02, 0x00, 0x07, 0x01, 0x33, 0x00, 0x03},
         {"TC 07 bad 33"}},
        {"LS frame", {0x02, 0x06, 0x00, 0x01, 0x01, 0x00, 0x08, 0x03}, {"LS 06 ok 01"}},
        {"LS frame with a wrong checksum",
         {0x02, 0x06, 0x00, 0x01, 0x01, 0x00, 0x09, 0x03},
         {"LS 06 bad 01"}},
        {"TC frame with a 16-bit length",
         {0x02, 0x00, 0x91, 0x00, 0x02, 0x10, 0x20, 0xC3, 0x03},
         {"TC-long 91 ok 1020"}},
        {"lone ACK, NAK between frames",
         {0x06, 0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03, 0x15},
         {"ACK", "TC 6F ok", "NAK"}},
        {"noise before a frame, then a cut-off frame",
         {0xFF, 0xFE, 0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03, 0x02, 0x00, 0x07},
         {"noise FFFE", "TC 6F ok", "noise 020007"}},
        {"STX inside noise that frames nothing",
         {0x02, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47},
         {"noise 0241424344454647"}},
        {"empty LS frame", {0x02, 0x04, 0x00, 0x00, 0x00, 0x04, 0x03}, {"LS 04 ok"}},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, c.bytes.size()}) {
            EXPECT_EQ(Read(c.bytes, piece), c.items) << c.legend << ", pieces of " << piece;
        }
    }
}

TEST(WireReader, JsonLineEscapesReceiverBytes) {
    trace::JsonLine line(12, "frame");
    const std::uint8_t bytes[] = {0x02, 0xAB};
    line.Text("identification", std::string("a\"b\\c\n\x01\xE9", 8))
        .Hex("hex", bytes, 2)
        .Number("type", 110)
        .Flag("ok", true);
    EXPECT_EQ(line.Finish(),
              "{\"ms\":12,\"event\":\"frame\",\"identification\":\"a\\\"b\\\\c\\u000A\\u0001"
              "\\u00E9\",\"hex\":\"02AB\",\"type\":110,\"ok\":true}\n");
}

}  // namespace

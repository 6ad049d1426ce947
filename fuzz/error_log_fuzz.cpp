#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "data/error_log_mgr.h"
#include "device/device_exceptions.h"
#include "platform/exception.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Everything the viewer and the copy actions read from an entry.
void ReadEntry(const CErrorLogEntry& entry) {
    const std::uint8_t status = entry.GetStatus();
    Require(status == 0xF8 || status == 0xFC || status == 0xFE || status == 0xFF);
    const std::uint16_t format = entry.GetFormatVersion();
    Require(format == 2 || format == 3);
    Require(entry.GetShownTraceCount() <= CErrorLogEntry::kTraceWords);
    Require(entry.GetShownUserDataCount() <= CErrorLogEntry::kUserDataBytes);

    const std::string summary = entry.GetSummaryLine();
    const std::string full = entry.GetFullText();
    // The same entry always reads the same.
    Require(summary == entry.GetSummaryLine());
    Require(full == entry.GetFullText());
    Require(summary.size() >= 4 && summary.compare(summary.size() - 4, 4, " UTC") == 0);

    const std::string texts[] = {
        entry.GetCategoryName(),     entry.GetDateTimeText(),     entry.GetErrorNumberText(),
        entry.GetIdText(),           entry.GetVpcText(),          entry.GetPcText(),
        entry.GetDataAddressText(),  entry.GetRr1Text(),          entry.GetRr2Text(),
        entry.GetUpTimeText(),       entry.GetStackPointerText(), entry.GetSoftwareVersionText(),
        entry.GetSoftwareDateText(),
    };
    for (const std::string& text : texts) {
        Require(!text.empty());
    }
}

// A header slot with the right magic and a chosen layout, in the block's byte order, so that
// most inputs reach the record decoder instead of stopping at the magic.
void WriteHeader(std::vector<std::uint8_t>& block, bool littleEndian, std::uint16_t layout) {
    if (block.size() < 6) {
        block.resize(6, 0xFF);
    }
    const std::uint32_t magic = CErrorLogMgr::kMagic;
    for (int i = 0; i < 4; ++i) {
        const int shift = littleEndian ? 8 * i : 8 * (3 - i);
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(magic >> shift);
    }
    block[4] = static_cast<std::uint8_t>(littleEndian ? layout : layout >> 8);
    block[5] = static_cast<std::uint8_t>(littleEndian ? layout >> 8 : layout);
}

}  // namespace

// Byte 0 steers: bit 0 the byte order (1: little-endian source), bit 1 a valid header with layout
// (byte 0 >> 2) % 4 written over the block, bit 6 the input decoded as a TC record reply instead
// (byte 1 the UTC offset). The rest is the memory block or the reply payload, any length.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t steer = data[0];
    const bool littleEndian = (steer & 0x01) != 0;

    if ((steer & 0x40) != 0) {
        if (size < 2) {
            return 0;
        }
        CErrorLogEntry entry(2, false);
        entry.SetUtcOffset(data[1]);
        const std::span<const std::uint8_t> payload(data + 2, size - 2);
        const bool accepted = entry.DecodeTCReply(payload);
        if (accepted) {
            Require(payload.size() == CErrorLogEntry::kShortReplySize ||
                    payload.size() == CErrorLogEntry::kLongReplySize);
            Require(entry.GetStatus() == 0xFC);
        }
        ReadEntry(entry);
        return 0;
    }

    std::vector<std::uint8_t> block(data + 1, data + size);
    if ((steer & 0x02) != 0) {
        WriteHeader(block, littleEndian, static_cast<std::uint16_t>((steer >> 2) % 4));
    }

    CErrorLogMgr manager;
    try {
        manager.DecodeMemoryBlock(block, littleEndian);
    } catch (const CGarnothException& failure) {
        Require(failure.GetCode() == 713);
        Require(!failure.GetMessageText().empty());
    } catch (const CException&) {
        std::abort();  // only the decoding failure may leave the decoder
    }
    Require(manager.GetAt(-1) == nullptr);
    Require(manager.GetAt(manager.GetCount()) == nullptr);
    for (int i = 0; i < manager.GetCount(); ++i) {
        const CErrorLogEntry* entry = manager.GetAt(i);
        Require(entry != nullptr);
        ReadEntry(*entry);
    }
    return 0;
}

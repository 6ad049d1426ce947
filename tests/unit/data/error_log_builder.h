#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Error-log records as the receiver writes them: the stored layouts of its memory copy and the
// payloads of its TC replies, in either byte order. Offsets are the receiver's, written out here
// independently of the decoder.
namespace test_data {

struct LogFields {
    std::uint32_t errorNumber = 0x70085000;
    std::uint8_t id = 7;
    std::uint8_t vpc = 0x1A;
    std::uint32_t pc = 0x0001F2C4;
    std::uint32_t dataAddress = 0x20003F10;
    std::uint32_t rr1 = 2;
    std::uint32_t rr2 = 0xDEADBEEF;
    std::uint16_t softwareVersion = 486;
    std::uint16_t softwareYear = 2014;
    std::uint8_t dateFirst = 3;
    std::uint8_t dateSecond = 5;
    std::uint32_t timeOfWeek = 349'323'000;  // Thursday 01:02:03
    std::uint16_t gpsWeek = 1783;            // 13 March 2014
    std::uint32_t upTime = 123'456;
    std::uint32_t stackPointer = 0x2000FFF0;
    std::uint32_t trace[10] = {0x100, 0x200, 0x300, 0, 0x500, 0x600, 0x700, 0x800, 0x900, 0xA00};
    std::uint16_t userDataLength = 3;
    std::uint8_t userData[40] = {0x11, 0x22, 0x33, 0x44};
};

class ByteWriter {
  public:
    ByteWriter(std::vector<std::uint8_t>& bytes, std::size_t base, bool littleEndian)
        : bytes_(bytes), base_(base), little_(littleEndian) {}

    void U8(std::size_t offset, std::uint8_t value) { bytes_.at(base_ + offset) = value; }
    void U16(std::size_t offset, std::uint16_t value) { Put(offset, value, 2); }
    void U32(std::size_t offset, std::uint32_t value) { Put(offset, value, 4); }

  private:
    void Put(std::size_t offset, std::uint32_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t shift = little_ ? 8 * i : 8 * (width - 1 - i);
            bytes_.at(base_ + offset + i) = static_cast<std::uint8_t>(value >> shift);
        }
    }

    std::vector<std::uint8_t>& bytes_;
    std::size_t base_;
    bool little_;
};

inline std::size_t LayoutRecordSize(int layout) {
    return layout == 1 ? 40 : layout == 2 ? 35 : 125;
}

// Writes one stored record of a layout at base.
inline void WriteStoredRecord(std::vector<std::uint8_t>& bytes, std::size_t base, int layout,
                              std::uint8_t type, const LogFields& f, bool littleEndian) {
    ByteWriter w(bytes, base, littleEndian);
    w.U8(0, type);
    if (layout == 1) {
        w.U32(4, f.errorNumber);
        w.U32(8, f.pc);
        w.U32(12, f.dataAddress);
        w.U32(16, f.rr1);
        w.U32(20, f.rr2);
        w.U16(24, f.softwareVersion);
        w.U16(26, f.softwareYear);
        w.U8(28, f.dateFirst);
        w.U8(29, f.dateSecond);
        w.U32(30, f.timeOfWeek);
        w.U16(34, f.gpsWeek);
        w.U8(36, f.id);
        w.U8(37, f.vpc);
        return;
    }
    w.U32(1, f.errorNumber);
    w.U32(5, f.pc);
    w.U32(9, f.dataAddress);
    w.U32(13, f.rr1);
    w.U32(17, f.rr2);
    w.U16(21, f.softwareVersion);
    w.U16(23, f.softwareYear);
    w.U8(25, f.dateFirst);
    w.U8(26, f.dateSecond);
    w.U8(27, f.id);
    w.U8(28, f.vpc);
    w.U32(29, f.timeOfWeek);
    w.U16(33, f.gpsWeek);
    if (layout != 3) {
        return;
    }
    w.U32(35, f.upTime);
    w.U32(39, f.stackPointer);
    for (std::size_t i = 0; i < 10; ++i) {
        w.U32(43 + 4 * i, f.trace[i]);
    }
    w.U16(83, f.userDataLength);
    for (std::size_t i = 0; i < 40; ++i) {
        w.U8(85 + i, f.userData[i]);
    }
}

struct StoredRecord {
    std::uint8_t type;
    LogFields fields;
};

// A memory copy of the log: the header slot, then the records, then `trailing` bytes of 0x00.
inline std::vector<std::uint8_t> MemoryBlock(int layout, bool littleEndian,
                                             const std::vector<StoredRecord>& records,
                                             std::size_t trailing = 0,
                                             std::uint32_t magic = 0x454C6F67) {
    const std::size_t size = LayoutRecordSize(layout);
    std::vector<std::uint8_t> bytes((records.size() + 1) * size + trailing, 0x00);
    ByteWriter header(bytes, 0, littleEndian);
    header.U32(0, magic);
    header.U16(4, static_cast<std::uint16_t>(layout));
    for (std::size_t k = 0; k < records.size(); ++k) {
        WriteStoredRecord(bytes, (k + 1) * size, layout, records[k].type, records[k].fields,
                          littleEndian);
    }
    return bytes;
}

// Payload of a TC short-record reply (38 bytes, FF 09, big-endian).
inline std::vector<std::uint8_t> ShortReply(const LogFields& f) {
    std::vector<std::uint8_t> bytes(38, 0x00);
    ByteWriter w(bytes, 0, false);
    w.U8(0, 0xFF);
    w.U8(1, 9);
    w.U32(4, f.errorNumber);
    w.U8(8, f.id);
    w.U8(9, f.vpc);
    w.U32(10, f.pc);
    w.U32(14, f.dataAddress);
    w.U32(18, f.rr1);
    w.U32(22, f.rr2);
    w.U16(26, f.softwareVersion);
    w.U16(28, f.softwareYear);
    w.U8(30, f.dateFirst);
    w.U8(31, f.dateSecond);
    w.U32(32, f.timeOfWeek);
    w.U16(36, f.gpsWeek);
    return bytes;
}

// Payload of a TC long-record reply (129 bytes, FF 0B, a layout-3 record from byte 4).
inline std::vector<std::uint8_t> LongReply(const LogFields& f) {
    std::vector<std::uint8_t> bytes(129, 0x00);
    bytes[0] = 0xFF;
    bytes[1] = 11;
    WriteStoredRecord(bytes, 4, 3, 0xFC, f, false);
    return bytes;
}

}  // namespace test_data

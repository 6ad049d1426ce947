#include "engine/error_log_image.h"

namespace sim {
namespace {

class Writer {
  public:
    Writer(std::uint8_t* base, ByteOrder order) : base_(base), order_(order) {}
    void U8(std::size_t offset, std::uint8_t value) { base_[offset] = value; }
    void U16(std::size_t offset, std::uint16_t value) {
        order_ == ByteOrder::kBig ? PutBe16(base_ + offset, value) : PutLe16(base_ + offset, value);
    }
    void U32(std::size_t offset, std::uint32_t value) {
        order_ == ByteOrder::kBig ? PutBe32(base_ + offset, value) : PutLe32(base_ + offset, value);
    }

  private:
    std::uint8_t* base_;
    ByteOrder order_;
};

// Layouts 2 and 3 share their first 35 bytes; layout 3 adds the long-record fields.
void PutPackedRecord(Writer& w, const ErrorLogRecord& r, bool longRecord) {
    w.U8(0, r.status);
    w.U32(1, r.errorNumber);
    w.U32(5, r.pc);
    w.U32(9, r.dataAddress);
    w.U32(13, r.rr1);
    w.U32(17, r.rr2);
    w.U16(21, r.softwareVersion);
    w.U16(23, r.softwareYear);
    w.U8(25, r.softwareDate1);
    w.U8(26, r.softwareDate2);
    w.U8(27, r.id);
    w.U8(28, r.vpc);
    w.U32(29, r.timeOfWeekMs);
    w.U16(33, r.gpsWeek);
    if (!longRecord) {
        return;
    }
    w.U32(35, r.upTime);
    w.U32(39, r.stackPointer);
    for (std::size_t i = 0; i < r.trace.size(); ++i) {
        w.U32(43 + 4 * i, r.trace[i]);
    }
    w.U16(83, r.userDataLength);
    for (std::size_t i = 0; i < r.userData.size(); ++i) {
        w.U8(85 + i, r.userData[i]);
    }
}

void PutLayout1Record(Writer& w, const ErrorLogRecord& r) {
    w.U8(0, r.status);
    w.U32(4, r.errorNumber);
    w.U32(8, r.pc);
    w.U32(12, r.dataAddress);
    w.U32(16, r.rr1);
    w.U32(20, r.rr2);
    w.U16(24, r.softwareVersion);
    w.U16(26, r.softwareYear);
    w.U8(28, r.softwareDate1);
    w.U8(29, r.softwareDate2);
    w.U32(30, r.timeOfWeekMs);
    w.U16(34, r.gpsWeek);
    w.U8(36, r.id);
    w.U8(37, r.vpc);
}

}  // namespace

std::size_t LogRecordSize(int layout) {
    switch (layout) {
        case 1:
            return 40;
        case 2:
            return 35;
        default:
            return 125;
    }
}

Bytes BuildLogImage(const std::vector<ErrorLogRecord>& entries, int layout, ByteOrder order,
                    std::size_t size, std::uint8_t fill) {
    const std::size_t recordSize = LogRecordSize(layout);
    Bytes image(size, fill);
    if (size < recordSize * (entries.size() + 1)) {
        image.resize(recordSize * (entries.size() + 1), fill);
    }
    std::fill(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(recordSize), 0);
    Writer header(image.data(), order);
    header.U32(0, kLogMagic);
    header.U16(4, static_cast<std::uint16_t>(layout));
    for (std::size_t k = 0; k < entries.size(); ++k) {
        std::uint8_t* at = image.data() + recordSize * (k + 1);
        std::fill(at, at + recordSize, 0);
        Writer w(at, order);
        if (layout == 1) {
            PutLayout1Record(w, entries[k]);
        } else {
            PutPackedRecord(w, entries[k], layout == 3);
        }
    }
    image.resize(size);
    return image;
}

Bytes TcLogCount(std::uint16_t count) {
    Bytes reply{0xFF, 0x07, 0, 0};
    PutBe16(&reply[2], count);
    return reply;
}

Bytes TcShortRecord(const ErrorLogRecord& r) {
    Bytes reply(38, 0);
    reply[0] = 0xFF;
    reply[1] = 0x09;
    Writer w(reply.data(), ByteOrder::kBig);
    w.U32(4, r.errorNumber);
    w.U8(8, r.id);
    w.U8(9, r.vpc);
    w.U32(10, r.pc);
    w.U32(14, r.dataAddress);
    w.U32(18, r.rr1);
    w.U32(22, r.rr2);
    w.U16(26, r.softwareVersion);
    w.U16(28, r.softwareYear);
    w.U8(30, r.softwareDate1);
    w.U8(31, r.softwareDate2);
    w.U32(32, r.timeOfWeekMs);
    w.U16(36, r.gpsWeek);
    return reply;
}

Bytes TcLongRecord(const ErrorLogRecord& r) {
    Bytes reply(129, 0);
    reply[0] = 0xFF;
    reply[1] = 0x0B;
    Writer w(reply.data() + 4, ByteOrder::kBig);
    PutPackedRecord(w, r, true);
    return reply;
}

}  // namespace sim

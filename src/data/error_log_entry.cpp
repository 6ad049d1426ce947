#include "data/error_log_entry.h"

#include <cstring>

#include "data/byte_fields.h"
#include "platform/strings.h"

namespace {

// Where a record's fields lie; the layout-2 and layout-3 records share the first 35 bytes.
struct FieldOffsets {
    std::size_t errorNumber;
    std::size_t pc;
    std::size_t dataAddress;
    std::size_t rr1;
    std::size_t rr2;
    std::size_t softwareVersion;
    std::size_t softwareYear;
    std::size_t softwareDateFirst;
    std::size_t softwareDateSecond;
    std::size_t id;
    std::size_t vpc;
    std::size_t timeOfWeek;
    std::size_t gpsWeek;
};

constexpr FieldOffsets kCompactRecord = {4, 8, 12, 16, 20, 24, 26, 28, 29, 36, 37, 30, 34};
constexpr FieldOffsets kRecord = {1, 5, 9, 13, 17, 21, 23, 25, 26, 27, 28, 29, 33};
constexpr FieldOffsets kShortReply = {4, 10, 14, 18, 22, 26, 28, 30, 31, 8, 9, 32, 36};

// The long part of a layout-3 record.
constexpr std::size_t kUpTimeOffset = 35;
constexpr std::size_t kStackPointerOffset = 39;
constexpr std::size_t kTraceOffset = 43;
constexpr std::size_t kUserDataLengthOffset = 83;
constexpr std::size_t kUserDataOffset = 85;

constexpr std::size_t kCompactRecordSize = 40;
constexpr std::size_t kShortRecordSize = 35;
constexpr std::size_t kLongRecordSize = 125;

// TC replies: FF, the layout byte, two bytes the plug-in does not read, then the record.
constexpr std::uint8_t kReplyMarker = 0xFF;
constexpr std::uint8_t kShortReplyLayout = 9;
constexpr std::uint8_t kLongReplyLayout = 11;
constexpr std::size_t kLongReplyRecordOffset = 4;

constexpr std::uint64_t kMillisecondsPerDay = 86'400'000;
constexpr unsigned kFullTextString = 262;

}  // namespace

CErrorLogEntry::CErrorLogEntry(std::uint16_t formatVersion, bool littleEndian)
    : formatVersion_(formatVersion), littleEndian_(littleEndian) {
    std::memset(&record_, 0xFF, sizeof(record_));
}

std::size_t CErrorLogEntry::RecordSize(ErrorLogLayout layout) {
    switch (layout) {
        case ErrorLogLayout::kCompact:
            return kCompactRecordSize;
        case ErrorLogLayout::kShort:
            return kShortRecordSize;
        case ErrorLogLayout::kLong:
            return kLongRecordSize;
    }
    return kLongRecordSize;
}

bool CErrorLogEntry::DecodeStoredRecord(std::span<const std::uint8_t> record,
                                        ErrorLogLayout layout) {
    if (record.size() < RecordSize(layout)) {
        return false;
    }
    const std::uint8_t type = record[0];
    switch (type) {
        case error_log_status::kValid:
        case error_log_status::kDeleted:
            DecodeFields(record, layout);
            status_ = type;
            return true;
        case error_log_status::kEmptyFE:
        case error_log_status::kEmpty:
            status_ = type;
            return true;
        default:
            return false;
    }
}

bool CErrorLogEntry::DecodeTCReply(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != kReplyMarker) {
        return false;
    }
    if (payload[1] == kShortReplyLayout && payload.size() == kShortReplySize) {
        littleEndian_ = false;
        DecodeShortReply(payload);
        formatVersion_ = error_log_format::kShort;
    } else if (payload[1] == kLongReplyLayout && payload.size() == kLongReplySize) {
        littleEndian_ = false;
        DecodeFields(payload.subspan(kLongReplyRecordOffset), ErrorLogLayout::kLong);
        formatVersion_ = error_log_format::kLong;
    } else {
        return false;
    }
    status_ = error_log_status::kValid;
    return true;
}

void CErrorLogEntry::DecodeFields(std::span<const std::uint8_t> record, ErrorLogLayout layout) {
    const FieldOffsets& at = layout == ErrorLogLayout::kCompact ? kCompactRecord : kRecord;
    const bool little = littleEndian_;
    record_.errorNumber = data::Read32(record, at.errorNumber, little);
    record_.id = data::ByteAt(record, at.id);
    record_.vpc = data::ByteAt(record, at.vpc);
    record_.pc = data::Read32(record, at.pc, little);
    record_.dataAddress = data::Read32(record, at.dataAddress, little);
    record_.rr1 = data::Read32(record, at.rr1, little);
    record_.rr2 = data::Read32(record, at.rr2, little);
    record_.softwareVersion = data::Read16(record, at.softwareVersion, little);
    record_.softwareYear = data::Read16(record, at.softwareYear, little);
    record_.softwareDateFirst = data::ByteAt(record, at.softwareDateFirst);
    record_.softwareDateSecond = data::ByteAt(record, at.softwareDateSecond);
    record_.timeOfWeek = data::Read32(record, at.timeOfWeek, little);
    record_.gpsWeek = data::Read16(record, at.gpsWeek, little);
    if (layout != ErrorLogLayout::kLong) {
        return;
    }
    record_.upTime = data::Read32(record, kUpTimeOffset, little);
    record_.stackPointer = data::Read32(record, kStackPointerOffset, little);
    for (std::size_t i = 0; i < kTraceWords; ++i) {
        record_.trace[i] = data::Read32(record, kTraceOffset + 4 * i, little);
    }
    record_.userDataLength = data::Read16(record, kUserDataLengthOffset, little);
    for (std::size_t i = 0; i < kUserDataBytes; ++i) {
        record_.userData[i] = data::ByteAt(record, kUserDataOffset + i);
    }
}

void CErrorLogEntry::DecodeShortReply(std::span<const std::uint8_t> payload) {
    const FieldOffsets& at = kShortReply;
    record_.errorNumber = data::ReadBigEndian32(payload, at.errorNumber);
    record_.id = data::ByteAt(payload, at.id);
    record_.vpc = data::ByteAt(payload, at.vpc);
    record_.pc = data::ReadBigEndian32(payload, at.pc);
    record_.dataAddress = data::ReadBigEndian32(payload, at.dataAddress);
    record_.rr1 = data::ReadBigEndian32(payload, at.rr1);
    record_.rr2 = data::ReadBigEndian32(payload, at.rr2);
    record_.softwareVersion = data::ReadBigEndian16(payload, at.softwareVersion);
    record_.softwareYear = data::ReadBigEndian16(payload, at.softwareYear);
    record_.softwareDateFirst = data::ByteAt(payload, at.softwareDateFirst);
    record_.softwareDateSecond = data::ByteAt(payload, at.softwareDateSecond);
    record_.timeOfWeek = data::ReadBigEndian32(payload, at.timeOfWeek);
    record_.gpsWeek = data::ReadBigEndian16(payload, at.gpsWeek);
}

std::string CErrorLogEntry::GetCategoryName() const {
    switch (record_.rr1) {
        case 1:
            return "Startup Error";
        case 2:
            return "Radio Error";
        case 3:
            return "Runtime Warning";
        default:
            return "Runtime Error";
    }
}

data::DateTime CErrorLogEntry::GetDateTime() const {
    // In 64 bits: a time of week near 2^32 ms plus the offset would wrap in 32.
    const std::uint64_t t =
        static_cast<std::uint64_t>(record_.timeOfWeek) + std::uint64_t{utcOffset_} * 1000;
    const std::uint64_t day = std::uint64_t{record_.gpsWeek} * 7 + t / kMillisecondsPerDay;
    return data::GpsDayToDate(day, static_cast<std::uint32_t>(t % kMillisecondsPerDay));
}

std::string CErrorLogEntry::GetDateTimeText() const {
    return data::FormatDefaultDateTime(GetDateTime());
}

std::string CErrorLogEntry::FormatWord(std::uint32_t value) {
    return platform::FormatText("0x%0.08X", static_cast<unsigned>(value));
}

std::string CErrorLogEntry::GetErrorNumberText() const {
    return FormatWord(record_.errorNumber);
}

std::string CErrorLogEntry::GetIdText() const {
    return platform::FormatText("%d", static_cast<int>(record_.id));
}

std::string CErrorLogEntry::GetVpcText() const {
    return platform::FormatText("0x%0.02X", static_cast<unsigned>(record_.vpc));
}

std::string CErrorLogEntry::GetPcText() const {
    return FormatWord(record_.pc);
}

std::string CErrorLogEntry::GetDataAddressText() const {
    return FormatWord(record_.dataAddress);
}

std::string CErrorLogEntry::GetRr1Text() const {
    return FormatWord(record_.rr1);
}

std::string CErrorLogEntry::GetRr2Text() const {
    return FormatWord(record_.rr2);
}

std::string CErrorLogEntry::GetUpTimeText() const {
    // Shown as the receiver's signed counter, as its own tools show it.
    return platform::FormatText("%d", static_cast<int>(record_.upTime));
}

std::string CErrorLogEntry::GetStackPointerText() const {
    return FormatWord(record_.stackPointer);
}

std::string CErrorLogEntry::GetSoftwareVersionText() const {
    const unsigned version = record_.softwareVersion;
    return platform::FormatText("%d.%0.02d", static_cast<int>(version / 100),
                                static_cast<int>(version % 100));
}

std::string CErrorLogEntry::GetSoftwareDateText() const {
    return platform::FormatText("%d/%d/%d", static_cast<int>(record_.softwareDateFirst),
                                static_cast<int>(record_.softwareDateSecond),
                                static_cast<int>(record_.softwareYear));
}

std::size_t CErrorLogEntry::GetShownTraceCount() const {
    std::size_t count = 0;
    while (count < kTraceWords && record_.trace[count] != 0) {
        ++count;
    }
    return count;
}

std::size_t CErrorLogEntry::GetShownUserDataCount() const {
    const std::size_t length = record_.userDataLength;
    return length < kUserDataBytes ? length : kUserDataBytes;
}

std::string CErrorLogEntry::GetSummaryLine() const {
    return platform::FormatText("%s:\t%s  At time: %s UTC", GetCategoryName(), GetErrorNumberText(),
                                GetDateTimeText());
}

std::string CErrorLogEntry::GetFullText() const {
    std::string text = platform::FormatString(
        kFullTextString, GetCategoryName(), GetErrorNumberText(), GetIdText(), GetDataAddressText(),
        GetVpcText(), GetPcText(), GetRr1Text(), GetRr2Text(), GetDateTimeText(),
        GetSoftwareVersionText(), GetSoftwareDateText());
    if (!IsLongRecord()) {
        return text;
    }
    text += "Stack Pointer: " + GetStackPointerText() + "\r\n";
    const std::size_t traces = GetShownTraceCount();
    for (std::size_t i = 0; i < traces; ++i) {
        text += platform::FormatText("Trace %d: ", static_cast<int>(i)) +
                FormatWord(record_.trace[i]) + "\r\n";
    }
    text += "User Data:\r\n";
    const std::size_t bytes = GetShownUserDataCount();
    for (std::size_t i = 0; i < bytes; ++i) {
        text += platform::FormatText(" Offset %d: ", static_cast<int>(i)) +
                FormatWord(record_.userData[i]) + "\r\n";
    }
    return text;
}

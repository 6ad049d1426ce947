#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "data/calendar.h"

// One record of the receiver's error log, in the plug-in's byte order. Packed: read its members
// by value, never bind a reference or pointer to one (they are not aligned).
#pragma pack(push, 1)
struct ErrorLog_t {
    std::uint32_t errorNumber;
    std::uint8_t id;
    std::uint8_t vpc;
    std::uint32_t pc;
    std::uint32_t dataAddress;
    std::uint32_t rr1;
    std::uint32_t rr2;
    std::uint16_t softwareVersion;
    std::uint16_t softwareYear;
    std::uint8_t softwareDateFirst;
    std::uint8_t softwareDateSecond;
    std::uint32_t timeOfWeek;  // milliseconds
    std::uint16_t gpsWeek;
    std::uint32_t upTime;
    std::uint32_t stackPointer;
    std::uint32_t trace[10];
    std::uint16_t userDataLength;
    std::uint8_t userData[40];
};
#pragma pack(pop)
static_assert(sizeof(ErrorLog_t) == 124, "the error-log record is 124 bytes without padding");

// Status of a log slot.
namespace error_log_status {
constexpr std::uint8_t kValid = 0xFC;
constexpr std::uint8_t kDeleted = 0xF8;
constexpr std::uint8_t kEmptyFE = 0xFE;
constexpr std::uint8_t kEmpty = 0xFF;
}  // namespace error_log_status

// Format versions: short records hold no stack pointer, trace or user data.
namespace error_log_format {
constexpr std::uint16_t kShort = 2;
constexpr std::uint16_t kLong = 3;
}  // namespace error_log_format

// The stored record layouts of the receiver's memory copy of its log.
enum class ErrorLogLayout { kCompact = 1, kShort = 2, kLong = 3 };

// A decoded error-log entry: the record, its slot status, its format version, the receiver's
// UTC offset and the byte order of the source it was decoded from.
class CErrorLogEntry {
  public:
    static constexpr std::size_t kTraceWords = 10;
    static constexpr std::size_t kUserDataBytes = 40;
    static constexpr std::size_t kShortReplySize = 38;
    static constexpr std::size_t kLongReplySize = 129;

    // littleEndian false: fields wider than a byte arrive most significant byte first.
    CErrorLogEntry(std::uint16_t formatVersion, bool littleEndian);
    CErrorLogEntry(const CErrorLogEntry&) = default;
    CErrorLogEntry& operator=(const CErrorLogEntry&) = default;
    virtual ~CErrorLogEntry() = default;

    // Size of one stored record of a layout (40, 35 or 125 bytes).
    static std::size_t RecordSize(ErrorLogLayout layout);

    // Decodes one stored record by its type byte: 0xF8 and 0xFC copy the fields, 0xFE and 0xFF
    // only set the status. Any other type (the end of the written log) or a record shorter than
    // its layout returns false and leaves the entry as it was.
    bool DecodeStoredRecord(std::span<const std::uint8_t> record, ErrorLogLayout layout);

    // Decodes the payload of a TC read-record reply: 38 bytes starting FF 09 (a short record) or
    // 129 bytes starting FF 0B (a long record); anything else is rejected with false. TC records
    // are big-endian and valid.
    bool DecodeTCReply(std::span<const std::uint8_t> payload);

    const ErrorLog_t& GetRecord() const { return record_; }
    std::uint8_t GetStatus() const { return status_; }
    std::uint16_t GetFormatVersion() const { return formatVersion_; }
    bool IsLongRecord() const { return formatVersion_ == error_log_format::kLong; }
    std::uint8_t GetUtcOffset() const { return utcOffset_; }
    void SetUtcOffset(std::uint8_t seconds) { utcOffset_ = seconds; }
    bool IsLittleEndian() const { return littleEndian_; }

    // "Startup Error", "Radio Error", "Runtime Warning" or "Runtime Error", by RR1.
    std::string GetCategoryName() const;
    // UTC date and time of the entry: GPS week and time of week plus the UTC offset.
    data::DateTime GetDateTime() const;
    // In the user's default date and time format.
    std::string GetDateTimeText() const;

    // Field texts as the viewer and the copied text show them.
    std::string GetErrorNumberText() const;
    std::string GetIdText() const;
    std::string GetVpcText() const;
    std::string GetPcText() const;
    std::string GetDataAddressText() const;
    std::string GetRr1Text() const;
    std::string GetRr2Text() const;
    std::string GetUpTimeText() const;
    std::string GetStackPointerText() const;
    std::string GetSoftwareVersionText() const;
    std::string GetSoftwareDateText() const;
    // Trace words shown: those before the first zero word, at most ten.
    std::size_t GetShownTraceCount() const;
    // User data bytes shown: the user data length, at most 40.
    std::size_t GetShownUserDataCount() const;
    static std::string FormatWord(std::uint32_t value);

    // The list line: "<category>:\t<number>  At time: <date and time> UTC".
    std::string GetSummaryLine() const;
    // The text the copy actions put on the clipboard.
    std::string GetFullText() const;

  private:
    void DecodeFields(std::span<const std::uint8_t> record, ErrorLogLayout layout);
    void DecodeShortReply(std::span<const std::uint8_t> payload);

    ErrorLog_t record_;
    std::uint8_t status_ = error_log_status::kEmpty;
    std::uint16_t formatVersion_;
    std::uint8_t utcOffset_ = 0;
    bool littleEndian_;
};

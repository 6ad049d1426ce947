#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/bytes.h"
#include "engine/profile.h"

namespace sim {

constexpr std::uint32_t kLogMagic = 0x454C6F67;  // "ELog" when stored high byte first

// Bytes per stored record: layout 1 40, layout 2 35, layout 3 125.
std::size_t LogRecordSize(int layout);

// The receiver's memory copy of its log: a header slot (magic, layout number) followed by one
// record per entry, then fill up to size bytes. Every number in the chosen byte order.
Bytes BuildLogImage(const std::vector<ErrorLogRecord>& entries, int layout, ByteOrder order,
                    std::size_t size, std::uint8_t fill);

// Replies of the TC error-log command: the count, a 38-byte short record and a 129-byte long
// record (a layout-3 record behind a four-byte head). Always high byte first.
Bytes TcLogCount(std::uint16_t count);
Bytes TcShortRecord(const ErrorLogRecord& record);
Bytes TcLongRecord(const ErrorLogRecord& record);

}  // namespace sim

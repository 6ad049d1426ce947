#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>
#include <vector>

#include "data/error_log_entry.h"
#include "data/error_log_mgr.h"
#include "device/device_exceptions.h"
#include "error_log_builder.h"

namespace {

using test_data::LogFields;
using test_data::MemoryBlock;
using test_data::StoredRecord;

constexpr std::uint8_t kValid = 0xFC;
constexpr std::uint8_t kDeleted = 0xF8;

const char* const kShortText =
    "Type: Radio Error\r\n"
    "Number: 0x70085000\r\n"
    "ID: 7   DA: 0x20003F10\r\n"
    "VPC: 0x1A  PC: 0x0001F2C4\r\n"
    "RR1: 0x00000002  RR2: 0xDEADBEEF\r\n"
    "Time & Date [UTC]: 03/13/2014 01:02:03\r\n"
    "Software version 4.86 Software date: 3/5/2014\r\n";

const char* const kLongPart =
    "Stack Pointer: 0x2000FFF0\r\n"
    "Trace 0: 0x00000100\r\n"
    "Trace 1: 0x00000200\r\n"
    "Trace 2: 0x00000300\r\n"
    "User Data:\r\n"
    " Offset 0: 0x00000011\r\n"
    " Offset 1: 0x00000022\r\n"
    " Offset 2: 0x00000033\r\n";

void ExpectFields(const CErrorLogEntry& entry, const LogFields& f, const std::string& legend) {
    const ErrorLog_t& r = entry.GetRecord();
    EXPECT_EQ(+r.errorNumber, f.errorNumber) << legend;
    EXPECT_EQ(+r.id, f.id) << legend;
    EXPECT_EQ(+r.vpc, f.vpc) << legend;
    EXPECT_EQ(+r.pc, f.pc) << legend;
    EXPECT_EQ(+r.dataAddress, f.dataAddress) << legend;
    EXPECT_EQ(+r.rr1, f.rr1) << legend;
    EXPECT_EQ(+r.rr2, f.rr2) << legend;
    EXPECT_EQ(+r.softwareVersion, f.softwareVersion) << legend;
    EXPECT_EQ(+r.softwareYear, f.softwareYear) << legend;
    EXPECT_EQ(+r.softwareDateFirst, f.dateFirst) << legend;
    EXPECT_EQ(+r.softwareDateSecond, f.dateSecond) << legend;
    EXPECT_EQ(+r.timeOfWeek, f.timeOfWeek) << legend;
    EXPECT_EQ(+r.gpsWeek, f.gpsWeek) << legend;
}

void ExpectLongFields(const CErrorLogEntry& entry, const LogFields& f, const std::string& legend) {
    const ErrorLog_t& r = entry.GetRecord();
    EXPECT_EQ(+r.upTime, f.upTime) << legend;
    EXPECT_EQ(+r.stackPointer, f.stackPointer) << legend;
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(+r.trace[i], f.trace[i]) << legend << " trace " << i;
    }
    EXPECT_EQ(+r.userDataLength, f.userDataLength) << legend;
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(+r.userData[i], f.userData[i]) << legend << " user data " << i;
    }
}

int DecodeFailureCode(const std::vector<std::uint8_t>& block, bool littleEndian) {
    CErrorLogMgr mgr;
    try {
        mgr.DecodeMemoryBlock(block, littleEndian);
    } catch (const CGarnothException& e) {
        EXPECT_EQ(mgr.GetCount(), 0);
        return e.GetCode();
    }
    return 0;
}

TEST(ErrorLogMemory, EveryLayoutDecodesInEitherByteOrder) {
    LogFields f;
    for (int layout = 1; layout <= 3; ++layout) {
        for (bool little : {false, true}) {
            const std::string legend =
                "layout " + std::to_string(layout) + (little ? " little" : " big") + "-endian";
            CErrorLogMgr mgr;
            mgr.DecodeMemoryBlock(MemoryBlock(layout, little, {{kValid, f}}), little);
            ASSERT_EQ(mgr.GetCount(), 1) << legend;
            const CErrorLogEntry& entry = *mgr.GetAt(0);
            EXPECT_EQ(entry.GetStatus(), kValid) << legend;
            EXPECT_EQ(entry.IsLittleEndian(), little) << legend;
            EXPECT_EQ(entry.GetFormatVersion(), layout == 3 ? 3 : 2) << legend;
            ExpectFields(entry, f, legend);
            if (layout == 3) {
                ExpectLongFields(entry, f, legend);
                EXPECT_EQ(entry.GetFullText(), std::string(kShortText) + kLongPart) << legend;
            } else {
                // Short records have no long fields: they stay as a fresh entry has them.
                EXPECT_EQ(+entry.GetRecord().stackPointer, 0xFFFFFFFFu) << legend;
                EXPECT_EQ(+entry.GetRecord().userDataLength, 0xFFFF) << legend;
                EXPECT_EQ(entry.GetFullText(), kShortText) << legend;
            }
        }
    }
}

TEST(ErrorLogMemory, SlotsAreKeptUntilTheFirstUnwrittenRecord) {
    LogFields first;
    LogFields second;
    second.errorNumber = 0x11223344;
    const auto block = MemoryBlock(2, false,
                                   {{kDeleted, first},
                                    {0xFF, second},
                                    {0xFE, second},
                                    {kValid, second},
                                    {0x00, second},
                                    {kValid, second}});
    CErrorLogMgr mgr;
    mgr.DecodeMemoryBlock(block, false);
    ASSERT_EQ(mgr.GetCount(), 4);
    EXPECT_EQ(mgr.GetAt(0)->GetStatus(), 248);
    ExpectFields(*mgr.GetAt(0), first, "deleted entries are decoded");
    EXPECT_EQ(mgr.GetAt(1)->GetStatus(), 255);
    EXPECT_EQ(+mgr.GetAt(1)->GetRecord().errorNumber, 0xFFFFFFFFu);
    EXPECT_EQ(+mgr.GetAt(1)->GetRecord().gpsWeek, 0xFFFF);
    EXPECT_EQ(mgr.GetAt(2)->GetStatus(), 254);
    EXPECT_EQ(+mgr.GetAt(3)->GetRecord().errorNumber, 0x11223344u);
    EXPECT_EQ(mgr.GetAt(4), nullptr);
    EXPECT_EQ(mgr.GetAt(-1), nullptr);
}

TEST(ErrorLogMemory, EmptyOrTruncatedLogs) {
    // legend: block -> entries
    struct Case {
        const char* legend;
        std::vector<std::uint8_t> block;
        bool little;
        int entries;
    };
    LogFields f;
    const std::vector<Case> cases = {
        {"first record of type 0x00", MemoryBlock(3, false, {{0x00, f}, {kValid, f}}), false, 0},
        {"header only", MemoryBlock(1, false, {}), false, 0},
        {"header slot shorter than a record",
         [] {
             auto b = MemoryBlock(1, false, {});
             b.resize(6);
             return b;
         }(),
         false, 0},
        {"partial record at the end is not read",
         [&f] {
             auto b = MemoryBlock(3, false, {{kValid, f}, {kValid, f}});
             b.resize(b.size() - 1);
             return b;
         }(),
         false, 1},
        {"zero bytes after the last record end the log", MemoryBlock(1, true, {{kValid, f}}, 200),
         true, 1},
    };
    for (const Case& c : cases) {
        CErrorLogMgr mgr;
        mgr.DecodeMemoryBlock(c.block, c.little);
        EXPECT_EQ(mgr.GetCount(), c.entries) << c.legend;
    }
}

TEST(ErrorLogMemory, BadHeadersRaise713) {
    LogFields f;
    // legend: block, byte order -> code
    struct Case {
        const char* legend;
        std::vector<std::uint8_t> block;
        bool little;
    };
    const std::vector<Case> cases = {
        {"wrong magic", MemoryBlock(3, false, {{kValid, f}}, 0, 0x454C6F68), false},
        {"magic in the other byte order", MemoryBlock(3, false, {{kValid, f}}), true},
        {"layout 0", MemoryBlock(0, false, {{kValid, f}}), false},
        {"layout 4", MemoryBlock(4, false, {{kValid, f}}), false},
        {"no block at all", {}, false},
        {"block shorter than its header", {0x45, 0x4C, 0x6F, 0x67, 0x00}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeFailureCode(c.block, c.little), 713) << c.legend;
    }
    EXPECT_EQ(DecodeFailureCode(MemoryBlock(2, false, {{kValid, f}}), false), 0);
}

TEST(ErrorLogMemory, FailureKeepsEntriesDecodedBefore) {
    LogFields f;
    CErrorLogMgr mgr;
    mgr.DecodeMemoryBlock(MemoryBlock(2, false, {{kValid, f}}), false);
    EXPECT_THROW(mgr.DecodeMemoryBlock({}, false), CGarnothException);
    EXPECT_EQ(mgr.GetCount(), 1);
    mgr.Clear();
    EXPECT_EQ(mgr.GetCount(), 0);
}

TEST(ErrorLogReply, ShortAndLongRepliesDecode) {
    LogFields f;
    CErrorLogEntry shortEntry(2, false);
    ASSERT_TRUE(shortEntry.DecodeTCReply(test_data::ShortReply(f)));
    EXPECT_EQ(shortEntry.GetStatus(), 252);
    EXPECT_EQ(shortEntry.GetFormatVersion(), 2);
    ExpectFields(shortEntry, f, "short reply");
    EXPECT_EQ(shortEntry.GetFullText(), kShortText);
    EXPECT_EQ(shortEntry.GetSummaryLine(),
              "Radio Error:\t0x70085000  At time: 03/13/2014 01:02:03 UTC");

    CErrorLogEntry longEntry(2, false);
    ASSERT_TRUE(longEntry.DecodeTCReply(test_data::LongReply(f)));
    EXPECT_EQ(longEntry.GetStatus(), 252);
    EXPECT_EQ(longEntry.GetFormatVersion(), 3);
    ExpectFields(longEntry, f, "long reply");
    ExpectLongFields(longEntry, f, "long reply");
    EXPECT_EQ(longEntry.GetFullText(), std::string(kShortText) + kLongPart);
}

TEST(ErrorLogReply, MalformedRepliesAreRejected) {
    LogFields f;
    auto shortReply = test_data::ShortReply(f);
    auto longReply = test_data::LongReply(f);
    // legend: payload -> rejected
    struct Case {
        const char* legend;
        std::vector<std::uint8_t> payload;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"one byte", {0xFF}},
        {"short reply one byte short", {shortReply.begin(), shortReply.end() - 1}},
        {"long reply one byte long", longReply},
        {"short layout byte on a long payload", longReply},
        {"long layout byte on a short payload", shortReply},
        {"first byte not FF", shortReply},
        {"unknown layout byte", shortReply},
    };
    cases[3].payload.push_back(0);
    cases[4].payload[1] = 9;
    cases[5].payload[1] = 11;
    cases[6].payload[0] = 0xFE;
    cases[7].payload[1] = 10;
    for (const Case& c : cases) {
        CErrorLogEntry entry(2, false);
        EXPECT_FALSE(entry.DecodeTCReply(c.payload)) << c.legend;
        EXPECT_EQ(entry.GetStatus(), 255) << c.legend;
        EXPECT_EQ(+entry.GetRecord().errorNumber, 0xFFFFFFFFu) << c.legend;
    }
}

TEST(ErrorLogEntry, FreshEntryAndCategories) {
    CErrorLogEntry entry(3, true);
    EXPECT_EQ(entry.GetStatus(), 255);
    EXPECT_EQ(entry.GetUtcOffset(), 0);
    EXPECT_EQ(entry.GetFormatVersion(), 3);
    EXPECT_TRUE(entry.IsLittleEndian());
    // legend: RR1 -> category name
    const std::pair<std::uint32_t, const char*> cases[] = {
        {1, "Startup Error"}, {2, "Radio Error"},   {3, "Runtime Warning"},
        {0, "Runtime Error"}, {4, "Runtime Error"}, {0x00000101, "Runtime Error"},
    };
    for (const auto& [rr1, name] : cases) {
        LogFields f;
        f.rr1 = rr1;
        CErrorLogEntry decoded(2, false);
        ASSERT_TRUE(decoded.DecodeTCReply(test_data::ShortReply(f)));
        EXPECT_EQ(decoded.GetCategoryName(), name) << rr1;
    }
}

TEST(ErrorLogEntry, DateAndTime) {
    // legend: week, time of week, UTC offset -> text
    struct Case {
        const char* legend;
        std::uint16_t week;
        std::uint32_t timeOfWeek;
        std::uint8_t offset;
        const char* text;
    };
    const Case cases[] = {
        {"GPS epoch", 0, 0, 0, "01/06/1980 00:00:00"},
        {"offset added", 1783, 349'323'000, 18, "03/13/2014 01:02:21"},
        {"offset crosses into the next week", 1783, 604'799'999, 1, "03/16/2014 00:00:00"},
        {"no 32-bit wrap of time of week plus offset", 1000, 0xFFFFFFFF, 255,
         "04/25/1999 17:07:02"},
        {"erased slot values", 0xFFFF, 0xFFFFFFFF, 0, "02/24/3236 17:02:47"},
    };
    for (const Case& c : cases) {
        LogFields f;
        f.gpsWeek = c.week;
        f.timeOfWeek = c.timeOfWeek;
        CErrorLogEntry entry(2, false);
        ASSERT_TRUE(entry.DecodeTCReply(test_data::ShortReply(f)));
        entry.SetUtcOffset(c.offset);
        EXPECT_EQ(entry.GetDateTimeText(), c.text) << c.legend;
        EXPECT_EQ(entry.GetDateTimeText(), c.text) << c.legend << " (second time)";
        EXPECT_EQ(+entry.GetRecord().timeOfWeek, c.timeOfWeek) << c.legend;
    }
}

// Sets the process's LC_TIME locale for its lifetime, as a host does for its user.
class ScopedTimeLocale {
  public:
    explicit ScopedTimeLocale(const char* name)
        : previous_(std::setlocale(LC_TIME, nullptr)), active_(std::setlocale(LC_TIME, name)) {}
    ~ScopedTimeLocale() { std::setlocale(LC_TIME, previous_.c_str()); }
    ScopedTimeLocale(const ScopedTimeLocale&) = delete;
    ScopedTimeLocale& operator=(const ScopedTimeLocale&) = delete;
    bool Active() const { return active_; }

  private:
    std::string previous_;
    bool active_;
};

// The summary line and the copied text (and the detail, from the same text) show the user's
// date and time format; the C locales keep the month first and the four-digit year.
TEST(ErrorLogEntry, DateAndTimeInTheUsersFormat) {
    // legend: LC_TIME locale -> the date and time of the default short reply
    const std::pair<const char*, const char*> cases[] = {
        {"C.UTF-8", "03/13/2014 01:02:03"},
        {"de_DE.UTF-8", "13.03.2014 01:02:03"},
    };
    CErrorLogEntry entry(2, false);
    ASSERT_TRUE(entry.DecodeTCReply(test_data::ShortReply(LogFields{})));
    for (const auto& [locale, text] : cases) {
        const ScopedTimeLocale user(locale);
        if (!user.Active()) {
            GTEST_SKIP() << locale << " is not installed here (scripts/setup.sh generates it)";
        }
        EXPECT_EQ(entry.GetDateTimeText(), text) << locale;
        EXPECT_EQ(entry.GetSummaryLine(),
                  std::string("Radio Error:\t0x70085000  At time: ") + text + " UTC")
            << locale;
        EXPECT_NE(entry.GetFullText().find(std::string("Time & Date [UTC]: ") + text + "\r\n"),
                  std::string::npos)
            << locale;
    }
}

TEST(ErrorLogEntry, LongRecordLinesStopWhereTheReceiverSaysSo) {
    // legend: trace words and user data length -> lines shown
    struct Case {
        const char* legend;
        std::uint32_t firstZeroTrace;  // 10: no zero word
        std::uint16_t userDataLength;
        std::size_t traces;
        std::size_t bytes;
    };
    const Case cases[] = {
        {"no trace, no user data", 0, 0, 0, 0},
        {"all ten traces, 40 bytes", 10, 40, 10, 40},
        {"user data length above 40 shows 40", 10, 41, 10, 40},
        {"erased length 0xFFFF shows 40", 5, 0xFFFF, 5, 40},
    };
    for (const Case& c : cases) {
        LogFields f;
        for (std::uint32_t i = 0; i < 10; ++i) {
            f.trace[i] = i < c.firstZeroTrace ? 0x1000 + i : 0;
        }
        f.userDataLength = c.userDataLength;
        CErrorLogEntry entry(2, false);
        ASSERT_TRUE(entry.DecodeTCReply(test_data::LongReply(f)));
        EXPECT_EQ(entry.GetShownTraceCount(), c.traces) << c.legend;
        EXPECT_EQ(entry.GetShownUserDataCount(), c.bytes) << c.legend;
        const std::string text = entry.GetFullText();
        std::size_t traceLines = 0;
        std::size_t byteLines = 0;
        for (std::size_t at = text.find("Trace "); at != std::string::npos;
             at = text.find("Trace ", at + 1)) {
            ++traceLines;
        }
        for (std::size_t at = text.find(" Offset "); at != std::string::npos;
             at = text.find(" Offset ", at + 1)) {
            ++byteLines;
        }
        EXPECT_EQ(traceLines, c.traces) << c.legend;
        EXPECT_EQ(byteLines, c.bytes) << c.legend;
        EXPECT_NE(text.find("User Data:\r\n"), std::string::npos) << c.legend;
    }
}

TEST(ErrorLogEntry, FieldTexts) {
    LogFields f;
    f.errorNumber = 0x0000ABCD;
    f.vpc = 0x05;
    f.softwareVersion = 1203;
    f.upTime = 42;
    CErrorLogEntry entry(2, false);
    ASSERT_TRUE(entry.DecodeTCReply(test_data::LongReply(f)));
    EXPECT_EQ(entry.GetErrorNumberText(), "0x0000ABCD");
    EXPECT_EQ(entry.GetVpcText(), "0x05");
    EXPECT_EQ(entry.GetSoftwareVersionText(), "12.03");
    EXPECT_EQ(entry.GetSoftwareDateText(), "3/5/2014");
    EXPECT_EQ(entry.GetUpTimeText(), "42");
    EXPECT_EQ(entry.GetIdText(), "7");
    EXPECT_EQ(entry.GetStackPointerText(), "0x2000FFF0");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/error_log_mgr.h"
#include "device/device_exceptions.h"
#include "engine/receiver.h"
#include "error_log_builder.h"
#include "platform/virtual_clock.h"
#include "support/fake_transport.h"
#include "support/sim_transport.h"
#include "transport/serial_settings.h"

namespace {

using testing_support::FakeTransport;
using testing_support::SimTransport;

constexpr int kPort = 4;

int RetrievalFailure(CErrorLogMgr& mgr, CSerialInterface& port) {
    try {
        mgr.RetrieveOverTC(port);
    } catch (const CGarnothException& e) {
        EXPECT_EQ(e.GetValue(), kPort);
        return e.GetCode();
    }
    return 0;
}

// The simulated receiver in its application on an open port, on virtual time.
struct SimBench {
    explicit SimBench(sim::Profile profile = sim::DefaultProfile()) : receiver(std::move(profile)) {
        port.OpenPort(kPort, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                      serial::kBaud9600);
    }
    int Requests(std::uint8_t type) const {
        const auto counters = receiver.GetCounters();
        const auto found = counters.tcRequests.find(type);
        return found == counters.tcRequests.end() ? 0 : found->second;
    }

    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    sim::Receiver receiver;
    SimTransport port{receiver, clock};
};

TEST(ErrorLogRetrieval, ReadsEveryValidRecordHighestIndexFirst) {
    SimBench bench;
    CErrorLogMgr mgr;
    std::vector<std::pair<int, int>> progress;
    ASSERT_TRUE(mgr.RetrieveOverTC(
        bench.port, [&progress](int done, int count) { progress.emplace_back(done, count); }));
    // The receiver serves its three valid records over TC; the deleted one is not among them.
    ASSERT_EQ(mgr.GetCount(), 3);
    EXPECT_EQ(+mgr.GetAt(0)->GetRecord().errorNumber, 0x0000BEEFu);
    EXPECT_EQ(+mgr.GetAt(1)->GetRecord().errorNumber, 0x0A010203u);
    EXPECT_EQ(+mgr.GetAt(2)->GetRecord().errorNumber, 0x70085000u);
    for (int i = 0; i < mgr.GetCount(); ++i) {
        EXPECT_EQ(mgr.GetAt(i)->GetStatus(), 252) << i;
        EXPECT_EQ(mgr.GetAt(i)->GetFormatVersion(), 3) << i;
        EXPECT_EQ(mgr.GetAt(i)->GetUtcOffset(), 18) << i;
        EXPECT_FALSE(mgr.GetAt(i)->IsLittleEndian()) << i;
    }
    EXPECT_EQ(mgr.GetAt(0)->GetSummaryLine(),
              "Runtime Warning:\t0x0000BEEF  At time: 07/27/2014 00:00:17 UTC");
    EXPECT_EQ(mgr.GetAt(2)->GetSummaryLine(),
              "Startup Error:\t0x70085000  At time: 07/10/2014 00:00:18 UTC");
    EXPECT_EQ(mgr.GetAt(0)->GetShownTraceCount(), 3u);
    EXPECT_EQ(mgr.GetAt(0)->GetShownUserDataCount(), 6u);
    // GPS time once; error log: count, the probe and three records.
    EXPECT_EQ(bench.Requests(0x14), 1);
    EXPECT_EQ(bench.Requests(0x91), 5);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
}

TEST(ErrorLogRetrieval, EmptyLogSucceedsWithoutRecordRequests) {
    sim::Profile profile = sim::DefaultProfile();
    profile.errorLog.entries.clear();
    SimBench bench(profile);
    CErrorLogMgr mgr;
    mgr.Add(std::make_unique<CErrorLogEntry>(2, false));  // from an earlier read
    const int identifications = bench.receiver.GetCounters().identifications;
    ASSERT_TRUE(mgr.RetrieveOverTC(bench.port));
    EXPECT_EQ(mgr.GetCount(), 0);
    EXPECT_EQ(bench.Requests(0x91), 1);
    EXPECT_EQ(bench.receiver.GetCounters().identifications, identifications);
}

TEST(ErrorLogRetrieval, ShortRecordsWhenTheProbeGetsNoReply) {
    sim::Profile profile = sim::DefaultProfile();
    profile.errorLog.longRecords = false;
    profile.gpsTime.utcOffset = 0;
    SimBench bench(profile);
    CErrorLogMgr mgr;
    ASSERT_TRUE(mgr.RetrieveOverTC(bench.port));
    ASSERT_EQ(mgr.GetCount(), 3);
    for (int i = 0; i < mgr.GetCount(); ++i) {
        EXPECT_EQ(mgr.GetAt(i)->GetFormatVersion(), 2) << i;
        EXPECT_EQ(mgr.GetAt(i)->GetUtcOffset(), 0) << i;
        EXPECT_EQ(mgr.GetAt(i)->GetFullText().find("Stack Pointer"), std::string::npos) << i;
    }
    EXPECT_EQ(mgr.GetAt(2)->GetSummaryLine(),
              "Startup Error:\t0x70085000  At time: 07/10/2014 00:00:00 UTC");
}

TEST(ErrorLogRetrieval, SilentReceiverGives708) {
    sim::Profile profile = sim::DefaultProfile();
    profile.faults.silent = true;
    SimBench bench(profile);
    CErrorLogMgr mgr;
    EXPECT_EQ(RetrievalFailure(mgr, bench.port), 708);
    EXPECT_EQ(mgr.GetCount(), 0);
}

// --- scripted replies, for answers no well-behaved receiver gives ---

std::vector<std::uint8_t> TcFrame(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> frame = {0x02, 0x00, type, static_cast<std::uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum = static_cast<std::uint8_t>(sum + frame[i]);
    }
    frame.push_back(sum);
    frame.push_back(0x03);
    return frame;
}

std::vector<std::uint8_t> GpsTimeReply(const std::string& text) {
    return TcFrame(0x15, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> Identification() {
    const std::string text = sim::Receiver().IdentificationText();
    return TcFrame(0x6E, std::vector<std::uint8_t>(text.begin(), text.end()));
}

struct FakeBench {
    FakeBench() {
        port.OpenPort(kPort, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                      serial::kBaud9600);
    }
    // Three empty replies: no answer to a request or its two retransmissions.
    void Silence() {
        for (int i = 0; i < 3; ++i) {
            port.QueueReply(std::vector<std::uint8_t>{});
        }
    }
    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
    FakeTransport port;
};

TEST(ErrorLogRetrieval, MalformedAnswers) {
    test_data::LogFields fields;
    auto longRecord = test_data::LongReply(fields);
    auto tooLong = longRecord;
    tooLong.push_back(0);
    // legend: scripted exchange -> failure code, entries kept
    struct Case {
        const char* legend;
        std::vector<std::vector<std::uint8_t>> replies;  // after GPS time and count
        std::vector<std::uint8_t> count;
        bool identified;
        int code;
        int entries;
    };
    const std::vector<Case> cases = {
        {"count reply of five bytes", {}, {0xFF, 0x07, 0x00, 0x01, 0x00}, false, 707, 0},
        {"count reply with the wrong marker", {}, {0xFF, 0x09, 0x00, 0x01}, false, 707, 0},
        {"no identification after the count", {}, {0xFF, 0x07, 0x00, 0x01}, false, 701, 0},
        {"record reply one byte too long",
         {TcFrame(0x92, longRecord), TcFrame(0x92, tooLong)},
         {0xFF, 0x07, 0x00, 0x01},
         true,
         707,
         0},
        {"second record rejected, first kept",
         {TcFrame(0x92, longRecord), TcFrame(0x92, longRecord), TcFrame(0x92, {0xFF, 0x0B})},
         {0xFF, 0x07, 0x00, 0x02},
         true,
         707,
         1},
        {"record request unanswered",
         {TcFrame(0x92, longRecord), {}, {}, {}},
         {0xFF, 0x07, 0x00, 0x01},
         true,
         708,
         0},
    };
    for (const Case& c : cases) {
        FakeBench bench;
        bench.port.QueueReply(GpsTimeReply("UTC OFFSET,17,WEEK,1800"));
        bench.port.QueueReply(TcFrame(0x92, c.count));
        if (c.identified) {
            bench.port.QueueBreakReply(Identification());
        }
        for (const auto& reply : c.replies) {
            bench.port.QueueReply(reply);
        }
        CErrorLogMgr mgr;
        EXPECT_EQ(RetrievalFailure(mgr, bench.port), c.code) << c.legend;
        EXPECT_EQ(mgr.GetCount(), c.entries) << c.legend;
    }
}

TEST(ErrorLogRetrieval, UtcOffsetFromTheGpsTimeText) {
    // legend: GPS time answer -> offset of the entries
    struct Case {
        const char* legend;
        std::vector<std::uint8_t> reply;
        int offset;
    };
    const std::vector<Case> cases = {
        {"two digits", GpsTimeReply("UTC OFFSET,18,WEEK,1800"), 18},
        {"a sign is not a negative offset", GpsTimeReply("UTC OFFSET,-5,WEEK,1800"), 0},
        {"text too short", GpsTimeReply("UTC"), 0},
        {"no answer", {}, 0},
    };
    test_data::LogFields fields;
    fields.timeOfWeek = 0;
    fields.gpsWeek = 0;
    for (const Case& c : cases) {
        FakeBench bench;
        if (c.reply.empty()) {
            bench.Silence();
        } else {
            bench.port.QueueReply(c.reply);
        }
        bench.port.QueueReply(TcFrame(0x92, {0xFF, 0x07, 0x00, 0x01}));
        bench.port.QueueBreakReply(Identification());
        bench.port.QueueReply(TcFrame(0x92, test_data::ShortReply(fields)));  // long probe
        bench.port.QueueReply(TcFrame(0x92, test_data::ShortReply(fields)));
        CErrorLogMgr mgr;
        ASSERT_TRUE(mgr.RetrieveOverTC(bench.port)) << c.legend;
        ASSERT_EQ(mgr.GetCount(), 1) << c.legend;
        EXPECT_EQ(mgr.GetAt(0)->GetUtcOffset(), c.offset) << c.legend;
        EXPECT_EQ(mgr.GetAt(0)->GetFormatVersion(), 2) << c.legend;
    }
}

}  // namespace

// The wire trace of a whole run in process: DEVVORIN_TRACE read at the start of the run, the
// run's frames in order with their times on the virtual clock, and a trace that cannot be
// written leaving the run exactly as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "operations/version_display_dlg.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"

namespace {

using Rig = testing_support::PluginRig;
using Json = nlohmann::json;

// Sets DEVVORIN_TRACE for the scope.
class TraceVariable {
  public:
    explicit TraceVariable(const std::string& path) { setenv("DEVVORIN_TRACE", path.c_str(), 1); }
    ~TraceVariable() { unsetenv("DEVVORIN_TRACE"); }
};

std::string TempPath(const char* name) {
    return testing::TempDir() + name;
}

std::vector<Json> ReadTrace(const std::string& path) {
    std::vector<Json> events;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        Json event = Json::parse(line, nullptr, false);
        EXPECT_FALSE(event.is_discarded()) << "not JSON: " << line;
        events.push_back(event);
    }
    return events;
}

// What the user saw of a run, to compare a traced run with an untraced one.
struct Seen {
    int result;
    std::vector<std::string> statuses;
    std::vector<std::string> boxes;
    std::vector<std::string> fields;
    std::vector<std::uint32_t> sleeps;
    std::uint64_t elapsedMs;
    bool operator==(const Seen&) const = default;
};

Seen RunOnce(const std::string& profile) {
    Rig rig(profile);
    Seen seen{rig.Run(texts::kVersionOperation),
              rig.ui.statuses,
              {},
              {},
              rig.clock.Sleeps(),
              rig.clock.ElapsedMs()};
    for (const auto& box : rig.ui.boxes) {
        seen.boxes.push_back(box.text);
    }
    for (const int id : {CVersionDisplayDlg::kSerialNumber, CVersionDisplayDlg::kSoftwareVersion,
                         CVersionDisplayDlg::kRadioVersion}) {
        seen.fields.push_back(rig.Field(id));
    }
    return seen;
}

TEST(WireTrace, HoldsTheRunsFramesInOrderOnTheRunsClock) {
    const std::string path = TempPath("version-trace.jsonl");
    std::remove(path.c_str());
    {
        TraceVariable variable(path);
        Rig rig;
        ASSERT_EQ(rig.Run(texts::kVersionOperation), 1);
    }
    const std::vector<Json> events = ReadTrace(path);
    ASSERT_GE(events.size(), 3U);
    EXPECT_EQ(events.front()["event"], "start");
    EXPECT_EQ(events.front()["ms"], 0);
    EXPECT_EQ(events.back()["event"], "end");
    EXPECT_EQ(events.back()["result"], 1);

    std::uint64_t last = 0;
    std::vector<std::string> frames;  // "from type" of every frame with a right checksum
    std::string identification;
    std::uint64_t settleAt = 0;
    std::uint64_t versionRequestAt = 0;
    bool opened = false;
    for (const Json& event : events) {
        const std::uint64_t ms = event["ms"];
        EXPECT_GE(ms, last) << event.dump();
        last = ms;
        if (event["event"] == "open") {
            opened = true;
            EXPECT_EQ(event["port"], Rig::kPort);
            EXPECT_EQ(event["baud"], 9600);
            EXPECT_EQ(event["dataBits"], 8);
            EXPECT_EQ(event["parity"], "none");
            EXPECT_EQ(event["stopBits"], "1");
        } else if (event["event"] == "frame") {
            EXPECT_EQ(event["checksum"], "ok") << event.dump();
            frames.push_back(event["from"].get<std::string>() + " " +
                             std::to_string(event["type"].get<int>()));
            if (event["type"] == 0x6E) {
                identification = event["identification"];
            }
            if (event["from"] == "host" && event["type"] == 0x06) {
                versionRequestAt = ms;
            }
        } else if (event["event"] == "break") {
            frames.push_back("break");
        } else if (event["event"] == "wait" && event["lengthMs"] == 8000 && settleAt == 0) {
            settleAt = ms;
        }
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(identification.rfind("PRODUCT,Orrick Receiver;", 0), 0U) << identification;
    // The identification (the in-process receiver hears the break; on a pseudo-terminal it is the
    // request 0x6F) and its reply, the radio's turn, the identification again, then the version
    // request and its reply (0x07).
    auto at = [&frames](const std::string& frame, std::size_t from) {
        for (std::size_t i = from; i < frames.size(); ++i) {
            if (frames[i] == frame) {
                return i;
            }
        }
        return frames.size();
    };
    const std::size_t request = std::min(at("host 111", 0), at("break", 0));
    EXPECT_EQ(request, 0U) << testing::PrintToString(frames);
    const std::size_t reply = at("receiver 110", request);
    const std::size_t version = at("host 6", reply);
    const std::size_t versionReply = at("receiver 7", version);
    EXPECT_LT(versionReply, frames.size()) << testing::PrintToString(frames);
    EXPECT_GT(settleAt, 0U) << "the settle wait of 8000 ms";
    EXPECT_LT(settleAt, versionRequestAt);

    // The trace's clock is the run's: its last event lies at the end of the virtual run.
    const Seen untraced = RunOnce("{}");
    EXPECT_EQ(last, untraced.elapsedMs);
}

TEST(WireTrace, NeverChangesTheRun) {
    struct Case {
        const char* legend;
        std::string profile;
        std::string path;
        std::string reason;  // why the trace is refused ("" for a written one)
    };
    const std::string writable = TempPath("trace-same.jsonl");
    // A FIFO that nobody reads would hold the open for ever, one read slowly every write.
    const std::string fifo = TempPath("trace-fifo");
    const std::string readFifo = TempPath("trace-fifo-read");
    for (const std::string& path : {fifo, readFifo}) {
        std::remove(path.c_str());
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    const int reader = open(readFifo.c_str(), O_RDONLY | O_NONBLOCK);  // and never reads
    ASSERT_GE(reader, 0);
    const std::vector<Case> cases = {
        {"traced run of the typical receiver", "{}", writable, ""},
        {"unwritable trace: the typical receiver", "{}", "/nonexistent-dir/trace.jsonl",
         "No such file or directory"},
        {"unwritable trace: a silent receiver fails as before", R"({"faults":{"silent":true}})",
         "/nonexistent-dir/trace.jsonl", "No such file or directory"},
        {"traced silent receiver", R"({"faults":{"silent":true}})", writable, ""},
        {"a FIFO without a reader", "{}", fifo, "not a regular file"},
        {"a FIFO with a reader", "{}", readFifo, "not a regular file"},
        {"a directory", "{}", testing::TempDir(), "not a regular file"},
    };
    for (const Case& c : cases) {
        const Seen untraced = RunOnce(c.profile);
        testing::internal::CaptureStderr();
        Seen traced;
        {
            TraceVariable variable(c.path);
            traced = RunOnce(c.profile);
        }
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(traced, untraced) << c.legend;
        if (c.reason.empty()) {
            EXPECT_EQ(errors.find("wire trace"), std::string::npos) << c.legend << errors;
        } else {
            const std::string report =
                "cannot write the wire trace " + c.path + " (" + c.reason + ")";
            const std::size_t first = errors.find(report);
            ASSERT_NE(first, std::string::npos) << c.legend << ": " << errors;
            EXPECT_EQ(errors.find("wire trace", first + report.size()), std::string::npos)
                << c.legend << ": reported once\n"
                << errors;
        }
    }
    close(reader);
    std::remove(fifo.c_str());
    std::remove(readFifo.c_str());
}

TEST(WireTrace, RecordsTheExceptionThatEndedTheRun) {
    const std::string path = TempPath("silent-trace.jsonl");
    {
        TraceVariable variable(path);
        Rig rig(R"({"faults":{"silent":true}})");
        ASSERT_EQ(rig.Run(texts::kVersionOperation), 0);
    }
    const std::vector<Json> events = ReadTrace(path);
    ASSERT_GE(events.size(), 2U);
    const Json& exception = events[events.size() - 2];
    EXPECT_EQ(exception["event"], "exception");
    EXPECT_EQ(exception["kind"], "failure");
    EXPECT_NE(exception["message"].get<std::string>().find("[701]"), std::string::npos)
        << exception.dump();
    EXPECT_EQ(events.back()["result"], 0);
    bool timedOut = false;
    for (const Json& event : events) {
        timedOut = timedOut || (event["event"] == "timeout" && event["lengthMs"] == 2000);
    }
    EXPECT_TRUE(timedOut) << "a silent receiver's reads time out";
}

}  // namespace

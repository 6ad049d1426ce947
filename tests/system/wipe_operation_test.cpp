// "Wipe Radio Configuration Blocks" end to end in process, on virtual time: the key chord that
// lists it, the question, the erase request with its reset frame, and the wipe through the
// receiver's monitor with every way it can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "frame/host_interface.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace texts;

const std::string kErasing = "Erasing ...";

const Bytes kResetFrame = {0x02, 0x00, 0x58, 0x07, 0xFF, 0x00, 0x52,
                           0x45, 0x53, 0x45, 0x54, 0xE1, 0x03};
const Bytes kErasedDictionary = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96,
                                 0x06, 0x00, 0x00, 0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};

// The shipped plug-in loaded with the chord held (or not), over the simulator.
class WipeRig : public testing_support::PluginRig {
  public:
    explicit WipeRig(const std::string& profileJson = "{}", bool control = true, bool alt = true)
        : PluginRig(profileJson, control, alt) {}

    int Run() { return PluginRig::Run(kWipeOperation); }
    // The TC requests the host wrote, by type, identification left out.
    std::vector<int> TcTypes() const {
        std::vector<int> types;
        for (const auto& request : testing_support::TcRequests(log.writes)) {
            if (request.type != 0x6F) {
                types.push_back(request.type);
            }
        }
        return types;
    }
    int ResetFramesWritten() const {
        return static_cast<int>(std::count(log.writes.begin(), log.writes.end(), kResetFrame));
    }
    int RadioWriteRequests() const {
        const auto counters = receiver.GetCounters();
        return counters.lsRequests.count(19) != 0 ? counters.lsRequests.at(19) : 0;
    }
};

TEST(WipeOperation, ListedLastOnlyWithCtrlAndAltHeldAtLoad) {
    const std::vector<std::pair<bool, bool>> partial = {
        {false, false}, {true, false}, {false, true}};
    for (const auto& [control, alt] : partial) {
        WipeRig rig("{}", control, alt);
        EXPECT_EQ(rig.IndexOf(kWipeOperation), -1) << control << alt;
    }
    WipeRig rig;
    const int index = rig.IndexOf(kWipeOperation);
    ASSERT_EQ(index, host_api::GetNumberOperations(*rig.app) - 1);
    std::array<char, 256> text{};
    ASSERT_TRUE(host_api::GetDescription(*rig.app, index, text.data(), 255));
    EXPECT_STREQ(text.data(), "Erase entire radio configuration blocks.");
    const std::vector<std::string> items = {
        "Operation to Perform:\r\n\tErase entire radio configuration \r\n\tblocks.",
        "Ensure your Orrick receiver is connected to COM%d of the PC over Bluetooth or serial "
        "cable.",
        "Erase radio configuration blocks", kWipeSuccess};
    for (int item = 0; item < 4; ++item) {
        text.fill(0);
        ASSERT_TRUE(host_api::GetText(*rig.app, index, item, text.data(), 255)) << item;
        EXPECT_EQ(text.data(), items[static_cast<std::size_t>(item)]) << item;
    }
    EXPECT_EQ(host_api::GetNumberOfPages(*rig.app, index), 0);
}

TEST(WipeOperation, AnsweringNoNeverOpensThePort) {
    WipeRig rig;
    rig.ui.AnswerNextBox(platform::answer::kNo);
    EXPECT_EQ(rig.Run(), 0);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kWipeQuestion);
    EXPECT_EQ(rig.ui.boxes[0].flags, platform::mb::kYesNo | platform::mb::kIconQuestion);
    EXPECT_EQ(rig.ui.titles, (std::vector<std::string>{"Erase radio configuration blocks"}));
    EXPECT_EQ(rig.ui.statuses, (std::vector<std::string>{kCanceled})) << "nothing after it";
    EXPECT_EQ(rig.ui.progress, (std::vector<int>{100}));
    EXPECT_EQ(rig.log.lines, 0);
}

// The models wiped with the erase request: what the user sees, what goes on the wire, the waits.
TEST(WipeOperation, EraseRequestModels) {
    struct Case {
        const char* legend;
        std::string profile;
        int result;
        std::vector<int> tcTypes;
        std::vector<std::string> statuses;
        std::vector<int> progress;
        int erases;
        std::uint8_t productCode;  // first byte of the erase request
        int rebootsToApplication;  // by the reset frame
        bool sendFails = false;    // the erase request cannot be written
    };
    const std::string tarrow = R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR")";
    const std::vector<Case> cases = {
        {"Tarrow answers the erase request",
         tarrow + "}",
         1,
         {0x71},
         {kEstablishing, kErasing, kRebootingTheReceiver, kWipeSuccess},
         {0, 50, 100},
         1,
         100,
         1},
        {"Benlow never answers: three attempts, the reset frame still goes, 1696 once",
         R"({"product": "Benlow", "monitorProduct": "Benlow-MONITOR",
             "faults": {"eraseUnanswered": true}})",
         0,
         {0x71, 0x71, 0x71},
         {kEstablishing, kErasing, kRebootingTheReceiver, kEraseFailed},
         {0, 50, 100, 100},
         0,
         153,
         1},
        {"Tarrow refuses the erase request with a lone NAK: no reply, so three attempts and 1696",
         tarrow + R"(, "faults": {"eraseRefused": true}})",
         0,
         {0x71, 0x71, 0x71},
         {kEstablishing, kErasing, kRebootingTheReceiver, kEraseFailed},
         {0, 50, 100, 100},
         0,
         100,
         1},
        {"the erase request cannot be written: the port's failure box, 1696, the reset frame",
         tarrow + "}",
         0,
         {0x71},
         {kEstablishing, kErasing, kRebootingTheReceiver, kEraseFailed},
         {0, 50, 100, 100},
         0,
         100,
         1,
         true},
        {"Tarrow found in its monitor at the second identification: no erase request",
         tarrow + R"(, "faults": {"dropsToMonitorAfter": 1},
                      "delays": {"bootToMonitorMs": 2000}})",
         1,
         {},
         {kEstablishing, kRebootingTheReceiver, kWipeSuccess},
         {0, 100},
         0,
         0,
         0},
    };
    for (const Case& c : cases) {
        WipeRig rig(c.profile);
        rig.line.failingTc = c.sendFails ? 0x71 : -1;
        const Bytes before = rig.receiver.RadioConfig();
        EXPECT_EQ(rig.Run(), c.result) << c.legend;
        EXPECT_EQ(rig.TcTypes(), c.tcTypes) << c.legend;
        const Bytes payload = {c.productCode, 0x01, 'E', 'R', 'A', 'S', 'E', 'N', 'V', 'C'};
        EXPECT_EQ(static_cast<std::size_t>(
                      std::count(rig.log.writes.begin(), rig.log.writes.end(), payload)),
                  c.sendFails ? 0 : c.tcTypes.size())
            << c.legend;
        EXPECT_EQ(rig.ResetFramesWritten(), 1) << c.legend << ": written whole, in one piece";
        EXPECT_EQ(rig.ui.statuses, c.statuses) << c.legend;
        EXPECT_EQ(rig.ui.progress, c.progress) << c.legend;
        // The question, and the port's own report of a write that failed; never the run's box.
        ASSERT_EQ(rig.ui.boxes.size(), c.sendFails ? 2u : 1u) << c.legend;
        if (c.sendFails) {
            EXPECT_EQ(rig.ui.boxes[1].text, ComText(304, 5)) << c.legend;
        }
        EXPECT_EQ(rig.receiver.GetCounters().erases, c.erases) << c.legend;
        EXPECT_EQ(rig.receiver.RadioConfig() == before, c.erases == 0) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
        rig.receiver.Advance(rig.clock.ElapsedMs());
        EXPECT_EQ(rig.receiver.GetCounters().rebootsToApplication, c.rebootsToApplication)
            << c.legend;
        // 2 s before the reset frame, 2 s after it, then 18 s with the port closed.
        const std::vector<std::uint32_t>& sleeps = rig.clock.Sleeps();
        ASSERT_GE(sleeps.size(), 3u) << c.legend;
        EXPECT_EQ(std::vector<std::uint32_t>(sleeps.end() - 3, sleeps.end()),
                  (std::vector<std::uint32_t>{2000, 2000, 18000}))
            << c.legend;
    }
}

// A Tarrow that stops answering after the first identification (it falls into a long reboot):
// 701, and neither the erase request nor the reset frame goes out.
TEST(WipeOperation, EraseRequestModelThatGoesSilentIs701) {
    WipeRig rig(R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR",
        "faults": {"dropsToMonitorAfter": 1}, "delays": {"bootToMonitorMs": 120000}})");
    EXPECT_EQ(rig.Run(), 0);
    EXPECT_TRUE(rig.TcTypes().empty());
    EXPECT_EQ(rig.ResetFramesWritten(), 0);
    ASSERT_EQ(rig.ui.boxes.size(), 2u);
    EXPECT_EQ(rig.ui.boxes[1].text, rig.ErrorBox(k701));
    EXPECT_EQ(rig.ui.statuses, (std::vector<std::string>{kEstablishing, kFailure}));
    EXPECT_EQ(rig.log.closes, 1);
}

// Every other model: the blocks read in the monitor, the erased dictionary over their start.
TEST(WipeOperation, MonitorPathWritesTheErasedDictionaryOverTheBlock) {
    for (const char* profile : {"{}", R"({"delays": {"radioCommitMs": 20000}})"}) {
        WipeRig rig(profile);
        const Bytes before = rig.receiver.RadioConfig();
        EXPECT_EQ(rig.Run(), 1) << profile;
        const Bytes& after = rig.receiver.RadioConfig();
        ASSERT_EQ(after.size(), 2048u);
        EXPECT_EQ(Bytes(after.begin(), after.begin() + 18), kErasedDictionary) << profile;
        EXPECT_EQ(Bytes(after.begin() + 18, after.end()), Bytes(before.begin() + 18, before.end()))
            << profile << ": the rest as it was read";
        EXPECT_EQ(rig.receiver.GetCounters().radioWrites, 1) << profile;
        EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication) << profile;
        EXPECT_EQ(rig.ui.statuses, (std::vector<std::string>{kEstablishing, kInitializingMonitor,
                                                             kRebootingReceiver, kWipeSuccess}))
            << profile;
        const std::vector<int>& progress = rig.ui.progress;
        ASSERT_GE(progress.size(), 5u);
        EXPECT_EQ(std::vector<int>(progress.end() - 5, progress.end()),
                  (std::vector<int>{30, 75, 100, 95, 100}))
            << profile;
        const std::vector<int> tc = rig.TcTypes();
        EXPECT_EQ(std::count(tc.begin(), tc.end(), 0x71), 0) << profile;
        EXPECT_EQ(rig.ResetFramesWritten(), 0) << profile;
        EXPECT_EQ(rig.log.closes, 1) << profile;
    }
    WipeRig slow(R"({"delays": {"radioCommitMs": 20000}})");
    EXPECT_EQ(slow.Run(), 1);
    EXPECT_GT(slow.receiver.GetCounters().radioEmptyFrames, 4) << "several reply windows";
}

TEST(WipeOperation, MonitorPathFailuresWriteNothing) {
    struct Case {
        const char* legend;
        std::string profile;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"a type code outside the table before the end entry",
         R"({"radio": {"config": {"dictionary": null, "hex": "FD 03 09 00 01 09 00 00 00 FF"}}})",
         k710},
        {"no entry 253",
         R"({"radio": {"config": {"dictionary": [{"id": 1, "type": 2, "value": 5},
                                                   {"id": 0, "type": 255}]}}})",
         k710},
        {"an erased flash block",
         R"({"radio": {"config": {"dictionary": null, "hex": "FF FF", "fill": 255}}})", k710},
        {"no internal radio", R"({"radio": {"present": false}})", k820},
        {"\"tarrow\" in other letters is no erase-request model, nor a known one: the monitor path "
         "asks to retry and the user cancels",
         R"({"product": "tarrow", "monitorProduct": "tarrow-MONITOR"})", ""},
    };
    for (const Case& c : cases) {
        WipeRig rig(c.profile);
        const Bytes before = rig.receiver.RadioConfig();
        if (c.message.empty()) {
            rig.ui.AnswerNextBox(platform::answer::kYes);
            rig.ui.AnswerNextBox(platform::answer::kCancel);
        }
        const int result = rig.Run();
        EXPECT_EQ(rig.ui.statuses.at(1), kInitializingMonitor) << c.legend;
        EXPECT_EQ(rig.RadioWriteRequests(), 0) << c.legend;
        EXPECT_EQ(rig.receiver.RadioConfig(), before) << c.legend;
        const std::vector<int> tc = rig.TcTypes();
        EXPECT_EQ(std::count(tc.begin(), tc.end(), 0x71), 0) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
        ASSERT_EQ(rig.ui.boxes.size(), 2u) << c.legend;
        if (c.message.empty()) {
            EXPECT_EQ(result, 2) << c.legend;
            EXPECT_EQ(rig.ui.boxes[1].flags & 0xF, platform::mb::kRetryCancel) << c.legend;
            EXPECT_EQ(rig.ui.statuses.back(), kCanceled) << c.legend;
        } else {
            EXPECT_EQ(result, 0) << c.legend;
            EXPECT_EQ(rig.ui.boxes[1].text, rig.ErrorBox(c.message)) << c.legend;
            EXPECT_EQ(rig.ui.statuses.back(), kFailure) << c.legend;
        }
    }
}

TEST(WipeOperation, CancelAfterTheReadStopsBeforeDecoding) {
    WipeRig rig;
    const Bytes before = rig.receiver.RadioConfig();
    rig.line.cancelWhen = [&rig] { return rig.receiver.GetCounters().radioReads > 0; };
    EXPECT_EQ(rig.Run(), 2);
    EXPECT_EQ(rig.ui.statuses.back(), kCanceled);
    EXPECT_EQ(rig.ui.progress.back(), 30) << "cancelled right after the read";
    EXPECT_EQ(rig.RadioWriteRequests(), 0);
    EXPECT_EQ(rig.receiver.RadioConfig(), before);
    EXPECT_EQ(rig.log.closes, 1);
}

}  // namespace

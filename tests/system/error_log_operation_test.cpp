// "View error log" end to end in process: both ways of reading the log, the viewer and its
// detail, copying, clearing, the empty log and the failures.
#include <gtest/gtest.h>

#include <algorithm>

#include "operations/error_detail_dlg.h"
#include "operations/error_log_dlg.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"

namespace {

using Rig = testing_support::PluginRig;
using Dialog = testing_support::ScriptedUi::Dialog;
using namespace texts;
using Log = CErrorLogDlg;
using Detail = CErrorDetailDlg;

const std::string kTitle = "Retrieve Error Log";
const std::string kDeleted = "  * DELETED *";
const std::string kMonitor = R"("powerOn": "monitor", "infoBlock": {"hardware": {"minor": 0}})";

const platform::DialogControl* Control(const Dialog& dialog, int id) {
    for (const platform::DialogControl& control : dialog.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

std::vector<std::string> Lines(const Dialog& dialog) {
    const platform::DialogControl* list = Control(dialog, Log::kList);
    return list != nullptr ? list->items : std::vector<std::string>{};
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The list view rows of a detail dialog: label and value.
std::vector<std::pair<std::string, std::string>> Rows(const Dialog& detail) {
    std::vector<std::pair<std::string, std::string>> rows;
    if (const platform::DialogControl* view = Control(detail, Detail::kRows)) {
        for (const std::vector<std::string>& row : view->rows) {
            rows.emplace_back(row.at(0), row.size() > 1 ? row[1] : std::string());
        }
    }
    return rows;
}

std::vector<std::string> Labels(const Dialog& detail) {
    std::vector<std::string> labels;
    for (const auto& row : Rows(detail)) {
        labels.push_back(row.first);
    }
    return labels;
}

// One LS memory read as the host asked for it.
struct MemoryRead {
    std::uint32_t address;
    std::uint32_t count;
};
std::vector<MemoryRead> MemoryReads(const Rig& rig) {
    std::vector<MemoryRead> reads;
    for (const auto& frame :
         testing_support::LsFrames(testing_support::Joined(rig.log.writes), 5)) {
        if (frame.size() == 4 + 6 + 3) {
            reads.push_back({testing_support::BigEndian32(frame, 4),
                             (std::uint32_t{frame[8]} << 8) | frame[9]});
        }
    }
    return reads;
}
// The short (0x08) and long (0x0A) record requests of the TC error-log command.
int RecordRequests(const Rig& rig) {
    int records = 0;
    for (const auto& request : testing_support::TcRequests(rig.log.writes)) {
        records += request.type == 0x91 && request.payload.size() == 3 &&
                   (request.payload[0] == 0x08 || request.payload[0] == 0x0A);
    }
    return records;
}

const std::vector<std::string> kNineLabels = {
    "Error Number", "Time and Date (UTC)", "Up time", "ID", "VPC",
    "PC",           "Data Address",        "RR1",     "RR2"};

TEST(ErrorLogOperation, ApplicationLogOpensTheViewerWithClear) {
    Rig rig;
    EXPECT_EQ(rig.Run(kLogOperation), 1);
    EXPECT_EQ(rig.ui.titles, (std::vector<std::string>{kTitle}));
    EXPECT_EQ(rig.ui.statuses, (std::vector<std::string>{kEstablishing, kLogSuccess}));
    ASSERT_FALSE(rig.ui.progress.empty());
    EXPECT_EQ(rig.ui.progress.front(), 0);
    EXPECT_EQ(rig.ui.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(rig.ui.progress.begin(), rig.ui.progress.end()));
    EXPECT_TRUE(rig.ui.boxes.empty());
    ASSERT_EQ(rig.ui.dialogs.size(), 1u);
    const Dialog& viewer = rig.ui.dialogs[0];
    EXPECT_EQ(viewer.templateId, 138);
    EXPECT_EQ(viewer.caption, "Vorin Error Log Retrieval");
    EXPECT_EQ(viewer.owner, testing_support::TestWindow());
    EXPECT_TRUE(Control(viewer, Log::kClear)->visible);
    EXPECT_TRUE(Control(viewer, Log::kClearText)->visible);
    // Valid entries only, the highest record index first.
    const std::vector<std::string> lines = Lines(viewer);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(StartsWith(lines[0], "Runtime Warning:\t0x0000BEEF  At time: ")) << lines[0];
    EXPECT_TRUE(StartsWith(lines[1], "Radio Error:\t0x0A010203  At time: ")) << lines[1];
    EXPECT_TRUE(StartsWith(lines[2], "Startup Error:\t0x70085000  At time: ")) << lines[2];
    for (const std::string& line : lines) {
        EXPECT_TRUE(EndsWith(line, " UTC")) << line;
    }
    EXPECT_EQ(rig.receiver.GetCounters().logClears, 0);
    EXPECT_EQ(rig.log.closes, 1);
}

TEST(ErrorLogOperation, NothingToShowGivesTheNoErrorsBoxAndSucceeds) {
    struct Case {
        const char* legend;
        std::string profile;
        bool finalProgress;  // only the TC path ends with 100
    };
    const std::vector<Case> cases = {
        {"empty log over TC", R"({"errorLog": {"entries": []}})", true},
        {"deleted entries only over TC (the receiver counts valid ones)",
         R"({"errorLog": {"entries": [{"status": "deleted", "errorNumber": 1}]}})", true},
        {"deleted entries only in memory, no service view",
         "{" + kMonitor + R"(, "errorLog": {"entries": [{"status": "deleted"}]}})", false},
        {"empty memory log", "{" + kMonitor + R"(, "errorLog": {"entries": []}})", false},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        EXPECT_EQ(rig.Run(kLogOperation), 1) << c.legend;
        EXPECT_TRUE(rig.ui.dialogs.empty()) << c.legend;
        ASSERT_EQ(rig.ui.boxes.size(), 1u) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].text, kNoErrors) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].caption, kTitle) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].owner, testing_support::TestWindow()) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].flags,
                  platform::mb::kOk | platform::mb::kIconWarning | platform::mb::kSetForeground)
            << c.legend;
        EXPECT_EQ(rig.ui.progress.back() == 100, c.finalProgress) << c.legend;
        EXPECT_EQ(rig.ui.statuses.back(), kLogSuccess) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
    }
}

// A log read from memory: deleted entries are listed, and copied, only in the service view (Ctrl
// and Alt held), which opens the viewer even on an empty log.
TEST(ErrorLogOperation, MemoryLogShowsAndCopiesDeletedEntriesOnlyInTheServiceView) {
    struct Case {
        const char* legend;
        std::string profile;
        bool serviceView;
        std::vector<std::string> lines;  // starts of the lines, in block order; Copy All copies
                                         // the same entries
        std::vector<bool> deleted;       // which of them carry the deleted mark
    };
    const std::string deletedOnly = R"({"errorLog": {"entries": [
        {"status": "deleted", "errorNumber": "0x12345678", "rr1": 0},
        {"status": "deleted", "errorNumber": "0x70090001", "rr1": 2}]},
        "infoBlock": {"hardware": {"minor": 0}}})";
    const std::vector<std::string> valid = {
        "Startup Error:\t0x70085000", "Radio Error:\t0x0A010203", "Runtime Warning:\t0x0000BEEF"};
    const std::vector<Case> cases = {
        {"service view, deleted entries only",
         deletedOnly,
         true,
         {"Runtime Error:\t0x12345678", "Radio Error:\t0x70090001"},
         {true, true}},
        {"service view, valid and deleted entries",
         R"({"infoBlock": {"hardware": {"minor": 0}}})",
         true,
         {valid[0], valid[1], "Runtime Error:\t0x12345678", valid[2]},
         {false, false, true, false}},
        {"receiver in its monitor, no service view: valid entries only",
         "{" + kMonitor + "}",
         false,
         valid,
         {false, false, false}},
        {"service view, empty log: an empty viewer",
         "{" + kMonitor + R"(, "errorLog": {"entries": []}})",
         true,
         {},
         {}},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.ui.HoldKeys(c.serviceView, c.serviceView);
        rig.ui.OnNextDialog([](platform::DialogSession& viewer) {
            viewer.Press(Log::kCopyAll);
            viewer.Press(platform::kIdOk);
        });
        EXPECT_EQ(rig.Run(kLogOperation), 1) << c.legend;
        EXPECT_TRUE(rig.ui.boxes.empty()) << c.legend;
        ASSERT_EQ(rig.ui.dialogs.size(), 1u) << c.legend;
        const Dialog& viewer = rig.ui.dialogs[0];
        EXPECT_FALSE(Control(viewer, Log::kClear)->visible) << "a memory log cannot be cleared";
        EXPECT_FALSE(Control(viewer, Log::kClearText)->visible) << c.legend;
        const std::vector<std::string> lines = Lines(viewer);
        ASSERT_EQ(lines.size(), c.lines.size()) << c.legend;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(StartsWith(lines[i], c.lines[i] + "  At time: ")) << lines[i];
            EXPECT_TRUE(EndsWith(lines[i], c.deleted[i] ? " UTC" + kDeleted : " UTC")) << lines[i];
        }
        const std::string copied = rig.ui.clipboard.empty() ? "" : rig.ui.clipboard.back();
        for (const std::string& line : c.lines) {
            const std::string number = line.substr(line.find('\t') + 1);
            EXPECT_NE(copied.find("Number: " + number + "\r\n"), std::string::npos)
                << c.legend << ": " << number;
        }
        std::size_t entries = 0;
        for (std::size_t at = copied.find("Type: "); at != std::string::npos;
             at = copied.find("Type: ", at + 1)) {
            ++entries;
        }
        EXPECT_EQ(entries, c.lines.size()) << c.legend << "\n" << copied;
        EXPECT_EQ(copied.find("DELETED"), std::string::npos) << c.legend;
        EXPECT_EQ(rig.receiver.GetCounters().tcRequests[0x91], 0)
            << "read from memory, not over TC";
        EXPECT_FALSE(MemoryReads(rig).empty()) << c.legend;
    }
}

TEST(ErrorLogOperation, MemoryPathReadsTheLogWindowInBlocks) {
    struct Case {
        const char* legend;
        std::string profile;
        std::uint32_t first;
        std::size_t reads;
        std::uint32_t lastCount;
        std::size_t detailRows;  // of the first entry
    };
    // The default log: three valid entries and a deleted one; the first entry holds a stack
    // pointer, two trace words and four bytes of user data.
    const std::vector<Case> cases = {
        {"layout 1, standard memory (8191 bytes)",
         "{" + kMonitor + R"(, "errorLog": {"layout": 1}})", 0x02402000, 38, 51, 9},
        {"layout 2, standard memory", "{" + kMonitor + R"(, "errorLog": {"layout": 2}})",
         0x02402000, 38, 51, 9},
        {"layout 3, standard memory", "{" + kMonitor + "}", 0x02402000, 38, 51, 16},
        {"layout 3, extended memory (131071 bytes)",
         R"({"powerOn": "monitor", "infoBlock": {"hardware": {"minor": 1}}})", 0x02480000, 596, 171,
         16},
        {"another flash base", "{" + kMonitor + R"(, "flash": {"base": "0x01000000"}})", 0x01002000,
         38, 51, 16},
        {"hardware flag set: the image is stored low byte first",
         "{" + kMonitor + R"(, "errorLog": {"byteOrder": "little"}, "flash": {"hardwareFlag": 1}})",
         0x02402000, 38, 51, 16},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.ui.OnNextDialog([](platform::DialogSession& viewer) {
            viewer.DoubleClick(Log::kList, 0);
            viewer.Press(platform::kIdOk);
        });
        EXPECT_EQ(rig.Run(kLogOperation), 1) << c.legend;
        const std::vector<MemoryRead> reads = MemoryReads(rig);
        ASSERT_EQ(reads.size(), c.reads) << c.legend;
        for (std::size_t i = 0; i < reads.size(); ++i) {
            EXPECT_EQ(reads[i].address, c.first + 220 * i) << c.legend << " read " << i;
            EXPECT_EQ(reads[i].count, i + 1 < reads.size() ? 220u : c.lastCount)
                << c.legend << " read " << i;
        }
        ASSERT_EQ(rig.ui.dialogs.size(), 2u) << c.legend;
        const Dialog& viewer = rig.ui.dialogs[0];
        EXPECT_FALSE(Control(viewer, Log::kClear)->visible) << c.legend;
        EXPECT_FALSE(Control(viewer, Log::kClearText)->visible) << c.legend;
        const std::vector<std::string> lines = Lines(viewer);
        ASSERT_EQ(lines.size(), 3u) << c.legend << ": valid entries in block order";
        EXPECT_TRUE(StartsWith(lines[0], "Startup Error:\t0x70085000")) << c.legend;
        EXPECT_TRUE(StartsWith(lines[2], "Runtime Warning:\t0x0000BEEF")) << c.legend;
        EXPECT_EQ(Rows(rig.ui.dialogs[1]).size(), c.detailRows) << c.legend;

        // Progress starts again after the connection's 100, climbs with the bytes read and
        // stays below 100.
        const auto connected = std::find(rig.ui.progress.begin(), rig.ui.progress.end(), 100);
        ASSERT_NE(connected, rig.ui.progress.end()) << c.legend;
        const std::vector<int> reading(connected + 1, rig.ui.progress.end());
        ASSERT_GE(reading.size(), 2u) << c.legend;
        EXPECT_TRUE(std::is_sorted(reading.begin(), reading.end())) << c.legend;
        EXPECT_LT(reading.front(), 10) << c.legend;
        EXPECT_EQ(reading.back(), 99) << c.legend;
    }
}

TEST(ErrorLogOperation, DetailShowsTheEntryRowByRow) {
    Rig rig(R"({"errorLog": {"entries": [
        {"errorNumber": "0x70085000", "id": 3, "vpc": "0x12", "pc": 4, "dataAddress": 2, "rr1": 1,
         "rr2": "0x2A", "softwareVersion": 412, "softwareYear": 2014, "softwareDate": [3, 5],
         "timeOfWeekMs": 345600000, "gpsWeek": 1800, "upTime": 5321, "stackPointer": "0x7FF00",
         "trace": ["0x401000", "0x402000", 0, "0x404000"], "userData": "01 02 03 04"},
        {"errorNumber": "0x700A0000", "pc": "0x411230", "dataAddress": "0x20001000", "rr1": 2,
         "softwareVersion": 5, "softwareYear": 2015, "softwareDate": [12, 31],
         "trace": ["0x1", "0x2", "0x3", "0x4", "0x5", "0x6", "0x7", "0x8", "0x9", "0xA"],
         "userData": "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27",
         "userDataLength": 60}]}})");
    // Over TC the highest index comes first: row 0 is 0x700A0000, row 1 is 0x70085000.
    rig.ui.OnNextDialog([](platform::DialogSession& viewer) {
        viewer.DoubleClick(Log::kList, 1);
        viewer.DoubleClick(Log::kList, 1);
        viewer.DoubleClick(Log::kList, 0);
    });
    rig.ui.OnNextDialog([](platform::DialogSession& detail) { detail.Press(Detail::kCopy); });
    EXPECT_EQ(rig.Run(kLogOperation), 1);
    ASSERT_EQ(rig.ui.dialogs.size(), 4u);

    const Dialog& typed = rig.ui.dialogs[1];
    EXPECT_EQ(typed.templateId, 139);
    EXPECT_EQ(typed.caption, "Error Detail");
    EXPECT_NE(typed.owner, testing_support::TestWindow()) << "owned by the viewer";
    EXPECT_EQ(typed.Text(Detail::kSoftwareVersion), "4.12");
    EXPECT_EQ(typed.Text(Detail::kSoftwareDate), "3/5/2014");
    const platform::DialogControl* view = Control(typed, Detail::kRows);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->gridLines);
    ASSERT_EQ(view->columns.size(), 2u);
    EXPECT_EQ(view->columns[0].title, "Subject");
    EXPECT_EQ(view->columns[0].width, 110);
    EXPECT_EQ(view->columns[1].title, "Information");
    EXPECT_EQ(view->columns[1].width, 270);
    const auto rows = Rows(typed);
    const std::vector<std::pair<std::string, std::string>> first = {{"Error Number", "0x70085000"},
                                                                    {"Up time", "5321"},
                                                                    {"ID", "3"},
                                                                    {"VPC", "0x12"},
                                                                    {"Type", "0x00000004"},
                                                                    {"Version", "0x00000002"},
                                                                    {"RR1", "0x00000001"},
                                                                    {"RR2", "0x0000002A"},
                                                                    {"Stack Pointer", "0x0007FF00"},
                                                                    {"Trace 0", "0x00401000"},
                                                                    {"Trace 1", "0x00402000"},
                                                                    {"Offset 0", "0x00000001"},
                                                                    {"Offset 3", "0x00000004"}};
    for (const auto& expected : first) {
        EXPECT_NE(std::find(rows.begin(), rows.end(), expected), rows.end()) << expected.first;
    }
    EXPECT_EQ(Labels(typed), (std::vector<std::string>{
                                 "Error Number", "Time and Date (UTC)", "Up time", "ID", "VPC",
                                 "Type", "Version", "RR1", "RR2", "Stack Pointer", "Trace 0",
                                 "Trace 1", "Offset 0", "Offset 1", "Offset 2", "Offset 3"}))
        << "the trace stops at its first zero word";
    EXPECT_EQ(Rows(rig.ui.dialogs[2]), rows) << "the same entry opened twice shows the same texts";

    // Outside the Type/Version range: PC and Data Address; ten trace words; 40 bytes shown of 60.
    const Dialog& plain = rig.ui.dialogs[3];
    const std::vector<std::string> labels = Labels(plain);
    ASSERT_EQ(labels.size(), 9u + 1 + 10 + 40);
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 9), kNineLabels);
    EXPECT_EQ(labels[19], "Trace 9");
    EXPECT_EQ(labels.back(), "Offset 39");
    EXPECT_EQ(Rows(plain).back().second, "0x00000027");
    EXPECT_EQ(plain.Text(Detail::kSoftwareVersion), "0.05");
    EXPECT_EQ(plain.Text(Detail::kSoftwareDate), "12/31/2015");

    // The copied text keeps the labels PC and DA.
    ASSERT_EQ(rig.ui.clipboard.size(), 1u);
    const std::string& copied = rig.ui.clipboard[0];
    EXPECT_TRUE(StartsWith(copied,
                           "Type: Startup Error\r\nNumber: 0x70085000\r\nID: 3   DA: "
                           "0x00000002\r\nVPC: 0x12  PC: 0x00000004\r\n"))
        << copied;
    EXPECT_NE(copied.find("Stack Pointer: 0x0007FF00\r\nTrace 0: 0x00401000\r\nTrace 1: "
                          "0x00402000\r\nUser Data:\r\n Offset 0: 0x00000001\r\n"),
              std::string::npos)
        << copied;
}

// "Type" and "Version" stand for PC and Data Address from 0x70080000 to 0x7009FFFF, both ends
// included.
TEST(ErrorLogOperation, TypeAndVersionRowsCoverTheRangeWithBothEnds) {
    // legend: error number -> whether the rows are "Type" and "Version"
    const std::vector<std::pair<std::string, bool>> cases = {
        {"0x7007FFFF", false}, {"0x70080000", true}, {"0x7009FFFF", true}, {"0x700A0000", false}};
    std::string entries;
    for (const auto& [number, typed] : cases) {
        entries +=
            std::string(entries.empty() ? "" : ", ") + R"({"errorNumber": ")" + number + "\"}";
    }
    Rig rig("{" + kMonitor + R"(, "errorLog": {"entries": [)" + entries + "]}}");
    rig.ui.OnNextDialog([&](platform::DialogSession& viewer) {
        for (std::size_t row = 0; row < cases.size(); ++row) {
            viewer.DoubleClick(Log::kList, static_cast<int>(row));
        }
    });
    EXPECT_EQ(rig.Run(kLogOperation), 1);
    ASSERT_EQ(rig.ui.dialogs.size(), 1 + cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto rows = Rows(rig.ui.dialogs[1 + i]);
        ASSERT_GE(rows.size(), 7u) << cases[i].first;
        EXPECT_EQ(rows[0].second, cases[i].first);
        EXPECT_EQ(rows[5].first, cases[i].second ? "Type" : "PC") << cases[i].first;
        EXPECT_EQ(rows[6].first, cases[i].second ? "Version" : "Data Address") << cases[i].first;
    }
}

TEST(ErrorLogOperation, ShortRecordsShowNineRowsAndCopyNoLongFields) {
    Rig rig(R"({"errorLog": {"longRecords": false}})");
    rig.ui.OnNextDialog([](platform::DialogSession& viewer) {
        viewer.DoubleClick(Log::kList, 0);
        viewer.Press(Log::kCopyAll);
    });
    rig.ui.OnNextDialog([](platform::DialogSession& detail) { detail.Press(Detail::kCopy); });
    EXPECT_EQ(rig.Run(kLogOperation), 1);
    ASSERT_EQ(rig.ui.dialogs.size(), 2u);
    EXPECT_EQ(Labels(rig.ui.dialogs[1]), kNineLabels);
    ASSERT_EQ(rig.ui.clipboard.size(), 2u);
    for (const std::string& copied : rig.ui.clipboard) {
        EXPECT_EQ(copied.find("Stack Pointer"), std::string::npos) << copied;
        EXPECT_EQ(copied.find("Trace"), std::string::npos) << copied;
        EXPECT_EQ(copied.find("User Data"), std::string::npos) << copied;
    }
    EXPECT_TRUE(EndsWith(rig.ui.clipboard[0], "\r\n")) << "one entry's full text";
}

TEST(ErrorLogOperation, ClearAsksThenEmptiesTheListWhileCopyAllKeepsEveryEntry) {
    struct Case {
        const char* legend;
        std::string profile;
        int answer;
        std::string failure;  // the box after the clear; empty: none
        std::size_t linesAfter;
        std::size_t receiverEntriesAfter;
    };
    const std::vector<Case> cases = {
        {"Yes clears", "{}", platform::answer::kYes, "", 0, 0},
        {"No keeps everything", "{}", platform::answer::kNo, "", 3, 4},
        {"an erase of 7 s is waited for", R"({"delays": {"logClearMs": 7000}})",
         platform::answer::kYes, "", 0, 0},
        {"refused clear: message, the viewer keeps its lines",
         R"({"faults": {"clearAnswer": "nak"}})", platform::answer::kYes, k707, 3, 4},
        {"unanswered clear: message, the viewer keeps its lines",
         R"({"faults": {"clearAnswer": "silent"}})", platform::answer::kYes, k708, 3, 4},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.ui.AnswerNextBox(c.answer);
        std::size_t linesAfter = 99;
        bool openAfter = false;
        rig.ui.OnNextDialog([&](platform::DialogSession& viewer) {
            viewer.Press(Log::kClear);
            linesAfter = viewer.Find(Log::kList)->items.size();
            openAfter = !viewer.IsEnded();
            viewer.Press(Log::kCopyAll);
            viewer.Press(platform::kIdOk);
        });
        EXPECT_EQ(rig.Run(kLogOperation), 1) << c.legend;
        EXPECT_TRUE(openAfter) << c.legend;
        EXPECT_EQ(linesAfter, c.linesAfter) << c.legend;
        ASSERT_GE(rig.ui.boxes.size(), 1u) << c.legend;
        const auto& question = rig.ui.boxes[0];
        EXPECT_EQ(question.text, kClearQuestion) << c.legend;
        EXPECT_EQ(question.caption, kTitle) << c.legend;
        EXPECT_EQ(question.flags,
                  platform::mb::kYesNo | platform::mb::kIconQuestion | platform::mb::kDefButton2)
            << c.legend;
        EXPECT_NE(question.owner, testing_support::TestWindow()) << "owned by the viewer";
        if (c.failure.empty()) {
            EXPECT_EQ(rig.ui.boxes.size(), 1u) << c.legend;
        } else {
            ASSERT_EQ(rig.ui.boxes.size(), 2u) << c.legend;
            EXPECT_EQ(rig.ui.boxes[1].text, c.failure) << c.legend;
            EXPECT_EQ(rig.ui.boxes[1].owner, question.owner) << "the viewer's, as the question";
        }
        rig.receiver.Advance(rig.clock.ElapsedMs() + 60000);
        EXPECT_EQ(rig.receiver.ErrorLog().size(), c.receiverEntriesAfter) << c.legend;

        // Copy All takes the manager's entries, so a cleared list still copies all three.
        ASSERT_EQ(rig.ui.clipboard.size(), 1u) << c.legend;
        const std::string& copied = rig.ui.clipboard[0];
        EXPECT_TRUE(StartsWith(copied, "Type: Runtime Warning\r\nNumber: 0x0000BEEF\r\n"))
            << c.legend;
        EXPECT_NE(copied.find("\r\n\r\nType: Radio Error\r\nNumber: 0x0A010203\r\n"),
                  std::string::npos)
            << c.legend;
        EXPECT_NE(copied.find("\r\n\r\nType: Startup Error\r\nNumber: 0x70085000\r\n"),
                  std::string::npos)
            << c.legend;
        EXPECT_TRUE(EndsWith(copied, "\r\n\r\n")) << c.legend;
        EXPECT_EQ(copied.find("DELETED"), std::string::npos) << c.legend;
        EXPECT_EQ(copied.find("0x12345678"), std::string::npos) << "the deleted entry is not read";
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
    }
}

TEST(ErrorLogOperation, FailuresAndCancelEndWithThePortClosed) {
    struct Case {
        const char* legend;
        std::string profile;
        int cancelAfterLogReads;  // memory reads or TC record requests; -1: no cancel
        int result;
        std::string message;  // the error box; empty when cancelled
    };
    const std::vector<Case> cases = {
        {"silent receiver (701)", R"({"faults": {"silent": true}})", -1, 0, k701},
        {"neither application nor monitor (709)", R"({"product": "Unlisted-7"})", -1, 0, k709},
        {"memory image low byte first, hardware flag clear (713)",
         "{" + kMonitor + R"(, "errorLog": {"byteOrder": "little"}})", -1, 0, k713},
        {"cancel during the memory read", "{" + kMonitor + "}", 5, 2, ""},
        {"cancel between TC records (the probe and the first record read)", "{}", 2, 2, ""},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        if (c.cancelAfterLogReads >= 0) {
            rig.line.cancelWhen = [&rig, &c] {
                return static_cast<int>(MemoryReads(rig).size()) + RecordRequests(rig) ==
                       c.cancelAfterLogReads;
            };
        }
        EXPECT_EQ(rig.Run(kLogOperation), c.result) << c.legend;
        EXPECT_TRUE(rig.ui.dialogs.empty()) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
        if (c.message.empty()) {
            EXPECT_TRUE(rig.ui.boxes.empty()) << c.legend;
            EXPECT_EQ(rig.ui.statuses.back(), kCanceled) << c.legend;
            EXPECT_EQ(static_cast<int>(MemoryReads(rig).size()) + RecordRequests(rig),
                      c.cancelAfterLogReads)
                << "nothing more is read after the cancel";
        } else {
            ASSERT_EQ(rig.ui.boxes.size(), 1u) << c.legend;
            EXPECT_EQ(rig.ui.boxes[0].text, rig.ErrorBox(c.message)) << c.legend;
            EXPECT_EQ(rig.ui.statuses.back(), kFailure) << c.legend;
        }
    }
}

}  // namespace

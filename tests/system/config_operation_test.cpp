// "Verify receiver options" end to end in process: the shipped plug-in through its exports, the
// receiver simulator on virtual time and the scripted UI. What the "Device Configuration" dialog
// lists for a given information block, the receiver's round trip through its monitor, and every
// way the run can end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "device_rig.h"
#include "frame/error_box.h"
#include "frame/host_interface.h"
#include "operations/modify_options_dlg.h"
#include "platform/strings.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"
#include "support/typical_receiver.h"

namespace {

using Dlg = CLSModifyOptionsDlg;
using device_system::Adopting;
using device_system::Join;
using device_system::Sleeps;
using namespace texts;

// A profile that the simulator ships.
sim::Profile Shipped(const std::string& name) {
    return sim::LoadProfileFile(std::string(VORIN_SIM_PROFILE_DIR) + "/" + name + ".json");
}

// A hex text of count 0xFF bytes.
std::string FFs(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += "FF ";
    }
    return text;
}

// One row of the option list: Option, Status, From, To.
using Row = typical::OptionRow;

class Rig : public testing_support::PluginRig {
  public:
    using PluginRig::PluginRig;

    int Run() { return PluginRig::Run(kOptionsOperation); }
    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        if (const auto* list = Control(Dlg::kOptionList)) {
            for (const auto& cells : list->rows) {
                Row row;
                for (std::size_t c = 0; c < row.size() && c < cells.size(); ++c) {
                    row[c] = cells[c];
                }
                rows.push_back(row);
            }
        }
        return rows;
    }
    std::vector<std::string> OptionNames() const {
        std::vector<std::string> names;
        for (const Row& row : Rows()) {
            names.push_back(row[0]);
        }
        return names;
    }
    // LS reboot requests (type 4, no data) among everything the host wrote.
    long RebootRequests() const {
        const testing_support::Bytes reboot = {0x02, 0x04, 0x00, 0x00, 0x00, 0x04, 0x03};
        const auto frames = testing_support::LsFrames(testing_support::Joined(log.writes), 4);
        return std::count(frames.begin(), frames.end(), reboot);
    }
};

TEST(OptionsOperation, DefaultReceiverShowsItsConfigurationAndGoesBackToItsApplication) {
    Rig rig;
    EXPECT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.ui.titles, (std::vector<std::string>{"Read Configuration"}));
    EXPECT_EQ(rig.ui.statuses,
              (std::vector<std::string>{kEstablishing, kRebootingTheReceiver, kOptionsSuccess}));
    EXPECT_EQ(rig.ui.progress, (std::vector<int>{0, 40, 80, 100}));
    EXPECT_TRUE(rig.ui.boxes.empty());
    ASSERT_EQ(rig.ui.dialogs.size(), 1u);
    const auto& dialog = rig.ui.dialogs[0];
    EXPECT_EQ(dialog.templateId, 113);
    EXPECT_EQ(dialog.caption, "Device Configuration ") << "the caption, a blank, no suffix";
    EXPECT_EQ(dialog.owner, testing_support::TestWindow());
    EXPECT_EQ(dialog.Text(Dlg::kDeviceName), typical::kDeviceName);
    EXPECT_EQ(dialog.Text(Dlg::kSerialNumber), typical::kSerialNumber);
    EXPECT_EQ(dialog.Text(Dlg::kPartNumber), "");

    EXPECT_EQ(rig.Rows(), typical::kOptionRows);
    const auto* list = rig.Control(Dlg::kOptionList);
    ASSERT_NE(list, nullptr);
    // Each row keeps the option's place in the catalogue.
    EXPECT_EQ(list->itemData,
              (std::vector<std::uintptr_t>{0,  1,  2,  3,  7,  11, 12, 14, 18, 22, 29, 32, 52,
                                           55, 80, 81, 82, 85, 86, 88, 90, 91, 92, 93, 95, 99}));
    std::vector<std::string> titles;
    for (const auto& column : list->columns) {
        titles.push_back(column.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Option", "Status", "From", "To"}));
    // Painting is held once around the sizing and the list repainted whole afterwards.
    EXPECT_EQ(list->redrawSwitches, (std::vector<bool>{false, true}));
    EXPECT_EQ(list->erasingInvalidations, 1);

    // Only OK is left to press; the part number and its label never show.
    for (const int id :
         {Dlg::kSave, Dlg::kPrint, platform::kIdCancel, Dlg::kPartNumberLabel, Dlg::kPartNumber}) {
        ASSERT_NE(rig.Control(id), nullptr) << id;
        EXPECT_FALSE(rig.Control(id)->visible) << id;
    }
    EXPECT_TRUE(rig.Control(platform::kIdOk)->visible);

    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication);
    EXPECT_EQ(rig.receiver.GetCounters().rebootsToMonitor, 1);
    EXPECT_EQ(rig.receiver.GetCounters().rebootsToApplication, 1);
    EXPECT_EQ(rig.receiver.GetCounters().baudSwitches, 0) << "the line speed is not raised";
    EXPECT_EQ(rig.RebootRequests(), 1);
    EXPECT_EQ(rig.log.lines, 1);
    EXPECT_EQ(rig.log.closes, 1);
}

TEST(OptionsOperation, ListFollowsTheInformationBlock) {
    // Every non-internal toggle, in catalogue order, for a block with every option bit clear.
    const std::vector<std::string> everyToggle = {"CMR Inputs",
                                                  "CMR Outputs",
                                                  "RTCM Inputs",
                                                  "RTCM Outputs",
                                                  "Beacon",
                                                  "KelvaCAN",
                                                  "Data Collector",
                                                  "Binary Outputs",
                                                  "Moving Base",
                                                  "Data Logging",
                                                  "Guidance",
                                                  "Event Marker",
                                                  "USB Identity",
                                                  "RSIM Output",
                                                  "Bluetooth",
                                                  "Disable L2 Output",
                                                  "L2CS",
                                                  "UHF Transmit",
                                                  "Cellular",
                                                  "Disable Faster than 1 Hz",
                                                  "Lite DC",
                                                  "Disable NMEA",
                                                  "Disable VRS",
                                                  "RTCM DGPSInput",
                                                  "L5",
                                                  "LBand",
                                                  "Disable Aldric",
                                                  "Enable GLONASS",
                                                  "Enable Webserver",
                                                  "Enable USB Hard drive",
                                                  "Transmit High Power",
                                                  "Enable RTCM DGPS Output",
                                                  "Heading Mode Only",
                                                  "No Static CMR Output",
                                                  "No Static CMR Input",
                                                  "Force Float With Static CMR",
                                                  "Scramble CMR Output",
                                                  "Advanced RTCM Output",
                                                  "Login Required",
                                                  "Enable BeiDou",
                                                  "Enable Galileo"};
    const std::vector<std::string> values = {"Firmware Option",
                                             "RTK Range Limit",
                                             "Max Data Rate",
                                             "Log Memory Limit",
                                             "GeoFence",
                                             "Kestrix",
                                             "Brand",
                                             "QSV End",
                                             "Pendle End",
                                             "QSV Start",
                                             "Extended Receiver ID"};
    auto with = [](std::vector<std::string> names, const std::vector<std::string>& more) {
        names.insert(names.end(), more.begin(), more.end());
        return names;
    };
    struct Case {
        const char* legend;
        sim::Profile profile;
        std::vector<std::string> names;
    };
    auto profile = [](const std::string& json) { return testing_support::ProfileText(json); };
    const std::vector<Case> cases = {
        {"every toggle off and undated: the hardware version and the set values only",
         Shipped("options-all-off"), with({"Hardware Version"}, values)},
        {"every option bit clear: the internal and never-listed toggles still stay away",
         profile(R"({"infoBlock": {"toggles": [], "patches": [{"offset": 157,
             "hex": "00 00 00 00 00 00 00 00 00 00"}]}})"),
         with(with(everyToggle, {"Hardware Version"}), values)},
        {"hardware minor 0 hides L5, LBand, Disable Aldric, Enable GLONASS, Enable Webserver "
         "and Log Memory Limit",
         Shipped("hardware-minor-0"),
         {"CMR Inputs", "Enable USB Hard drive", "Hardware Version", "Firmware Option",
          "RTK Range Limit", "Max Data Rate", "GeoFence", "Kestrix", "Brand", "QSV End",
          "Pendle End", "QSV Start", "Extended Receiver ID"}},
        {"a block of 0xFF bytes: only the hardware version",
         profile(R"({"infoBlock": {"toggles": [], "patches": [{"offset": 146,
             "hex": "FF FF FF FF FF"}, {"offset": 300, "hex": ")" +
                 FFs(100) + R"("}]}})"),
         {"Hardware Version"}},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        ASSERT_EQ(rig.Run(), 1) << c.legend;
        EXPECT_EQ(rig.OptionNames(), c.names) << c.legend;
        // Whatever the rows, From and To end up equally wide and no column below 10 pixels.
        const auto* list = rig.Control(Dlg::kOptionList);
        ASSERT_NE(list, nullptr) << c.legend;
        ASSERT_EQ(list->columns.size(), 4u) << c.legend;
        EXPECT_EQ(list->columns[2].width, list->columns[3].width) << c.legend;
        // No row here has a From date, so From fits its header alone while To, the last column,
        // fills the room left of the 352-pixel list: they share (w2 + w3) / 2, which is half the
        // room after Option and Status, and neither width on its own.
        EXPECT_EQ(list->columns[2].width,
                  (352 - list->columns[0].width - list->columns[1].width) / 2)
            << c.legend;
        for (const auto& column : list->columns) {
            EXPECT_GE(column.width, 10) << c.legend << ": " << column.title;
        }
    }
}

TEST(OptionsOperation, ClosingWithEscapeStillRebootsAndSucceeds) {
    Rig rig;
    rig.ui.OnNextDialog([](platform::DialogSession& session) {
        session.DoubleClick(Dlg::kOptionList, 0);
        session.Press(Dlg::kSave);
        session.Press(Dlg::kPrint);
        EXPECT_FALSE(session.IsEnded()) << "double-clicks and hidden buttons do nothing";
        session.Escape();
    });
    EXPECT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.ui.statuses,
              (std::vector<std::string>{kEstablishing, kRebootingTheReceiver, kOptionsSuccess}));
    EXPECT_TRUE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication);
    EXPECT_EQ(rig.RebootRequests(), 1);
}

TEST(OptionsOperation, AFullRunTakesTheFixedWaitsOfTheRoundTrip) {
    // A receiver that is back in its application before the first identification after the
    // reboot: boot into the monitor, baud negotiation without a switch, reboot.
    Rig rig(R"({"delays": {"bootToApplicationMs": 1000}})");
    ASSERT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.clock.Sleeps(), Join({Adopting(),
                                        {14000},
                                        Adopting(),
                                        Adopting(),
                                        Adopting(),
                                        {300},
                                        {500},
                                        {5000},
                                        {2000},
                                        Adopting()}));
}

TEST(OptionsOperation, AReceiverThatDoesNotReportBackAfterTheRebootStillSucceeds) {
    Rig rig(R"({"delays": {"bootToApplicationMs": 60000}})");
    EXPECT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.ui.statuses,
              (std::vector<std::string>{kEstablishing, kRebootingTheReceiver, kOptionsSuccess}));
    EXPECT_TRUE(rig.ui.boxes.empty()) << "812 after the dialog is no failure";
    EXPECT_EQ(rig.ui.dialogs.size(), 1u);
    EXPECT_EQ(rig.log.closes, 1);
}

TEST(OptionsOperation, FailuresBeforeTheDialogLeaveTheReceiverAlone) {
    struct Case {
        const char* legend;
        std::string profile;
        std::vector<int> answers;  // to the message boxes, in order
        int result;
        std::string lastStatus;
        std::string box;  // the error box's message; empty when the last box is no error box
    };
    const std::vector<Case> cases = {
        {"no receiver: Connect fails with 801",
         R"({"faults": {"silent": true}})",
         {},
         0,
         kFailure,
         k801},
        {"the receiver stays in its application: 819",
         R"({"faults": {"neverMonitor": true}})",
         {},
         0,
         kFailure,
         DeviceText(819, " ")},
        {"an unknown product, and the user cancels the retry prompt",
         R"({"product": "Unlisted-7", "monitorProduct": "Unlisted-7-MONITOR"})",
         {platform::answer::kCancel},
         2,
         kCanceled,
         ""},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        for (const int answer : c.answers) {
            rig.ui.AnswerNextBox(answer);
        }
        EXPECT_EQ(rig.Run(), c.result) << c.legend;
        EXPECT_EQ(rig.ui.statuses, (std::vector<std::string>{kEstablishing, c.lastStatus}))
            << c.legend << ": no reboot status";
        ASSERT_FALSE(rig.ui.boxes.empty()) << c.legend;
        if (!c.box.empty()) {
            EXPECT_EQ(rig.ui.boxes.back().text, rig.ErrorBox(c.box)) << c.legend;
            EXPECT_EQ(rig.ui.boxes.back().flags, kErrorBoxFlags) << c.legend;
        }
        EXPECT_TRUE(rig.ui.dialogs.empty()) << c.legend;
        EXPECT_EQ(rig.RebootRequests(), 0) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend << ": the port is closed on the way out";
    }
}

TEST(OptionsOperation, IsListedAfterTheVersionCheckWithItsTexts) {
    Rig rig;
    const int index = rig.IndexOf(kOptionsOperation);
    char buffer[256] = {};
    ASSERT_TRUE(host_api::GetOperation(*rig.app, 0, buffer, sizeof buffer - 1));
    EXPECT_EQ(buffer, kVersionOperation);
    EXPECT_EQ(index, 1);
    ASSERT_TRUE(host_api::GetDescription(*rig.app, index, buffer, sizeof buffer - 1));
    EXPECT_STREQ(buffer, "Retrieves the current configuration of the Orrick receiver.");
    const std::vector<std::pair<int, std::string>> items = {
        {0, "Operation to perform:\r\n\tVerify receiver options"},
        {2, "Retrieve Configuration"},
        {3, kOptionsSuccess},
    };
    for (const auto& [item, text] : items) {
        ASSERT_TRUE(host_api::GetText(*rig.app, index, item, buffer, sizeof buffer - 1)) << item;
        EXPECT_EQ(buffer, text) << item;
    }
}

}  // namespace

// "Verify GPS software version" end to end in process: identification, radio detection and
// query, version numbers and the dialog, the rejected products and every failure box.
#include <gtest/gtest.h>

#include "frame/error_box.h"
#include "frame/host_interface.h"
#include "operations/version_display_dlg.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"

namespace {

using Rig = testing_support::PluginRig;
using Dlg = CVersionDisplayDlg;
using Kind = testing_support::ScriptedUi::Event::Kind;
using testing_support::TcRequest;
using namespace texts;

TEST(VersionOperation, TypicalReceiverShowsItsVersionsInTheDialog) {
    Rig rig;
    EXPECT_EQ(rig.Run(kVersionOperation), 1);
    EXPECT_EQ(rig.ui.titles, (std::vector<std::string>{"Retrieve Software Version"}));
    EXPECT_EQ(rig.ui.statuses,
              (std::vector<std::string>{kEstablishing, "Retrieving version information...",
                                        kVersionSuccess}));
    EXPECT_EQ(rig.ui.progress, (std::vector<int>{0, 100}));
    EXPECT_TRUE(rig.ui.boxes.empty());
    ASSERT_EQ(rig.ui.dialogs.size(), 1u);
    const auto& dialog = rig.ui.dialogs[0];
    EXPECT_EQ(dialog.templateId, 106);
    EXPECT_EQ(dialog.caption, "Software Version");
    EXPECT_EQ(dialog.owner, testing_support::TestWindow());
    EXPECT_EQ(rig.Field(Dlg::kModelLabel), "Model: Orrick Receiver");
    EXPECT_EQ(rig.Field(Dlg::kSerialNumber), "5213K40078");
    EXPECT_EQ(rig.Field(Dlg::kSoftwareVersion), "4.12") << "the receiver sends 004.12";
    EXPECT_EQ(rig.Field(Dlg::kBootVersion), "3.05");
    EXPECT_EQ(rig.Field(Dlg::kRadioVersion), "1.23");
    EXPECT_EQ(rig.Field(Dlg::kPcbSerialNumber), "");

    // The dialog comes after the last progress step and before the success line.
    std::vector<Kind> kinds;
    for (const auto& event : rig.ui.events) {
        kinds.push_back(event.kind);
    }
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::kTitle, Kind::kStatus, Kind::kProgress, Kind::kStatus,
                                        Kind::kProgress, Kind::kDialog, Kind::kStatus}));
    // Radio flag query, pass-through to receiver port 1 + 1 in mode 4, radio query '0', then the
    // version numbers after the second identification.
    std::vector<TcRequest> tc;
    for (const TcRequest& request : testing_support::TcRequests(rig.log.writes)) {
        if (request.type != 0x6F) {
            tc.push_back(request);
        }
    }
    EXPECT_EQ(tc, (std::vector<TcRequest>{
                      {0x4A, {0x00}}, {0x84, {0x02, 0x04}}, {0x77, {0x30}}, {0x06, {}}}));
    EXPECT_EQ(rig.log.lines, 1);
    EXPECT_EQ(rig.log.closes, 1);
    EXPECT_EQ(rig.receiver.GetMode(), sim::Mode::kApplication) << "nothing in it changed";
}

TEST(VersionOperation, RadioVersionFollowsWhatTheRadioSays) {
    struct Case {
        const char* legend;
        std::string profile;
        std::string radioVersion;
        bool identifiesAgain;  // after the pass-through request, before the version numbers
    };
    const std::vector<Case> cases = {
        {"no internal radio: empty", R"({"radio": {"present": false}})", "", false},
        {"radio flag clear although a radio answers: empty", R"({"flags": {"radioFlags": 1}})", "",
         false},
        {"pass-through refused with NAK: None", R"({"radio": {"passThrough": "nak"}})", "None",
         false},
        {"pass-through unanswered: None", R"({"radio": {"passThrough": "silent"}})", "None", true},
        {"pass-through ACK lost while the radio has the port: None",
         R"({"radio": {"passThrough": "ack-lost"}})", "None", true},
        {"VERSION,01.23 and more fields: leading zero removed",
         R"({"radio": {"versionText": "MODEL,UHF-A,VERSION,01.23,BAND,450"}})", "1.23", true},
        {"VERSION,1.23 at the end without a comma: empty",
         R"({"radio": {"versionText": "MODEL,UHF-A,VERSION,1.23"}})", "", true},
        {"nothing after VERSION,: empty", R"({"radio": {"versionText": "MODEL,UHF-A,VERSION,"}})",
         "", true},
        {"no VERSION, at all: empty", R"({"radio": {"versionText": "MODEL,UHF-A,BAND,450"}})", "",
         true},
        {"a reply of six bytes is too short: empty", R"({"radio": {"versionText": "VERS,,"}})", "",
         true},
        {"a version of zeros only: empty", R"({"radio": {"versionText": "VERSION,000,X"}})", "",
         true},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        EXPECT_EQ(rig.Run(kVersionOperation), 1) << c.legend;
        EXPECT_EQ(rig.Field(Dlg::kRadioVersion), c.radioVersion) << c.legend;
        EXPECT_EQ(rig.Field(Dlg::kSoftwareVersion), "4.12") << c.legend;
        EXPECT_TRUE(rig.ui.boxes.empty()) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
        EXPECT_FALSE(rig.receiver.InRadioPassThrough()) << c.legend << ": port left to the radio";
        EXPECT_EQ(rig.receiver.GetCounters().identifications, c.identifiesAgain ? 2 : 1)
            << c.legend;
    }
}

TEST(VersionOperation, VersionNumbersLoseTheirLeadingZeros) {
    struct Case {
        const char* legend;
        std::string profile;
        std::string software;
        std::string boot;
    };
    const std::vector<Case> cases = {
        {"one digit majors are padded to 004 and 003 on the wire", "{}", "4.12", "3.05"},
        {"two digits", R"({"versions": {"software": "12.34", "boot": "10.00"}})", "12.34", "10.00"},
        {"three digits keep inner zeros", R"({"versions": {"software": "105.01"}})", "105.01",
         "3.05"},
        {"major 0 loses every leading zero", R"({"versions": {"software": "0.90"}})", ".90",
         "3.05"},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        EXPECT_EQ(rig.Run(kVersionOperation), 1) << c.legend;
        EXPECT_EQ(rig.Field(Dlg::kSoftwareVersion), c.software) << c.legend;
        EXPECT_EQ(rig.Field(Dlg::kBootVersion), c.boot) << c.legend;
    }
}

TEST(VersionOperation, TrimmingLeadingZeros) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"004.12", "4.12"}, {"000", ""}, {"", ""},       {"None", "None"},
        {"10.0", "10.0"},   {"0", ""},   {"00a0", "a0"},
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(Dlg::TrimLeadingZeros(text), trimmed) << text;
    }
}

TEST(VersionOperation, ReceiverInItsMonitorIsTurnedAwayWithoutAnErrorBox) {
    for (const char* profile : {R"({"powerOn": "monitor"})", R"({"product": "Vorin-MONITOR"})"}) {
        Rig rig(profile);
        EXPECT_EQ(rig.Run(kVersionOperation), 2) << profile;
        ASSERT_EQ(rig.ui.boxes.size(), 1u) << profile;
        const auto& box = rig.ui.boxes[0];
        EXPECT_EQ(box.text, k731) << profile;
        EXPECT_EQ(box.caption, "DevVorin");
        EXPECT_EQ(box.flags, platform::mb::kOk | platform::mb::kSetForeground) << "no icon";
        EXPECT_EQ(box.owner, testing_support::TestWindow());
        EXPECT_EQ(rig.ui.statuses.back(), kCanceled);
        EXPECT_TRUE(rig.ui.dialogs.empty());
        EXPECT_EQ(rig.log.closes, 1) << "the port is closed on the way out";
    }
}

TEST(VersionOperation, UnknownProductGetsTheInvalidDeviceBoxAfterBranding) {
    struct Case {
        const char* legend;
        int variant;
        std::string host;
    };
    const std::vector<Case> cases = {
        {"no branding", 0, "Vantor"},
        {"the host's other name", 1, "Brackfell"},
        {"maker name variant leaves this text alone", 2, "Vantor"},
    };
    for (const Case& c : cases) {
        Rig rig(R"({"product": "Unlisted-7", "monitorProduct": "Unlisted-7-MONITOR"})");
        SetBrandingVariant(c.variant);
        EXPECT_EQ(rig.Run(kVersionOperation), 2) << c.legend;
        ASSERT_EQ(rig.ui.boxes.size(), 1u) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].text, InvalidDevice(c.host)) << c.legend;
        EXPECT_EQ(rig.ui.boxes[0].flags, platform::mb::kOk | platform::mb::kSetForeground);
        EXPECT_EQ(rig.ui.statuses.back(), kCanceled) << c.legend;
        EXPECT_TRUE(rig.ui.dialogs.empty()) << c.legend;
        EXPECT_EQ(rig.log.closes, 1) << c.legend;
    }
}

TEST(VersionOperation, NullHostWindowSendsNothingAndStillCompletes) {
    Rig rig;
    EXPECT_EQ(rig.Run(kVersionOperation, nullptr), 1);
    EXPECT_TRUE(rig.ui.statuses.empty());
    EXPECT_TRUE(rig.ui.progress.empty());
    EXPECT_TRUE(rig.ui.titles.empty());
    ASSERT_EQ(rig.ui.dialogs.size(), 1u);
    EXPECT_EQ(rig.ui.dialogs[0].owner, nullptr);
    EXPECT_EQ(rig.Field(Dlg::kRadioVersion), "1.23");

    Rig monitor(R"({"powerOn": "monitor"})");
    EXPECT_EQ(monitor.Run(kVersionOperation, nullptr), 2);
    ASSERT_EQ(monitor.ui.boxes.size(), 1u) << "the box still shows, without an owner";
    EXPECT_EQ(monitor.ui.boxes[0].owner, nullptr);
    EXPECT_TRUE(monitor.ui.statuses.empty());
}

TEST(VersionOperation, FailuresShowTheirExactErrorBox) {
    struct Case {
        const char* legend;
        std::string profile;
        int lostTc;  // TC frames of this type are lost on the line
        int failOpens;
        std::string message;
        int transportCloses;
    };
    const std::vector<Case> cases = {
        {"silent receiver: identification fails (701)", R"({"faults": {"silent": true}})", -1, 0,
         k701, 1},
        {"version numbers never answered (704)", "{}", 0x06, 0, k704, 1},
        {"port cannot be opened (301)", "{}", -1, 1, "", 0},
    };
    for (const Case& c : cases) {
        Rig rig(c.profile);
        rig.line.loses = [&c](const testing_support::Bytes& frame) {
            return frame[1] == 0x00 && frame[2] == c.lostTc;
        };
        rig.line.failOpens = c.failOpens;
        EXPECT_EQ(rig.Run(kVersionOperation), 0) << c.legend;
        ASSERT_FALSE(rig.ui.boxes.empty()) << c.legend;
        const auto& box = rig.ui.boxes.back();
        if (!c.message.empty()) {
            EXPECT_EQ(box.text, rig.ErrorBox(c.message)) << c.legend;
        }
        EXPECT_EQ(box.flags, kErrorBoxFlags) << c.legend;
        EXPECT_EQ(rig.ui.statuses.back(), kFailure) << c.legend;
        EXPECT_TRUE(rig.ui.dialogs.empty()) << c.legend;
        EXPECT_EQ(rig.log.closes, c.transportCloses) << c.legend;
    }
}

TEST(VersionOperation, RadioQueryThatCannotBeSentFailsWith707) {
    Rig rig;
    rig.line.failingTc = 0x77;
    EXPECT_EQ(rig.Run(kVersionOperation), 0);
    ASSERT_FALSE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.ui.boxes.back().text, rig.ErrorBox(k707));
    EXPECT_EQ(rig.ui.statuses.back(), kFailure);
    EXPECT_EQ(rig.log.closes, 1);
}

TEST(VersionOperation, IsTheFirstShippedOperationWithItsTexts) {
    Rig rig;
    char buffer[256] = {};
    ASSERT_TRUE(host_api::GetOperation(*rig.app, 0, buffer, sizeof buffer - 1));
    EXPECT_EQ(buffer, kVersionOperation);
    ASSERT_TRUE(host_api::GetDescription(*rig.app, 0, buffer, sizeof buffer - 1));
    EXPECT_STREQ(buffer, "Retrieves the software version from the Orrick receiver.");
    const std::vector<std::pair<int, std::string>> items = {
        {0, "Operation to perform:\r\n\tVerify GPS software version"},
        {1,
         "Ensure your Orrick receiver is connected to COM%d of the PC over Bluetooth or "
         "serial cable."},
        {2, "retrieve software version"},
        {3, kVersionSuccess},
    };
    for (const auto& [item, text] : items) {
        ASSERT_TRUE(host_api::GetText(*rig.app, 0, item, buffer, sizeof buffer - 1)) << item;
        EXPECT_EQ(buffer, text) << item;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "engine/profile.h"

namespace {

namespace fs = std::filesystem;

const fs::path kProfiles = VORIN_SIM_PROFILE_DIR;

TEST(SimProfile, BuiltInReceiverDefaults) {
    const sim::Profile p = sim::DefaultProfile();
    EXPECT_EQ(p.product, "Orrick Receiver");
    EXPECT_EQ(p.monitorProduct, "Vorin-MONITOR");
    EXPECT_EQ(p.powerOn, sim::PowerOnMode::kApplication);
    EXPECT_EQ(p.line, sim::kIdentificationLine);
    EXPECT_TRUE(p.radio.present);
    EXPECT_EQ(p.radioFlags & 0x02, 0x02);
    EXPECT_EQ(p.radio.config.size(), sim::kRadioConfigSize);
    EXPECT_EQ(p.errorLog.entries.size(), 4u);
    EXPECT_GE(p.errorLog.entries.size(), 1u);
    // Boots fit inside the plug-in's fixed waits (14 s into the monitor; 2 s and 18 s back).
    EXPECT_LT(p.delays.bootToMonitorMs, 14000u);
    EXPECT_LT(p.delays.bootToApplicationMs, 18000u);
    EXPECT_LT(p.delays.radioCommitMs, 21u * 3000u);
    // A dozen options: count the toggles that are on.
    int on = 0;
    for (std::size_t bit = 0; bit < 80; ++bit) {
        on += (p.infoBlock[157 + bit / 8] & (0x80 >> (bit % 8))) == 0 ? 1 : 0;
    }
    EXPECT_GE(on, 12);
}

// A monitor-mode receiver whose memory log has the layout, in the window chosen by the
// extended-memory byte, big-endian unless its hardware flag is set.
bool MemoryLog(const sim::Profile& p, int layout, bool extended) {
    const sim::ByteOrder order =
        p.flash.hardwareFlag != 0 ? sim::ByteOrder::kLittle : sim::ByteOrder::kBig;
    return p.powerOn == sim::PowerOnMode::kMonitor && p.errorLog.layout == layout &&
           p.errorLog.byteOrder == order && (p.infoBlock[147] != 0) == extended;
}

TEST(SimProfile, EveryShippedProfileLoadsWithItsKnob) {
    using Check = std::function<bool(const sim::Profile&)>;
    const std::map<std::string, Check> knobs = {
        {"silent", [](const sim::Profile& p) { return p.faults.silent; }},
        {"noisy", [](const sim::Profile& p) { return p.faults.noise.size() == 6; }},
        {"corrupt-first", [](const sim::Profile& p) { return p.faults.corruptBeforeGood; }},
        {"refused-baud", [](const sim::Profile& p) { return p.faults.refuseBaud; }},
        {"no-hardware-info",
         [](const sim::Profile& p) {
             return p.faults.noHardwareInfo && p.flash.base == 0x01000000;
         }},
        {"no-radio",
         [](const sim::Profile& p) {
             return !p.radio.present && p.radioFlags == 0 && p.radio.config.empty();
         }},
        {"never-monitor", [](const sim::Profile& p) { return p.faults.neverMonitor; }},
        {"slow-reboot",
         [](const sim::Profile& p) {
             return p.delays.bootToMonitorMs > 14000 && p.delays.bootToApplicationMs > 20000;
         }},
        {"long-boot",
         [](const sim::Profile& p) {
             return p.bootFlags == 1 && p.delays.bootToMonitorMs < 24000;
         }},
        {"unknown-product", [](const sim::Profile& p) { return p.product == "Unlisted-7"; }},
        {"monitor-name",
         [](const sim::Profile& p) {
             return p.product == "Vorin-MONITOR" && p.powerOn == sim::PowerOnMode::kApplication;
         }},
        {"usb-port",
         [](const sim::Profile& p) {
             return p.portNumber == 15 && p.delays.usbReturnMs < 8000 && p.faults.usbGoneAfter == 0;
         }},
        // Later than the plug-in's first reopen after entering (21.5 s) and leaving (8 s) the
        // monitor, before its second (26.5 s, 13 s).
        {"usb-late",
         [](const sim::Profile& p) {
             return p.portNumber == 15 && p.delays.usbReturnMs > 21500 &&
                    p.delays.usbReturnMs < 26500 && p.faults.usbGoneAfter == 0;
         }},
        {"usb-gone",
         [](const sim::Profile& p) { return p.portNumber == 15 && p.faults.usbGoneAfter == 1; }},
        {"in-monitor",
         [](const sim::Profile& p) {
             return MemoryLog(p, 1, false) && p.errorLog.byteOrder == sim::ByteOrder::kLittle;
         }},
        {"tarrow", [](const sim::Profile& p) { return p.product == "Tarrow"; }},
        {"slow-clear", [](const sim::Profile& p) { return p.delays.logClearMs > 6000; }},
        {"clear-refused",
         [](const sim::Profile& p) { return p.faults.clearAnswer == sim::ClearAnswer::kRefuse; }},
        {"clear-silent",
         [](const sim::Profile& p) { return p.faults.clearAnswer == sim::ClearAnswer::kSilent; }},
        {"error-log-mixed",
         [](const sim::Profile& p) {
             const auto& e = p.errorLog.entries;
             return e.size() == 4 && e[1].status == sim::kLogDeleted &&
                    e[0].errorNumber == 0x70085000 && e[2].errorNumber == 0x700A0000 &&
                    e[2].userDataLength > 40;
         }},
        {"error-log-short-records", [](const sim::Profile& p) { return !p.errorLog.longRecords; }},
        {"error-log-empty", [](const sim::Profile& p) { return p.errorLog.entries.empty(); }},
        {"error-log-deleted-only",
         [](const sim::Profile& p) {
             return !p.errorLog.entries.empty() &&
                    std::all_of(
                        p.errorLog.entries.begin(), p.errorLog.entries.end(),
                        [](const sim::ErrorLogRecord& r) { return r.status == sim::kLogDeleted; });
         }},
        {"error-log-monitor-layout1", [](const sim::Profile& p) { return MemoryLog(p, 1, false); }},
        {"error-log-monitor-layout2", [](const sim::Profile& p) { return MemoryLog(p, 2, false); }},
        {"error-log-monitor-layout3", [](const sim::Profile& p) { return MemoryLog(p, 3, false); }},
        {"error-log-monitor-extended", [](const sim::Profile& p) { return MemoryLog(p, 3, true); }},
        {"error-log-monitor-little-endian",
         [](const sim::Profile& p) {
             return MemoryLog(p, 3, false) && p.errorLog.byteOrder == sim::ByteOrder::kLittle;
         }},
        {"benlow",
         [](const sim::Profile& p) { return p.product == "Benlow" && p.faults.eraseUnanswered; }},
        {"bad-radio-dictionary",
         [](const sim::Profile& p) {
             return p.radio.config.size() == 2048 && p.radio.config[5] == 0x09;
         }},
        {"slow-radio-commit", [](const sim::Profile& p) { return p.delays.radioCommitMs > 18000; }},
        {"options-all-off",
         [](const sim::Profile& p) {
             for (std::size_t i = 157; i < 167; ++i) {
                 if (p.infoBlock[i] != 0xFF) {
                     return false;
                 }
             }
             return p.infoBlock[147] == 1;
         }},
        {"hardware-minor-0",
         [](const sim::Profile& p) {
             return p.infoBlock[147] == 0 && (p.infoBlock[157 + 29 / 8] & (0x80 >> (29 % 8))) == 0;
         }},
    };
    int seen = 0;
    for (const auto& file : fs::directory_iterator(kProfiles)) {
        const std::string stem = file.path().stem().string();
        SCOPED_TRACE(stem);
        const sim::Profile p = sim::LoadProfileFile(file.path().string());
        EXPECT_EQ(p.name, stem);
        const auto knob = knobs.find(stem);
        ASSERT_NE(knob, knobs.end()) << "a shipped profile without a check";
        EXPECT_TRUE(knob->second(p));
        ++seen;
    }
    EXPECT_EQ(seen, static_cast<int>(knobs.size()));
}

TEST(SimProfile, BadProfilesAreRefusedNamingTheField) {
    struct Case {
        const char* legend;
        const char* json;
        const char* message;  // part of the error text
    };
    const Case cases[] = {
        {"misspelt knob", R"({"faults": {"silnt": true}})", "'faults.silnt' is not known"},
        {"unknown section", R"({"fault": {}})", "'fault' is not known"},
        {"wrong type", R"({"port": {"baud": "fast"}})", "'port.baud' must be a number"},
        {"rate not in the line table", R"({"port": {"baud": 12345}})", "'port.baud' is not a rate"},
        {"negative number", R"({"port": {"number": -1}})", "'port.number' must not be negative"},
        {"parity letter", R"({"port": {"parity": "X"}})", "'port.parity' must be one of"},
        {"version shape", R"({"versions": {"software": "4"}})",
         "'versions.software' must look like"},
        {"boolean expected", R"({"radio": {"present": 1}})",
         "'radio.present' must be true or false"},
        {"raw block of the wrong size", R"({"infoBlock": {"hex": "FF FF"}})",
         "'infoBlock.hex' must hold exactly 425 bytes"},
        {"odd hex digits", R"({"faults": {"noise": "0"}})", "'faults.noise' must hold pairs"},
        {"toggle bit out of range", R"({"infoBlock": {"toggles": [{"bit": 80}]}})",
         "'infoBlock.toggles[0].bit' must be from 0 to 79"},
        {"date without its partner",
         R"({"infoBlock": {"toggles": [{"bit": 3, "from": "2014-03-05"}]}})",
         "'infoBlock.toggles[0].to' is required"},
        {"impossible date", R"({"infoBlock": {"values": {"qsvEnd": "2014-02-30"}}})",
         "'infoBlock.values.qsvEnd' must be a date"},
        {"patch past the block", R"({"infoBlock": {"patches": [{"offset": 424, "hex": "0102"}]}})",
         "'infoBlock.patches[0].hex' runs past"},
        {"radio type code", R"({"radio": {"config": {"dictionary": [{"id": 1, "type": 9}]}}})",
         "'radio.config.dictionary[0].type' is not a type code"},
        {"record status", R"({"errorLog": {"entries": [{"status": "ok"}]}})",
         "'errorLog.entries[0].status' must be one of"},
        {"too many trace words",
         R"({"errorLog": {"entries": [{"trace": [1,2,3,4,5,6,7,8,9,10,11]}]}})",
         "'errorLog.entries[0].trace' must hold at most 10"},
        {"name with a separator", R"({"product": "A;B"})", "'product' must not hold"},
        {"not JSON", R"({"faults": )", "not valid JSON"},
        {"not an object", R"([1, 2])", "must be a JSON object"},
        {"section of the wrong kind", R"({"delays": 5})", "'delays' must be an object"},
        {"request of no protocol", R"({"faults": {"requests": [{"on": "xx-1"}]}})",
         "'faults.requests[0].on' must be identification, any"},
        {"request type out of range", R"({"faults": {"requests": [{"on": "ls-256"}]}})",
         "'faults.requests[0].on' must end in a request type"},
        {"late without its delay", R"({"faults": {"requests": [{"action": "late"}]}})",
         "'faults.requests[0].ms' goes with"},
        {"delay of another action", R"({"faults": {"requests": [{"ms": 5}]}})",
         "'faults.requests[0].ms' goes with"},
        {"the 0th request", R"({"faults": {"requests": [{"nth": 0}]}})",
         "'faults.requests[0].nth'"},
    };
    for (const Case& c : cases) {
        try {
            sim::LoadProfileText(c.json, "bad.json");
            ADD_FAILURE() << c.legend << ": accepted";
        } catch (const sim::ProfileError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(c.message), std::string::npos) << c.legend << ": " << text;
            EXPECT_EQ(text.rfind("bad.json: ", 0), 0u) << c.legend << ": " << text;
        }
    }
}

TEST(SimProfile, FilesThatCannotBeReadAreNamed) {
    const std::string missing = (fs::temp_directory_path() / "no-such-vorin-profile.json").string();
    try {
        sim::LoadProfileFile(missing);
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const sim::ProfileError& e) {
        EXPECT_NE(std::string(e.what()).find(missing + ": cannot open"), std::string::npos);
    }
}

TEST(SimProfile, PatchKeepsEverythingItDoesNotName) {
    const sim::Profile p = sim::LoadProfileText(
        R"({"serial": "X1", "infoBlock": {"values": {"brand": 3}}, "delays": {"replyMs": 0}})",
        "patch");
    EXPECT_EQ(p.serial, "X1");
    EXPECT_EQ(p.infoBlock[352], 3);
    EXPECT_EQ(p.delays.replyMs, 0u);
    EXPECT_EQ(p.delays.bootToMonitorMs, 10000u);
    EXPECT_EQ(p.infoBlock[337], 4) << "other values of the section stay";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p.infoBlock[2]), 2), "X1")
        << "the block's serial follows the profile's";
}

}  // namespace

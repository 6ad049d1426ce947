// A rack's command line and records: the ports a user names (lists, ranges, twice, devices of
// ports not named), and what a run's document makes of a receiver's row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rack_record.h"
#include "run_args.h"

namespace {

using Json = RackRun::Json;

TEST(RackArgs, PortsAndTheirDevicesReadAsTheHelpSays) {
    struct Case {
        const char* legend;
        std::vector<std::string> args;  // after the operation
        std::vector<int> ports;         // empty: refused with error
        bool rack;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"one port stays one run", {"--port", "5"}, {5}, false, ""},
        {"one port and its N=PATH device", {"--port", "5", "--device", "5=/dev/x"}, {5}, false, ""},
        {"two ports make a rack", {"--port", "5", "--port=3"}, {5, 3}, true, ""},
        {"a port given twice is kept twice", {"--port", "5", "--port", "5"}, {5, 5}, true, ""},
        {"a list with ranges", {"--ports", "3-5,9,11-11"}, {3, 4, 5, 9, 11}, true, ""},
        {"a range of one is a rack of one", {"--ports", "7-7"}, {7}, true, ""},
        {"a report makes a rack of one", {"--port", "7", "--report", "out"}, {7}, true, ""},
        {"a range high to low", {"--ports", "5-3"}, {}, false, "--ports takes"},
        {"an empty item", {"--ports", "3,,5"}, {}, false, "--ports takes"},
        {"port 0", {"--ports", "0-2"}, {}, false, "--ports takes"},
        {"past 1024", {"--ports", "1000-1025"}, {}, false, "--ports takes"},
        {"a plain device in a rack",
         {"--ports", "3-4", "--device", "/dev/x"},
         {},
         false,
         "in a rack --device takes N=PATH"},
        {"a device of a port not given",
         {"--ports", "3-4", "--device", "5=/dev/x"},
         {},
         false,
         "--device 5=/dev/x names COM5, which is not among the ports given"},
        {"a device named twice",
         {"--ports", "3-4", "--device", "3=/a", "--device", "3=/b"},
         {},
         false,
         "--device names COM3's device twice"},
        {"a device of port 0",
         {"--ports", "3-4", "--device", "0=/a"},
         {},
         false,
         "--device N=PATH takes"},
        {"no jobs", {"--ports", "3-4", "--jobs", "0"}, {}, false, "--jobs takes"},
        {"a rack's child is one port",
         {"--ports", "3-4", "--events"},
         {},
         false,
         "--events is for the runs of a rack"},
        {"a working day is one port",
         {"--ports", "3-4", "--repeat", "2"},
         {},
         false,
         "--repeat and --stats are for one port"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"0"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunArgs run;
        std::string error;
        const bool parsed = ParseRunArgs(args, run, error);
        EXPECT_EQ(parsed, !c.ports.empty()) << c.legend << ": " << error;
        if (parsed) {
            EXPECT_EQ(run.ports, c.ports) << c.legend;
            EXPECT_EQ(run.rack, c.rack) << c.legend;
        } else {
            EXPECT_EQ(error.rfind(c.error, 0), 0U) << c.legend << ": " << error;
        }
    }
    RunArgs single;
    std::string error;
    ASSERT_TRUE(ParseRunArgs({"0", "--device", "5=/dev/x", "--port", "5"}, single, error));
    EXPECT_EQ(single.device, "/dev/x") << "COM5's N=PATH device serves the single run";
    RunArgs answers;
    ASSERT_TRUE(
        ParseRunArgs({"0", "--ports", "1-2", "--answer", "yes", "--answer=ok"}, answers, error));
    EXPECT_EQ(answers.answerText, "yes,ok") << "every run gets the whole list";
}

Json VersionDialog(const std::string& serial) {
    return {{"caption", "Software Version"},
            {"controls",
             {{{"id", 1018}, {"text", "Model: Orrick Receiver"}},
              {{"id", 1019}, {"text", serial}},
              {{"id", 1017}, {"text", "4.12"}},
              {{"id", 1067}, {"text", "3.05"}},
              {{"id", 1077}, {"text", "1.23"}},
              {{"id", 1095}, {"text", ""}}}}};
}

TEST(RackRecord, EachRunsRowComesFromItsOwnDocument) {
    std::vector<RackRun> runs(5);
    // Completed: the dialog gives serial number, model and versions.
    runs[0].port = 3;
    runs[0].document = {
        {"exitStatus", 0}, {"durationMs", 21500}, {"dialogs", {VersionDialog("5213K,7\"")}}};
    runs[0].Finish(0, 0, false);
    // Failed: the last box's text in one line without the version line, and the port advice.
    runs[1].port = 4;
    runs[1].log = "running\nvantor-host: COM4 is /dev/x here, which cannot be opened: gone\n";
    runs[1].document = {
        {"exitStatus", 1},
        {"messageBoxes",
         {{{"text",
            "DevVorin Version: 4.86b0\n\nCOM Failure! [301] There was a failure.\n\nRestart"}}}}};
    runs[1].Finish(1, 0, false);
    // Quit at once by a second Ctrl+C: no document, cancelled.
    runs[2].port = 5;
    runs[2].log = "vantor-host: quitting now.\n";
    runs[2].Finish(-1, 2, true);
    // Exited 0 without its document: not completed, as nothing shows it.
    runs[3].port = 6;
    runs[3].Finish(0, 0, false);
    // The options and the error log.
    runs[4].port = 7;
    runs[4].ReadDialog(Json::parse(R"({"caption": "Device Configuration", "controls": [
        {"id": 5053, "text": "Vorin R10"}, {"id": 5052, "text": "A1"},
        {"id": 5051, "columns": ["Option", "Status"],
         "rows": [["CMR", "Enabled"], ["RTK", "Disabled"]]}]})"));
    runs[4].ReadDialog(Json::parse(R"({"caption": "Vorin Error Log Retrieval", "controls": [
        {"id": 1041, "rows": [["a"], ["b"], ["c"]]}]})"));
    runs[4].document = {{"exitStatus", 2}};
    runs[4].Finish(2, 0, true);

    EXPECT_EQ(runs[0].result, "completed");
    EXPECT_EQ(runs[0].serial, "5213K,7\"");
    EXPECT_EQ(runs[0].model, "Orrick Receiver");
    EXPECT_EQ(runs[0].durationMs, 21500);
    EXPECT_EQ(runs[0].message, "");
    EXPECT_EQ(runs[1].message,
              "COM Failure! [301] There was a failure. Restart; COM4 is /dev/x here, which cannot "
              "be opened: gone");
    EXPECT_EQ(runs[2].result, "cancelled");
    EXPECT_EQ(runs[2].message,
              "the run was ended by signal 2 without its record: vantor-host: quitting now.");
    EXPECT_EQ(runs[3].result, "failed");
    EXPECT_EQ(runs[3].message, "the run exited with status 0 without its record");
    EXPECT_EQ(runs[4].model, "Vorin R10");
    EXPECT_EQ(runs[4].details["errors"], 3);
    EXPECT_EQ(RackFileStem(runs[0]), "COM3-5213K_7_");
    EXPECT_EQ(RackFileStem(runs[1]), "COM4-unknown") << "COM4.json would be the port on Windows";

    const std::string csv = RackSummaryCsv(runs);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "port,serial,model,software,boot,radio,pcbSerial,options,errors,result,exitStatus,"
              "durationMs,cpuMs,peakMemoryKb,message");
    EXPECT_NE(
        csv.find("\r\n3,\"5213K,7\"\"\",Orrick Receiver,4.12,3.05,1.23,,,,completed,0,21500,,,"
                 "\r\n"),
        std::string::npos)
        << csv;
    EXPECT_NE(csv.find("\r\n7,A1,Vorin R10,,,,,CMR: Enabled; RTK: Disabled,3,cancelled,2,"),
              std::string::npos)
        << csv;
    const Json summary = RackSummary(runs, 0, "Verify GPS software version", false, Json());
    EXPECT_EQ(summary["runs"][4]["details"]["options"][1]["Status"], "Disabled");
    EXPECT_TRUE(summary["runs"][0]["cpuMs"].is_null()) << "unknown, not 0";
}

TEST(RackRecord, TheRacksExitStatusIsItsWorstRun) {
    struct Case {
        std::vector<int> statuses;
        int rack;
    };
    for (const Case& c : std::vector<Case>{{{0, 0}, 0}, {{0, 2}, 2}, {{2, 1, 0}, 1}, {{1}, 1}}) {
        std::vector<RackRun> runs(c.statuses.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            runs[i].exitStatus = c.statuses[i];
        }
        EXPECT_EQ(RackExitStatus(runs), c.rack) << ::testing::PrintToString(c.statuses);
    }
}

}  // namespace

// A rack through vantor-host: one run per port in processes of their own, against a simulated
// rack of three receivers (one silent) and a fourth whose cable is pulled mid-run, with the bad
// input a rack meets (a port given twice, a port whose device does not exist). Each receiver
// gets its own result, message and record; the others finish unharmed, side by side.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host_process.h"
#include "sim_process.h"

namespace {

using Json = nlohmann::json;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(RackHost, EveryReceiverGetsItsOwnRecordAndTheOthersFinishUnharmed) {
    const char* profiles = std::getenv("VORIN_SIM_PROFILES");
    ASSERT_NE(profiles, nullptr);
    e2e::SimProcess rack;
    e2e::SimProcess pulled;
    std::string error;
    ASSERT_TRUE(
        rack.Start("", error, {"--profile-of", "2=" + std::string(profiles) + "/silent.json"}, 3))
        << error;
    ASSERT_TRUE(pulled.Start("", error, {"--hang-up", "identification+300"})) << error;
    const std::filesystem::path report =
        std::filesystem::temp_directory_path() / ("vorin-rack-" + std::to_string(getpid()));
    std::filesystem::remove_all(report);

    // COM3..COM5 the rack (COM4 silent), COM6 pulled, COM4 again, COM7 no device at all.
    const auto start = std::chrono::steady_clock::now();
    const e2e::HostRun run = e2e::RunHost(
        "run 0 --ports 3-6 --port 4 --port 7 --device 3=" + rack.Port(1) +
            " --device 4=" + rack.Port(2) + " --device=5=" + rack.Port(3) +
            " --device 6=" + pulled.Port() + " --device 7=" + (report / "missing").string() +
            " --report " + report.string() + " --json",
        "", "2>" + (report.string() + ".err"));
    const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    const std::string lines = ReadText(report.string() + ".err");
    EXPECT_EQ(run.exitStatus, 1) << lines;

    const Json rackDocument = Json::parse(run.output, nullptr, false);
    ASSERT_TRUE(rackDocument.is_object()) << run.output << lines;
    const Json& runs = rackDocument["runs"];
    ASSERT_EQ(runs.size(), 6U) << rackDocument.dump(2);
    struct Row {
        int port;
        const char* result;
        const char* serial;
        const char* message;  // a part of it
    };
    const std::vector<Row> rows = {
        {3, "completed", "5213K40078", ""},
        {4, "failed", "", "on COM4"},
        {5, "completed", "5213K40080", ""},
        {6, "failed", "", "with COM6"},
        {4, "failed", "", "COM4 is given twice; it runs once, in its first row"},
        {7, "failed", "", "which cannot be opened: No such file or directory"},
    };
    std::int64_t longest = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Json& got = runs[i];
        SCOPED_TRACE("row " + std::to_string(i) + ", COM" + std::to_string(rows[i].port));
        EXPECT_EQ(got["port"], rows[i].port);
        EXPECT_EQ(got["result"], rows[i].result);
        EXPECT_EQ(got["exitStatus"], std::string(rows[i].result) == "completed" ? 0 : 1);
        EXPECT_EQ(got["serial"], rows[i].serial);
        EXPECT_NE(got["message"].get<std::string>().find(rows[i].message), std::string::npos)
            << got["message"];
        if (i == 4) {
            EXPECT_TRUE(got["document"].is_null());
            continue;
        }
        // Each run's own document, as the run wrote it, and in the report folder.
        ASSERT_TRUE(got["document"].is_object());
        EXPECT_EQ(got["document"]["port"], rows[i].port);
        EXPECT_EQ(got["document"]["exitStatus"], got["exitStatus"]);
        const std::string stem =
            "COM" + std::to_string(rows[i].port) + "-" +
            (rows[i].serial[0] != '\0' ? std::string(rows[i].serial) : std::string("unknown"));
        EXPECT_EQ(Json::parse(ReadText(report / (stem + ".json")), nullptr, false),
                  got["document"]);
        EXPECT_NE(ReadText(report / (stem + ".log")).find("running operation 0"),
                  std::string::npos);
        longest = std::max(longest, got["durationMs"].get<std::int64_t>());
    }
    EXPECT_EQ(runs[0]["model"], "Orrick Receiver");
    EXPECT_EQ(runs[0]["details"]["software"], "4.12");
    EXPECT_EQ(runs[2]["details"]["radio"], "1.23");
    EXPECT_GT(runs[0]["peakMemoryKb"].get<std::int64_t>(), 1000);  // the run's own process
    EXPECT_GE(runs[0]["cpuMs"].get<std::int64_t>(), 0);
    // Side by side: the rack takes its longest run (the silent receiver's) and the processes'
    // start, not the sum of its runs.
    EXPECT_LT(wallMs, longest + 3000) << lines;

    const Json summary = Json::parse(ReadText(report / "summary.json"), nullptr, false);
    ASSERT_TRUE(summary.is_object());
    EXPECT_EQ(summary["exitStatus"], 1);
    EXPECT_EQ(summary["operation"]["name"], "Verify GPS software version");
    EXPECT_EQ(summary["runs"][0]["document"], "COM3-5213K40078.json");
    EXPECT_EQ(summary["runs"][1]["document"], "COM4-unknown.json");
    EXPECT_TRUE(summary["runs"][4]["document"].is_null());
    const std::vector<std::string> csv = Lines(ReadText(report / "summary.csv"));
    ASSERT_EQ(csv.size(), 7U);
    EXPECT_EQ(csv[0],
              "port,serial,model,software,boot,radio,pcbSerial,result,exitStatus,durationMs,"
              "cpuMs,peakMemoryKb,message");
    EXPECT_EQ(csv[1].rfind("3,5213K40078,Orrick Receiver,4.12,3.05,1.23,,completed,0,", 0), 0U)
        << csv[1];
    EXPECT_EQ(csv[5],
              "4,,,,,,,failed,1,0,,,\"COM4 is given twice; it runs once, in its first row\"");
    EXPECT_EQ(csv[6].rfind("7,,,,,,,failed,1,", 0), 0U) << csv[6];
    // Plain output names the port on every line.
    e2e::ExpectLines({0, lines},
                     {"COM3: serial number 5213K40078", "COM5: serial number 5213K40080"});
    EXPECT_NE(lines.find("rack: 2 completed, 4 failed, 0 cancelled in "), std::string::npos);
    std::filesystem::remove_all(report);
    std::filesystem::remove(report.string() + ".err");
}

}  // namespace

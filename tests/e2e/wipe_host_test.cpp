// vantor-host + libDevVorin.so + vorin-sim over a real pseudo-terminal: "Wipe Radio
// Configuration Blocks", listed only with Ctrl+Alt held at load, the question answered by the
// host's script, and the simulated receiver's radio block checked byte for byte afterwards.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host_process.h"
#include "sim_process.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kName = "Wipe Radio Configuration Blocks";
const Bytes kErasedDictionary = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06, 0x00, 0x00, 0x96,
                                 0x06, 0x00, 0x00, 0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};

using e2e::HostRun;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder for the profile and the simulator's radio block, removed afterwards.
class Scratch {
  public:
    Scratch() {
        char dir[] = "/tmp/vorin-wipe-XXXXXX";
        if (mkdtemp(dir) != nullptr) {
            dir_ = dir;
        }
    }
    ~Scratch() {
        for (const std::string& file : files_) {
            unlink(file.c_str());
        }
        rmdir(dir_.c_str());
    }
    std::string Path(const std::string& name) {
        files_.push_back(dir_ + "/" + name);
        return files_.back();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = Path(name);
        std::ofstream(path) << text;
        return path;
    }

  private:
    std::string dir_;
    std::vector<std::string> files_;
};

// The receiver's radio block after serving one run of the wipe with the arguments (or none, with
// empty arguments).
struct Served {
    HostRun run;
    Bytes block;
};
Served Serve(const std::string& profile, const std::string& environment,
             const std::string& arguments, Scratch& scratch, const std::string& tag) {
    Served served;
    e2e::SimProcess sim;
    std::string error;
    const std::string blockFile = scratch.Path(tag + ".bin");
    if (!sim.Start(profile, error, {"--radio-out", blockFile})) {
        served.run.output = error;
        return served;
    }
    if (!arguments.empty()) {
        served.run = e2e::RunHost(e2e::RunOnCom5(kName, sim.Port()) + arguments, environment);
    }
    EXPECT_EQ(sim.Stop(), 0) << tag;
    served.block = ReadFile(blockFile);
    return served;
}

TEST(WipeHost, ListedOnlyWithTheChord) {
    const HostRun plain = e2e::RunHost("list");
    EXPECT_EQ(plain.exitStatus, 0) << plain.output;
    EXPECT_NE(plain.output.find("Verify GPS software version"), std::string::npos) << plain.output;
    EXPECT_EQ(plain.output.find(kName), std::string::npos) << plain.output;
    const HostRun ctrlOnly = e2e::RunHost("run '" + kName + "' --port 5", "DEVVORIN_KEYS=ctrl");
    EXPECT_EQ(ctrlOnly.exitStatus, 64) << ctrlOnly.output;
    EXPECT_NE(ctrlOnly.output.find("no operation '" + kName + "'"), std::string::npos)
        << ctrlOnly.output;
    const HostRun chord = e2e::RunHost("list", "DEVVORIN_KEYS=ctrl,alt");
    EXPECT_NE(chord.output.find(kName), std::string::npos) << chord.output;
}

TEST(WipeHost, MonitorPathWritesTheErasedDictionaryOverTheBlock) {
    Scratch scratch;
    // A quick commit keeps the real-time run short.
    const std::string profile =
        scratch.Write("quick-commit.json", R"({"delays": {"radioCommitMs": 400}})");
    const Served before = Serve(profile, "", "", scratch, "before");
    ASSERT_EQ(before.block.size(), 2048u) << before.run.output;

    const Served wiped =
        Serve(profile, "DEVVORIN_KEYS=ctrl,alt", " --answer yes", scratch, "wiped");
    EXPECT_EQ(wiped.run.exitStatus, 0) << wiped.run.output;
    e2e::ExpectLines(
        wiped.run,
        {"title: Erase radio configuration blocks",
         "This operation will erase the entire existing radio configurations. Continue ?",
         "answered: yes", "status: Initializing monitor...", "status: Rebooting Orrick receiver...",
         "status: Radio configuration blocks are erased successfully.", "result: 1 (completed)"},
        "wiped");
    ASSERT_EQ(wiped.block.size(), 2048u);
    EXPECT_EQ(Bytes(wiped.block.begin(), wiped.block.begin() + 18), kErasedDictionary);
    EXPECT_EQ(Bytes(wiped.block.begin() + 18, wiped.block.end()),
              Bytes(before.block.begin() + 18, before.block.end()))
        << "the rest of the block as it was read";
}

}  // namespace

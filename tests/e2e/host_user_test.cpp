// The tools as a user meets them: usage errors, a port that cannot be opened, questions before
// a change answered by nobody or at a terminal, and Ctrl+C. vantor-host + libDevVorin.so +
// vorin-sim over real pseudo-terminals, fixed waits shortened.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host_process.h"
#include "host_session.h"
#include "sim_process.h"

namespace {

using Json = nlohmann::json;
using Bytes = std::vector<char>;

const std::string kFast = "DEVVORIN_TIME_SCALE=0.1";

std::string Tool(const char* variable) {
    const char* path = std::getenv(variable);
    return path != nullptr ? path : std::string("/nonexistent/") + variable;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Scratch() {
    char dir[] = "/tmp/vorin-user-XXXXXX";
    return mkdtemp(dir) != nullptr ? dir : "/tmp";
}

// Runs a session to its end; its exit status.
int RunSession(e2e::HostSession& host, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, bool terminal = false) {
    std::string error;
    EXPECT_TRUE(host.Start(arguments, environment, terminal, error)) << error;
    return host.Wait(60000);
}

void ExpectHas(const std::string& text, const std::string& piece, const char* legend) {
    EXPECT_NE(text.find(piece), std::string::npos) << legend << ": missing \"" << piece << "\" in\n"
                                                   << text;
}

TEST(HostUser, UsageErrorsSayOneLineAndExit64) {
    const std::string host = "'" + Tool("VANTOR_HOST") + "'";
    const std::string sim = "'" + Tool("VORIN_SIM") + "'";
    struct Case {
        const char* legend;
        std::string command;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"no command", host,
         "vantor-host: which command? (list, run or smoke); see vantor-host "
         "--help"},
        {"unknown option", host + " --verbose list",
         "vantor-host: unknown option --verbose; see vantor-host --help"},
        {"an answer word checked before the run, options with =",
         host + " run 0 --port=5 --answer=yes,maybe", "vantor-host run: 'maybe' is no answer"},
        {"an option that does nothing here", host + " run 0 --port 5 --test-mode /tmp",
         "vantor-host run: --test-mode is for Windows"},
        {"an operation the plug-in does not have", host + " run 'Wipe the disk' --port 5",
         "vantor-host run: no operation 'Wipe the disk'; see vantor-host list"},
        {"simulator: unknown option", sim + " --verbose",
         "vorin-sim: The following argument "
         "was not expected: --verbose; see "
         "--help"},
        {"simulator: a profile beside a replay", sim + " --replay=/tmp/t.jsonl --profile=p.json",
         "vorin-sim: --profile has no effect with --replay"},
    };
    for (const Case& c : cases) {
        const e2e::HostRun run = e2e::RunCommand(c.command + " 2>&1 >/dev/null </dev/null");
        EXPECT_EQ(run.exitStatus, 64) << c.legend << "\n" << run.output;
        EXPECT_EQ(run.output.rfind(c.line, 0), 0U) << c.legend << "\n" << run.output;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << c.legend << ": one line\n"
                                                                << run.output;
    }
}

// The plug-in's own text says only "Restart your computer"; the host names the device, the
// reason and the way to another one. A second simulator leaves a served link alone.
TEST(HostUser, PortErrorNamesTheDeviceAndAServedLinkIsKept) {
    e2e::HostSession host;
    EXPECT_EQ(RunSession(host, {"run", "0", "--port", "7", "--device", "/nonexistent/tty"}, {}), 1);
    const std::string seen = host.Errors();
    ExpectHas(seen, "COM Failure! [301] There was a failure [2] attempting to open COM7.", "port");
    ExpectHas(seen,
              "vantor-host: COM7 is /nonexistent/tty here (from --device or DEVVORIN_COM7), "
              "which cannot be opened: No such file or directory\n"
              "vantor-host: name another device with --device PATH or DEVVORIN_COM7=PATH\n",
              "port");

    e2e::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start("", error)) << error;
    const e2e::HostRun second =
        e2e::RunCommand("'" + Tool("VORIN_SIM") + "' --link '" + sim.Port() + "' 2>&1");
    EXPECT_EQ(second.exitStatus, 1) << second.output;
    ExpectHas(second.output, "already leads to /dev/pts/", "second simulator");
    struct stat info {};
    EXPECT_EQ(stat(sim.Port().c_str(), &info), 0) << "the first simulator's link still leads on";
    EXPECT_EQ(sim.Stop(), 0);
}

std::vector<std::string> On(const e2e::SimProcess& receiver, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--port", "5", "--device", receiver.Port()});
    return arguments;
}

// The wipe's question, Yes its default, answered by nobody: No, and the port is never opened.
void ExpectWipeDeclined(const e2e::HostSession& wipe) {
    ExpectHas(wipe.Errors(),
              "Continue ?\nanswered: no (nobody to ask; the default yes is left to a user)\n"
              "status: The operation was canceled.\n",
              "wipe");
    EXPECT_EQ(wipe.Errors().find("Establishing"), std::string::npos) << "the port stays closed";
    const Json document = Json::parse(wipe.Output(), nullptr, false);
    ASSERT_TRUE(document.is_object()) << wipe.Output();
    EXPECT_EQ(document["schemaVersion"], 1);
    EXPECT_EQ(document["messageBoxes"][0]["answer"], "no");
    EXPECT_EQ(document["messageBoxes"][0]["answeredBy"], "safe");
}

// The viewer empties its list only after a clear that the receiver confirmed, so its lines
// after each answer tell whether the log was cleared.
void ExpectClearAnswers(const std::string& unattended, const std::string& user,
                        const std::string& prompt) {
    ExpectHas(unattended, "with the clear operation?\nanswered: no (default)\n", "clear");
    ExpectHas(unattended.substr(unattended.rfind("answered: no")),
              "    Startup Error:", "the log is whole after No");
    ExpectHas(user, prompt + "\nanswered: no (default)\n", "Enter");
    ExpectHas(user, prompt + "n\nanswered: no\n", "n");
    ExpectHas(user, prompt + "y\nanswered: yes\n", "y");
    const std::size_t yes = user.rfind("answered: yes\n");
    const std::size_t no = user.rfind("answered: no\n");
    ExpectHas(user.substr(no, yes - no), "    Startup Error:", "the log is whole after n");
    ExpectHas(user.substr(yes), "dialog 138:", "the viewer after the clear");
    EXPECT_EQ(user.find("Startup Error", yes), std::string::npos) << "cleared:\n" << user;
    EXPECT_EQ(user.find("Failure!"), std::string::npos) << user;
}

// The version check looks at the cancel event nowhere: the host says what will happen and, at
// the end, that the cancel came too late.
void ExpectCancelTooLate(const e2e::HostSession& late) {
    const std::string seen = late.Errors();
    ExpectHas(seen,
              "vantor-host: cancel requested; the operation stops at its next check (Ctrl+C "
              "again to quit now)\n",
              "first Ctrl+C");
    ExpectHas(seen, "waiting 1.2 s\n", "signs of life");
    ExpectHas(seen, "vantor-host: the cancel came too late", "the end");
    ExpectHas(seen, "result: 1 (completed)", "the end");
    const Json document = Json::parse(late.Output(), nullptr, false);
    ASSERT_TRUE(document.is_object()) << late.Output();
    EXPECT_EQ(document["cancel"]["honoured"], false);
    EXPECT_GE(document["cancel"]["ms"].get<std::int64_t>(), 0);
    EXPECT_LT(document["cancel"]["ms"], document["durationMs"]);
}

// What the user decides, and what happens when nobody can: the wipe's and the Clear's questions
// answered by nobody change nothing; at a terminal Enter takes the box's default, n declines, y
// clears, and the identification's 8 s wait (1.2 s here) is counted down meanwhile; Ctrl+C
// during the version check is said to come too late; a second signal quits at once. The runs
// against the three receivers go side by side.
TEST(HostUser, QuestionsAndCtrlCAreTheUsers) {
    const std::string dir = Scratch();
    const std::string before = dir + "/before.bin";
    const std::string after = dir + "/after.bin";
    std::string error;
    {
        e2e::SimProcess untouched;
        ASSERT_TRUE(untouched.Start("", error, {"--radio-out", before})) << error;
        untouched.Stop();
    }
    e2e::SimProcess sim, other, third;
    ASSERT_TRUE(sim.Start("", error, {"--radio-out", after})) << error;
    ASSERT_TRUE(other.Start("", error)) << error;
    ASSERT_TRUE(third.Start("", error)) << error;
    const std::string slower = "DEVVORIN_TIME_SCALE=0.15";

    e2e::HostSession wipe;
    EXPECT_EQ(RunSession(wipe, On(sim, {"run", "3", "--json"}), {kFast, "DEVVORIN_KEYS=ctrl,alt"}),
              1);
    e2e::HostSession late;
    ASSERT_TRUE(late.Start(On(third, {"run", "0", "--json"}), {slower}, false, error)) << error;
    ASSERT_TRUE(late.WaitFor("status: Establishing", 5000)) << late.Errors();
    late.Signal(SIGINT);
    e2e::HostSession clear;
    ASSERT_TRUE(clear.Start(On(sim, {"run", "View error log", "--answer", "press:1040"}), {kFast},
                            false, error))
        << error;
    e2e::HostSession user;
    ASSERT_TRUE(user.Start(
        On(other, {"run", "View error log", "--answer", "press:1040,press:1040,press:1040"}),
        {slower}, true, error))
        << error;
    const std::string prompt = "answer yes or no (Enter: no): ";
    EXPECT_TRUE(user.WaitFor("waiting 1 s", 10000)) << "countdown\n" << user.Errors();
    for (const char* typed : {"\n", "n\n", "y\n"}) {
        ASSERT_TRUE(user.WaitFor(prompt, 10000)) << user.Errors();
        user.Type(typed);
    }
    EXPECT_EQ(user.Wait(20000), 0) << user.Errors();
    EXPECT_EQ(clear.Wait(20000), 0) << clear.Errors();
    EXPECT_EQ(late.Wait(20000), 0) << late.Errors();

    e2e::HostSession quit;
    ASSERT_TRUE(quit.Start(On(third, {"run", "0"}), {kFast}, false, error)) << error;
    ASSERT_TRUE(quit.WaitFor("status: Establishing", 5000)) << quit.Errors();
    quit.Signal(SIGTERM);
    ASSERT_TRUE(quit.WaitFor("cancel requested", 5000)) << quit.Errors();
    quit.Signal(SIGTERM);
    EXPECT_EQ(quit.Wait(5000), 128 + SIGTERM) << quit.Errors();

    ExpectWipeDeclined(wipe);
    ExpectClearAnswers(clear.Errors(), user.Errors(), prompt);
    ExpectCancelTooLate(late);
    ExpectHas(quit.Errors(),
              "vantor-host: quitting now. The receiver may be left in its monitor; to bring it "
              "back, run an operation that reboots it, such as \"Verify receiver options\".\n",
              "second signal");

    for (e2e::SimProcess* receiver : {&sim, &other, &third}) {
        EXPECT_EQ(receiver->Stop(), 0);
    }
    EXPECT_EQ(ReadFile(after), ReadFile(before)) << "the radio block was not wiped";
    EXPECT_EQ(ReadFile(after).size(), 2048U);
    unlink(before.c_str());
    unlink(after.c_str());
    rmdir(dir.c_str());
}

}  // namespace

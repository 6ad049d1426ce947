// Every fault the simulator can play and every way the port can fail, through every operation
// that meets it: the result code, the last status line, the last message box, the port released,
// and a ceiling on the virtual time the run may take (no run waits for ever on a broken receiver).
// A run that ends as it would without its fault also shows that the fault happened and was met:
// the receiver's counters, the line speed the host reached, a dialog field, the reopens, or the
// virtual time the fault must cost.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "frame/app.h"
#include "frame/branding.h"
#include "frame/host_interface.h"
#include "operations/operation_catalog.h"
#include "operations/version_display_dlg.h"
#include "platform/strings.h"
#include "platform/virtual_clock.h"
#include "support/fake_device_tree.h"
#include "support/scripted_ui.h"
#include "support/sim_transport.h"
#include "support/test_operations.h"
#include "transport/serial_com_exception.h"
#include "transport/transport_factory.h"

namespace {

namespace answer = platform::answer;
using sim::Counters;

// How the port itself fails: from its first call of that kind on, as a port whose device has
// gone away.
enum class PortFault { kNone, kOpen, kRead, kWrite, kLineSettings };

constexpr int kPort = 5;
constexpr int kLineError = EIO;

// The simulator's port with a failing kind of call; it counts what it opened and closed, notes a
// transport destroyed while its port was still open, and the fastest line speed it was set to.
class BrokenLine : public testing_support::SimTransport {
  public:
    struct Tally {
        int opens = 0;
        int closes = 0;
        int alive = 0;
        int destroyedOpen = 0;
        std::uint32_t fastestBaud = 0;
    };

    BrokenLine(sim::Receiver& receiver, platform::VirtualClock& clock, PortFault fault,
               Tally& tally)
        : SimTransport(receiver, clock), fault_(fault), tally_(tally) {
        ++tally_.alive;
    }
    ~BrokenLine() override {
        if (IsOpen()) {
            ++tally_.destroyedOpen;
        }
        --tally_.alive;
    }

    void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                  int baudRateIndex) override {
        if (fault_ == PortFault::kOpen) {
            throw CSerialComException(portNumber, CSerialComException::kOpenFailed, ENOENT);
        }
        SimTransport::OpenPort(portNumber, byteSizeIndex, stopBitsIndex, parityIndex,
                               baudRateIndex);
        ++tally_.opens;
        NoteBaud();
    }
    void ClosePort() override {
        if (IsOpen()) {
            ++tally_.closes;
        }
        SimTransport::ClosePort();
    }
    void SetBaudRate(int index) override {
        FailLine();
        SimTransport::SetBaudRate(index);
        NoteBaud();
    }
    void SetParity(int index) override {
        FailLine();
        SimTransport::SetParity(index);
    }
    void SetByteSize(int index) override {
        FailLine();
        SimTransport::SetByteSize(index);
    }
    void SetStopBits(int index) override {
        FailLine();
        SimTransport::SetStopBits(index);
    }
    void SetFlowControl(std::uint8_t flags) override {
        FailLine();
        SimTransport::SetFlowControl(flags);
    }
    void Write(const std::uint8_t* buffer, std::size_t count) override {
        if (fault_ == PortFault::kWrite) {
            throw CSerialComException(GetPortNumber(), CSerialComException::kWriteFailed,
                                      kLineError);
        }
        SimTransport::Write(buffer, count);
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        if (fault_ == PortFault::kRead) {
            throw CSerialComException(GetPortNumber(), CSerialComException::kReadFailed,
                                      kLineError);
        }
        return SimTransport::Read(buffer, count);
    }

  private:
    void NoteBaud() { tally_.fastestBaud = std::max(tally_.fastestBaud, GetBaudRate()); }
    // A failed line change closes the port before it throws, like the real port.
    void FailLine() {
        if (fault_ == PortFault::kLineSettings) {
            const int port = GetPortNumber();
            ClosePort();
            throw CSerialComException(port, CSerialComException::kSettingsFailed, kLineError);
        }
    }

    PortFault fault_;
    Tally& tally_;
};

// The shipped plug-in, loaded with Ctrl+Alt held so that the service operation is listed too.
class MatrixRig {
  public:
    MatrixRig(const std::string& profileJson, PortFault fault)
        : receiver(sim::LoadProfileText(profileJson, "fault matrix")), factory([this, fault] {
              return std::make_unique<BrokenLine>(receiver, clock, fault, tally);
          }) {
        SetBrandingVariant(0);
        ui.HoldKeys(true, true);
        app = std::make_unique<CGarnothApp>(ShippedOperationCatalog());
        app->InitInstance();
        ui.HoldKeys(false, false);
    }
    ~MatrixRig() { SetBrandingVariant(0); }

    int IndexOf(const std::string& name) const {
        for (int i = 0; i < host_api::GetNumberOperations(*app); ++i) {
            std::array<char, 256> buffer{};
            if (host_api::GetOperation(*app, i, buffer.data(), 255) && name == buffer.data()) {
                return i;
            }
        }
        return -1;
    }
    int Run(int index) {
        context = {kPort, index, testing_support::TestWindow(), nullptr};
        return host_api::DoOperation(*app, &context);
    }
    std::string ErrorBox(const std::string& message) const {
        return platform::FormatString(157, app->GetVersion(), message);
    }

    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    testing_support::ScriptedUi ui;
    testing_support::ScopedRegistry registry;
    testing_support::FakeDeviceTree deviceTree;
    sim::Receiver receiver;
    BrokenLine::Tally tally;
    ScopedSerialTransportFactory factory;
    std::unique_ptr<CGarnothApp> app;
    OperationContext context{};
};

const std::string kVersion = "Verify GPS software version";
const std::string kOptions = "Verify receiver options";
const std::string kLog = "View error log";
const std::string kWipe = "Wipe Radio Configuration Blocks";

const std::string kFailure = "There was a failure with the operation!";
const std::string kCanceled = "The operation was canceled.";

std::string SuccessText(const std::string& operation) {
    if (operation == kVersion) {
        return "The version was retrieved successfully.";
    }
    if (operation == kOptions) {
        return "The configuration was retrieved successfully.";
    }
    if (operation == kLog) {
        return "The error log was retrieved successfully.";
    }
    return "Radio configuration blocks are erased successfully.";
}

std::string ComText(int code, int error) {
    if (code == 301) {
        return "COM Failure! [301] There was a failure [" + std::to_string(error) +
               "] attempting to open COM5.\n\nRestart your computer and try again.";
    }
    return "COM Failure! [" + std::to_string(code) + "] There was a fatal error [" +
           std::to_string(error) + "] with COM5.\n\nRestart your computer and try again.";
}
std::string DeviceText(int code, const std::string& tail = "") {
    return "Device failure! [" + std::to_string(code) +
           "] - The Orrick receiver on COM5 did not respond as expected." + tail +
           "\n\nRestart the Orrick receiver and try again.";
}

const std::string k701 =
    "Failure! [701] - There was an error communicating with the Orrick receiver on COM5.\n"
    "Check that the receiver has power, the cables are connected and\nrestart the receiver and "
    "try again.";
const std::string k704 =
    "Failure! [704] - The was an error communicating with the Orrick receiver on COM5.\n\n"
    "Restart the receiver and try again.";
const std::string k707 =
    "Failure! [707] - The Orrick receiver on COM5 returned an unexpected response.\n\n"
    "Restart the receiver and try again.";
const std::string k708 =
    "Failure! [708] - There was an error communicating with the Orrick receiver on COM5.\n\n"
    "Restart the receiver and try again.";
const std::string k709 =
    "Failure! [709] - The device on COM5 is either not a Orrick receiver or is not in the "
    "correct state.\nRestart the receiver and try again.";
const std::string k801 =
    "Device failure! [801]  - There was no response from the Orrick receiver on COM5\n\n"
    "Restart the Orrick receiver and try again.";
const std::string k820 =
    "Hardware not installed! [820] - The Orrick receiver on COM5 does not have an internal "
    "radio to configure.";
const std::string k731 =
    "The device found on COM5 is not running the application.\nThis operation requires that "
    "the application be running.\n\nRestart the Orrick receiver and try again.";
const std::string k733 =
    "Invalid Device!\n\nVantor detected a product on COM5 that was was not recognized as an "
    "Orrick  receiver.\n\nMake sure that a Orrick receiver is connected to COM5.";

enum class Box { kNone, kError, kPlain };

// What the receiver or the port does wrong, and the user's answers it calls for.
struct Fault {
    const char* legend;
    std::string profile;
    PortFault port = PortFault::kNone;
    std::vector<int> answers = {};  // after the wipe's question, which is always answered Yes
    bool clear = false;             // press Clear in the error-log viewer (answered Yes), then OK
};

// How the run ends. The last status line follows from the result: the operation's success
// text, "The operation was canceled." or "There was a failure with the operation!".
struct Outcome {
    int result;
    Box box;
    std::string text;  // the last message box: through the error box, or shown as it is
    int boxes;         // every box of the run, the wipe's question not counted
    double maxSeconds;
};

Outcome Completes(double maxSeconds) {
    return {1, Box::kNone, "", 0, maxSeconds};
}
Outcome CompletesAfter(const std::string& box, int boxes, double maxSeconds) {
    return {1, Box::kPlain, box, boxes, maxSeconds};
}
Outcome Fails(const std::string& message, double maxSeconds, int boxes = 1) {
    return {0, Box::kError, message, boxes, maxSeconds};
}
Outcome Cancels(const std::string& box, double maxSeconds, int boxes = 1) {
    return {2, Box::kPlain, box, boxes, maxSeconds};
}

// What shows that the fault happened and was met; fields left at zero are not checked.
struct Evidence {
    int sim::Counters::*counter = nullptr;  // this receiver counter is above 0
    // The least virtual time the fault adds to the same run against the typical receiver.
    double extraSeconds = 0;
    std::uint32_t fastestBaud = 0;       // the fastest line speed the host set
    int opens = 0;                       // times the port was opened
    const char* radioVersion = nullptr;  // as the version dialog shows it
};

struct Row {
    std::string operation;
    Fault fault;
    Outcome outcome;
    Evidence evidence = {};
};

// Ceilings, in virtual seconds, built from the fixed waits: an identification that is answered
// (a 0.7 s break, the reply, 8 s to settle) stays within 10 s; one that is never answered (three
// attempts of a break and two 5 s reads) within 33 s; a TC exchange within 5 s, 15 s unanswered;
// bringing the receiver into its monitor and back, with the waits for both reboots, the baud
// negotiation and the information reads, within 160 s.
constexpr double kQuick = 3;
constexpr double kIdentifyFails = 33;
constexpr double kVersionRun = 40;
constexpr double kLogRun = 60;
constexpr double kMonitorRun = 160;
constexpr double kWipeRun = 180;

std::vector<Row> Rows() {
    // The receiver's faults.
    const Fault silent{"silent receiver", R"({"faults": {"silent": true}})"};
    const Fault noisy{"noise before every frame", R"({"faults": {"noise": "00 FF 55 AA 13 7E"}})"};
    const Fault corrupt{"a corrupt frame before each good one",
                        R"({"faults": {"corruptBeforeGood": true}})"};
    const Fault refusedBaud{"baud switch refused: the host follows the receiver's rate",
                            R"({"faults": {"refuseBaud": true}})"};
    const Fault noHardware{
        "no hardware information: the flash information stands in",
        R"({"faults": {"noHardwareInfo": true}, "flash": {"base": "0x01000000"}})"};
    const Fault noRadio{"no radio", R"({"radio": {"present": false}})"};
    const Fault neverMonitor{"never reaches its monitor", R"({"faults": {"neverMonitor": true}})"};
    // The monitor only during the identification retries, the application after 25 s: an
    // identification that starts inside the 18 s window still finds it.
    const Fault slowReboot{
        "slow reboot", R"({"delays": {"bootToMonitorMs": 21000, "bootToApplicationMs": 25000}})"};
    const Fault noReturn{"not back in its application within 18 s",
                         R"({"delays": {"bootToApplicationMs": 60000}})"};
    const std::string unlisted =
        R"({"product": "Unlisted-7", "monitorProduct": "Unlisted-7-MONITOR"})";
    const Fault unknown{"unknown product", unlisted};
    const Fault unknownRetried{"unknown product: Retry, then Cancel",
                               unlisted,
                               PortFault::kNone,
                               {answer::kRetry, answer::kCancel}};
    const Fault unknownCancelled{
        "unknown product: Cancel", unlisted, PortFault::kNone, {answer::kCancel}};
    // A monitor's name from a receiver that speaks TC: the monitor's requests go unanswered at
    // each of the five candidate rates.
    const Fault monitorName{"a name that names a monitor", R"({"product": "Vorin-MONITOR"})"};
    const Fault usb{"USB port 15: the port is closed and opened around the reboots",
                    R"({"port": {"number": 15, "baud": 115200}})"};
    const Fault slowClear{
        "slow clear", R"({"delays": {"logClearMs": 7000}})", PortFault::kNone, {}, true};
    const Fault clearRefused{"clear refused: the viewer shows it and stays open",
                             R"({"faults": {"clearAnswer": "nak"}})",
                             PortFault::kNone,
                             {},
                             true};
    // The port's faults, from its first call of that kind on.
    const Fault open{"port cannot be opened", "{}", PortFault::kOpen};
    // The third identification attempt passes the read failure on.
    const Fault read{"every read fails", "{}", PortFault::kRead};
    const Fault write{"every write fails", "{}", PortFault::kWrite};
    // The identification starts by setting the line to 9600 8N1.
    const Fault line{"line settings cannot be changed", "{}", PortFault::kLineSettings};

    const std::string openFailed = ComText(301, ENOENT);
    const std::string readFailed = ComText(303, kLineError);
    const std::string writeFailed = ComText(304, kLineError);
    const std::string lineFailed = ComText(302, kLineError);
    return {
        {kVersion, silent, Fails(k701, kIdentifyFails)},
        {kOptions, silent, Fails(k801, kIdentifyFails)},
        {kLog, silent, Fails(k701, kIdentifyFails)},
        {kWipe, silent, Fails(k701, kIdentifyFails)},

        {kVersion, noisy, Completes(kVersionRun), {.counter = &Counters::noiseBytes}},
        {kOptions, noisy, Completes(kMonitorRun), {.counter = &Counters::noiseBytes}},
        {kLog, noisy, Completes(kLogRun), {.counter = &Counters::noiseBytes}},
        {kWipe, noisy, Completes(kWipeRun), {.counter = &Counters::noiseBytes}},

        {kVersion, corrupt, Completes(kVersionRun), {.counter = &Counters::corruptFrames}},
        {kOptions, corrupt, Completes(kMonitorRun), {.counter = &Counters::corruptFrames}},
        {kLog, corrupt, Completes(kLogRun), {.counter = &Counters::corruptFrames}},
        {kWipe, corrupt, Completes(kWipeRun), {.counter = &Counters::corruptFrames}},

        // The typical receiver takes the switch to 115200.
        {kWipe,
         refusedBaud,
         Completes(kWipeRun + 10),
         {.counter = &Counters::baudRefusals, .fastestBaud = 9600}},

        {kOptions, noHardware, Completes(kMonitorRun + 20), {.counter = &Counters::infoWithheld}},
        {kWipe, noHardware, Completes(kWipeRun + 20), {.counter = &Counters::infoWithheld}},

        {kVersion, noRadio, Completes(kVersionRun), {.radioVersion = ""}},
        {kWipe, noRadio, Fails(k820, kWipeRun)},

        // Eight identifications 7 s apart after the 14 s boot wait: 136 s more than one.
        {kOptions, neverMonitor, Fails(DeviceText(819, " "), 200)},
        {kWipe, neverMonitor, Fails(DeviceText(819, " "), 210)},

        // The monitor answers 11 s later than the typical receiver's, after the host's 14 s wait:
        // found by an identification 7 s or more later.
        {kOptions, slowReboot, Completes(kMonitorRun + 60), {.extraSeconds = 7}},
        {kWipe, slowReboot, Completes(kWipeRun + 60), {.extraSeconds = 7}},
        // The configuration report ends as a success all the same, after the host has waited
        // out its 18 s where the typical receiver is back after 6 s.
        {kOptions, noReturn, Completes(kMonitorRun + 20), {.extraSeconds = 12}},
        {kWipe, noReturn, Fails(DeviceText(812), kWipeRun + 20)},

        {kVersion, unknown, Cancels(k733, 11)},
        {kOptions, unknownRetried, Cancels(k733, 40, 2)},
        {kLog, unknown, Fails(k709, 11)},
        {kWipe, unknownCancelled, Cancels(k733, 30)},

        {kVersion, monitorName, Cancels(k731, 11)},
        {kOptions, monitorName, Fails(k801, 240)},
        {kLog, monitorName, Fails(k801, 240)},
        {kWipe, monitorName, Fails(DeviceText(805), 150)},

        // The host takes the USB port's own 115200 from its identification; it opens the port
        // again after each of the two reboots.
        {kVersion, usb, Completes(kVersionRun), {.fastestBaud = 115200}},
        {kOptions, usb, Completes(kMonitorRun + 20), {.fastestBaud = 115200, .opens = 3}},
        {kWipe, usb, Completes(kWipeRun + 20), {.fastestBaud = 115200, .opens = 3}},

        {kLog, slowClear, Completes(kLogRun + 25), {.extraSeconds = 7}},
        {kLog, clearRefused, CompletesAfter(k707, 1, kLogRun + 25)},

        {kVersion, open, Fails(openFailed, kQuick)},
        {kOptions, open, Fails(openFailed, kQuick)},
        {kLog, open, Fails(openFailed, kQuick)},
        {kWipe, open, Fails(openFailed, kQuick)},

        {kVersion, read, Fails(readFailed, kQuick)},
        {kOptions, read, Fails(readFailed, kQuick)},
        {kLog, read, Fails(readFailed, kQuick)},
        {kWipe, read, Fails(readFailed, kQuick)},

        // A packet reports its own failed send and its two failed retransmissions, then the
        // unanswered request fails the run: radio flags and version numbers; GPS time and count.
        {kVersion, write, Fails(k704, kVersionRun, 7)},
        {kLog, write, Fails(k708, kLogRun, 7)},
        // The monitor request is written without a packet: its failure ends the run.
        {kOptions, write, Fails(writeFailed, 40, 4)},
        {kWipe, write, Fails(writeFailed, 40, 4)},

        {kVersion, line, Fails(lineFailed, kQuick)},
        {kOptions, line, Fails(lineFailed, kQuick)},
        {kLog, line, Fails(lineFailed, kQuick)},
        {kWipe, line, Fails(lineFailed, kQuick)},
    };
}

// Runs the row's operation with its answers scripted: the wipe's question answered Yes, then the
// fault's answers, and the viewer's Clear where the fault asks for it. The result code, or -1
// when the operation is not listed.
int RunScripted(MatrixRig& rig, const Row& row) {
    const int index = rig.IndexOf(row.operation);
    if (index < 0) {
        ADD_FAILURE() << row.operation << " not listed";
        return -1;
    }
    if (row.operation == kWipe) {
        rig.ui.AnswerNextBox(answer::kYes);
    }
    for (int a : row.fault.answers) {
        rig.ui.AnswerNextBox(a);
    }
    if (row.fault.clear) {
        rig.ui.AnswerNextBox(answer::kYes);
        rig.ui.OnNextDialog([](platform::DialogSession& viewer) {
            viewer.Press(1040);  // Clear
            viewer.Press(platform::kIdOk);
        });
    }
    return rig.Run(index);
}

double Seconds(const MatrixRig& rig) {
    return static_cast<double>(rig.clock.ElapsedMs()) / 1000.0;
}

void ExpectEvidence(const Row& row, const MatrixRig& rig) {
    const Evidence& evidence = row.evidence;
    if (evidence.counter != nullptr) {
        EXPECT_GT(rig.receiver.GetCounters().*evidence.counter, 0)
            << "the receiver never played its fault";
    }
    if (evidence.fastestBaud != 0) {
        EXPECT_EQ(rig.tally.fastestBaud, evidence.fastestBaud) << "the host's fastest line";
    }
    if (evidence.opens != 0) {
        EXPECT_EQ(rig.tally.opens, evidence.opens) << "the port's opens";
    }
    if (evidence.radioVersion != nullptr) {
        ASSERT_FALSE(rig.ui.dialogs.empty());
        EXPECT_EQ(rig.ui.dialogs.back().Text(CVersionDisplayDlg::kRadioVersion),
                  evidence.radioVersion);
    }
    if (evidence.extraSeconds > 0) {
        MatrixRig typical("{}", PortFault::kNone);
        RunScripted(typical, row);
        EXPECT_GE(Seconds(rig) - Seconds(typical), evidence.extraSeconds)
            << "no slower than the typical receiver";
    }
}

TEST(FaultMatrix, EveryFaultThroughEveryOperationEndsAsDefined) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.operation + ": " + row.fault.legend);
        const Fault& fault = row.fault;
        const Outcome& expected = row.outcome;
        MatrixRig rig(fault.profile, fault.port);
        EXPECT_EQ(RunScripted(rig, row), expected.result);
        const std::string status = expected.result == 1   ? SuccessText(row.operation)
                                   : expected.result == 2 ? kCanceled
                                                          : kFailure;
        ASSERT_FALSE(rig.ui.statuses.empty());
        EXPECT_EQ(rig.ui.statuses.back(), status);

        const std::size_t question = row.operation == kWipe ? 1 : 0;
        ASSERT_GE(rig.ui.boxes.size(), question);
        const std::size_t boxes = rig.ui.boxes.size() - question;
        // The clear's own question comes on top of what the row counts.
        EXPECT_EQ(boxes, static_cast<std::size_t>(expected.boxes) + (fault.clear ? 1 : 0));
        if (expected.box != Box::kNone && boxes > 0) {
            EXPECT_EQ(rig.ui.boxes.back().text,
                      expected.box == Box::kError ? rig.ErrorBox(expected.text) : expected.text);
        }

        // The port is released: every open has its close, before the transport goes.
        EXPECT_EQ(rig.tally.alive, 0);
        EXPECT_EQ(rig.tally.destroyedOpen, 0);
        EXPECT_EQ(rig.tally.closes, rig.tally.opens);
        EXPECT_EQ(rig.tally.opens == 0, fault.port == PortFault::kOpen);
        EXPECT_LE(Seconds(rig), expected.maxSeconds);
        ExpectEvidence(row, rig);
    }
}

}  // namespace

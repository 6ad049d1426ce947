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

#include "front/hang_up.h"
#include "operations/error_log_dlg.h"
#include "operations/version_display_dlg.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"

namespace {

namespace answer = platform::answer;
using sim::Counters;
using testing_support::PortFault;
using namespace texts;

constexpr int kLineError = EIO;

// The shipped plug-in, loaded with Ctrl+Alt held so that the service operation is listed too;
// the cable pulled at the event hangUp names (vorin-sim's --hang-up words), when it names one.
class MatrixRig : public testing_support::PluginRig {
  public:
    MatrixRig(const std::string& profileJson, PortFault fault, const std::string& hangUp = "")
        : PluginRig(profileJson, true, true) {
        line.fault = fault;
        std::string error;
        if (const auto trigger = simfront::HangUpTrigger::Parse(hangUp, error)) {
            line.hangUpWhen = [t = *trigger](const sim::Counters& c) { return t.Reached(c); };
            line.hangUpDelayMs = trigger->delayMs;
        }
    }
};

std::string SuccessText(const std::string& operation) {
    if (operation == kVersionOperation) {
        return kVersionSuccess;
    }
    if (operation == kOptionsOperation) {
        return kOptionsSuccess;
    }
    if (operation == kLogOperation) {
        return kLogSuccess;
    }
    return kWipeSuccess;
}

const std::string k733 = InvalidDevice();

enum class Box { kNone, kError, kPlain };

// What the receiver or the port does wrong, and the user's answers it calls for.
struct Fault {
    const char* legend;
    std::string profile;
    PortFault port = PortFault::kNone;
    std::vector<int> answers = {};  // after the wipe's question, which is always answered Yes
    bool clear = false;             // press Clear in the error-log viewer (answered Yes), then OK
    std::string hangUp = "";        // the event at which the cable is pulled
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
    std::uint32_t fastestBaud = 0;         // the fastest line speed the host set
    int opens = 0;                         // times the port was opened
    const char* radioVersion = nullptr;    // as the version dialog shows it
    std::vector<std::string> viewer = {};  // the error-log viewer's lines begin so, in order
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
    const Fault usbLate{
        "USB port back 25 s after each reboot, after the first reopen",
        R"({"port": {"number": 15, "baud": 115200}, "delays": {"usbReturnMs": 25000}})"};
    const Fault usbGone{
        "USB port gone for good at the reboot into the monitor",
        R"({"port": {"number": 15, "baud": 115200}, "faults": {"usbGoneAfter": 1}})"};
    const Fault usbGoneOnExit{
        "USB port gone for good at the reboot back into the application",
        R"({"port": {"number": 15, "baud": 115200}, "faults": {"usbGoneAfter": 2}})"};
    const Fault slowClear{
        "slow clear", R"({"delays": {"logClearMs": 7000}})", PortFault::kNone, {}, true};
    const Fault clearRefused{"clear refused: the viewer shows it and stays open",
                             R"({"faults": {"clearAnswer": "nak"}})",
                             PortFault::kNone,
                             {},
                             true};
    // Found by the campaign. Answers later than the port's read time-out: every request goes out
    // again and both are answered; an answer to a repeat was taken for the next record's.
    const Fault slowAnswers{"answers later than the read time-out",
                            R"({"delays": {"replyMs": 2470}})"};
    const Fault slowMonitor{"answers later than the read time-out, log read from memory",
                            R"({"powerOn": "monitor", "infoBlock": {"hardware": {"minor": 0}},
            "delays": {"replyMs": 2470}})"};
    // The cable pulled while the monitor's line speed is negotiated: the lower rates meet the
    // port that the failure closed, and the failure named COM0.
    const Fault pulledInMonitor{"cable pulled during the line speed negotiation",
                                R"({"powerOn": "monitor"})",
                                PortFault::kNone,
                                {},
                                false,
                                "identification:2+2089"};
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
        {kVersionOperation, silent, Fails(k701, kIdentifyFails)},
        {kOptionsOperation, silent, Fails(k801, kIdentifyFails)},
        {kLogOperation, silent, Fails(k701, kIdentifyFails)},
        {kWipeOperation, silent, Fails(k701, kIdentifyFails)},

        {kVersionOperation, noisy, Completes(kVersionRun), {.counter = &Counters::noiseBytes}},
        {kOptionsOperation, noisy, Completes(kMonitorRun), {.counter = &Counters::noiseBytes}},
        {kLogOperation, noisy, Completes(kLogRun), {.counter = &Counters::noiseBytes}},
        {kWipeOperation, noisy, Completes(kWipeRun), {.counter = &Counters::noiseBytes}},

        {kVersionOperation, corrupt, Completes(kVersionRun), {.counter = &Counters::corruptFrames}},
        {kOptionsOperation, corrupt, Completes(kMonitorRun), {.counter = &Counters::corruptFrames}},
        {kLogOperation, corrupt, Completes(kLogRun), {.counter = &Counters::corruptFrames}},
        {kWipeOperation, corrupt, Completes(kWipeRun), {.counter = &Counters::corruptFrames}},

        // The typical receiver takes the switch to 115200.
        {kWipeOperation,
         refusedBaud,
         Completes(kWipeRun + 10),
         {.counter = &Counters::baudRefusals, .fastestBaud = 9600}},

        {kOptionsOperation,
         noHardware,
         Completes(kMonitorRun + 20),
         {.counter = &Counters::infoWithheld}},
        {kWipeOperation,
         noHardware,
         Completes(kWipeRun + 20),
         {.counter = &Counters::infoWithheld}},

        {kVersionOperation, noRadio, Completes(kVersionRun), {.radioVersion = ""}},
        {kWipeOperation, noRadio, Fails(k820, kWipeRun)},

        // Eight identifications 7 s apart after the 14 s boot wait: 136 s more than one.
        {kOptionsOperation, neverMonitor, Fails(DeviceText(819, " "), 200)},
        {kWipeOperation, neverMonitor, Fails(DeviceText(819, " "), 210)},

        // The monitor answers 11 s later than the typical receiver's, after the host's 14 s wait:
        // found by an identification 7 s or more later.
        {kOptionsOperation, slowReboot, Completes(kMonitorRun + 60), {.extraSeconds = 7}},
        {kWipeOperation, slowReboot, Completes(kWipeRun + 60), {.extraSeconds = 7}},
        // The configuration report ends as a success all the same, after the host has waited
        // out its 18 s where the typical receiver is back after 6 s.
        {kOptionsOperation, noReturn, Completes(kMonitorRun + 20), {.extraSeconds = 12}},
        {kWipeOperation, noReturn, Fails(DeviceText(812), kWipeRun + 20)},

        {kVersionOperation, unknown, Cancels(k733, 11)},
        {kOptionsOperation, unknownRetried, Cancels(k733, 40, 2)},
        {kLogOperation, unknown, Fails(k709, 11)},
        {kWipeOperation, unknownCancelled, Cancels(k733, 30)},

        {kVersionOperation, monitorName, Cancels(k731, 11)},
        {kOptionsOperation, monitorName, Fails(k801, 240)},
        {kLogOperation, monitorName, Fails(k801, 240)},
        {kWipeOperation, monitorName, Fails(DeviceText(805), 150)},

        // The host takes the USB port's own 115200 from its identification; it opens the port
        // again after each of the two reboots.
        {kVersionOperation, usb, Completes(kVersionRun), {.fastestBaud = 115200}},
        {kOptionsOperation, usb, Completes(kMonitorRun + 20), {.fastestBaud = 115200, .opens = 3}},
        {kWipeOperation, usb, Completes(kWipeRun + 20), {.fastestBaud = 115200, .opens = 3}},
        // Late: 5 s after the restart's failed open, the first identification try opens it;
        // 20 s of failed opens after the reboot back. Gone: the port's open failure, after the
        // eight identification tries 7 s apart, or after the ten reopens 5 s apart.
        {kOptionsOperation, usbLate, Completes(kMonitorRun + 45), {.opens = 3}},
        {kWipeOperation, usbLate, Completes(kWipeRun + 45), {.opens = 3}},
        {kOptionsOperation, usbGone, Fails(openFailed, 100)},
        {kWipeOperation, usbGoneOnExit, Fails(openFailed, kWipeRun + 60)},

        {kLogOperation, slowClear, Completes(kLogRun + 25), {.extraSeconds = 7}},
        {kLogOperation, clearRefused, CompletesAfter(k707, 1, kLogRun + 25)},

        {kLogOperation,
         slowAnswers,
         Completes(kLogRun + 40),
         {.extraSeconds = 20,
          .viewer = {"Runtime Warning:\t0x0000BEEF", "Radio Error:\t0x0A010203",
                     "Startup Error:\t0x70085000"}}},
        // 38 memory reads, each answered after its repeat went out (2 s) and its reply's 2.5 s.
        {kLogOperation,
         slowMonitor,
         Completes(kMonitorRun + 150),
         {.viewer = {"Startup Error:\t0x70085000", "Radio Error:\t0x0A010203",
                     "Runtime Warning:\t0x0000BEEF"}}},
        {kOptionsOperation, pulledInMonitor, Fails(ComText(302, EBADF), 20)},

        {kVersionOperation, open, Fails(openFailed, kQuick)},
        {kOptionsOperation, open, Fails(openFailed, kQuick)},
        {kLogOperation, open, Fails(openFailed, kQuick)},
        {kWipeOperation, open, Fails(openFailed, kQuick)},

        {kVersionOperation, read, Fails(readFailed, kQuick)},
        {kOptionsOperation, read, Fails(readFailed, kQuick)},
        {kLogOperation, read, Fails(readFailed, kQuick)},
        {kWipeOperation, read, Fails(readFailed, kQuick)},

        // A packet reports its own failed send and its two failed retransmissions, then the
        // unanswered request fails the run: radio flags and version numbers; GPS time and count.
        {kVersionOperation, write, Fails(k704, kVersionRun, 7)},
        {kLogOperation, write, Fails(k708, kLogRun, 7)},
        // The monitor request is written without a packet: its failure ends the run.
        {kOptionsOperation, write, Fails(writeFailed, 40, 4)},
        {kWipeOperation, write, Fails(writeFailed, 40, 4)},

        {kVersionOperation, line, Fails(lineFailed, kQuick)},
        {kOptionsOperation, line, Fails(lineFailed, kQuick)},
        {kLogOperation, line, Fails(lineFailed, kQuick)},
        {kWipeOperation, line, Fails(lineFailed, kQuick)},
    };
}

// Runs the row's operation with its answers scripted: the wipe's question answered Yes, then the
// fault's answers, and the viewer's Clear where the fault asks for it. The result code, or -1
// when the operation is not listed.
int RunScripted(MatrixRig& rig, const Row& row) {
    if (rig.IndexOf(row.operation) < 0) {
        ADD_FAILURE() << row.operation << " not listed";
        return -1;
    }
    if (row.operation == kWipeOperation) {
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
    return rig.Run(row.operation);
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
        EXPECT_EQ(rig.log.fastestBaud, evidence.fastestBaud) << "the host's fastest line";
    }
    if (evidence.opens != 0) {
        EXPECT_EQ(rig.log.opens, evidence.opens) << "the port's opens";
    }
    if (!evidence.viewer.empty()) {
        ASSERT_FALSE(rig.ui.dialogs.empty());
        std::vector<std::string> lines;
        for (const platform::DialogControl& control : rig.ui.dialogs.back().controls) {
            if (control.id == CErrorLogDlg::kList) {
                lines = control.items;
            }
        }
        ASSERT_EQ(lines.size(), evidence.viewer.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].rfind(evidence.viewer[i], 0), 0u) << lines[i];
        }
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
        MatrixRig rig(fault.profile, fault.port, fault.hangUp);
        EXPECT_EQ(RunScripted(rig, row), expected.result);
        const std::string status = expected.result == 1   ? SuccessText(row.operation)
                                   : expected.result == 2 ? kCanceled
                                                          : kFailure;
        ASSERT_FALSE(rig.ui.statuses.empty());
        EXPECT_EQ(rig.ui.statuses.back(), status);

        const std::size_t question = row.operation == kWipeOperation ? 1 : 0;
        ASSERT_GE(rig.ui.boxes.size(), question);
        const std::size_t boxes = rig.ui.boxes.size() - question;
        // The clear's own question comes on top of what the row counts.
        EXPECT_EQ(boxes, static_cast<std::size_t>(expected.boxes) + (fault.clear ? 1 : 0));
        if (expected.box != Box::kNone && boxes > 0) {
            EXPECT_EQ(rig.ui.boxes.back().text,
                      expected.box == Box::kError ? rig.ErrorBox(expected.text) : expected.text);
        }

        // The port is released: every open has its close, before the transport goes.
        EXPECT_EQ(rig.log.alive, 0);
        EXPECT_EQ(rig.log.destroyedOpen, 0);
        EXPECT_EQ(rig.log.closes, rig.log.opens);
        EXPECT_EQ(rig.log.opens == 0, fault.port == PortFault::kOpen);
        EXPECT_LE(Seconds(rig), expected.maxSeconds);
        ExpectEvidence(row, rig);
    }
}

}  // namespace

// Random faults with invariants: each seed draws an operation, a receiver, a mix of receiver and
// line faults and the user's answers, runs the shipped plug-in through its exports against the
// simulator on virtual time, and holds the run to the promises that no mix of faults may break:
// it ends within the bound its path allows, its result, final status and boxes agree, it claims
// success only where the receiver shows the effect, it leaves the radio block as it was or erased
// as defined, never half written, and it releases the port.
//
// DEVVORIN_CAMPAIGN_FIRST (default 1) and DEVVORIN_CAMPAIGN_SEEDS (default 400, 100 under the
// address sanitizer, where a run costs some thirty times more) choose the seeds;
// DEVVORIN_CAMPAIGN_VERBOSE=1 prints every run's story. scripts/campaign.sh runs the long record.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/radio_dictionary.h"
#include "frame/operation_context.h"
#include "front/hang_up.h"
#include "operations/error_log_dlg.h"
#include "operations/modify_options_dlg.h"
#include "operations/version_display_dlg.h"
#include "support/defined_texts.h"
#include "support/sim_rig.h"
#include "support/typical_receiver.h"

namespace {

using nlohmann::json;
using testing_support::PortFault;
using namespace texts;
namespace answer = platform::answer;

// ---------------------------------------------------------------------------------------------
// The plan of one run, drawn from its seed.

// The same numbers from a seed on every compiler: the engine's output is fixed by the standard;
// ranges are taken by remainder, not through the library's distributions.
class Draw {
  public:
    explicit Draw(std::uint64_t seed) : engine_(seed) {}
    int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }

  private:
    std::mt19937_64 engine_;
};

struct Receiver {
    const char* legend;
    const char* profile;  // merged onto the typical receiver
};

const std::vector<Receiver> kReceivers = {
    {"typical", "{}"},
    {"typical", "{}"},
    {"typical", "{}"},
    {"in its monitor, standard log window, layout 1 low byte first",
     R"({"powerOn": "monitor", "infoBlock": {"hardware": {"minor": 0}},
         "errorLog": {"layout": 1, "byteOrder": "little"}, "flash": {"hardwareFlag": 1}})"},
    {"in its monitor, standard log window, layout 2",
     R"({"powerOn": "monitor", "infoBlock": {"hardware": {"minor": 0}}, "errorLog": {"layout": 2}})"},
    {"in its monitor, extended log window", R"({"powerOn": "monitor"})"},
    {"on its USB port", R"({"port": {"number": 15, "baud": 115200}})"},
    {"on a line it keeps (mode W)", R"({"port": {"baud": 38400, "mode": "WIRE"}})"},
    {"Tarrow", R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR"})"},
    {"Benlow", R"({"product": "Benlow", "monitorProduct": "Benlow-MONITOR"})"},
    {"Tarrow that falls into its monitor after its first identification",
     R"({"product": "Tarrow", "monitorProduct": "Tarrow-MONITOR",
         "faults": {"dropsToMonitorAfter": 1}})"},
    {"without a radio", R"({"radio": {"present": false}})"},
    {"with a radio dictionary that does not decode",
     R"({"radio": {"config": {"dictionary": null, "hex": "FD 03 09 00 01 09 00 00 00 FF"}}})"},
    {"unknown product", R"({"product": "Unlisted-7", "monitorProduct": "Unlisted-7-MONITOR"})"},
    {"empty log", R"({"errorLog": {"entries": []}})"},
    {"short log records only", R"({"errorLog": {"longRecords": false}})"},
};

const std::vector<std::string> kOperations = {kVersionOperation, kOptionsOperation, kLogOperation,
                                              kWipeOperation};
// The requests a fault rule may watch, and the events at which the cable may be pulled.
const std::vector<std::string> kWatched = {
    "identification", "any",     "tc",      "ls",      "tc-0x4A", "tc-0x06", "tc-0x84",
    "tc-0x77",        "tc-0x14", "tc-0x91", "tc-0x71", "tc-0x87", "ls-4",    "ls-5",
    "ls-6",           "ls-17",   "ls-18",   "ls-19",   "ls-20"};
const std::vector<std::string> kHangUps = {"identification", "tc-0x4A", "tc-0x06", "tc-0x91",
                                           "tc-0x71",        "ls-5",    "ls-6",    "ls-17",
                                           "ls-18",          "ls-19",   "ls-4"};
const std::vector<std::string> kActions = {"unheard", "lost", "nak", "late", "short", "long"};
const std::vector<PortFault> kPortFaults = {PortFault::kOpen, PortFault::kRead, PortFault::kWrite,
                                            PortFault::kLineSettings};

struct Plan {
    std::uint64_t seed = 0;
    std::string operation;
    const Receiver* receiver = nullptr;
    json faults = json::object();  // merged onto the receiver's profile
    std::string hangUp;            // a vorin-sim --hang-up event; empty: the cable stays in
    int cancelAfterWrites = -1;    // the host sets its cancel event after so many writes
    int failOpens = 0;
    PortFault port = PortFault::kNone;
    bool wipeYes = true;
    int retries = 0;  // prompts to retry answered Retry before the first Cancel
    bool clear = false;
    bool clearYes = true;
    bool closeWithOk = true;

    std::string Profile() const {
        json profile = json::parse(receiver->profile);
        profile.merge_patch(faults);
        return profile.dump();
    }
};

std::string HexBytes(Draw& draw, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X ", draw.Below(256));
        text += byte;
    }
    return text;
}

// The host awaits an answer three seconds (the shortest time-out of any request); one that comes
// later still may be taken for the answer to a later request, as the frames carry no sequence.
// Late answers stay within it.
constexpr int kLatestAnswerMs = 3000;

json RequestRule(Draw& draw, int replyMs) {
    json rule = {{"on", draw.Pick(kWatched)}, {"nth", draw.Between(1, 12)}};
    if (draw.Chance(40)) {
        rule["every"] = draw.Between(1, 9);
        rule["times"] = draw.Between(0, 3);
    }
    const std::string action = draw.Pick(kActions);
    rule["action"] = action;
    if (action == "late") {
        rule["ms"] = draw.Between(0, kLatestAnswerMs - replyMs);
    }
    return rule;
}

Plan DrawPlan(std::uint64_t seed) {
    Draw draw(seed);
    Plan plan;
    plan.seed = seed;
    plan.operation = draw.Pick(kOperations);
    plan.receiver = &draw.Pick(kReceivers);
    json& f = plan.faults;
    // Each fault of the receiver joins the mix with its own chance.
    const struct {
        int percent;
        const char* section;
        const char* key;
        std::function<json(Draw&)> value;
    } kMix[] = {
        {15, "faults", "noise", [](Draw& d) { return HexBytes(d, d.Between(1, 6)); }},
        {10, "faults", "corruptBeforeGood", [](Draw&) { return true; }},
        {3, "faults", "silent", [](Draw&) { return true; }},
        {8, "faults", "refuseBaud", [](Draw&) { return true; }},
        {8, "faults", "noHardwareInfo", [](Draw&) { return true; }},
        {5, "faults", "noFlashInfo", [](Draw&) { return true; }},
        {4, "faults", "neverMonitor", [](Draw&) { return true; }},
        {10, "faults", "radioWriteFails", [](Draw&) { return true; }},
        {12, "faults", "clearAnswer", [](Draw& d) { return d.Chance(50) ? "nak" : "silent"; }},
        {6, "faults", "dropsToMonitorAfter", [](Draw& d) { return d.Between(1, 4); }},
        {4, "faults", "eraseUnanswered", [](Draw&) { return true; }},
        {4, "faults", "eraseRefused", [](Draw&) { return true; }},
        {15, "delays", "replyMs", [](Draw& d) { return d.Between(0, 2500); }},
        {15, "delays", "bootToMonitorMs", [](Draw& d) { return d.Between(1000, 40000); }},
        {15, "delays", "bootToApplicationMs",
         [](Draw& d) { return d.Chance(20) ? 600000 : d.Between(1000, 40000); }},
        {10, "delays", "radioCommitMs", [](Draw& d) { return d.Between(0, 70000); }},
        {10, "delays", "logClearMs", [](Draw& d) { return d.Between(0, 20000); }},
        {8, "radio", "passThrough",
         [](Draw& d) {
             return d.Pick(std::vector<std::string>{"nak", "silent", "ack-lost"});
         }},
    };
    for (const auto& fault : kMix) {
        if (draw.Chance(fault.percent)) {
            f[fault.section][fault.key] = fault.value(draw);
        }
    }
    for (int rules = draw.Chance(60) ? draw.Between(1, 3) : 0; rules > 0; --rules) {
        const bool slow = f.contains("delays") && f["delays"].contains("replyMs");
        f["faults"]["requests"].push_back(
            RequestRule(draw, slow ? f["delays"]["replyMs"].get<int>() : 20));
    }
    if (draw.Chance(10)) {
        plan.hangUp = draw.Pick(kHangUps) + ":" + std::to_string(draw.Between(1, 4)) + "+" +
                      std::to_string(draw.Between(0, 20000));
    }
    if (draw.Chance(8)) {
        plan.cancelAfterWrites = draw.Between(1, 60);
    }
    if (draw.Chance(4)) {
        plan.failOpens = draw.Between(1, 3);
    }
    if (draw.Chance(2)) {
        plan.port = draw.Pick(kPortFaults);
    }
    plan.wipeYes = draw.Chance(90);
    plan.retries = draw.Between(0, 2);
    plan.clear = draw.Chance(60);
    plan.clearYes = draw.Chance(80);
    plan.closeWithOk = draw.Chance(70);
    return plan;
}

std::string Describe(const Plan& plan) {
    static const char* kPortNames[] = {"", "open", "read", "write", "line settings"};
    std::string text = "\"" + plan.operation + "\" on the " + plan.receiver->legend +
                       " receiver; profile " + plan.Profile();
    if (!plan.hangUp.empty()) {
        text += "; hang-up " + plan.hangUp;
    }
    if (plan.cancelAfterWrites >= 0) {
        text += "; cancel after write " + std::to_string(plan.cancelAfterWrites);
    }
    if (plan.failOpens > 0) {
        text += "; " + std::to_string(plan.failOpens) + " opens fail";
    }
    if (plan.port != PortFault::kNone) {
        text += std::string("; every ") + kPortNames[static_cast<int>(plan.port)] + " fails";
    }
    text += "; answers: wipe " + std::string(plan.wipeYes ? "Yes" : "No") + ", " +
            std::to_string(plan.retries) + " retries, " +
            (plan.clear ? std::string("Clear ") + (plan.clearYes ? "Yes" : "No") : "no Clear") +
            ", close with " + (plan.closeWithOk ? "OK" : "Escape");
    return text;
}

// ---------------------------------------------------------------------------------------------
// The bound of a run's path, in virtual seconds, built from the defined waits, time-outs and
// attempt counts. A time-out measured on the one-second clock may run a second long, and a read
// under way when it ends adds the port's 2 s read time-out.

constexpr double kReadTimeout = 2;
constexpr double Attempt(double timeout) {
    return timeout + 1 + kReadTimeout;
}
// Three attempts; after a success that needed repeats, the answers to them are awaited for the
// time-out after the last one, with a read under way.
constexpr double Receive(double timeout) {
    return 4 * Attempt(timeout);
}
// Three attempts of a 350 ms break and a request, each followed by a 3 s read; then 8 s to settle.
constexpr double kIdentify = 3 * (0.7 + 2 * Attempt(3)) + 8;
constexpr double kTc = Receive(3);

double Connect(bool usb, int prompts) {
    const double baud = 2 * kIdentify + Receive(3) + 0.3 + 5.1 + 0.5 + Receive(5);
    return (1 + prompts) * kIdentify          // detection, again after each Retry
           + kTc + 24 + 18                    // boot flags, the longest boot wait
           + (usb ? 0.5 + 5 + 1 + 1 + 5 : 0)  // the USB device restarted
           + 8 * kIdentify + 7 * 7            // eight looks for the monitor
           + (usb ? 0 : 5 * baud + 5)         // five candidate rates, then settling
           + Receive(5) + Receive(15) + 4 + Receive(5) + Receive(3);  // product, hardware, flash
}

double ExitMonitor(bool usb) {
    return kIdentify + 2 + (usb ? 6 + 10 * 5 : 0) + 2 + 19 + 0.5 + kIdentify;
}

double Bound(const Plan& plan, const sim::Profile& receiver) {
    const bool usb = receiver.portNumber == 15;
    const int prompts = plan.retries;
    const auto records = static_cast<double>(
        std::count_if(receiver.errorLog.entries.begin(), receiver.errorLog.entries.end(),
                      [](const sim::ErrorLogRecord& r) { return r.status == sim::kLogValid; }));
    if (plan.operation == kVersionOperation) {
        return 2 * kIdentify + 4 * kTc;
    }
    if (plan.operation == kOptionsOperation) {
        return Connect(usb, prompts) + ExitMonitor(usb);
    }
    if (plan.operation == kLogOperation) {
        const double reads = receiver.infoBlock[147] != 0 ? 596 : 38;  // 220-byte blocks
        const double tc = 2 * kIdentify + 3 * kTc + records * kTc + kIdentify + kTc;
        return std::max(tc, kIdentify + Connect(usb, prompts) + reads * Receive(3));
    }
    const double packet = kIdentify + kTc + 2 + 2 + 18;
    const double device = Connect(usb, prompts) + Receive(3) + 21 * Receive(3) + ExitMonitor(usb);
    return plan.wipeYes ? kIdentify + std::max(packet, device) : 0;
}

// ---------------------------------------------------------------------------------------------
// What the receiver holds, as the plug-in must show it.

std::string Stripped(std::string text) {
    text.erase(0, text.find_first_not_of('0') == std::string::npos ? text.size()
                                                                   : text.find_first_not_of('0'));
    return text;
}

std::string BlockText(const sim::Profile& p, std::size_t offset, std::size_t size) {
    const auto* begin = p.infoBlock.data() + offset;
    return std::string(begin, std::find(begin, begin + size, 0));
}

// The option rows of a receiver that holds the typical options; a hardware minor number of 0
// hides these names whatever their state.
std::vector<typical::OptionRow> OptionRows(const sim::Profile& p) {
    static const std::set<std::string> kHidden = {
        "L5", "LBand", "Disable Aldric", "Enable GLONASS", "Enable Webserver", "Log Memory Limit"};
    std::vector<typical::OptionRow> rows;
    for (typical::OptionRow row : typical::kOptionRows) {
        if (p.infoBlock[147] == 0 && kHidden.count(row[0]) != 0) {
            continue;
        }
        if (row[0] == "Hardware Version") {
            row[1] = std::to_string(p.infoBlock[146]) + "." + std::to_string(p.infoBlock[147]);
        }
        rows.push_back(row);
    }
    return rows;
}

// A log entry's line in the viewer, its time moved by the receiver's UTC offset.
std::string LogLine(const sim::ErrorLogRecord& r, int utcOffset) {
    using namespace std::chrono;
    static const char* kCategories[] = {"Runtime Error", "Startup Error", "Radio Error",
                                        "Runtime Warning"};
    const std::uint64_t t = r.timeOfWeekMs + static_cast<std::uint64_t>(utcOffset) * 1000;
    const auto ms = static_cast<long long>(t % 86400000);
    const year_month_day date{
        sys_days{year{1980} / January / 6} +
        days{std::int64_t{r.gpsWeek} * 7 + static_cast<long long>(t / 86400000)}};
    char text[128];
    std::snprintf(text, sizeof text,
                  "%s:\t0x%08X  At time: %02u/%02u/%04d %02lld:%02lld:%02lld UTC",
                  kCategories[r.rr1 <= 3 ? r.rr1 : 0], r.errorNumber,
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(date.year()), ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
    return text;
}

// The viewer's lines for the log as read over TC (the highest index first, the receiver's UTC
// offset, or 0 when its time did not come) or from memory (in stored order, no offset).
std::vector<std::vector<std::string>> LogViews(const std::vector<sim::ErrorLogRecord>& log,
                                               int utcOffset) {
    std::vector<std::vector<std::string>> views(3);
    for (const sim::ErrorLogRecord& r : log) {
        if (r.status == sim::kLogValid) {
            views[0].insert(views[0].begin(), LogLine(r, utcOffset));
            views[1].insert(views[1].begin(), LogLine(r, 0));
            views[2].push_back(LogLine(r, 0));
        }
    }
    return views;
}

// Every failure message of the definition a run on COM5 may end with.
const std::set<std::string>& DefinedFailures() {
    static const std::set<std::string> texts = [] {
        std::set<std::string> t = {k701,
                                   k704,
                                   k707,
                                   k708,
                                   k709,
                                   k710,
                                   k713,
                                   k801,
                                   k817,
                                   k818,
                                   k820,
                                   DeviceText(805),
                                   DeviceText(811),
                                   DeviceText(812),
                                   DeviceText(819, " "),
                                   ComText(301, ENOENT)};
        for (int code : {302, 303, 304}) {
            t.insert({ComText(code, EIO), ComText(code, EBADF)});  // EBADF: a port closed before
        }
        return t;
    }();
    return texts;
}

// ---------------------------------------------------------------------------------------------
// One run and its promises.

class CampaignRun : public testing_support::PluginRig {
  public:
    explicit CampaignRun(const Plan& plan)
        : PluginRig(testing_support::ProfileText(plan.Profile()), true, true),
          plan_(plan),
          bound_(Bound(plan, receiver.GetProfile())),
          radioBefore_(receiver.RadioConfig()),
          logBefore_(receiver.ErrorLog()) {
        line.fault = plan.port;
        line.failOpens = plan.failOpens;
        if (plan.cancelAfterWrites >= 0) {
            line.cancelWhen = [this] {
                return log.writes.size() >= static_cast<std::size_t>(plan_.cancelAfterWrites);
            };
        }
        std::string error;
        const auto trigger = simfront::HangUpTrigger::Parse(plan.hangUp, error);
        if (trigger) {
            line.hangUpDelayMs = trigger->delayMs;
        }
        // A run still going long past its bound has the cable pulled, so that it ends.
        line.hangUpWhen = [this, trigger](const sim::Counters& counters) {
            return (trigger && trigger->Reached(counters)) ||
                   static_cast<double>(clock.ElapsedMs()) > 1000 * (bound_ + 60);
        };
        ui.decide = [this](const testing_support::ScriptedUi::Box& box) { return Decide(box); };
        ui.OnNextDialog([this](platform::DialogSession& dialog) {
            if (dialog.TemplateId() == CErrorLogDlg::kTemplateId && plan_.clear) {
                dialog.Press(CErrorLogDlg::kClear);
            }
            plan_.closeWithOk ? dialog.Press(platform::kIdOk) : dialog.Escape();
        });
    }

    // The result code, or -1 when something other than a result left DoOperation.
    int Go() {
        try {
            result_ = PluginRig::Run(plan_.operation);
        } catch (...) {
            Expect(false, "no exception leaves DoOperation");
        }
        return result_;
    }

    // Every promise the run broke.
    std::vector<std::string> Judge() {
        Expect(Seconds() <= bound_, "ends within " + std::to_string(bound_) + " s");
        Expect(log.alive == 0 && log.destroyedOpen == 0 && log.closes == log.opens,
               "the port is released");
        JudgeReport();
        JudgeEffects();
        return broken_;
    }

    double Seconds() const { return static_cast<double>(clock.ElapsedMs()) / 1000.0; }
    int Result() const { return result_; }
    std::string Story() const {
        std::string text = "statuses:";
        for (const auto& s : ui.statuses) {
            text += " [" + s + "]";
        }
        text += "\nboxes:";
        for (const auto& b : ui.boxes) {
            text += " [" + b.text + "]";
        }
        text += "\nreceiver:\n";
        for (const auto& event : receiver.Trace()) {
            text += "  " + event + "\n";
        }
        return text;
    }

  private:
    int Decide(const testing_support::ScriptedUi::Box& box) {
        if (box.text == kWipeQuestion) {
            return plan_.wipeYes ? answer::kYes : answer::kNo;
        }
        if (box.text == kClearQuestion) {
            return plan_.clearYes ? answer::kYes : answer::kNo;
        }
        if ((box.flags & 0xFU) == platform::mb::kRetryCancel) {
            return prompts_++ < plan_.retries ? answer::kRetry : answer::kCancel;
        }
        return answer::kOk;
    }

    void Expect(bool holds, const std::string& promise) {
        if (!holds) {
            broken_.push_back(promise);
        }
    }

    bool Shown(const std::string& text) const {
        return std::any_of(ui.boxes.begin(), ui.boxes.end(),
                           [&](const auto& box) { return box.text == text; });
    }
    bool PacketPathProduct() const {
        const std::string& product = receiver.GetProfile().product;
        return product == "Tarrow" || product == "Benlow";
    }

    // The result, the final status and the boxes tell the same story.
    void JudgeReport() {
        const std::string box = ErrorBox("");
        std::size_t errorBoxes = 0;
        for (const auto& shown : ui.boxes) {
            if (shown.text.compare(0, box.size(), box) == 0) {
                ++errorBoxes;
                Expect(DefinedFailures().count(shown.text.substr(box.size())) != 0,
                       "the error box holds a defined failure: " + shown.text.substr(box.size()));
            }
        }
        const bool lastIsError = errorBoxes == 1 && !ui.boxes.empty() &&
                                 ui.boxes.back().text.compare(0, box.size(), box) == 0;
        const std::string last = ui.statuses.empty() ? "" : ui.statuses.back();
        const std::string success = SuccessText();
        const auto count = [this](const std::string& s) {
            return std::count(ui.statuses.begin(), ui.statuses.end(), s);
        };
        Expect(std::count_if(ui.posted.begin(), ui.posted.end(),
                             [](const auto& p) { return p.message == WM_OPERATION_DONE; }) == 1,
               "one done message");
        Expect(count(success) == (result_ == 1 ? 1 : 0), "the success text only on success");
        Expect(count(kFailure) == (result_ == 0 && errorBoxes > 0 ? 1 : 0),
               "the failure status only after a failure's box");
        switch (result_) {
            case 1:
                Expect(last == success && errorBoxes == 0, "success: its text last, no error box");
                break;
            case 2: {
                Expect(last == kCanceled && errorBoxes == 0, "cancelled: said so, no error box");
                const bool asked =
                    cancel.signalled ||
                    std::count(ui.answered.begin(), ui.answered.end(), answer::kCancel) > 0 ||
                    Shown(k731) || Shown(InvalidDevice());
                Expect(asked, "cancelled only when the host or the user asked");
                break;
            }
            case 0: {
                const bool failed = lastIsError && last == kFailure;
                const bool declined = plan_.operation == kWipeOperation && !plan_.wipeYes &&
                                      last == kCanceled && log.opens == 0 && errorBoxes == 0;
                const bool notErased = plan_.operation == kWipeOperation && PacketPathProduct() &&
                                       last == kEraseFailed && errorBoxes == 0;
                Expect(failed || declined || notErased,
                       "failure: its box, then the failure status (or the wipe's own ends)");
                break;
            }
            default:
                Expect(false, "a defined result code");
        }
    }

    // Success only with its effect on the receiver; the radio block whole in every case.
    void JudgeEffects() {
        const sim::Profile& p = receiver.GetProfile();
        bool claimed = false;  // a dialog or box showed what the receiver holds
        for (const auto& dialog : ui.dialogs) {
            if (dialog.templateId == CVersionDisplayDlg::kTemplateId) {
                claimed = true;
                JudgeVersions(dialog, p);
            } else if (dialog.templateId == CLSModifyOptionsDlg::kTemplateId) {
                claimed = true;
                Expect(dialog.Text(CLSModifyOptionsDlg::kDeviceName) == BlockText(p, 34, 40) &&
                           dialog.Text(CLSModifyOptionsDlg::kSerialNumber) == BlockText(p, 2, 32),
                       "the options dialog names the receiver");
                Expect(Rows(dialog) == OptionRows(p), "the options dialog lists its options");
            } else if (dialog.templateId == CErrorLogDlg::kTemplateId) {
                claimed = true;
                const auto views = LogViews(logBefore_, p.gpsTime.utcOffset);
                Expect(std::find(views.begin(), views.end(), Lines(dialog)) != views.end(),
                       "the viewer lists the receiver's log");
            }
        }
        if (Shown(kNoErrors)) {
            claimed = true;
            Expect(LogViews(logBefore_, 0)[0].empty(), "no errors only for a log without any");
        }
        if (plan_.operation != kWipeOperation) {
            Expect(result_ != 1 || claimed, "success shows what it read");
        }
        JudgeLog();
        JudgeRadio();
    }

    void JudgeVersions(const testing_support::ScriptedUi::Dialog& dialog, const sim::Profile& p) {
        std::set<std::string> radio = {""};
        if (p.radio.present) {
            radio.insert({"None", Stripped(p.radio.version)});
        }
        Expect(
            dialog.Text(CVersionDisplayDlg::kModelLabel) == "Model: " + p.product &&
                dialog.Text(CVersionDisplayDlg::kSerialNumber) == p.serial &&
                dialog.Text(CVersionDisplayDlg::kSoftwareVersion) == Stripped(p.softwareVersion) &&
                dialog.Text(CVersionDisplayDlg::kBootVersion) == Stripped(p.bootVersion) &&
                radio.count(dialog.Text(CVersionDisplayDlg::kRadioVersion)) != 0,
            "the version dialog shows the receiver's versions");
    }

    // The log changes only by a clear the user asked for; a clear that said nothing went wrong
    // left it empty.
    void JudgeLog() {
        const auto question = std::find_if(ui.boxes.begin(), ui.boxes.end(), [](const auto& box) {
            return box.text == kClearQuestion;
        });
        const auto index = static_cast<std::size_t>(question - ui.boxes.begin());
        const bool cleared = question != ui.boxes.end() && ui.answered[index] == answer::kYes;
        const bool quiet = cleared && index + 1 == ui.boxes.size();
        const bool empty = receiver.ErrorLog().empty();
        if (quiet && result_ == 1) {
            Expect(empty, "a clear that succeeded left the log empty");
        } else {
            Expect(receiver.ErrorLog().size() == logBefore_.size() || (cleared && empty),
                   "the log changes only by a clear");
        }
    }

    void JudgeRadio() {
        const sim::Bytes& after = receiver.RadioConfig();
        sim::Bytes wiped = radioBefore_;
        const std::vector<std::uint8_t> erased = {0xFD, 0x03, 0x09, 0x00, 0x14, 0x06,
                                                  0x00, 0x00, 0x96, 0x06, 0x00, 0x00,
                                                  0xFE, 0x06, 0x02, 0xBE, 0x00, 0xFF};
        if (wiped.size() >= erased.size()) {
            std::copy(erased.begin(), erased.end(), wiped.begin());
        }
        const bool wipe = plan_.operation == kWipeOperation;
        const bool packetErased =
            wipe && PacketPathProduct() && after == sim::ErasedRadioConfig(0xFF);
        Expect(after == radioBefore_ || (wipe && after == wiped) || packetErased,
               "the radio block untouched or erased as defined");
        if (wipe && result_ == 1) {
            const auto counters = receiver.GetCounters();
            const bool foundInMonitor =
                PacketPathProduct() && counters.erases == 0 && counters.monitorIdentifications > 0;
            Expect((after == wiped && !radioBefore_.empty()) || packetErased || foundInMonitor,
                   "a wipe that succeeded erased the radio block");
        }
    }

    std::string SuccessText() const {
        return plan_.operation == kVersionOperation   ? kVersionSuccess
               : plan_.operation == kOptionsOperation ? kOptionsSuccess
               : plan_.operation == kLogOperation     ? kLogSuccess
                                                      : kWipeSuccess;
    }
    static std::vector<typical::OptionRow> Rows(const testing_support::ScriptedUi::Dialog& d) {
        std::vector<typical::OptionRow> rows;
        for (const auto& control : d.controls) {
            if (control.id == CLSModifyOptionsDlg::kOptionList) {
                for (const auto& cells : control.rows) {
                    typical::OptionRow row;
                    std::copy_n(cells.begin(), std::min(cells.size(), row.size()), row.begin());
                    rows.push_back(row);
                }
            }
        }
        return rows;
    }
    static std::vector<std::string> Lines(const testing_support::ScriptedUi::Dialog& d) {
        for (const auto& control : d.controls) {
            if (control.id == CErrorLogDlg::kList) {
                return control.items;
            }
        }
        return {};
    }

    Plan plan_;
    double bound_;
    sim::Bytes radioBefore_;
    std::vector<sim::ErrorLogRecord> logBefore_;
    int result_ = -1;
    int prompts_ = 0;
    std::vector<std::string> broken_;
};

#if defined(__SANITIZE_ADDRESS__)
constexpr std::uint64_t kDefaultSeeds = 100;
#else
constexpr std::uint64_t kDefaultSeeds = 400;
#endif

// A whole number from the environment, or the fallback when it is not set; anything else is
// said and the fallback taken.
std::uint64_t Setting(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    std::uint64_t value = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end) {
        ADD_FAILURE() << name << "=" << text << " is not a whole number; using " << fallback;
        return fallback;
    }
    return value;
}

TEST(Campaign, RandomFaultsKeepEveryPromise) {
    const std::uint64_t first = Setting("DEVVORIN_CAMPAIGN_FIRST", 1);
    const std::uint64_t seeds = Setting("DEVVORIN_CAMPAIGN_SEEDS", kDefaultSeeds);
    const bool verbose = Setting("DEVVORIN_CAMPAIGN_VERBOSE", 0) != 0;
    std::map<std::string, int> outcomes;
    double virtualSeconds = 0;
    int violations = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::uint64_t seed = first; seed < first + seeds; ++seed) {
        const Plan plan = DrawPlan(seed);
        CampaignRun run(plan);
        run.Go();
        const std::vector<std::string> broken = run.Judge();
        virtualSeconds += run.Seconds();
        ++outcomes[plan.operation + " -> " + std::to_string(run.Result())];
        if (verbose || !broken.empty()) {
            std::printf("seed %llu: %s\n  result %d after %.1f virtual s\n%s",
                        static_cast<unsigned long long>(seed), Describe(plan).c_str(), run.Result(),
                        run.Seconds(), verbose ? run.Story().c_str() : "");
        }
        if (!broken.empty()) {
            ++violations;
            std::string list;
            for (const std::string& promise : broken) {
                list += "\n  broken: " + promise;
            }
            ADD_FAILURE() << "seed " << seed << " broke " << broken.size() << " promise(s):" << list
                          << "\n  again: DEVVORIN_CAMPAIGN_FIRST=" << seed
                          << " DEVVORIN_CAMPAIGN_SEEDS=1 DEVVORIN_CAMPAIGN_VERBOSE=1 "
                             "build/native/tests/system_tests --gtest_filter=Campaign.*";
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("campaign: seeds %llu to %llu, %d violation(s), %.0f runs/s, %.1f virtual hours\n",
                static_cast<unsigned long long>(first),
                static_cast<unsigned long long>(first + seeds - 1), violations,
                static_cast<double>(seeds) / std::max(seconds, 1e-6), virtualSeconds / 3600);
    for (const auto& [outcome, count] : outcomes) {
        std::printf("  %-44s %d\n", outcome.c_str(), count);
    }
}

}  // namespace

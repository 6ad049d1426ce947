#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "engine/error_log_image.h"
#include "engine/field_reader.h"
#include "engine/info_block.h"
#include "engine/profile.h"
#include "engine/radio_dictionary.h"

namespace sim {
namespace {

using nlohmann::json;

// Rates of the host's line table; a receiver may sit at any of them.
constexpr std::uint32_t kLineRates[] = {110,    300,    600,    1200,   2400,  4800,
                                        9600,   14400,  19200,  38400,  56000, 57600,
                                        115200, 128000, 256000, 230400, 460800};

bool IsLineRate(std::uint64_t rate) {
    return std::find(std::begin(kLineRates), std::end(kLineRates), rate) != std::end(kLineRates);
}

std::uint32_t ReadRate(FieldReader& reader, const std::string& key, std::uint32_t fallback) {
    const auto rate = static_cast<std::uint32_t>(reader.Unsigned(key, 1, 460800, fallback));
    if (!IsLineRate(rate)) {
        reader.Fail(key,
                    "is not a rate of the serial line table (got " + std::to_string(rate) + ")");
    }
    return rate;
}

// "4.12": up to three characters, a point, up to two characters.
std::string ReadVersion(FieldReader& reader, const std::string& key, const std::string& fallback) {
    const std::string text = reader.Text(key, 6, fallback);
    const auto dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 3 || text.size() - dot - 1 == 0 ||
        text.size() - dot - 1 > 2 || text.find('.', dot + 1) != std::string::npos) {
        reader.Fail(key, "must look like \"4.12\": up to 3 characters, a point, up to 2 (got \"" +
                             text + "\")");
    }
    return text;
}

void ReadPort(FieldReader& port, Profile& p) {
    p.portNumber = static_cast<int>(port.Unsigned("number", 0, 99, 1));
    p.line.baud = ReadRate(port, "baud", 9600);
    p.line.dataBits = static_cast<std::uint8_t>(port.Unsigned("dataBits", 7, 8, 8));
    p.line.stopBits = static_cast<std::uint8_t>(port.Unsigned("stopBits", 1, 2, 1));
    p.line.parity = port.Choice("parity", {"N", "O", "E", "M", "S"}, "N")[0];
    p.portMode = port.Text("mode", 16, "NONE");
    if (p.portMode.empty() || p.portMode.find_first_of(",;") != std::string::npos) {
        port.Fail("mode", "must be a non-empty word without ',' or ';'");
    }
    for (const std::uint64_t rate : port.UnsignedArray("supportedBauds", 1, 460800, 17)) {
        if (!IsLineRate(rate)) {
            port.Fail("supportedBauds",
                      "holds " + std::to_string(rate) + ", which is not a rate of the line table");
        }
        p.supportedBauds.push_back(static_cast<std::uint32_t>(rate));
    }
    port.Finish();
}

void ReadRadioConfig(FieldReader& config, Profile& p) {
    const auto fill = static_cast<std::uint8_t>(config.Unsigned("fill", 0, 0xFF, 0xFF));
    const bool checksums = config.Bool("checksums", true);
    const auto hex = config.Hex("hex", 0, kRadioConfigSize);
    std::vector<FieldReader> items = config.ObjectArray("dictionary", 512);
    if (hex && !items.empty()) {
        config.Fail("hex", "and 'dictionary' exclude each other");
    }
    if (hex) {
        p.radio.config = *hex;
    } else {
        std::vector<RadioEntry> entries;
        for (FieldReader& item : items) {
            RadioEntry entry;
            entry.id = static_cast<std::uint8_t>(item.Unsigned("id", 0, 255, 0));
            if (!item.Has("id") || !item.Has("type")) {
                item.Fail(item.Has("id") ? "type" : "id", "is required");
            }
            entry.type = static_cast<std::uint8_t>(item.Unsigned("type", 0, 255, 0));
            if (!IsRadioType(entry.type)) {
                item.Fail("type", "is not a type code of the radio dictionary");
            }
            const std::size_t size = RadioValueSize(entry.type);
            const bool text = entry.type >= 0x28 && entry.type != 0xFF;
            if (size == 0) {
                if (item.Has("value")) {
                    item.Fail("value", "is not allowed for a type without a value");
                }
                item.Raw("value");
            } else if (text) {
                const std::string value = item.Text("value", size, "");
                entry.value.assign(size, 0);
                std::copy(value.begin(), value.end(), entry.value.begin());
            } else {
                const std::uint64_t max = size == 1 ? 0xFF : size == 2 ? 0xFFFF : 0xFFFFFFFF;
                const std::uint64_t value = item.Unsigned("value", 0, max, 0);
                entry.value.assign(size, 0);
                for (std::size_t i = 0; i < size; ++i) {
                    entry.value[size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
                }
            }
            item.Finish();
            entries.push_back(std::move(entry));
        }
        if (checksums) {
            SetRadioChecksums(entries);
        }
        p.radio.config = EncodeRadioDictionary(entries);
        if (p.radio.config.size() > kRadioConfigSize) {
            config.Fail("dictionary", "encodes to more than the 2048-byte block area");
        }
    }
    p.radio.config.resize(kRadioConfigSize, fill);
    config.Finish();
}

void ReadRadio(FieldReader& radio, Profile& p) {
    p.radio.present = radio.Bool("present", true);
    p.radio.model = radio.Text("model", 32, "UHF-A");
    p.radio.version = radio.Text("version", 16, "01.00");
    const std::string answer =
        radio.Choice("passThrough", {"ack", "nak", "silent", "ack-lost"}, "ack");
    p.radio.passThrough = answer == "ack"        ? PassThroughAnswer::kAcknowledge
                          : answer == "nak"      ? PassThroughAnswer::kRefuse
                          : answer == "ack-lost" ? PassThroughAnswer::kAckLost
                                                 : PassThroughAnswer::kSilent;
    p.radio.versionText = radio.OptionalText("versionText", 255);
    FieldReader config = radio.Object("config");
    if (p.radio.present) {
        ReadRadioConfig(config, p);
    } else {
        // A receiver without a radio has no block area; its settings are still checked.
        Profile scratch;
        ReadRadioConfig(config, scratch);
        p.radio.config.clear();
    }
    radio.Finish();
}

std::uint8_t ReadStatus(FieldReader& entry) {
    const std::string status =
        entry.Choice("status", {"valid", "deleted", "blank", "erased"}, "valid");
    if (status == "valid") {
        return kLogValid;
    }
    if (status == "deleted") {
        return kLogDeleted;
    }
    return status == "blank" ? kLogBlank : kLogErased;
}

ErrorLogRecord ReadLogRecord(FieldReader& e) {
    ErrorLogRecord r;
    constexpr std::uint64_t k32 = 0xFFFFFFFF;
    r.status = ReadStatus(e);
    r.errorNumber = static_cast<std::uint32_t>(e.Unsigned("errorNumber", 0, k32, 0));
    r.id = static_cast<std::uint8_t>(e.Unsigned("id", 0, 0xFF, 0));
    r.vpc = static_cast<std::uint8_t>(e.Unsigned("vpc", 0, 0xFF, 0));
    r.pc = static_cast<std::uint32_t>(e.Unsigned("pc", 0, k32, 0));
    r.dataAddress = static_cast<std::uint32_t>(e.Unsigned("dataAddress", 0, k32, 0));
    r.rr1 = static_cast<std::uint32_t>(e.Unsigned("rr1", 0, k32, 0));
    r.rr2 = static_cast<std::uint32_t>(e.Unsigned("rr2", 0, k32, 0));
    r.softwareVersion = static_cast<std::uint16_t>(e.Unsigned("softwareVersion", 0, 0xFFFF, 0));
    r.softwareYear = static_cast<std::uint16_t>(e.Unsigned("softwareYear", 0, 0xFFFF, 0));
    const auto date = e.UnsignedArray("softwareDate", 0, 0xFF, 2);
    if (!date.empty() && date.size() != 2) {
        e.Fail("softwareDate", "must hold two numbers, in stored order");
    }
    if (date.size() == 2) {
        r.softwareDate1 = static_cast<std::uint8_t>(date[0]);
        r.softwareDate2 = static_cast<std::uint8_t>(date[1]);
    }
    r.timeOfWeekMs = static_cast<std::uint32_t>(e.Unsigned("timeOfWeekMs", 0, k32, 0));
    r.gpsWeek = static_cast<std::uint16_t>(e.Unsigned("gpsWeek", 0, 0xFFFF, 0));
    r.upTime = static_cast<std::uint32_t>(e.Unsigned("upTime", 0, k32, 0));
    r.stackPointer = static_cast<std::uint32_t>(e.Unsigned("stackPointer", 0, k32, 0));
    const auto trace = e.UnsignedArray("trace", 0, k32, r.trace.size());
    for (std::size_t i = 0; i < trace.size(); ++i) {
        r.trace[i] = static_cast<std::uint32_t>(trace[i]);
    }
    const Bytes user = e.Hex("userData", 0, r.userData.size()).value_or(Bytes{});
    std::copy(user.begin(), user.end(), r.userData.begin());
    r.userDataLength = static_cast<std::uint16_t>(
        e.Unsigned("userDataLength", 0, 0xFFFF, static_cast<std::uint64_t>(user.size())));
    e.Finish();
    return r;
}

void ReadErrorLog(FieldReader& log, Profile& p) {
    p.errorLog.layout = static_cast<int>(log.Unsigned("layout", 1, 3, 3));
    p.errorLog.byteOrder = log.Choice("byteOrder", {"big", "little"}, "big") == "big"
                               ? ByteOrder::kBig
                               : ByteOrder::kLittle;
    p.errorLog.longRecords = log.Bool("longRecords", true);
    const std::string window = log.Choice("window", {"auto", "standard", "extended"}, "auto");
    p.errorLog.window = window == "auto"       ? LogWindow::kAuto
                        : window == "standard" ? LogWindow::kStandard
                                               : LogWindow::kExtended;
    p.errorLog.fill = static_cast<std::uint8_t>(log.Unsigned("fill", 0, 0xFF, 0));
    for (FieldReader& entry : log.ObjectArray("entries", 1000)) {
        p.errorLog.entries.push_back(ReadLogRecord(entry));
    }
    // The smaller window must hold the header slot and every record.
    const std::size_t needed = LogRecordSize(p.errorLog.layout) * (p.errorLog.entries.size() + 1);
    const bool extended = p.errorLog.window == LogWindow::kExtended ||
                          (p.errorLog.window == LogWindow::kAuto && p.infoBlock[147] != 0);
    if (needed > (extended ? 0x1FFFFu : 0x1FFFu)) {
        log.Fail("entries", "do not fit into the receiver's error-log window");
    }
    log.Finish();
}

void ReadFlash(FieldReader& flash, Profile& p) {
    p.flash.base = static_cast<std::uint32_t>(flash.Unsigned("base", 0, 0xFFF00000, 0x02400000));
    p.flash.secondBase =
        static_cast<std::uint32_t>(flash.Unsigned("secondBase", 0, 0xFFFFFFFF, 0x02800000));
    p.flash.chip = flash.Text("chip", 15, "Tamsel 2");
    p.flash.hardwareFlag = static_cast<std::uint8_t>(flash.Unsigned("hardwareFlag", 0, 0xFF, 0));
    flash.Finish();
}

void ReadDelays(FieldReader& delays, Profile& p) {
    p.delays.replyMs = static_cast<std::uint32_t>(delays.Unsigned("replyMs", 0, 10000, 20));
    p.delays.bootToMonitorMs =
        static_cast<std::uint32_t>(delays.Unsigned("bootToMonitorMs", 0, 600000, 10000));
    p.delays.bootToApplicationMs =
        static_cast<std::uint32_t>(delays.Unsigned("bootToApplicationMs", 0, 600000, 6000));
    p.delays.radioCommitMs =
        static_cast<std::uint32_t>(delays.Unsigned("radioCommitMs", 0, 600000, 12000));
    p.delays.logClearMs = static_cast<std::uint32_t>(delays.Unsigned("logClearMs", 0, 600000, 0));
    p.delays.usbReturnMs =
        static_cast<std::uint32_t>(delays.Unsigned("usbReturnMs", 0, 600000, 4000));
    delays.Finish();
}

// "identification", "any", "tc" or "ls", the last two optionally with "-TYPE" (decimal, or hex
// after "0x"): "tc-0x91", "ls-5".
void ReadRequestSelector(FieldReader& rule, RequestFault& fault) {
    const std::string text = rule.Text("on", 16, "any");
    if (text == "identification" || text == "any") {
        fault.on = text == "any" ? RequestFault::On::kAny : RequestFault::On::kIdentification;
        return;
    }
    const std::string protocol = text.substr(0, 2);
    if (protocol != "tc" && protocol != "ls") {
        rule.Fail("on",
                  "must be identification, any, tc[-TYPE] or ls[-TYPE] (got \"" + text + "\")");
    }
    fault.on = protocol == "tc" ? RequestFault::On::kTc : RequestFault::On::kLs;
    if (text.size() == 2) {
        return;
    }
    const bool hex = text.compare(2, 3, "-0x") == 0;
    const char* first = text.data() + (hex ? 5 : 3);
    const char* last = text.data() + text.size();
    unsigned type = 0;
    const auto [end, error] = std::from_chars(first, last, type, hex ? 16 : 10);
    if (text[2] != '-' || first == last || error != std::errc() || end != last || type > 0xFF) {
        rule.Fail("on", "must end in a request type of 0 to 255 (got \"" + text + "\")");
    }
    fault.type = static_cast<std::uint8_t>(type);
}

RequestFault ReadRequestFault(FieldReader& rule) {
    RequestFault fault;
    ReadRequestSelector(rule, fault);
    fault.nth = static_cast<int>(rule.Unsigned("nth", 1, 100000, 1));
    fault.every = static_cast<int>(rule.Unsigned("every", 0, 100000, 0));
    fault.times = static_cast<int>(rule.Unsigned("times", 0, 100000, 0));
    const std::string action =
        rule.Choice("action", {"unheard", "lost", "nak", "late", "short", "long"}, "lost");
    using Action = RequestFault::Action;
    fault.action = action == "unheard" ? Action::kUnheard
                   : action == "lost"  ? Action::kLost
                   : action == "nak"   ? Action::kRefused
                   : action == "late"  ? Action::kLate
                   : action == "short" ? Action::kShort
                                       : Action::kLong;
    fault.delayMs = static_cast<std::uint32_t>(rule.Unsigned("ms", 0, 600000, 0));
    if (rule.Has("ms") != (fault.action == Action::kLate)) {
        rule.Fail("ms", "goes with the action \"late\" and only with it");
    }
    rule.Finish();
    return fault;
}

void ReadFaults(FieldReader& faults, Profile& p) {
    p.faults.silent = faults.Bool("silent", false);
    p.faults.noise = faults.Hex("noise", 0, 64).value_or(Bytes{});
    p.faults.corruptBeforeGood = faults.Bool("corruptBeforeGood", false);
    p.faults.refuseBaud = faults.Bool("refuseBaud", false);
    p.faults.noHardwareInfo = faults.Bool("noHardwareInfo", false);
    p.faults.noFlashInfo = faults.Bool("noFlashInfo", false);
    p.faults.neverMonitor = faults.Bool("neverMonitor", false);
    p.faults.radioWriteFails = faults.Bool("radioWriteFails", false);
    const std::string clear = faults.Choice("clearAnswer", {"ack", "nak", "silent"}, "ack");
    p.faults.clearAnswer = clear == "ack"   ? ClearAnswer::kAcknowledge
                           : clear == "nak" ? ClearAnswer::kRefuse
                                            : ClearAnswer::kSilent;
    p.faults.eraseUnanswered = faults.Bool("eraseUnanswered", false);
    p.faults.eraseRefused = faults.Bool("eraseRefused", false);
    p.faults.dropsToMonitorAfter =
        static_cast<int>(faults.Unsigned("dropsToMonitorAfter", 0, 1000, 0));
    p.faults.usbGoneAfter = static_cast<int>(faults.Unsigned("usbGoneAfter", 0, 1000, 0));
    for (FieldReader& rule : faults.ObjectArray("requests", 16)) {
        p.faults.requests.push_back(ReadRequestFault(rule));
    }
    faults.Finish();
}

Profile FromJson(const json& document, const std::string& source) {
    FieldReader top(document, "", source);
    Profile p;
    p.name = top.Text("name", 64, "default");
    p.description = top.Text("description", 400, "");
    p.product = top.Text("product", 40, "Orrick Receiver");
    p.monitorProduct = top.Text("monitorProduct", 40, "Vorin-MONITOR");
    p.serial = top.Text("serial", 32, "");
    for (const auto* name : {&p.product, &p.monitorProduct, &p.serial}) {
        if (name->find_first_of(",;") != std::string::npos) {
            top.Fail(name == &p.serial    ? "serial"
                     : name == &p.product ? "product"
                                          : "monitorProduct",
                     "must not hold ',' or ';' (they separate the identification fields)");
        }
    }
    p.powerOn = top.Choice("powerOn", {"application", "monitor"}, "application") == "application"
                    ? PowerOnMode::kApplication
                    : PowerOnMode::kMonitor;
    FieldReader port = top.Object("port");
    ReadPort(port, p);

    FieldReader identification = top.Object("identification");
    p.portStatus = identification.Bool("portStatus", true);
    p.identificationText = identification.OptionalText("text", 255);
    p.monitorIdentificationText = identification.OptionalText("monitorText", 255);
    identification.Finish();

    FieldReader versions = top.Object("versions");
    p.softwareVersion = ReadVersion(versions, "software", "4.12");
    p.bootVersion = ReadVersion(versions, "boot", "3.05");
    versions.Finish();

    FieldReader radio = top.Object("radio");
    ReadRadio(radio, p);

    FieldReader flags = top.Object("flags");
    p.radioFlags = static_cast<std::uint8_t>(
        flags.Unsigned("radioFlags", 0, 0xFF, p.radio.present ? 0x02 : 0x00));
    p.bootFlags = static_cast<std::uint8_t>(flags.Unsigned("bootFlags", 0, 0xFF, 0));
    flags.Finish();

    FieldReader block = top.Object("infoBlock");
    BuildInfoBlock(block, p.serial, p.product, p.infoBlock);

    FieldReader log = top.Object("errorLog");
    ReadErrorLog(log, p);
    FieldReader flash = top.Object("flash");
    ReadFlash(flash, p);

    FieldReader gps = top.Object("gpsTime");
    p.gpsTime.utcOffset = static_cast<int>(gps.Unsigned("utcOffset", 0, 99, 18));
    p.gpsTime.week = static_cast<std::uint16_t>(gps.Unsigned("week", 0, 9999, 2290));
    p.gpsTime.secondsOfWeek =
        static_cast<std::uint32_t>(gps.Unsigned("secondsOfWeek", 0, 604799, 0));
    gps.Finish();

    FieldReader delays = top.Object("delays");
    ReadDelays(delays, p);
    FieldReader faults = top.Object("faults");
    ReadFaults(faults, p);
    top.Finish();
    return p;
}

json ParseDocument(const std::string& text, const std::string& source) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        throw ProfileError(source + ": not valid JSON: " + e.what());
    }
}

}  // namespace

Profile DefaultProfile() {
    return FromJson(ParseDocument(DefaultProfileText(), "built-in profile"), "built-in profile");
}

Profile LoadProfileText(const std::string& text, const std::string& sourceName) {
    const json patch = ParseDocument(text, sourceName);
    if (!patch.is_object()) {
        throw ProfileError(sourceName + ": a profile must be a JSON object");
    }
    json merged = ParseDocument(DefaultProfileText(), "built-in profile");
    merged.merge_patch(patch);
    return FromJson(merged, sourceName);
}

Profile LoadProfileFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw ProfileError(path + ": cannot open the profile file");
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        throw ProfileError(path + ": cannot read the profile file");
    }
    return LoadProfileText(text.str(), path);
}

}  // namespace sim

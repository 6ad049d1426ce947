// Requests of the application (TC protocol).
#include <cstdio>

#include "engine/error_log_image.h"
#include "engine/info_block.h"
#include "engine/radio_dictionary.h"
#include "engine/receiver.h"

namespace sim {
namespace {

constexpr std::uint8_t kIdentify = 0x6F;
constexpr std::uint8_t kGetOptions = 0x4A;
constexpr std::uint8_t kOptionsReply = 0x4B;
constexpr std::uint8_t kVersions = 0x06;
constexpr std::uint8_t kVersionsReply = 0x07;
constexpr std::uint8_t kPassThrough = 0x84;
constexpr std::uint8_t kRadioQuery = 0x77;
constexpr std::uint8_t kGpsTime = 0x14;
constexpr std::uint8_t kGpsTimeReply = 0x15;
constexpr std::uint8_t kErrorLog = 0x91;
constexpr std::uint8_t kErrorLogReply = 0x92;
constexpr std::uint8_t kErase = 0x71;
constexpr std::uint8_t kEraseReply = 0x72;
constexpr std::uint8_t kReset = 0x58;
constexpr std::uint8_t kMonitorRequest = 0x87;

std::string TypeText(std::uint8_t type) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", type);
    return text;
}

// A version "4.12" as the version-numbers reply carries it: three characters, zero-padded on
// the left ("004"), then two ("12"; a single character is followed by NUL).
void PutVersion(std::uint8_t* at, const std::string& version) {
    const auto dot = version.find('.');
    const std::string major = version.substr(0, dot);
    const std::string minor = version.substr(dot + 1);
    PutText(at, 3, std::string(3 - major.size(), '0') + major);
    PutText(at + 3, 2, minor);
}

}  // namespace

void Receiver::ReplyTc(std::uint8_t type, const Bytes& payload, std::uint64_t at) {
    SendFrame(BuildTcFrame(type, Shaped(payload, 255)), line_, at);
}

std::vector<ErrorLogRecord> Receiver::TcLogView() const {
    std::vector<ErrorLogRecord> valid;
    for (const ErrorLogRecord& record : log_) {
        if (record.status == kLogValid) {
            valid.push_back(record);
        }
    }
    return valid;
}

void Receiver::HandleTc(const Frame& frame, std::uint64_t at) {
    // The identification request plays the identification's faults.
    std::optional<RequestFault> fault;
    if (frame.type != kIdentify) {
        fault = FaultFor(RequestFault::On::kTc, frame.type);
    }
    const std::string what = "TC " + TypeText(frame.type);
    if (Unheard(fault, what, at)) {
        return;
    }
    ++counters_.tcFrames;
    ++counters_.tcRequests[frame.type];
    if (Refused(fault, what, at)) {
        return;
    }
    answering_ = fault;
    DispatchTc(frame, at);
    answering_.reset();
}

void Receiver::DispatchTc(const Frame& frame, std::uint64_t at) {
    if (passThrough_) {
        // The port is connected to the radio, which only understands its own query. The break
        // detector still hears the identification request (a pseudo-terminal carries no break),
        // and identification takes the port back from the radio.
        if (frame.type == kIdentify) {
            Identify(at, "request (ends the radio pass-through)");
        } else if (frame.type == kRadioQuery) {
            HandleRadioQuery(frame, at);
        } else {
            Log(at, "TC " + TypeText(frame.type) + " not heard: port passed through to the radio");
        }
        return;
    }
    switch (frame.type) {
        case kIdentify:
            Identify(at, "request");
            return;
        case kGetOptions:
            HandleOptions(frame, at);
            return;
        case kVersions:
            HandleVersions(at);
            return;
        case kPassThrough:
            HandlePassThrough(frame, at);
            return;
        case kRadioQuery:
            Log(at, "TC 0x77 radio query without pass-through -> NAK");
            SendByte(kNak, at);
            return;
        case kGpsTime:
            HandleGpsTime(at);
            return;
        case kErrorLog:
            HandleErrorLog(frame, at);
            return;
        case kErase:
            HandleErase(frame, at);
            return;
        case kReset:
            HandleReset(frame, at);
            return;
        case kMonitorRequest:
            Log(at, "TC 0x87 monitor request");
            Reboot(Mode::kMonitor, at);
            return;
        default:
            ++counters_.unknownRequests;
            Log(at, "TC " + TypeText(frame.type) + " unknown request [" + HexText(frame.payload) +
                        "] -> NAK");
            SendByte(kNak, at);
            return;
    }
}

void Receiver::HandleOptions(const Frame& frame, std::uint64_t at) {
    if (frame.payload.size() != 1 || frame.payload[0] > 2) {
        Log(at, "TC 0x4A get options [" + HexText(frame.payload) + "] unknown selector -> NAK");
        SendByte(kNak, at);
        return;
    }
    const std::uint8_t selector = frame.payload[0];
    Bytes reply;
    if (selector == 0) {
        // Typed reply of type 0 (90 or lower): byte 45 holds the radio flag.
        reply.assign(48, 0);
        reply[45] = profile_.radioFlags;
    } else if (selector == 1) {
        // Type 91: byte 29 holds the boot flags.
        reply.assign(32, 0);
        reply[0] = 91;
        PutBe16(&reply[6], 1);
        PutBe32(&reply[8], profile_.flash.base);
        PutBe32(&reply[12], profile_.flash.secondBase);
        PutBe32(&reply[16], 0);
        PutBe16(&reply[20], 0);
        reply[29] = profile_.bootFlags;
    } else {
        // Type 92: a 32-character text (the device name of the information block).
        reply.assign(38, 0);
        reply[0] = 92;
        reply[1] = 2;
        reply[2] = 1;
        std::copy_n(profile_.infoBlock.begin() + info::kDeviceName, 32, reply.begin() + 6);
    }
    Log(at, "TC 0x4A get options sel " + std::to_string(selector) + " -> 0x4B, " +
                std::to_string(reply.size()) + " bytes");
    ReplyTc(kOptionsReply, reply, at);
}

void Receiver::HandleVersions(std::uint64_t at) {
    Bytes reply(40, 0);
    PutText(&reply[0], 16, profile_.product.substr(0, 16));
    PutVersion(&reply[16], profile_.softwareVersion);
    PutVersion(&reply[26], profile_.bootVersion);
    Log(at, "TC 0x06 version numbers -> 0x07 software " + profile_.softwareVersion + ", boot " +
                profile_.bootVersion);
    ReplyTc(kVersionsReply, reply, at);
}

void Receiver::HandlePassThrough(const Frame& frame, std::uint64_t at) {
    const bool rightPort = frame.payload.size() == 2 &&
                           frame.payload[0] == profile_.portNumber + 1 && frame.payload[1] == 4;
    if (!profile_.radio.present || !rightPort) {
        Log(at, "TC 0x84 radio pass-through [" + HexText(frame.payload) + "] refused" +
                    (profile_.radio.present ? " (not this port)" : " (no radio)") + " -> NAK");
        SendByte(kNak, at);
        return;
    }
    switch (profile_.radio.passThrough) {
        case PassThroughAnswer::kAcknowledge:
            passThrough_ = true;
            Log(at, "TC 0x84 radio pass-through -> ACK");
            SendByte(kAck, at);
            return;
        case PassThroughAnswer::kRefuse:
            Log(at, "TC 0x84 radio pass-through -> NAK (radio does not answer)");
            SendByte(kNak, at);
            return;
        case PassThroughAnswer::kSilent:
            Log(at, "TC 0x84 radio pass-through -> no answer");
            return;
        case PassThroughAnswer::kAckLost:
            passThrough_ = true;
            Log(at, "TC 0x84 radio pass-through, its ACK lost on the line");
            return;
    }
}

void Receiver::HandleRadioQuery(const Frame& frame, std::uint64_t at) {
    if (frame.payload != Bytes{'0'}) {
        Log(at, "TC 0x77 radio query [" + HexText(frame.payload) + "] not understood by the radio");
        return;
    }
    const std::string text = profile_.radio.versionText
                                 ? *profile_.radio.versionText
                                 : "RADIO," + profile_.radio.model + ";VERSION," +
                                       profile_.radio.version + ",00;STATUS,OK";
    Log(at, "TC 0x77 radio query -> 0x77 \"" + text + "\"");
    ReplyTc(kRadioQuery, Bytes(text.begin(), text.end()), at);
}

void Receiver::HandleGpsTime(std::uint64_t at) {
    // The offset sits at characters 11 and 12.
    const std::uint64_t total = static_cast<std::uint64_t>(profile_.gpsTime.week) * 604800 +
                                profile_.gpsTime.secondsOfWeek + at / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "UTC OFFSET,%02d,WEEK,%04llu,TOW,%06llu",
                  profile_.gpsTime.utcOffset, static_cast<unsigned long long>(total / 604800),
                  static_cast<unsigned long long>(total % 604800));
    Log(at, std::string("TC 0x14 GPS time -> 0x15 \"") + text + "\"");
    const std::string reply = text;
    ReplyTc(kGpsTimeReply, Bytes(reply.begin(), reply.end()), at);
}

void Receiver::HandleErrorLog(const Frame& frame, std::uint64_t at) {
    const Bytes& p = frame.payload;
    const std::vector<ErrorLogRecord> records = TcLogView();
    auto refuse = [&](const std::string& why) {
        Log(at, "TC 0x91 error log [" + HexText(p) + "] " + why + " -> NAK");
        SendByte(kNak, at);
    };
    if (p.size() == 1 && p[0] == 0x06) {
        Log(at, "TC 0x91 error log count -> 0x92 count " + std::to_string(records.size()));
        ReplyTc(kErrorLogReply, TcLogCount(static_cast<std::uint16_t>(records.size())), at);
        return;
    }
    if (p.size() == 1 && p[0] == 0x01) {
        HandleLogClear(at);
        return;
    }
    if (p.size() == 3 && (p[0] == 0x08 || p[0] == 0x0A)) {
        const std::size_t index = GetBe16(&p[1]);
        const bool longRecord = p[0] == 0x0A;
        if (index >= records.size()) {
            refuse("index " + std::to_string(index) + " beyond the log");
            return;
        }
        if (longRecord && !profile_.errorLog.longRecords) {
            refuse("long records not kept");
            return;
        }
        Log(at, std::string("TC 0x91 error log ") + (longRecord ? "long" : "short") + " record " +
                    std::to_string(index) + " -> 0x92");
        ReplyTc(kErrorLogReply,
                longRecord ? TcLongRecord(records[index]) : TcShortRecord(records[index]), at);
        return;
    }
    refuse("unknown request");
}

void Receiver::HandleLogClear(std::uint64_t at) {
    switch (profile_.faults.clearAnswer) {
        case ClearAnswer::kRefuse:
            Log(at, "TC 0x91 error log clear refused -> NAK");
            SendByte(kNak, at);
            return;
        case ClearAnswer::kSilent:
            Log(at, "TC 0x91 error log clear, no answer");
            return;
        case ClearAnswer::kAcknowledge:
            break;
    }
    if (profile_.delays.logClearMs == 0) {
        FinishLogClear(at);
        return;
    }
    // The erase runs beside the port's own handling: other requests are still answered at once,
    // the ACK comes when the erase ends.
    Log(at, "TC 0x91 error log clear, erasing for " + std::to_string(profile_.delays.logClearMs) +
                " ms");
    clearDoneAt_ = at + profile_.delays.logClearMs;
    clearFault_ = answering_;
}

void Receiver::FinishLogClear(std::uint64_t at) {
    log_.clear();
    RebuildMemory();
    ++counters_.logClears;
    Log(at, "TC 0x91 error log cleared -> ACK");
    SendByte(kAck, at);
}

void Receiver::HandleErase(const Frame& frame, std::uint64_t at) {
    static const std::string kWord = "ERASENVC";
    const Bytes& p = frame.payload;
    const bool valid = p.size() == 10 && p[1] == 1 && std::equal(kWord.begin(), kWord.end(), &p[2]);
    if (!valid) {
        Log(at, "TC 0x71 erase [" + HexText(p) + "] not understood -> NAK");
        SendByte(kNak, at);
        return;
    }
    if (profile_.faults.eraseUnanswered) {
        Log(at, "TC 0x71 ERASENVC: no answer, nothing erased");
        return;
    }
    if (profile_.faults.eraseRefused) {
        Log(at, "TC 0x71 ERASENVC: refused -> NAK, nothing erased");
        SendByte(kNak, at);
        return;
    }
    if (profile_.radio.present) {
        radioConfig_ = ErasedRadioConfig(0xFF);
    }
    ++counters_.erases;
    Log(at, "TC 0x71 ERASENVC (product code byte " + std::to_string(p[0]) + ") -> 0x72");
    ReplyTc(kEraseReply, Bytes{1}, at);
}

void Receiver::HandleReset(const Frame& frame, std::uint64_t at) {
    static const Bytes kReset = {0xFF, 0x00, 'R', 'E', 'S', 'E', 'T'};
    if (frame.payload != kReset) {
        Log(at, "TC 0x58 [" + HexText(frame.payload) + "] not a reset -> NAK");
        SendByte(kNak, at);
        return;
    }
    Log(at, "TC 0x58 RESET");
    Reboot(Mode::kApplication, at);
}

}  // namespace sim

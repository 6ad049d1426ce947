// Requests of the monitor (LS protocol). The LS protocol has no ACK or NAK: a request the
// monitor cannot serve simply gets no answer.
#include <algorithm>
#include <cstdio>

#include "engine/receiver.h"

namespace sim {
namespace {

constexpr std::uint8_t kReboot = 4;
constexpr std::uint8_t kReadMemory = 5;
constexpr std::uint8_t kProductInfo = 6;
constexpr std::uint8_t kSwitchBaud = 17;
constexpr std::uint8_t kRadioRead = 18;
constexpr std::uint8_t kRadioWrite = 19;
constexpr std::uint8_t kFlashInfo = 20;

// The largest data part a host accepts in one LS reply.
constexpr std::size_t kMaxReplyData = 2055;

constexpr std::size_t kFlashInfoSize = 68;
constexpr std::size_t kHardwareInfoSize = 72;

}  // namespace

void Receiver::ReplyLs(std::uint8_t type, const Bytes& data, std::uint64_t at) {
    SendFrame(BuildLsFrame(type, Shaped(data, 0xFFFF)), line_, at);
}

void Receiver::HandleLs(const Frame& frame, std::uint64_t at) {
    const auto fault = FaultFor(RequestFault::On::kLs, frame.type);
    const std::string what = "LS " + std::to_string(frame.type);
    if (Unheard(fault, what, at)) {
        return;
    }
    ++counters_.lsFrames;
    ++counters_.lsRequests[frame.type];
    if (Refused(fault, what, at)) {
        return;
    }
    answering_ = fault;
    DispatchLs(frame, at);
    answering_.reset();
}

void Receiver::DispatchLs(const Frame& frame, std::uint64_t at) {
    switch (frame.type) {
        case kReboot:
            Log(at, "LS 4 reboot");
            Reboot(Mode::kApplication, at);
            return;
        case kReadMemory:
            HandleReadMemory(frame, at);
            return;
        case kProductInfo:
            Log(at, "LS 6 product information -> 425 bytes");
            ReplyLs(kProductInfo, Bytes(profile_.infoBlock.begin(), profile_.infoBlock.end()), at);
            return;
        case kSwitchBaud:
            HandleSwitchBaud(frame, at);
            return;
        case kRadioRead:
            HandleRadioRead(at);
            return;
        case kRadioWrite:
            HandleRadioWrite(frame, at);
            return;
        case kFlashInfo:
            HandleFlashInfo(frame, at);
            return;
        default:
            ++counters_.unknownRequests;
            Log(at, "LS " + std::to_string(frame.type) + " [" + HexText(frame.payload) +
                        "] not served: no answer");
            return;
    }
}

void Receiver::HandleReadMemory(const Frame& frame, std::uint64_t at) {
    if (frame.payload.size() != 6) {
        Log(at, "LS 5 read memory with " + std::to_string(frame.payload.size()) +
                    " payload bytes (6 expected): no answer");
        return;
    }
    const std::uint32_t address = GetBe32(&frame.payload[0]);
    const std::size_t count = GetBe16(&frame.payload[4]);
    if (count > kMaxReplyData) {
        Log(at, "LS 5 read memory of " + std::to_string(count) +
                    " bytes: more than one reply carries, no answer");
        return;
    }
    ++counters_.memoryReads;
    char text[96];
    std::snprintf(text, sizeof text, "LS 5 read memory 0x%08X, %zu bytes", address, count);
    Log(at, text);
    ReplyLs(kReadMemory, memory_.Read(address, count), at);
}

void Receiver::HandleSwitchBaud(const Frame& frame, std::uint64_t at) {
    const std::uint32_t rate = frame.payload.size() == 4 ? GetBe32(&frame.payload[0]) : 0;
    const auto& supported = profile_.supportedBauds;
    const bool known = std::find(supported.begin(), supported.end(), rate) != supported.end();
    if (profile_.faults.refuseBaud || !known) {
        ++counters_.baudRefusals;
        Log(at, "LS 17 switch to " + std::to_string(rate) + " baud refused -> 17 [0]");
        ReplyLs(kSwitchBaud, Bytes{0}, at);
        return;
    }
    // The answer still leaves at the old rate; everything after it at the new one.
    ReplyLs(kSwitchBaud, Bytes{1}, at);
    line_.baud = rate;
    ++counters_.baudSwitches;
    Log(at, "LS 17 switch to " + std::to_string(rate) + " baud accepted -> 17 [1], now at " +
                ToString(line_));
}

void Receiver::HandleRadioRead(std::uint64_t at) {
    ++counters_.radioReads;
    if (!profile_.radio.present) {
        Log(at, "LS 18 radio configuration -> 18 [0] (no radio)");
        ReplyLs(kRadioRead, Bytes{0}, at);
        return;
    }
    Log(at, "LS 18 radio configuration -> " + std::to_string(radioConfig_.size()) + " bytes");
    ReplyLs(kRadioRead, radioConfig_, at);
}

void Receiver::HandleRadioWrite(const Frame& frame, std::uint64_t at) {
    if (frame.payload.empty()) {
        // The host's reply object repeats empty frames while it waits.
        ++counters_.radioEmptyFrames;
        if (Committing()) {
            Log(at, "LS 19 empty frame while committing: no answer yet");
        } else {
            const std::uint8_t result = lastWriteResult_.value_or(0);
            Log(at, "LS 19 empty frame -> 19 [" + std::to_string(result) + "]");
            ReplyLs(kRadioWrite, Bytes{result}, at);
        }
        return;
    }
    if (Committing()) {
        Log(at, "LS 19 write while a commit is in progress: no answer");
        return;
    }
    if (!profile_.radio.present || frame.payload.size() != kRadioConfigSize) {
        lastWriteResult_ = 0;
        Log(at, "LS 19 write of " + std::to_string(frame.payload.size()) + " bytes refused" +
                    (profile_.radio.present ? " (the block area holds 2048)" : " (no radio)") +
                    " -> 19 [0]");
        ReplyLs(kRadioWrite, Bytes{0}, at);
        return;
    }
    pendingWrite_ = frame.payload;
    pendingWriteFails_ = profile_.faults.radioWriteFails;
    commitDoneAt_ = at + profile_.delays.radioCommitMs;
    commitFault_ = answering_;
    Log(at, "LS 19 write of 2048 bytes: committing for " +
                std::to_string(profile_.delays.radioCommitMs) + " ms");
}

void Receiver::HandleFlashInfo(const Frame& frame, std::uint64_t at) {
    const bool hardware = frame.payload == Bytes{1};
    if (!hardware && !frame.payload.empty()) {
        Log(at, "LS 20 [" + HexText(frame.payload) + "] unknown selector: no answer");
        return;
    }
    if (hardware ? profile_.faults.noHardwareInfo : profile_.faults.noFlashInfo) {
        ++counters_.infoWithheld;
        Log(at,
            std::string("LS 20 ") + (hardware ? "hardware" : "flash") + " information: no answer");
        return;
    }
    Bytes reply(hardware ? kHardwareInfoSize : kFlashInfoSize, 0);
    PutBe32(&reply[0], profile_.flash.base);
    PutBe32(&reply[4], 0x00010000);  // programming block size
    PutText(&reply[10], 16, profile_.flash.chip);
    reply[25] = 0;
    PutBe32(&reply[26], profile_.flash.secondBase);
    PutBe32(&reply[30], 0x00010000);
    PutBe16(&reply[34], 64);
    for (std::size_t i = 0; i < 8; ++i) {
        PutBe32(&reply[36 + 4 * i], i < 2 ? 0x00000040u : 0u);  // sector geometry
    }
    if (hardware) {
        reply[68] = profile_.flash.hardwareFlag;
    }
    Log(at, std::string("LS 20 ") + (hardware ? "hardware" : "flash") + " information -> " +
                std::to_string(reply.size()) + " bytes");
    ReplyLs(kFlashInfo, reply, at);
}

}  // namespace sim

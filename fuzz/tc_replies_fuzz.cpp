#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_transport.h"
#include "protocol/tc_requests.h"

namespace {

// A well-formed short reply frame around an arbitrary payload, so that every accessor meets
// every payload shape the receiver could send.
std::vector<std::uint8_t> ReplyFrame(std::uint8_t type, const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> frame = {0x02, 0x00, type, static_cast<std::uint8_t>(n)};
    unsigned sum = type + static_cast<unsigned>(n);
    for (std::size_t i = 0; i < n; ++i) {
        frame.push_back(data[i]);
        sum += data[i];
    }
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

template <typename Packet>
bool Exchange(Packet& packet, std::uint8_t replyType, const std::uint8_t* data, std::size_t n) {
    const std::vector<std::uint8_t> frame = ReplyFrame(replyType, data, n);
    fuzzing::FuzzTransport line(frame.data(), frame.size());
    packet.SendPacket(line);
    return packet.ReceiveReply(line);
}

}  // namespace

// Every reply accessor of the TC requests. Byte 0 picks the request; the rest (at most 255
// bytes) is the reply payload.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    fuzzing::FrozenTime time;
    const std::uint8_t* payload = data + 1;
    const std::size_t n = std::min<std::size_t>(size - 1, 255);
    switch (data[0] % 5) {
        case 0: {
            CTCErrorLog log;
            log.SetCountRequest();
            fuzzing::Require(Exchange(log, tc_type::kErrorLogReply, payload, n));
            std::uint16_t count = 0;
            if (!log.GetCount(count)) {
                fuzzing::Require(count == 0);
            }
            break;
        }
        case 1: {
            CTCRetrieveGPSTime gps;
            fuzzing::Require(Exchange(gps, tc_type::kGpsTimeReply, payload, n));
            const int offset = gps.GetUtcOffset();
            fuzzing::Require(offset >= -9 && offset <= 99);
            break;
        }
        case 2: {
            CTCRetrieveVersionNumbers versions;
            fuzzing::Require(Exchange(versions, tc_type::kVersionReply, payload, n));
            fuzzing::Require(versions.GetSoftwareVersion().size() <= 6);
            fuzzing::Require(versions.GetBootVersion().size() <= 6);
            break;
        }
        default: {
            CTCGetOpts opts(static_cast<std::uint8_t>(data[0] & 1));
            fuzzing::Require(Exchange(opts, tc_type::kGetOptsReply, payload, n));
            fuzzing::Require(opts.GetText().size() <= 32);
            static_cast<void>(opts.GetFlags() + opts.GetSecondFlags() + opts.GetByte44() +
                              opts.GetByte47() + opts.GetWord6() + opts.GetWord20());
            static_cast<void>(opts.GetValue8() + opts.GetValue12() + opts.GetValue16());
            break;
        }
    }
    return 0;
}

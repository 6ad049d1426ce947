#include "protocol/ls_packet.h"

#include <ctime>

#include "platform/clock.h"
#include "protocol/ls_frame_parser.h"
#include "protocol/receive_attempts.h"
#include "transport/io_interface.h"
#include "transport/serial_com_exception.h"

CLSPacket::CLSPacket(std::uint8_t packetType) : CPacket(packetType), savedType_(packetType) {}

bool CLSPacket::SendPacket(CioInterface& transport) {
    const std::uint8_t enteredType = packetType_;
    if (resending_) {
        payload_ = savedPayload_;
        packetType_ = savedType_;
    } else {
        savedPayload_ = payload_;
        savedType_ = packetType_;
    }

    if (payload_.size() > kMaxPayload) {
        // A 16-bit length cannot describe it: refuse rather than write a corrupt frame.
        if (resending_) {
            packetType_ = enteredType;
        }
        return false;
    }
    const auto length = static_cast<std::uint16_t>(payload_.size());
    std::uint16_t sum = static_cast<std::uint16_t>(packetType_ + (length >> 8) + (length & 0xFF));
    for (const std::uint8_t byte : payload_) {
        sum = static_cast<std::uint16_t>(sum + byte);
    }
    const std::uint8_t header[4] = {0x02, packetType_, static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(length & 0xFF)};
    const std::uint8_t trailer[3] = {static_cast<std::uint8_t>(sum >> 8),
                                     static_cast<std::uint8_t>(sum & 0xFF), 0x03};
    bool sent = true;
    try {
        transport.Write(header, sizeof header);
        if (!payload_.empty()) {
            transport.Write(payload_.data(), payload_.size());
        }
        transport.Write(trailer, sizeof trailer);
    } catch (const CSerialComException& failure) {
        failure.ReportError(nullptr);
        sent = false;
    }
    if (resending_) {
        // The owner may have set the expected reply type; a retransmission keeps it.
        packetType_ = enteredType;
    }
    return sent;
}

bool CLSPacket::ReceivePacket(CioInterface& transport, double timeoutSeconds) {
    return protocol::ReceiveWithRetransmission(
        timeoutSeconds, [&] { return ReceiveAttempt(transport, timeoutSeconds); },
        [&] {
            resending_ = true;
            SendPacket(transport);
            resending_ = false;
        },
        [&](std::uint64_t untilMs, int answers) {
            Payload dropped;
            LSFrameParser parser(packetType_, dropped);
            protocol::DrainAnswers(
                transport, untilMs, answers, [&](std::uint8_t byte) { return parser.Feed(byte); },
                [&] { return parser.GetState() == LSFrameParser::State::kHunt; });
        });
}

bool CLSPacket::ReceiveAttempt(CioInterface& transport, double timeoutSeconds) {
    LSFrameParser parser(packetType_, payload_);
    const std::time_t start = platform::Now();
    for (;;) {
        if (std::difftime(platform::Now(), start) >= timeoutSeconds) {
            return false;
        }
        std::uint8_t byte = 0;
        if (transport.Read(&byte, 1) == 0) {
            return false;
        }
        if (parser.Feed(byte)) {
            return true;
        }
    }
}

#include "protocol/tc_packet.h"

#include <ctime>
#include <vector>

#include "platform/clock.h"
#include "protocol/receive_attempts.h"
#include "protocol/tc_frame_parser.h"
#include "transport/io_interface.h"
#include "transport/serial_com_exception.h"

CTCPacket::CTCPacket(std::uint8_t packetType) : CPacket(packetType), savedType_(packetType) {}

bool CTCPacket::SendPacket(CioInterface& transport) {
    return Send(transport, false);
}

bool CTCPacket::SendLongPacket(CioInterface& transport) {
    return Send(transport, true);
}

bool CTCPacket::ReceivePacket(CioInterface& transport, double timeoutSeconds) {
    return Receive(transport, timeoutSeconds, false);
}

bool CTCPacket::ReceiveLongPacket(CioInterface& transport, double timeoutSeconds) {
    return Receive(transport, timeoutSeconds, true);
}

bool CTCPacket::Send(CioInterface& transport, bool longFrame) {
    const std::uint8_t enteredType = packetType_;
    if (resending_) {
        payload_ = savedPayload_;
        packetType_ = savedType_;
    } else {
        savedPayload_ = payload_;
        savedType_ = packetType_;
    }

    bool sent = false;
    const std::size_t size = payload_.size();
    // A long frame of type 0 is never sent. An 8-bit (or 16-bit) length cannot describe a longer
    // payload: refuse rather than write a corrupt frame.
    const bool fits = longFrame ? size <= 0xFFFF && packetType_ != 0 : size <= kMaxShortPayload;
    if (fits) {
        std::vector<std::uint8_t> header = {0x02, 0x00, packetType_};
        if (longFrame) {
            header.push_back(static_cast<std::uint8_t>(size >> 8));
        }
        header.push_back(static_cast<std::uint8_t>(size & 0xFF));
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < header.size(); ++i) {
            sum = static_cast<std::uint8_t>(sum + header[i]);
        }
        for (const std::uint8_t byte : payload_) {
            sum = static_cast<std::uint8_t>(sum + byte);
        }
        const std::uint8_t trailer[2] = {sum, 0x03};
        try {
            transport.Write(header.data(), header.size());
            if (!payload_.empty()) {
                transport.Write(payload_.data(), payload_.size());
            }
            transport.Write(trailer, sizeof trailer);
            sent = true;
        } catch (const CSerialComException& failure) {
            failure.ReportError(nullptr);
        }
    }
    if (resending_) {
        packetType_ = enteredType;
    }
    return sent;
}

bool CTCPacket::Receive(CioInterface& transport, double timeoutSeconds, bool longFrame) {
    return protocol::ReceiveWithRetransmission(
        timeoutSeconds, [&] { return ReceiveAttempt(transport, timeoutSeconds, longFrame); },
        [&] {
            resending_ = true;
            Send(transport, longFrame);
            resending_ = false;
        },
        [&](std::uint64_t untilMs, int answers) {
            Payload dropped;
            TCFrameParser parser(packetType_, longFrame, ignoreAckNak_, dropped);
            protocol::DrainAnswers(
                transport, untilMs, answers,
                [&](std::uint8_t byte) {
                    return parser.Feed(byte) != TCFrameParser::Result::kNone;
                },
                [&] { return parser.GetState() == TCFrameParser::State::kHunt; });
        });
}

bool CTCPacket::ReceiveAttempt(CioInterface& transport, double timeoutSeconds, bool longFrame) {
    ackReceived_ = false;
    nakReceived_ = false;
    TCFrameParser parser(packetType_, longFrame, ignoreAckNak_, payload_);
    const std::time_t start = platform::Now();
    for (;;) {
        if (std::difftime(platform::Now(), start) >= timeoutSeconds) {
            return false;
        }
        std::uint8_t byte = 0;
        if (!transport.ReadByte(byte)) {
            return false;
        }
        switch (parser.Feed(byte)) {
            case TCFrameParser::Result::kFrame:
                return true;
            case TCFrameParser::Result::kAck:
                ackReceived_ = true;
                return true;
            case TCFrameParser::Result::kNak:
                nakReceived_ = true;
                return true;
            case TCFrameParser::Result::kNone:
                break;
        }
    }
}

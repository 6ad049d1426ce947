#include <cstddef>
#include <cstdint>

#include "fuzz_transport.h"
#include "protocol/ls_frame_parser.h"
#include "protocol/ls_packet.h"

// The LS receiver on arbitrary line input. Byte 0: the expected type; byte 1: a read that fails
// (0 = none). The rest arrives on the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    fuzzing::FrozenTime time;
    fuzzing::FuzzTransport line(data + 2, size - 2);
    line.FailReadAt(data[1]);
    CLSPacket packet(data[0]);
    try {
        if (packet.ReceivePacket(line, 3.0)) {
            fuzzing::Require(packet.GetSize() <= LSFrameParser::kMaxReplyData);
            fuzzing::Require(packet.GetPacketType() == data[0]);
        }
    } catch (const CSerialComException&) {
        // The failure of the third attempt reaches the caller by design.
    }
    fuzzing::Require(line.Writes() <= 4);  // two retransmissions of an empty frame
    return 0;
}

#include <cstddef>
#include <cstdint>

#include "fuzz_transport.h"
#include "protocol/tc_packet.h"

// The TC short-frame receiver on arbitrary line input. Byte 0: the expected type; byte 1: bit 0
// ignores lone ACK/NAK, the other bits choose a read that fails. The rest arrives on the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    fuzzing::FrozenTime time;
    fuzzing::FuzzTransport line(data + 2, size - 2);
    line.FailReadAt(data[1] >> 1);
    CTCPacket packet(data[0]);
    packet.SetIgnoreAckNak((data[1] & 1) != 0);
    try {
        if (packet.ReceivePacket(line, 3.0)) {
            fuzzing::Require(packet.GetSize() <= CTCPacket::kMaxShortPayload);
            if (packet.IsAckReceived() || packet.IsNakReceived()) {
                fuzzing::Require((data[1] & 1) == 0 && packet.GetSize() == 0);
            }
        }
    } catch (const CSerialComException&) {
    }
    return 0;
}

#include <cstddef>
#include <cstdint>

#include "fuzz_transport.h"
#include "protocol/tc_packet.h"

// The TC long-frame receiver (16-bit length) on arbitrary line input. Byte 0: the expected type;
// byte 1: bit 0 ignores lone ACK/NAK, the other bits choose a read that fails.
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
        if (packet.ReceiveLongPacket(line, 3.0)) {
            // A frame cannot carry more than the line delivered.
            fuzzing::Require(packet.GetSize() <= size);
        }
    } catch (const CSerialComException&) {
    }
    return 0;
}

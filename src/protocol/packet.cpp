#include "protocol/packet.h"

void CPacket::AppendBytes(const std::uint8_t* source, std::size_t count) {
    const std::size_t n = count % 65536;
    if (source == nullptr || n == 0) {
        return;
    }
    payload_.insert(payload_.end(), source, source + n);
}

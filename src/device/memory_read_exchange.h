#pragma once

#include <cstdint>

#include "protocol/ls_requests.h"

// The memory-read request that also receives its own reply. After every send, first or
// retransmitted, the payload is emptied: a zero-length reply frame leaves the payload as it
// finds it, so without this the request's own six bytes would read as memory content. The
// request itself is kept by the packet for its retransmissions.
class CLSMemoryReadExchange : public CLSReadMemoryPacket {
  public:
    CLSMemoryReadExchange(std::uint32_t address, std::uint16_t count)
        : CLSReadMemoryPacket(address, count) {}

    bool SendPacket(CioInterface& transport) override {
        const bool sent = CLSReadMemoryPacket::SendPacket(transport);
        ClearPayload();
        return sent;
    }
};

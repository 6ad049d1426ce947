#pragma once

#include "transport/serial_com_exception.h"

namespace protocol {

constexpr int kReceiveAttempts = 3;

// The receive rule both packet protocols share: up to three attempts; after a failed attempt that
// is not the last, retransmit. A transport failure in the first two attempts only fails that
// attempt; in the last one it passes to the caller.
template <typename Attempt, typename Retransmit>
bool ReceiveWithRetransmission(Attempt attempt, Retransmit retransmit) {
    for (int n = 1; n <= kReceiveAttempts; ++n) {
        bool received = false;
        try {
            received = attempt();
        } catch (const CSerialComException&) {
            if (n == kReceiveAttempts) {
                throw;
            }
        }
        if (received) {
            return true;
        }
        if (n < kReceiveAttempts) {
            retransmit();
        }
    }
    return false;
}

}  // namespace protocol

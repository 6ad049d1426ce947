#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "transport/serial_com_exception.h"

namespace protocol {

constexpr int kReceiveAttempts = 3;

// The receive rule both packet protocols share: up to three attempts; after a failed attempt that
// is not the last, retransmit. A transport failure in the first two attempts only fails that
// attempt; in the last one it passes to the caller.
//
// An answer that comes only after its request went out again may answer the first send, with the
// answers to the repeats still on their way; left on the line, one of them would be taken for the
// answer to the next request of the same type (the frames carry no sequence). So after a success
// that needed repeats, drain(untilMs, repeats) takes in and drops up to that many further answers,
// awaiting them as long as an answer is awaited: the time-out after the last repeat went out, and
// the second that the one-second clock may add.
template <typename Attempt, typename Retransmit, typename Drain>
bool ReceiveWithRetransmission(double timeoutSeconds, Attempt attempt, Retransmit retransmit,
                               Drain drain) {
    platform::Clock& clock = platform::CurrentClock();
    std::uint64_t lastRepeat = 0;
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
            if (n > 1) {
                const double awaitMs = timeoutSeconds > 0 ? timeoutSeconds * 1000 : 0;
                drain(lastRepeat + static_cast<std::uint64_t>(awaitMs) + 1000, n - 1);
            }
            return true;
        }
        if (n < kReceiveAttempts) {
            lastRepeat = clock.MonotonicMs();
            retransmit();
        }
    }
    return false;
}

// Reads until untilMs, or until feed (given each byte) has taken `answers` answers; an answer under
// way at untilMs is read to its end while bytes keep coming (hunting: no answer under way). A
// transport failure ends the draining: the answer is in, and the next exchange meets the failure.
template <typename Transport, typename Feed, typename Hunting>
void DrainAnswers(Transport& transport, std::uint64_t untilMs, int answers, Feed feed,
                  Hunting hunting) {
    platform::Clock& clock = platform::CurrentClock();
    try {
        while (answers > 0 && (!hunting() || clock.MonotonicMs() < untilMs)) {
            std::uint8_t byte = 0;
            if (transport.Read(&byte, 1) == 0) {
                if (!hunting()) {
                    return;  // the line fell silent in the middle of an answer
                }
            } else if (feed(byte)) {
                --answers;
            }
        }
    } catch (const CSerialComException&) {
    }
}

}  // namespace protocol

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/receiver.h"

namespace simfront {

// When the simulator pulls its cable: after the nth identification it answered, or after the nth
// TC or LS request of a type reached it, and then a delay in milliseconds (real time, before the
// time scale). Written "identification[:N][+MS]", "tc-TYPE[:N][+MS]" or "ls-TYPE[:N][+MS]",
// TYPE in decimal or 0x hex, N 1 when left out: "ls-5:3" hangs up at the third memory read,
// "identification+500" half a second after the first identification.
struct HangUpTrigger {
    enum class Event { kIdentification, kTcRequest, kLsRequest };
    Event event = Event::kIdentification;
    std::uint8_t type = 0;
    int count = 1;
    std::uint32_t delayMs = 0;

    // Empty (with a reason in error) when the text is not a trigger.
    static std::optional<HangUpTrigger> Parse(const std::string& text, std::string& error);
    // Whether the event has happened count times by what the counters say.
    bool Reached(const sim::Counters& counters) const;
};

}  // namespace simfront

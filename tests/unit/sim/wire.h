#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/line_settings.h"
#include "engine/profile.h"
#include "engine/receiver.h"

namespace simtest {

using sim::Bytes;

// A host at the far end of the engine's wire, with its own millisecond clock.
struct Wire {
    explicit Wire(sim::Profile profile = sim::DefaultProfile()) : receiver(std::move(profile)) {}

    // Writes request at the host's line, lets waitMs pass and returns what reached the host.
    Bytes Exchange(const Bytes& request, std::uint64_t waitMs = 200) {
        receiver.Receive(request, host, now);
        return Wait(waitMs);
    }
    Bytes Wait(std::uint64_t ms) {
        now += ms;
        return receiver.TransmitAll(host, now);
    }
    Bytes Break(std::uint64_t waitMs = 200) {
        receiver.Break(now);
        return Wait(waitMs);
    }

    sim::Receiver receiver;
    std::uint64_t now = 0;
    sim::LineSettings host = sim::kIdentificationLine;
};

// A profile made of the built-in one and a JSON patch.
inline sim::Profile With(const std::string& json) {
    return sim::LoadProfileText(json, "test");
}

// Reference decoders of reply frames, written from the frame definitions for the tests; they
// skip anything that is not a whole valid frame.
struct Reply {
    std::uint8_t type;
    Bytes payload;
};
std::vector<Reply> TcFrames(const Bytes& stream);
std::vector<Reply> LsFrames(const Bytes& stream);

// Request frames as the host sends them.
Bytes Tc(std::uint8_t type, const Bytes& payload = {});
Bytes Ls(std::uint8_t type, const Bytes& payload = {});

inline std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline const Bytes kIdentify = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};

}  // namespace simtest

#pragma once

// The device interface over the receiver simulator, in process and on virtual time: one rig per
// test on the system tests' bench, with one switchable line opened on COM5.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "frame/settings.h"
#include "support/sim_rig.h"

namespace device_system {

using Bytes = std::vector<std::uint8_t>;
using Sleeps = std::vector<std::uint32_t>;

class Rig : public testing_support::ReceiverBench {
  public:
    explicit Rig(const std::string& profileJson = "{}")
        : ReceiverBench(testing_support::ProfileText(profileJson)),
          transport(receiver, clock, &line, &log) {
        transport.OpenPort(kPort, 1, 0, 0, 6);
    }

    void SetMaxBaud(std::uint32_t value) {
        registry.tree.SetDword(DeviceRegistryKey(), "MaxBaud", value);
    }
    // The LS frames of one type that the host wrote.
    std::vector<Bytes> LsWrites(std::uint8_t type) const {
        return testing_support::LsFrames(transport.HostBytes(), type);
    }
    Sleeps SleepsSince(std::size_t from) const {
        const Sleeps& all = clock.Sleeps();
        return Sleeps(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
    }

    testing_support::SimTransport transport;
    OperationContext context{kPort, 1, testing_support::TestWindow(), nullptr};
    CGarnothInterface device{transport, context};
};

// The waits of one identification that adopts the receiver's line: the break's two halves and
// the settle wait.
inline Sleeps Adopting() {
    return {350, 350, 8000};
}
// The waits of an identification of a receiver that keeps its line, or of a failed one.
inline Sleeps BreakOnly() {
    return {350, 350};
}

inline Sleeps Join(std::initializer_list<Sleeps> parts) {
    Sleeps all;
    for (const Sleeps& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The code of the CLSDeviceException that body throws (0 when none).
inline int DeviceCode(const std::function<void()>& body) {
    try {
        body();
    } catch (const CLSDeviceException& failure) {
        return failure.GetCode();
    }
    return 0;
}

}  // namespace device_system

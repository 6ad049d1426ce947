#pragma once

// The device interface over the receiver simulator, in process and on virtual time: one rig per
// test with a simulated receiver, its transport front, the scripted UI, a fake device tree and
// an in-memory registry.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "engine/profile.h"
#include "engine/receiver.h"
#include "frame/branding.h"
#include "frame/settings.h"
#include "platform/virtual_clock.h"
#include "support/fake_device_tree.h"
#include "support/scripted_ui.h"
#include "support/sim_transport.h"
#include "support/test_operations.h"

namespace device_system {

using Bytes = std::vector<std::uint8_t>;
using Sleeps = std::vector<std::uint32_t>;

// Leaves the host's LS type-17 (switch baud) frames for rates outside `heard` unsent, as a
// line that loses them would: the receiver never sees them and never answers. The frame's
// pieces (header, payload, trailer) are collected and sent, or dropped, as one.
class SwitchFilterTransport : public testing_support::SimTransport {
  public:
    using SimTransport::SimTransport;

    std::set<std::uint32_t> heard;  // empty: every switch frame is heard
    bool dropAll = false;
    std::vector<Bytes> dropped;

    void Write(const std::uint8_t* buffer, std::size_t count) override {
        if (pending_.empty() && count == 4 && buffer[0] == 0x02 && buffer[1] == 0x11) {
            pending_.assign(buffer, buffer + count);
            expected_ = 4u + (static_cast<std::size_t>(buffer[2]) << 8) + buffer[3] + 3u;
            return;
        }
        if (pending_.empty()) {
            SimTransport::Write(buffer, count);
            return;
        }
        pending_.insert(pending_.end(), buffer, buffer + count);
        if (pending_.size() < expected_) {
            return;
        }
        Bytes frame;
        frame.swap(pending_);
        if (Heard(frame)) {
            SimTransport::Write(frame.data(), frame.size());
        } else {
            dropped.push_back(frame);
        }
    }

  private:
    bool Heard(const Bytes& frame) const {
        if (dropAll) {
            return false;
        }
        if (heard.empty()) {
            return true;
        }
        if (frame.size() != 11) {
            return false;
        }
        const std::uint32_t rate = (std::uint32_t{frame[4]} << 24) |
                                   (std::uint32_t{frame[5]} << 16) |
                                   (std::uint32_t{frame[6]} << 8) | frame[7];
        return heard.count(rate) != 0;
    }

    Bytes pending_;
    std::size_t expected_ = 0;
};

inline sim::Profile Profile(const std::string& json) {
    return sim::LoadProfileText(json.empty() ? "{}" : json, "device system test");
}

class Rig {
  public:
    static constexpr int kPort = 5;

    explicit Rig(const std::string& profileJson = "{}")
        : receiver(Profile(profileJson)), transport(receiver, clock) {
        SetBrandingVariant(0);
        tree.SetTimeSource([this] { return clock.ElapsedMs(); });
        transport.OpenPort(kPort, 1, 0, 0, 6);
    }
    ~Rig() { SetBrandingVariant(0); }

    void SetMaxBaud(std::uint32_t value) {
        registry.tree.SetDword(DeviceRegistryKey(), "MaxBaud", value);
    }

    // The LS frames of one type that the host wrote, found in everything it wrote: a frame
    // counts when its length, checksum and ETX agree.
    std::vector<Bytes> LsWrites(std::uint8_t type) const {
        const Bytes bytes = transport.HostBytes();
        std::vector<Bytes> frames;
        std::size_t i = 0;
        while (i + 7 <= bytes.size()) {
            const std::size_t length = (std::size_t{bytes[i + 2]} << 8) | bytes[i + 3];
            const std::size_t end = i + 4 + length + 3;
            if (bytes[i] != 0x02 || end > bytes.size() || bytes[end - 1] != 0x03) {
                ++i;
                continue;
            }
            unsigned sum = 0;
            for (std::size_t k = i + 1; k < i + 4 + length; ++k) {
                sum += bytes[k];
            }
            const unsigned stated = (unsigned{bytes[end - 3]} << 8) | bytes[end - 2];
            if ((sum & 0xFFFF) != stated) {
                ++i;
                continue;
            }
            if (bytes[i + 1] == type) {
                frames.emplace_back(bytes.begin() + static_cast<long>(i),
                                    bytes.begin() + static_cast<long>(end));
            }
            i = end;
        }
        return frames;
    }

    Sleeps SleepsSince(std::size_t from) const {
        const Sleeps& all = clock.Sleeps();
        return Sleeps(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
    }

    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    testing_support::ScriptedUi ui;
    testing_support::FakeDeviceTree tree;
    testing_support::ScopedRegistry registry;
    sim::Receiver receiver;
    SwitchFilterTransport transport;
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

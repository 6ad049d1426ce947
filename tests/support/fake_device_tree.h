#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/device_tree.h"

namespace testing_support {

// Stands in for the machine's device tree: records every disable/enable in order and reports
// the configured number of matching nodes. Installed for its lifetime. onChange, when set, runs
// after each recorded call (a test can, for example, let the port come back on the enable).
class FakeDeviceTree : public platform::DeviceTree {
  public:
    struct Call {
        std::string nameContains;
        bool enabled;
        std::uint64_t atMs;  // virtual time of the call, when a clock was given
    };

    explicit FakeDeviceTree(int matchingNodes = 1);
    ~FakeDeviceTree() override;
    FakeDeviceTree(const FakeDeviceTree&) = delete;
    FakeDeviceTree& operator=(const FakeDeviceTree&) = delete;

    int SetDevicesEnabled(std::string_view nameContains, bool enabled) override;

    // Time stamps for the calls (optional).
    void SetTimeSource(std::function<std::uint64_t()> now) { now_ = std::move(now); }

    std::vector<Call> calls;
    std::function<void(const Call&)> onChange;

  private:
    int matchingNodes_;
    std::function<std::uint64_t()> now_;
    platform::ScopedDeviceTree installed_;
};

}  // namespace testing_support

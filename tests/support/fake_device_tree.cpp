#include "support/fake_device_tree.h"

namespace testing_support {

FakeDeviceTree::FakeDeviceTree(int matchingNodes)
    : matchingNodes_(matchingNodes), installed_(*this) {}

FakeDeviceTree::~FakeDeviceTree() = default;

int FakeDeviceTree::SetDevicesEnabled(std::string_view nameContains, bool enabled) {
    calls.push_back(Call{std::string(nameContains), enabled, now_ ? now_() : 0});
    if (onChange) {
        onChange(calls.back());
    }
    return matchingNodes_;
}

}  // namespace testing_support

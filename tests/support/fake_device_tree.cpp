#include "support/fake_device_tree.h"

namespace testing_support {

FakeDeviceTree::FakeDeviceTree(int matchingNodes)
    : matchingNodes_(matchingNodes), installed_(*this) {}

FakeDeviceTree::~FakeDeviceTree() = default;

platform::DeviceWalk FakeDeviceTree::SetDevicesEnabled(std::string_view nameContains,
                                                       bool enabled) {
    calls.push_back(Call{std::string(nameContains), enabled, now_ ? now_() : 0});
    if (onChange) {
        onChange(calls.back());
    }
    return {.visited = matchingNodes_, .matched = matchingNodes_, .changed = matchingNodes_};
}

std::optional<FakeDeviceNodes::Node> FakeDeviceNodes::Root() {
    return root;
}

std::optional<FakeDeviceNodes::Node> FakeDeviceNodes::FirstChild(Node node) {
    const auto it = entries.find(node);
    if (it == entries.end() || it->second.children.empty()) {
        return std::nullopt;
    }
    return it->second.children.front();
}

const FakeDeviceNodes::Node* FakeDeviceNodes::Following(Node node) const {
    for (const auto& [parent, entry] : entries) {
        for (std::size_t i = 0; i + 1 < entry.children.size(); ++i) {
            if (entry.children[i] == node) {
                return &entry.children[i + 1];
            }
        }
    }
    return nullptr;
}

std::optional<FakeDeviceNodes::Node> FakeDeviceNodes::NextSibling(Node node) {
    if (const Node* next = Following(node)) {
        return *next;
    }
    if (endless) {
        return node + 1;
    }
    return std::nullopt;
}

std::optional<std::string> FakeDeviceNodes::DisplayName(Node node) {
    named.push_back(node);
    const auto it = entries.find(node);
    return it == entries.end() ? std::nullopt : it->second.name;
}

bool FakeDeviceNodes::SetEnabled(Node node, bool enabled) {
    changes.push_back(Change{node, enabled});
    const auto it = entries.find(node);
    return it != entries.end() && it->second.accepts;
}

}  // namespace testing_support

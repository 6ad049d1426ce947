#include "platform/device_tree_walk.h"

#include <vector>

namespace platform {

DeviceWalk WalkDeviceTree(DeviceNodes& nodes, std::string_view nameContains, bool enabled,
                          int maxNodes) {
    DeviceWalk walk;
    const std::optional<DeviceNodes::Node> root = nodes.Root();
    if (!root) {
        return walk;
    }
    // Nodes still to visit, the next one last: a node's first child goes above its next sibling.
    std::vector<DeviceNodes::Node> pending = {*root};
    while (!pending.empty()) {
        if (walk.visited == maxNodes) {
            walk.cut = true;
            break;
        }
        const DeviceNodes::Node node = pending.back();
        pending.pop_back();
        ++walk.visited;
        const std::optional<std::string> name = nodes.DisplayName(node);
        if (name && name->find(nameContains) != std::string::npos) {
            ++walk.matched;
            if (nodes.SetEnabled(node, enabled)) {
                ++walk.changed;
            }
        }
        if (const auto sibling = nodes.NextSibling(node)) {
            pending.push_back(*sibling);
        }
        if (const auto child = nodes.FirstChild(node)) {
            pending.push_back(*child);
        }
    }
    return walk;
}

}  // namespace platform

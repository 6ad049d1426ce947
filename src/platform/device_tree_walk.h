#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/device_tree.h"

// The walk that restarts the receiver's USB serial device, apart from the system API it walks, so
// that it runs the same over the configuration manager and over a test's tree.
namespace platform {

// The node API of a device tree, as the walk sees it. A node is the system's device instance
// handle.
class DeviceNodes {
  public:
    using Node = std::uint32_t;

    virtual ~DeviceNodes() = default;
    // The root of the tree; nothing when the tree cannot be read.
    virtual std::optional<Node> Root() = 0;
    virtual std::optional<Node> FirstChild(Node node) = 0;
    virtual std::optional<Node> NextSibling(Node node) = 0;
    // The node's display name when it takes part in the walk (its setup class is known and has
    // an icon); nothing otherwise.
    virtual std::optional<std::string> DisplayName(Node node) = 0;
    // Asks the node's class installer to disable or enable it; true when it accepted.
    virtual bool SetEnabled(Node node, bool enabled) = 0;
};

// The most nodes one walk visits. Real machines have a few hundred; a tree API that never
// reports the end (a child or sibling that is always "there") stops here instead of holding the
// run forever.
inline constexpr int kMaxDeviceNodes = 10000;

// Visits the tree from its root, each node before its children and its children before its
// following siblings, and disables or enables every node whose display name contains
// nameContains. Never throws; the stack it keeps grows with the nodes visited, not with the
// depth of the system's calls.
DeviceWalk WalkDeviceTree(DeviceNodes& nodes, std::string_view nameContains, bool enabled,
                          int maxNodes = kMaxDeviceNodes);

}  // namespace platform

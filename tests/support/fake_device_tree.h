#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/device_tree_walk.h"

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

    platform::DeviceWalk SetDevicesEnabled(std::string_view nameContains, bool enabled) override;

    // Time stamps for the calls (optional).
    void SetTimeSource(std::function<std::uint64_t()> now) { now_ = std::move(now); }

    std::vector<Call> calls;
    std::function<void(const Call&)> onChange;

  private:
    int matchingNodes_;
    std::function<std::uint64_t()> now_;
    platform::ScopedDeviceTree installed_;
};

// A device tree's nodes for the walk: each node with its children in order, its name (none: the
// node takes no part) and whether it accepts a change. Records the changes asked for. With
// endless set, every node reports one more sibling, as a tree API that never says "no more".
class FakeDeviceNodes : public platform::DeviceNodes {
  public:
    struct Entry {
        std::optional<std::string> name;
        std::vector<Node> children;
        bool accepts = true;
    };
    struct Change {
        Node node;
        bool enabled;
        bool operator==(const Change&) const = default;
    };

    std::optional<Node> Root() override;
    std::optional<Node> FirstChild(Node node) override;
    std::optional<Node> NextSibling(Node node) override;
    std::optional<std::string> DisplayName(Node node) override;
    bool SetEnabled(Node node, bool enabled) override;

    std::optional<Node> root;
    std::map<Node, Entry> entries;
    bool endless = false;
    std::vector<Node> named;  // every node asked for its name, in order
    std::vector<Change> changes;

  private:
    // The node that follows node among its parent's children, if any.
    const Node* Following(Node node) const;
};

}  // namespace testing_support

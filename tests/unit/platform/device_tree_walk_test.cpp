// The walk that restarts the receiver's USB serial device, over fake trees: the order of the
// visit, which nodes change, and the bound that ends a walk over a tree that never ends.
#include <gtest/gtest.h>

#include "platform/device_tree_walk.h"
#include "support/fake_device_tree.h"

namespace {

using testing_support::FakeDeviceNodes;
using Node = FakeDeviceNodes::Node;
using Change = FakeDeviceNodes::Change;

const std::string kReceiver = "Corvane GNSS (COM5)";

// root 1: children 2 (child 4: the receiver; 5 unnamed) and 3 (child 6: a receiver on COM15,
// which contains "COM1" but not the name asked for; 7: the receiver again, refusing the change).
FakeDeviceNodes Machine() {
    FakeDeviceNodes nodes;
    nodes.root = 1;
    nodes.entries = {
        {1, {"Computer", {2, 3}}},
        {2, {"USB Root Hub", {4, 5}}},
        {3, {"Ports (COM & LPT)", {6, 7}}},
        {4, {"Corvane GNSS (COM5)", {}}},
        {5, {std::nullopt, {}}},
        {6, {"Corvane GNSS (COM15)", {}}},
        {7, {"Corvane GNSS (COM5) #2", {}, false}},
    };
    return nodes;
}

TEST(DeviceTreeWalk, VisitsEachNodeOnceAndChangesTheMatchingOnes) {
    struct Case {
        const char* legend;
        std::string name;
        bool enabled;
        std::vector<Change> changes;
        platform::DeviceWalk walk;
    };
    const std::vector<Case> cases = {
        {"the receiver's device, disabled; the refusing one is asked too",
         kReceiver,
         false,
         {{4, false}, {7, false}},
         {.visited = 7, .matched = 2, .changed = 1}},
        {"and enabled again",
         kReceiver,
         true,
         {{4, true}, {7, true}},
         {.visited = 7, .matched = 2, .changed = 1}},
        {"a name that matches nothing changes nothing",
         "Corvane GNSS (COM99)",
         false,
         {},
         {.visited = 7}},
    };
    for (const Case& c : cases) {
        FakeDeviceNodes nodes = Machine();
        const platform::DeviceWalk walk = platform::WalkDeviceTree(nodes, c.name, c.enabled);
        EXPECT_EQ(nodes.changes, c.changes) << c.legend;
        EXPECT_EQ(walk.visited, c.walk.visited) << c.legend;
        EXPECT_EQ(walk.matched, c.walk.matched) << c.legend;
        EXPECT_EQ(walk.changed, c.walk.changed) << c.legend;
        EXPECT_FALSE(walk.cut) << c.legend;
        // Each node before its children, its children before its next sibling.
        EXPECT_EQ(nodes.named, (std::vector<Node>{1, 2, 4, 5, 3, 6, 7})) << c.legend;
    }
}

TEST(DeviceTreeWalk, EndsAtItsBoundWhenTheTreeNeverReportsItsEnd) {
    struct Case {
        const char* legend;
        FakeDeviceNodes nodes;
        int bound;
        int visited;
        bool cut;
    };
    FakeDeviceNodes endless = Machine();
    endless.endless = true;  // every node has one more sibling
    FakeDeviceNodes noRoot;  // the tree cannot be read
    const std::vector<Case> cases = {
        {"siblings without end stop at the bound", endless, 50, 50, true},
        {"at the shipped bound", endless, platform::kMaxDeviceNodes, platform::kMaxDeviceNodes,
         true},
        {"a tree that fits its bound exactly is whole", Machine(), 7, 7, false},
        {"no root: nothing visited", noRoot, 50, 0, false},
    };
    for (const Case& c : cases) {
        FakeDeviceNodes nodes = c.nodes;
        const platform::DeviceWalk walk =
            platform::WalkDeviceTree(nodes, "Corvane GNSS (COM99)", false, c.bound);
        EXPECT_EQ(walk.visited, c.visited) << c.legend;
        EXPECT_EQ(walk.cut, c.cut) << c.legend;
        EXPECT_EQ(nodes.named.size(), static_cast<std::size_t>(c.visited)) << c.legend;
        EXPECT_TRUE(nodes.changes.empty()) << c.legend;
    }
}

}  // namespace

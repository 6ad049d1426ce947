#pragma once

#include <windows.h>
// windows.h must come first.
#include <setupapi.h>

#include <optional>
#include <string>

#include "platform/device_tree_walk.h"

namespace platform {

// The configuration manager's device tree of the local machine, as the restart walk sees it. A
// node takes part when its class GUID property can be read and its setup class has an icon in
// the class image list; its name is its friendly name, else its device description, else
// "Unknown Device". A change is a global property change (disable or enable) that the node's
// class installer is asked to carry out.
class ConfigManagerNodes final : public DeviceNodes {
  public:
    // images: the class image list, or nullptr when the system gave none (then no node takes
    // part). root: where the walk starts; the tree's root when not given.
    explicit ConfigManagerNodes(SP_CLASSIMAGELIST_DATA* images,
                                std::optional<Node> root = std::nullopt)
        : images_(images), root_(root) {}

    std::optional<Node> Root() override;
    std::optional<Node> FirstChild(Node node) override;
    std::optional<Node> NextSibling(Node node) override;
    std::optional<std::string> DisplayName(Node node) override;
    bool SetEnabled(Node node, bool enabled) override;

  private:
    SP_CLASSIMAGELIST_DATA* images_;
    std::optional<Node> root_;
};

}  // namespace platform

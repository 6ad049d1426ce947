#pragma once

#include <string>
#include <string_view>

// The machine's device tree, as far as the device interface needs it: a receiver on its USB port
// appears as a virtual COM port, and that device must be disabled and enabled again after the
// receiver rebooted, or the port does not come back. Win32 walks the configuration manager's tree
// and changes the state through the setup API; POSIX has no such tree (device_tree_posix.cpp);
// tests install a fake that records the calls.
namespace platform {

// What one walk of the tree did.
struct DeviceWalk {
    int visited = 0;   // nodes looked at
    int matched = 0;   // nodes whose name contained the text
    int changed = 0;   // of those, the ones that accepted the change
    bool cut = false;  // the walk stopped at its bound before the tree's end
};

class DeviceTree {
  public:
    virtual ~DeviceTree() = default;
    // Disables (enabled false) or enables every device node whose display name contains
    // nameContains. Never throws: a node that refuses the change is left as it is.
    virtual DeviceWalk SetDevicesEnabled(std::string_view nameContains, bool enabled) = 0;
};

// The tree in force: the system's own unless a test installed another one.
DeviceTree& CurrentDeviceTree();
// Installs tree (nullptr restores the system's). The caller keeps ownership.
void SetDeviceTree(DeviceTree* tree);

// Installs a tree for the lifetime of the guard and restores the previous one afterwards.
class ScopedDeviceTree {
  public:
    explicit ScopedDeviceTree(DeviceTree& tree) : previous_(&CurrentDeviceTree()) {
        SetDeviceTree(&tree);
    }
    ~ScopedDeviceTree() { SetDeviceTree(previous_); }
    ScopedDeviceTree(const ScopedDeviceTree&) = delete;
    ScopedDeviceTree& operator=(const ScopedDeviceTree&) = delete;

  private:
    DeviceTree* previous_;
};

// The system's device tree (one per platform backend).
DeviceTree& SystemDeviceTree();

// The display name of the USB serial device behind COM<portNumber>: "Corvane GNSS (COM<n>)".
std::string UsbDeviceName(int portNumber);

}  // namespace platform

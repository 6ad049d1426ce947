#include "platform/device_tree.h"

namespace platform {
namespace {
DeviceTree* g_installed = nullptr;
}

DeviceTree& CurrentDeviceTree() {
    return g_installed != nullptr ? *g_installed : SystemDeviceTree();
}

void SetDeviceTree(DeviceTree* tree) {
    g_installed = tree;
}

std::string UsbDeviceName(int portNumber) {
    return "Corvane GNSS (COM" + std::to_string(portNumber) + ")";
}

}  // namespace platform
